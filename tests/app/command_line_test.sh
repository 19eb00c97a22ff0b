#!/usr/bin/env bash
# The real program's command line: --help and --version print and end with 0,
# an unknown option ends with 2, no X display or one that does not answer
# ends with 1 (never an abort), each with its text where it belongs and with
# no work folder or journal made. The program runs with a private home whose
# Documents folder exists, as it would on a desktop.
#   command_line_test.sh path/to/vitrix VERSION
root=${VITRIX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
binary=$1
version=$2
mkdir -p "$work/home/Documents" "$work/config"

failures=0
check() { # check <description> <command...>
  local what=$1
  shift
  if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}

# run NAME [VAR=value...] -- [ARGUMENT...]: the program with a private home
# and no platform chosen, its output in NAME.out and NAME.err, its status in
# status.
run() {
  local name=$1 settings=()
  shift
  while [ "$1" != -- ]; do
    settings+=("$1")
    shift
  done
  shift
  status=0
  env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY HOME="$work/home" XDG_CONFIG_HOME="$work/config" \
    "${settings[@]}" timeout 20 "$binary" "$@" >"$work/$name.out" 2>"$work/$name.err" || status=$?
}
no_journal() { [ ! -e "$work/home/Documents/vitrix" ]; }
lines() { wc -l <"$work/$1"; }

run help -- --help
check "--help ends with 0" test "$status" -eq 0
check "--help prints the usage" grep -q '^Utilisation : vitrix \[OPTION\]$' "$work/help.out"
check "--help names both options" grep -q -- '--version  affiche la version et quitte' "$work/help.out"
check "--help is in UTF-8 French" grep -q 'hébergeur' "$work/help.out"
check "--help says nothing on stderr" test ! -s "$work/help.err"
check "--help makes no journal" no_journal

run version -- --version
check "--version ends with 0" test "$status" -eq 0
check "--version prints the version" test "$(head -n 1 "$work/version.out")" = "vitrix $version"
check "--version says nothing on stderr" test ! -s "$work/version.err"
check "--version makes no journal" no_journal

run unknown -- --bogus
check "an unknown option ends with 2" test "$status" -eq 2
check "an unknown option is named on stderr" grep -q '^vitrix : option inconnue « --bogus »$' "$work/unknown.err"
check "an unknown option points to --help" grep -q 'Essayez « vitrix --help »' "$work/unknown.err"
check "an unknown option prints nothing on stdout" test ! -s "$work/unknown.out"
check "an unknown option makes no journal" no_journal

need="vitrix a besoin d'une session X11 ou XWayland."
run nodisplay --
check "no DISPLAY ends with 1, not an abort ($status)" test "$status" -eq 1
check "no DISPLAY is one line" test "$(lines nodisplay.err)" -eq 1
check "no DISPLAY says what is needed" grep -qF "vitrix : aucun affichage X (DISPLAY n'est pas défini) ; $need" "$work/nodisplay.err"
check "no DISPLAY makes no journal" no_journal

# A display number with no server: no socket of that number, in the file
# system or in the abstract namespace.
number=64000
while [ -e "/tmp/.X11-unix/X$number" ] || grep -q "@/tmp/.X11-unix/X$number\$" /proc/net/unix; do
  number=$((number + 1))
done
run unreachable DISPLAY=":$number" --
check "an unreachable DISPLAY ends with 1, not an abort ($status)" test "$status" -eq 1
check "an unreachable DISPLAY is one line" test "$(lines unreachable.err)" -eq 1
check "an unreachable DISPLAY is named" grep -qF "vitrix : l'affichage X « :$number » ne répond pas ; $need" "$work/unreachable.err"
check "an unreachable DISPLAY makes no journal" no_journal

# Asked for xcb by name, the same check applies.
run xcb QT_QPA_PLATFORM=xcb DISPLAY=":$number" --
check "an unreachable DISPLAY with xcb chosen ends with 1 ($status)" test "$status" -eq 1

if [ "$failures" -ne 0 ]; then
  for file in "$work"/*.out "$work"/*.err; do show_file "$(basename "$file")" "$file"; done
  exit 1
fi
echo "PASS"
