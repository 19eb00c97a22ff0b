#!/usr/bin/env bash
# The capture editor in the real program on a private X desktop, opened on a
# picture file through the developer entry point: the help message comes
# first; the editor sits at the top-left corner at the picture's size; a drag
# masks in red; Esc (pressed and released) undoes without closing the editor;
# a right click opens the toolbox, "Recadrage" closes it, and a confirmed crop
# resizes the window; Alt+F4 closes the editor and leaves the main window.
#   editor_e2e.sh path/to/vitrix
root=${VITRIX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
# shellcheck source=../../scripts/lib/xsession.sh
source "$root/scripts/lib/xsession.sh"
at_exit xsession_stop
on_fail show_file "program output" "$work/program.log"
binary=$1

size_of() { xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w "x" h}'; }

# A white capture of 300 x 200 with a grey block.
convert -size 300x200 xc:white -fill '#808080' -draw 'rectangle 150,100 249,179' "$work/capture.png"

xsession_start "$work"
VITRIX_OPEN_PICTURE="$work/capture.png" xsession_run "$work" "$binary"
program=$XSESSION_LAST_PID

help=$(xsession_window "^vitrix$") || fail "the help message did not show"
sleep 0.5
xdotool windowactivate --sync "$help" key Return
editor=$(xsession_window "Image du presse papier") || fail "the editor did not show ($(xsession_windows))"
sleep 0.8
[ "$(size_of "$editor")" = "300x200" ] || fail "the editor is $(size_of "$editor"), not the picture's 300x200"
left=$(xwininfo -id "$editor" | awk '/Absolute upper-left X:/ {print $4}')
[ "$left" -lt 10 ] || fail "the editor is not at the left edge (x = $left)"

# A drag masks in red with a black border.
xdotool mousemove --window "$editor" 20 20 mousedown 1 mousemove --window "$editor" 60 50 \
  mousemove --window "$editor" 100 80 mouseup 1
sleep 0.5
[ "$(pixel "$editor" 50 50)" = "255 0 0" ] || fail "the masked area is $(pixel "$editor" 50 50), not red"
[ "$(pixel "$editor" 20 50)" = "0 0 0" ] || fail "the mask's border is not black"

# Esc: pressed, the editor stays; released, the area comes back.
xdotool windowactivate --sync "$editor" key Escape
sleep 0.5
[ -n "$(xdotool search --onlyvisible --name "Image du presse papier" 2>/dev/null)" ] || fail "Esc closed the editor"
[ "$(pixel "$editor" 50 50)" = "255 255 255" ] || fail "Esc did not restore the area ($(pixel "$editor" 50 50))"

# Right click: the toolbox; choosing the crop closes it.
xdotool mousemove --window "$editor" 10 10 click 3
toolbox=$(xsession_window "Boite a outils") || fail "a right click did not open the toolbox"
sleep 0.5
xdotool mousemove --window "$toolbox" 14 64 click 1
sleep 0.5
[ -z "$(xdotool search --onlyvisible --name "Boite a outils" 2>/dev/null)" ] || fail "choosing the crop left the toolbox open"

# A crop from bottom-right to top-left, confirmed with Return (Yes is the
# default answer): the window takes the cropped size.
xdotool mousemove --window "$editor" 260 190 mousedown 1 mousemove --window "$editor" 200 150 \
  mousemove --window "$editor" 140 90 mouseup 1
question=$(xsession_window "ration irr") || fail "the crop did not ask"
xdotool windowactivate --sync "$question" key Return
sleep 0.8
[ "$(size_of "$editor")" = "120x100" ] || fail "the cropped editor is $(size_of "$editor"), not 120x100"
[ "$(pixel "$editor" 5 5)" = "255 255 255" ] || fail "the crop's top-left corner is not white"
[ "$(pixel "$editor" 60 60)" = "128 128 128" ] || fail "the grey block is not where the crop put it"

# Alt+F4 closes the editor; the program goes on with its main window.
xsession_close "$editor" alt+F4 || fail "Alt+F4 left the editor open"
kill -0 "$program" 2>/dev/null || fail "the program ended with the editor"
main=$(xsession_window "upload d'image") || fail "the main window is gone"
xsession_close "$main" alt+F4 || fail "Alt+F4 left the main window open"
xsession_ended "$program" || fail "the program did not end with its main window"
echo "PASS"
