#!/usr/bin/env bash
# Pictures that cannot be taken, in the real program on a private X desktop
# (Xvfb + openbox), with a stand-in screenshot tool holding Print Screen: the
# picture another program offers after each press is a damaged PNG, an SVG
# drawing, or a PNG of 20000 x 20000 pixels (over the program's limit); each
# gives an error box that says why (its text read back from the program's
# standard error, where the error box writes it too), and the
# watch goes on to take a 9000 x 9000 PNG (past Qt's own size bound), saved
# whole. When mounting is allowed, a small tmpfs over the work folder then
# stands for a full disk: the error names the file and the cause, and no half
# file stays.
#   clipboard_e2e.sh path/to/vitrix path/to/print_key_holder
root=${VITRIX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
# shellcheck source=../../scripts/lib/xsession.sh
source "$root/scripts/lib/xsession.sh"
export LC_ALL=C

binary=$1
holder_program=$2
at_exit xsession_stop
helpers=()
stop_helpers() {
  local pid
  for pid in "${helpers[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
at_exit stop_helpers
mounted=""
unmount_folder() { [ -z "$mounted" ] || umount -l "$mounted" 2>/dev/null || true; }
at_exit unmount_folder
show_windows() { echo "--- windows: $(xsession_windows)"; }
on_fail show_windows
on_fail show_file "program output" "$work/program.log"

press_until_gone() { xsession_close "$1" "$2" || fail "$3 did not close"; }
answer() {
  local box
  box=$(xsession_window "$1") || fail "no message box \"$1\" ($3)"
  sleep 0.3
  press_until_gone "$box" "$2" "the message box \"$1\" ($3)"
}
click_main() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.3; }
offer() {
  xclip -quiet -selection clipboard -t "$2" -i "$1" >/dev/null 2>&1 &
  helpers+=($!)
}
# Presses Print Screen, waits for the stand-in tool to get the press, then
# offers the file as the type given: the tool's "capture".
capture() {
  local pressed
  xdotool key Print
  read -r -t 10 pressed <&"${HOLDER[0]}" || fail "the stand-in tool did not get the press"
  [ "$pressed" = press ] || fail "the stand-in tool said \"$pressed\""
  offer "$1" "$2"
}
# Waits for the error box, checks that the error it shows (also written on
# the program's standard error) holds the text given, and closes the box.
errors_seen=0
expect_error() {
  local box
  box=$(xsession_window "^vitrix$") || fail "no error box ($2)"
  errors_seen=$((errors_seen + 1))
  local said
  said=$(grep -a '^vitrix : ' "$work/program.log" | sed -n "${errors_seen}p")
  [[ $said == *"$1"* ]] || fail "the error ($2) says \"$said\", not \"$1\""
  sleep 0.3
  press_until_gone "$box" Return "the error box ($2)"
}

xsession_start "$work"
folder="$work/home/Documents/vitrix"

php "$root/tests/e2e/flat_png.php" 40 30 c81010 "$work/small.png"
cp "$work/small.png" "$work/damaged.png"
# The rows' compressed data is overwritten; the header stays whole.
printf 'ZZZZZZZZZZZZZZZZZZZZ' | dd of="$work/damaged.png" bs=1 seek=45 conv=notrunc status=none
cat >"$work/drawing.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="40" height="30"><rect width="40" height="30" fill="#0000ff"/></svg>
SVG
php "$root/tests/e2e/flat_png.php" 20000 20000 1478dc "$work/huge.png" header-only
php "$root/tests/e2e/flat_png.php" 9000 9000 1478dc "$work/big.png"
[ "$(identify -format %wx%h "$work/big.png")" = 9000x9000 ] || fail "the 9000 x 9000 PNG was not made"

coproc HOLDER { exec "$holder_program"; }
helpers+=("$HOLDER_PID")
read -r -t 10 holder_state <&"${HOLDER[0]}" || fail "the stand-in tool said nothing"
[ "$holder_state" = held ] || fail "the stand-in tool could not take Print Screen ($holder_state)"

xsession_run "$work" env VITRIX_SERVICE_URL="http://127.0.0.1:1/" "$binary"
program=$XSESSION_LAST_PID
main=$(xsession_window "upload d'image") || fail "the main window did not appear"
sleep 1
click_main 290 64   # Sauvegader
click_main 40 12    # Activer la surveillance
sleep 0.5

capture "$work/damaged.png" image/png
expect_error "L'image du presse-papiers ne peut pas être lue" "damaged PNG"
capture "$work/drawing.svg" image/svg+xml
expect_error "contient une image vectorielle (SVG, EMF ou WMF) mais pas de bitmap" "SVG only"
capture "$work/huge.png" image/png
expect_error "est trop grande pour être prise : 20000 x 20000 pixels" "20000 x 20000"
left=$(find "$folder" -mindepth 1 ! -name vitrix.log)
[ -z "$left" ] || fail "a refused picture left a file: $left"

capture "$work/big.png" image/png
answer "^vitrix$" Return "the editor's help text"
editor=$(xsession_window "Image du presse papier" 60) || fail "the editor did not show the 9000 x 9000 picture"
sleep 0.5
press_until_gone "$editor" alt+F4 "the editor"
answer "^vitrix$" Return "the saved-file message"
[ "$(identify -format %wx%h "$folder/1.jpg")" = 9000x9000 ] || fail "1.jpg is not the 9000 x 9000 picture"
pixel_near "$folder/1.jpg" 8999 8999 20 120 220 || fail "1.jpg does not hold the picture's colour"

if mount -t tmpfs -o size=64k vitrix-full "$folder" 2>/dev/null; then
  mounted=$folder
  capture "$work/big.png" image/png
  answer "^vitrix$" Return "the editor's help text (full disk)"
  editor=$(xsession_window "Image du presse papier" 60) || fail "the editor did not show (full disk)"
  sleep 0.5
  press_until_gone "$editor" alt+F4 "the editor (full disk)"
  expect_error "Erreur d'écriture dans le fichier \"$folder/1.jpg\". Il n'y a pas assez d'espace sur le disque." \
    "full disk"
  [ ! -e "$folder/1.jpg" ] || fail "a half-written 1.jpg stayed on the full disk"
  umount "$folder" || fail "the tmpfs could not be unmounted"
  mounted=""
else
  echo "full disk: skipped, no tmpfs can be mounted here"
fi

press_until_gone "$main" alt+F4 "the main window"
xsession_ended "$program" || fail "the program did not end with its main window"
echo "PASS"
