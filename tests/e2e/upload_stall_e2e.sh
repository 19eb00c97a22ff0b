#!/usr/bin/env bash
# An upload to a host that stalls: the image host (tools/imagehost, PHP's
# server) waits 5 s before it answers the upload. Meanwhile, on a private X
# desktop (Xvfb + openbox), the main window must go on painting: its status
# line counts the seconds waited (two screenshots differ), a window dropped
# over it is painted over again at once, and neither a click on the watch
# button nor a Print Screen press made during the wait starts anything
# inside the upload. Then the upload completes: one image on the host and its
# forum tag on the clipboard.
#   upload_stall_e2e.sh path/to/vitrix RUN
# RUN is one of:
#   click   the watch button is clicked and Print Screen pressed during the
#           wait: the click, handled after the upload, switches the watch
#           off, and no second capture comes
#   press   only Print Screen is pressed during the wait: its capture is not
#           lost, and comes once the upload is over
root=${VITRIX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
# shellcheck source=../../scripts/lib/xsession.sh
source "$root/scripts/lib/xsession.sh"
export LC_ALL=C

binary=$1
run=$2
fail_label="FAIL (stall, $run)"
case $run in click | press) ;; *) fail "unknown run" ;; esac
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
on_fail show_file "program output" "$work/program.log"
on_fail show_file "image host" "$work/host.log"

# The image host behind a router that holds each upload 5 s before the host
# sees it; it ends by itself after two minutes.
mkdir -p "$work/data/images" "$work/data/incoming"
cat >"$work/stall-router.php" <<PHP
<?php
if ((\$_SERVER['REQUEST_URI'] ?? '') === '/envoyer.php') {
    sleep(5);
}
return require '$root/tools/imagehost/router.php';
PHP
IMAGEHOST_DATA="$work/data" timeout 120 php -S 127.0.0.1:0 -t "$root/tools/imagehost/public" \
  -d upload_max_filesize=20M -d post_max_size=22M -d "upload_tmp_dir=$work/data/incoming" \
  "$work/stall-router.php" >"$work/host.log" 2>&1 &
helpers+=($!)
port=""
for _ in $(seq 100); do
  port=$(sed -n 's/.*(http:\/\/127\.0\.0\.1:\([0-9]*\)) started.*/\1/p' "$work/host.log" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || fail "the image host did not start"
base="http://127.0.0.1:$port/"

xsession_start "$work"
xsession_run "$work" env VITRIX_SERVICE_URL="$base" "$binary"
program=$XSESSION_LAST_PID
main=$(xsession_window "upload d'image") || fail "the main window did not appear"
sleep 1
click_main() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.3; }
answer() {
  local box
  box=$(xsession_window "$1") || fail "no message box \"$1\" ($3)"
  sleep 0.3
  xsession_close "$box" "$2" || fail "the message box \"$1\" did not close ($3)"
}
clipboard_text() { xclip -o -selection clipboard -t UTF8_STRING 2>/dev/null || true; }
# The status line (panel 0), and an area of the links box (white), as text.
status_line() { import -window "$main" -crop 340x15+2+228 +repage -depth 8 txt:- | sed 1d; }
links_box_white() { pixels "$main" 40x20+200+150 | awk '$0 != "255 255 255" {bad++} END {exit bad > 0}'; }
# The links box white again within $1 seconds: painted by the anti-freeze's
# next round at the latest.
links_box_white_within() {
  local _
  for _ in $(seq $(($1 * 10))); do
    links_box_white && return 0
    sleep 0.1
  done
  return 1
}
question_shown() { xdotool search --onlyvisible --name "Image du presse papier" >/dev/null 2>&1; }

# A window of one colour, kept away from the main window until it is
# dropped over it during the wait.
convert -size 300x120 xc:'#d01090' "$work/cover.png"
display -title cover -geometry +900+600 "$work/cover.png" &
helpers+=($!)
cover=$(xsession_window "^cover$" 10) || fail "the covering window did not show"
read -r x y < <(xwininfo -id "$main" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print x, y}')

click_main 290 79   # Sauvegarder et héberger
click_main 16 48    # no automatic preview: the question comes instead
click_main 40 12    # Activer la surveillance
xdotool key Print   # nobody holds the key: vitrix captures the screen
answer "Image du presse papier" Escape "the question"   # No: straight to the action
answer "^vitrix$" Return "the saved-file message"
started=$(date +%s.%N)
since() { awk -v s="$started" -v n="$(date +%s.%N)" 'BEGIN { printf "%.1f", n - s }'; }

# The host holds the upload now (5 s). Input during the wait is not handled
# inside the upload: the watch button (which would switch the watch back on
# while the upload holds it off) and a Print Screen press.
links_box_white_within 1 || fail "the links box is not white to begin with"
[ "$run" = click ] && click_main 40 12
xdotool key Print

# The status line counts the whole seconds waited: two looks more than a
# second apart differ.
status_early=$(status_line)
sleep 1.2
status_later=$(status_line)
[ "$status_early" != "$status_later" ] || fail "the status line did not change during the wait ($(since) s)"

# A window dropped over the main window and taken away again: the area it
# covered is painted again at once.
xdotool windowmove "$cover" $((x + 100)) $((y + 110)) windowraise "$cover"
sleep 0.3
links_box_white && fail "the covering window did not cover the links box"
xdotool windowmove "$cover" 900 600
links_box_white_within 1 || fail "the uncovered links box was not painted again during the wait ($(since) s)"
waited=$(since)
awk -v w="$waited" 'BEGIN { exit !(w < 4.8) }' || fail "the checks took too long ($waited s): the wait was over"
question_shown && fail "a second capture started inside the upload"

# The upload completes after the stall, with one image on the host. (PHP's
# server logs the end of each connection; the upload makes three: the post
# and the two pages it is sent on to.)
upload_over() { [ "$(grep -c ' Closing$' "$work/host.log")" -ge 3 ]; }
tag=""
for _ in $(seq 150); do
  tag=$(clipboard_text | head -n 1 | tr -d '\r')
  [[ $tag =~ ^\[img\].*\[/img\]$ ]] && break
  if question_shown; then
    upload_over || fail "a second capture started inside the upload"
    [ "$run" = press ] || fail "a second capture followed the upload"
    break
  fi
  sleep 0.1
done
if [ "$run" = click ] || ! question_shown; then
  [[ $tag =~ ^\[img\]http://127\.0\.0\.1:$port/images/[0-9a-f]{32}\.jpg\[/img\]$ ]] ||
    fail "no forum tag on the clipboard (\"$(clipboard_text)\")"
fi
upload_over || fail "the upload did not reach the result page"
awk -v w="$(since)" 'BEGIN { exit !(w >= 5) }' || fail "the upload ended before the host's stall was over"
stored=("$work"/data/images/*.jpg)
[ ${#stored[@]} -eq 1 ] || fail "the host stored ${#stored[@]} images"
cmp -s "$work/home/Documents/vitrix/1.jpg" "${stored[0]}" || fail "the host's copy differs from 1.jpg"

kill -0 "$program" || fail "vitrix ended during the run"
if [ "$run" = click ]; then
  # The click, handled once the upload was over, switched the watch off: the
  # press made during the upload brings no second capture.
  sleep 2
  question_shown && fail "a second capture followed the upload"
  xsession_close "$main" alt+F4 || fail "the main window did not close"
  xsession_ended "$program" || fail "the program did not end with its main window"
else
  # The press made during the upload is a capture once the upload is over
  # (its picture then takes the clipboard from the tag, which stays in the
  # links box).
  xsession_window "Image du presse papier" 5 >/dev/null || fail "the press made during the upload was lost"
  kill "$program"
  wait "$program" 2>/dev/null || true
fi
echo "PASS (stall, $run)"
