#!/usr/bin/env bash
# The watch in a Wayland session: vitrix runs through XWayland on a headless
# sway, and the desktop's screenshot tool is played by wl-copy, which puts a
# PNG on the Wayland clipboard as such tools do with "copy to clipboard".
# A picture copied before the watch went on is never taken; each new one
# after it is taken once, and saved ("Sauvegader") as the JPEG that cjpeg
# makes of its pixels; the same picture copied again is not taken twice.
#   watch_wayland_e2e.sh path/to/vitrix
root=${VITRIX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
# shellcheck source=../../scripts/lib/swaysession.sh
source "$root/scripts/lib/swaysession.sh"
export LC_ALL=C

binary=$1
fail_label="FAIL (wayland)"
at_exit swaysession_stop
copies=()
stop_copies() {
  local pid
  for pid in "${copies[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
at_exit stop_copies
on_fail show_file "program output" "$work/program.log"
on_fail show_file "sway" "$work/sway/sway.log"

swaysession_start "$work" || fail "sway did not start"

# Prints the first visible window whose title matches, waiting up to $2
# seconds (10); fails quietly when none shows.
window() {
  local _ found=""
  for _ in $(seq $((${2:-10} * 10))); do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$found" ] && break
    sleep 0.1
  done
  [ -n "$found" ] && echo "$found"
}
gone() { ! xwininfo -id "$1" 2>/dev/null | grep -q IsViewable; }
# Answers the message box titled $1 with key $2; sway gives a new window the
# focus, and the key goes to the focused window.
answer() {
  local box _ __
  box=$(window "$1") || fail "no message box \"$1\" ($3)"
  for _ in 1 2 3; do
    sleep 0.4
    xdotool key "$2"
    for __ in $(seq 30); do
      gone "$box" && return 0
      sleep 0.1
    done
  done
  fail "the message box \"$1\" did not close ($3)"
}
# No window of the capture (the question) within $1 seconds.
no_capture_within() {
  ! window "Image du presse papier" "$1" >/dev/null || fail "$2"
}
# Copies a PNG as a Wayland client, and waits until X clients see it.
copy_png() {
  swaysession_wayland wl-copy --foreground --type image/png <"$1" >/dev/null 2>&1 &
  copies+=($!)
  local _
  for _ in $(seq 100); do
    xclip -o -selection clipboard -t image/png 2>/dev/null | cmp -s - "$1" && return 0
    sleep 0.1
  done
  fail "X clients never saw $(basename "$1") on the clipboard"
}
# The JPEG vitrix must write for a picture: cjpeg of its pixels at the
# window's quality (95), with the float transform and baseline coding.
expected_jpeg() { convert "$1" -depth 8 ppm:- | cjpeg -dct float -baseline -quality 95 >"$2"; }

convert -size 64x48 xc:'#ff00ff' -depth 8 "$work/before.png"
convert -size 320x200 gradient:'#2060c0-#f0f0a0' -fill '#208020' -draw 'rectangle 200,120 300,180' -depth 8 "$work/first.png"
convert -size 240x160 plasma:fractal -seed 7 -depth 8 "$work/second.png" 2>/dev/null ||
  convert -size 240x160 gradient:'#c02020-#20c0c0' -depth 8 "$work/second.png"
folder="$work/home/Documents/vitrix"
mkdir -p "$work/home/Documents" "$work/run"
chmod 700 "$work/run"
HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb \
  "$binary" >"$work/program.log" 2>&1 &
program=$!
main=$(window "upload d'image" 30) || fail "the main window did not appear"
sleep 1
click_main() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.3; }
click_main 290 64   # Sauvegader
click_main 16 48    # no automatic preview: each capture asks first

# A picture copied before the watch is on is not a capture.
copy_png "$work/before.png"
click_main 40 12    # Activer la surveillance
no_capture_within 3 "the picture copied before the watch went on was taken"

# The desktop's screenshot, copied after: taken, and saved as cjpeg would.
copy_png "$work/first.png"
answer "Image du presse papier" Escape "the question for the first picture"   # No: straight to the save
answer "^vitrix$" Return "the saved-file message"
[ -f "$folder/1.jpg" ] || fail "no 1.jpg in the work folder"
expected_jpeg "$work/first.png" "$work/first.jpg"
cmp -s "$work/first.jpg" "$folder/1.jpg" || fail "1.jpg is not cjpeg's JPEG of the copied picture"

# The same picture, still there and then copied again, is not taken twice.
no_capture_within 2 "the first picture was taken a second time while it stayed"
copy_png "$work/first.png"
no_capture_within 3 "the first picture was taken again when copied again"

# The watch goes on: a new picture is taken.
copy_png "$work/second.png"
answer "Image du presse papier" Escape "the question for the second picture"
answer "^vitrix$" Return "the second saved-file message"
expected_jpeg "$work/second.png" "$work/second.jpg"
cmp -s "$work/second.jpg" "$folder/2.jpg" || fail "2.jpg is not cjpeg's JPEG of the second picture"
[ ! -e "$folder/3.jpg" ] || fail "a third capture was saved"

kill -0 "$program" || fail "vitrix ended during the run"
kill "$program"
wait "$program" 2>/dev/null || true
echo "PASS (wayland)"
