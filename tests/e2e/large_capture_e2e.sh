#!/usr/bin/env bash
# A capture larger than the screen, in the real program on a private X
# desktop whose Print Screen key belongs to a desktop screenshot tool (Debian's
# stock openbox binding, running a stand-in that copies a 1700 x 1100 picture
# to the clipboard). The editor must be whole on the screen, with scroll bars;
# a selection dragged past its right edge scrolls the picture and masks to
# the last column; the scroll bars bring the bottom-right corner into view,
# where the last pixel shows at the view's corner and is masked; the saved
# file has both masks.
#   large_capture_e2e.sh path/to/vitrix
root=${VITRIX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
# shellcheck source=../../scripts/lib/xsession.sh
source "$root/scripts/lib/xsession.sh"
export LC_ALL=C

binary=$1
at_exit xsession_stop
on_fail show_file "program output" "$work/program.log"

geometry() {
  xwininfo -id "$1" |
    awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} /Width:/ {w=$2} /Height:/ {h=$2} END {print x, y, w, h}'
}
answer() {
  local box
  box=$(xsession_window "$1") || fail "no message box \"$1\" ($2)"
  sleep 0.3
  xsession_close "$box" Return || fail "the message box \"$1\" ($2) did not close"
}

# The capture: a blue gradient whose very last pixel is magenta.
width=1700 height=1100
convert -size ${width}x${height} gradient:'#2060c0-#40a0e0' -fill '#ff00ff' \
  -draw "point $((width - 1)),$((height - 1))" "$work/capture.png"
mkdir -p "$work/bin"
cat >"$work/bin/screenshot-tool" <<TOOL
#!/bin/sh
# A desktop screenshot tool that copies its capture to the clipboard.
exec xclip -quiet -selection clipboard -t image/png -i "$work/capture.png" >/dev/null 2>&1
TOOL
chmod +x "$work/bin/screenshot-tool"
XSESSION_PRINT_COMMAND="$work/bin/screenshot-tool" xsession_start "$work"

xsession_run "$work" "$binary"
program=$XSESSION_LAST_PID
main=$(xsession_window "upload d'image") || fail "the main window did not appear"
sleep 1
xdotool mousemove --window "$main" 290 64 click 1  # Sauvegader
sleep 0.3
xdotool mousemove --window "$main" 40 12 click 1   # Activer la surveillance
sleep 0.5
xdotool key Print
answer "^vitrix$" "the editor's help text"
editor=$(xsession_window "Image du presse papier") || fail "the editor did not show"
sleep 1

# Whole on the screen: the client area and the frame's bottom edge.
read -r ex ey ew eh < <(geometry "$editor")
((ex >= 0 && ey > 0 && ex + ew <= 1280 && ey + eh < 800)) || fail "the editor is not whole on the screen ($ex,$ey ${ew}x$eh)"
((ew < width && eh < height)) || fail "the editor is ${ew}x$eh, as large as the picture"
# The bars' thickness: the bottom-right square between the two bars shows the
# window's background, where the picture's blue never is.
bar=0
while [ "$bar" -lt 40 ] && ! pixel_near "$editor" $((ew - bar - 1)) $((eh - bar - 1)) 32 96 192 100; do
  bar=$((bar + 1))
done
((bar >= 8 && bar < 40)) || fail "no scroll bars found (thickness $bar)"
view_w=$((ew - bar)) view_h=$((eh - bar))

# A selection dragged onto the vertical bar, past the view's right edge:
# the picture scrolls to its last column and the selection follows.
xdotool mousemove --window "$editor" 300 100 mousedown 1 mousemove --window "$editor" 600 120 \
  mousemove --window "$editor" $((ew - bar / 2)) 140
sleep 2
xdotool mouseup 1
sleep 0.5

# The vertical bar's slider dragged to the end brings the last row into view;
# the last pixel is then the view's bottom-right pixel.
xdotool mousemove --window "$editor" $((ew - bar / 2)) $((bar + 20)) mousedown 1 \
  mousemove --window "$editor" $((ew - bar / 2)) $((eh / 2)) mousemove --window "$editor" $((ew - bar / 2)) $((eh + 400)) mouseup 1
sleep 0.5
[ "$(pixel "$editor" $((view_w - 1)) $((view_h - 1)))" = "255 0 255" ] ||
  fail "the view's bottom-right pixel is $(pixel "$editor" $((view_w - 1)) $((view_h - 1))), not the picture's last (magenta)"
# A mask from inside the view to the corner between the bars.
xdotool mousemove --window "$editor" $((view_w - 60)) $((view_h - 40)) mousedown 1 \
  mousemove --window "$editor" $((view_w - 20)) $((view_h - 20)) mousemove --window "$editor" $((ew - 2)) $((eh - 2)) mouseup 1
sleep 0.5
[ "$(pixel "$editor" $((view_w - 1)) $((view_h - 1)))" = "255 0 0" ] || fail "the last pixel is not masked on screen"

xsession_close "$editor" alt+F4 || fail "Alt+F4 left the editor open"
answer "^vitrix$" "the saved-file message"
saved="$work/home/Documents/vitrix/1.jpg"
[ -f "$saved" ] || fail "no 1.jpg"
[ "$(identify -format %wx%h "$saved")" = ${width}x$height ] || fail "1.jpg is $(identify -format %wx%h "$saved")"
pixel_near "$saved" $((width - 1)) $((height - 1)) 255 0 0 || fail "the last pixel is not masked in 1.jpg ($(pixel "$saved" $((width - 1)) $((height - 1))))"
pixel_near "$saved" $((width - 1)) 120 255 0 0 || fail "the scrolled selection did not mask the last column ($(pixel "$saved" $((width - 1)) 120))"
pixel_near "$saved" 320 120 255 0 0 || fail "the scrolled selection did not mask from where it started"
pixel_near "$saved" $((width / 2)) $((height / 2)) 48 128 208 || fail "the unmasked middle changed ($(pixel "$saved" $((width / 2)) $((height / 2))))"

xsession_close "$main" alt+F4 || fail "Alt+F4 left the main window open"
xsession_ended "$program" || fail "the program did not end with its main window"
echo "PASS"
