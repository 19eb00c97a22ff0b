#!/usr/bin/env bash
# Masks on a scaled desktop, in the real program on a private X desktop: the
# watch is switched on, Print Screen makes vitrix grab the screen itself, a
# mask is dragged over known pixels of the capture in the editor, and the
# saved file must be exactly what the user saw masked: byte for byte the JPEG
# that cjpeg makes of the grabbed screen with the mask painted where the
# pointer went.
#   hidpi_e2e.sh path/to/vitrix SCALE
# SCALE is one of:
#   2      QT_SCALE_FACTOR=2
#   1.5    QT_SCALE_FACTOR=1.5
#   xft192 Xft.dpi: 192 on the root window, as 200 % desktops set it
# The drag's corners are chosen so that a pointer position rounded to whole
# logical pixels lands on the wrong screen pixel at these scales.
root=${VITRIX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
# shellcheck source=../../scripts/lib/xsession.sh
source "$root/scripts/lib/xsession.sh"
export LC_ALL=C

binary=$1
mode=$2
fail_label="FAIL ($mode)"
helpers=()
stop_helpers() {
  local pid
  for pid in "${helpers[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
at_exit xsession_stop
at_exit stop_helpers
on_fail show_file "program output" "$work/program.log"

case $mode in
  2) scale=2 env_scale=(QT_SCALE_FACTOR=2) ;;
  1.5) scale=1.5 env_scale=(QT_SCALE_FACTOR=1.5) ;;
  xft192) scale=2 env_scale=() ;;
  *) fail "unknown scale" ;;
esac
# A point of the main window's client area, given in the window's design
# (logical) pixels, in the screen pixels xdotool works in.
native() { awk -v v="$1" -v s="$scale" 'BEGIN { printf "%d", v * s + 0.5 }'; }
click_main() { xdotool mousemove --window "$main" "$(native "$1")" "$(native "$2")" click 1; sleep 0.3; }
answer() {
  local box
  box=$(xsession_window "$1") || fail "no message box \"$1\" ($2)"
  sleep 0.3
  xsession_close "$box" Return || fail "the message box \"$1\" ($2) did not close"
}

xsession_start "$work"
if [ "$mode" = xft192 ]; then
  echo 'Xft.dpi: 192' | xrdb -merge || fail "xrdb could not set Xft.dpi"
fi

# The known pixels: a window of four colour blocks with a grid of fine lines,
# so that a capture or mask off by one pixel shows. Its top-left corner is
# away from vitrix's own windows at every scale.
convert -size 400x300 xc:'#e01010' \
  -fill '#10c010' -draw 'rectangle 200,0 399,149' -fill '#1010e0' -draw 'rectangle 0,150 199,299' \
  -fill '#f0f010' -draw 'rectangle 200,150 399,299' \
  -fill black -draw 'line 0,75 399,75' -draw 'line 100,0 100,299' -draw 'line 301,0 301,299' \
  "$work/blocks.png"
display -title blocks -geometry +40+60 "$work/blocks.png" &
helpers+=($!)
blocks=$(xsession_window "^blocks$") || fail "the window of known colours did not show"
sleep 0.5
read -r bx by < <(xwininfo -id "$blocks" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print x, y}')

xsession_run "$work" env "${env_scale[@]}" "$binary"
program=$XSESSION_LAST_PID
main=$(xsession_window "upload d'image") || fail "the main window did not appear"
sleep 1.5
# The main window is whole on the screen.
read -r mx my mw mh < <(xwininfo -id "$main" |
  awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}')
[ "$mw" -eq "$(native 501)" ] || fail "the main window is $mw pixels wide, not $(native 501): not scaled"
((mx >= 0 && my >= 0 && mx + mw <= 1280 && my + mh <= 800)) || fail "the main window is not whole on the screen"

click_main 290 64  # Sauvegader
click_main 40 12   # Activer la surveillance
xdotool key Print

# While the help message shows, the capture vitrix grabbed is on the
# clipboard: it has every pixel of the screen, the blocks where they are.
help=$(xsession_window "^vitrix$") || fail "no help message after Print Screen"
xclip -selection clipboard -t image/png -o >"$work/grabbed.png" || fail "no picture on the clipboard"
[ "$(identify -format %wx%h "$work/grabbed.png")" = 1280x800 ] ||
  fail "the capture is $(identify -format %wx%h "$work/grabbed.png"), not the screen's 1280x800"
[ "$(pixel "$work/grabbed.png" $((bx + 99)) $((by + 10)))" = "224 16 16" ] || fail "the capture's blocks are misplaced"
[ "$(pixel "$work/grabbed.png" $((bx + 100)) $((by + 10)))" = "0 0 0" ] || fail "the capture's grid line is misplaced"
sleep 0.3
xsession_close "$help" Return || fail "the help message did not close"

editor=$(xsession_window "Image du presse papier") || fail "the editor did not show"
sleep 1
# A filled rectangle from the first corner to the second, in screen pixels
# of the editor's client area (the picture's own pixels, unscrolled).
x0=$((bx + 61)) y0=$((by + 43)) x1=$((bx + 245)) y1=$((by + 207))
xdotool mousemove --window "$editor" "$x0" "$y0" mousedown 1 mousemove --window "$editor" $(((x0 + x1) / 2)) $(((y0 + y1) / 2)) \
  mousemove --window "$editor" "$x1" "$y1" mouseup 1
sleep 0.5
# On screen, the mask is where the pointer went.
[ "$(pixel "$editor" "$x0" "$y0")" = "0 0 0" ] || fail "no mask border under the first corner ($(pixel "$editor" "$x0" "$y0"))"
[ "$(pixel "$editor" $((x0 + 1)) $((y0 + 1)))" = "255 0 0" ] || fail "the mask is not red on screen"
xsession_close "$editor" alt+F4 || fail "Alt+F4 left the editor open"
answer "^vitrix$" "the saved-file message"
saved="$work/home/Documents/vitrix/1.jpg"
[ -f "$saved" ] || fail "no 1.jpg"

# The expected file: the grabbed screen with a black outline and a red inside
# over columns x0..x1-1 and rows y0..y1-1, encoded by cjpeg.
convert "$work/grabbed.png" +antialias -stroke none \
  -fill black -draw "rectangle $x0,$y0 $((x1 - 1)),$((y1 - 1))" \
  -fill red -draw "rectangle $((x0 + 1)),$((y0 + 1)) $((x1 - 2)),$((y1 - 2))" -depth 8 "$work/expected.ppm"
cjpeg -dct float -baseline -quality 95 "$work/expected.ppm" >"$work/expected.jpg"
if ! cmp -s "$work/expected.jpg" "$saved"; then
  psnr=$(compare -metric PSNR "$work/expected.ppm" "$saved" null: 2>&1 || true)
  fail "1.jpg differs from cjpeg of the masked screen (PSNR $psnr dB)"
fi

xsession_close "$main" alt+F4 || fail "Alt+F4 left the main window open"
xsession_ended "$program" || fail "the program did not end with its main window"
echo "PASS ($mode)"
