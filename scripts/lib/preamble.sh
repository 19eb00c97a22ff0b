# shellcheck shell=bash
# The common start of the test, benchmark and screenshot scripts. Source it
# first; it turns on the strict mode (errexit, nounset, pipefail) and gives:
#   work              a fresh folder of the script's own, removed at exit
#                     (kept, and named on stderr, when KEEP_WORK is set)
#   at_exit COMMAND...
#                     runs COMMAND at exit, before the work folder goes; the
#                     last one registered runs first
#   fail MESSAGE      prints "$fail_label: MESSAGE" on stderr (fail_label is
#                     FAIL unless the script sets another), runs what on_fail
#                     registered, and ends the script with status 1
#   on_fail COMMAND...
#                     runs COMMAND when the script fails, its output going to
#                     stderr; for example on_fail show_file "program output" F
#   show_file TITLE FILE
#                     prints "--- TITLE" and the file, when it exists
#   pixels SOURCE WxH+X+Y
#                     prints "R G B" (0 to 255) for each pixel of an area of
#                     SOURCE, row by row: a window (its id, as xdotool gives
#                     it) or a picture file
#   pixel SOURCE X Y  the same for one pixel
#   pixel_near SOURCE X Y R G B [TOLERANCE]
#                     whether that pixel lies within TOLERANCE (40) of R G B in
#                     each channel
# A command is given as its words (a function or a program and its
# arguments), not as a line of shell to parse.

set -euo pipefail

fail_label=${fail_label:-FAIL}
preamble_exit_commands=()
preamble_fail_commands=()

# Each command is kept as one line of text, its words quoted.
at_exit() { preamble_exit_commands+=("$(printf '%q ' "$@")"); }
on_fail() { preamble_fail_commands+=("$(printf '%q ' "$@")"); }

preamble_exit() {
  local i
  for ((i = ${#preamble_exit_commands[@]} - 1; i >= 0; i--)); do
    eval "${preamble_exit_commands[i]}" || true
  done
  if [ -n "${KEEP_WORK:-}" ]; then
    echo "work folder kept: $work" >&2
  else
    rm -rf "$work"
  fi
}

work=$(mktemp -d)
trap preamble_exit EXIT

fail() {
  local command
  echo "$fail_label: $*" >&2
  for command in "${preamble_fail_commands[@]}"; do
    eval "$command" >&2 || true
  done
  exit 1
}

show_file() {
  [ -f "$2" ] || return 0
  echo "--- $1"
  cat "$2"
}

pixels() {
  local source=$1 area=$2 hex
  if [[ $source =~ ^(0x[0-9a-fA-F]+|[0-9]+)$ ]]; then
    import -window "$source" -crop "$area" +repage -depth 8 txt:-
  else
    convert "$source" -crop "$area" +repage -depth 8 txt:-
  fi | sed -n 's/.* #\([0-9A-Fa-f]\{6\}\).*/\1/p' | while read -r hex; do
    echo "$((16#${hex:0:2})) $((16#${hex:2:2})) $((16#${hex:4:2}))"
  done
}

pixel() { pixels "$1" "1x1+$2+$3"; }

pixel_near() {
  local r g b tolerance=${7:-40}
  read -r r g b < <(pixel "$1" "$2" "$3") || return 1
  ((r - $4 < tolerance && $4 - r < tolerance && g - $5 < tolerance && $5 - g < tolerance &&
    b - $6 < tolerance && $6 - b < tolerance))
}
