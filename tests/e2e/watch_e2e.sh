#!/usr/bin/env bash
# The whole road in the real program on a private X desktop (Xvfb + openbox):
# the watch switched on with the pointer, Print Screen pressed with xdotool,
# the capture masked in the editor, saved, uploaded to the local image host
# (tools/imagehost, on a free port through VITRIX_SERVICE_URL) and the forum
# tag read back from the clipboard.
#   watch_e2e.sh path/to/vitrix path/to/print_key_holder RUN
# RUN is one of:
#   upload      a stand-in screenshot tool holds Print Screen; the picture it
#               "takes" (a PNG from xclip) arrives just after the press, while
#               an older PNG already on the clipboard is ignored; "Sauvegarder
#               et héberger": the file, the host's copy, the journal and the tag
#   own         nobody holds the key: vitrix captures the screen itself, with
#               a window of known colours on it, and never the older PNG;
#               "Sauvegader"
#   uploadonly  own capture, no automatic preview (the question is answered
#               No), "Héberger uniquement": uploaded, then the file is deleted
#   hostdown    the host has stopped: "Héberger uniquement" keeps the file,
#               says so, and the status line shows the failure in red
root=${VITRIX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
# shellcheck source=../../scripts/lib/xsession.sh
source "$root/scripts/lib/xsession.sh"
# shellcheck source=../../scripts/lib/imagehost.sh
source "$root/scripts/lib/imagehost.sh"
export LC_ALL=C

binary=$1
holder_program=$2
run=$3
fail_label="FAIL ($run)"
at_exit xsession_stop
at_exit imagehost_stop
# Helper programs (stand-in tool, clipboard owners, a window) go first.
helpers=()
stop_helpers() {
  local pid
  for pid in "${helpers[@]}"; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
}
at_exit stop_helpers
show_windows() { echo "--- windows: $(xsession_windows)"; }
on_fail show_windows
on_fail show_file "program output" "$work/program.log"
on_fail show_file "image host" "$work/host.log"

# Presses key $2 in window $1 until the window is gone; fails with $3.
press_until_gone() { xsession_close "$1" "$2" || fail "$3 did not close"; }
# Answers the message box titled $1 with key $2 (Return: its default button).
answer() {
  local box
  box=$(xsession_window "$1") || fail "no message box \"$1\" ($3)"
  sleep 0.3
  press_until_gone "$box" "$2" "the message box \"$1\" ($3)"
}
# Clicks at a point of the main window's client area.
click_main() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.3; }
# Offers a picture file on the clipboard; xclip keeps serving it until
# another program takes the clipboard.
offer_png() {
  xclip -quiet -selection clipboard -t image/png -i "$1" >/dev/null 2>&1 &
  helpers+=($!)
}
clipboard_text() { xclip -o -selection clipboard -t UTF8_STRING 2>/dev/null || true; }

start_host() {
  imagehost_start "$work" || fail "the image host did not start"
  port=$IMAGEHOST_PORT
  base=$IMAGEHOST_URL
}

xsession_start "$work"
documents="$work/home/Documents"
folder="$documents/vitrix"

# Pictures: an older one that must never be taken, and the one taken.
convert -size 64x48 xc:'#ff00ff' "$work/old.png"
convert -size 320x200 gradient:'#2060c0-#f0f0a0' -fill '#208020' -draw 'rectangle 200,120 300,180' "$work/capture.png"

case $run in
  upload | uploadonly) start_host ;;
  hostdown)
    start_host
    imagehost_stop
    curl -s -o /dev/null "$base" && fail "the stopped host still answers"
    ;;
  own) base="http://127.0.0.1:1/" ;;  # never asked
  *) fail "unknown run" ;;
esac

if [ "$run" = upload ]; then
  # The stand-in screenshot tool: it holds the key until its input closes.
  coproc HOLDER { exec "$holder_program"; }
  helpers+=("$HOLDER_PID")
  read -r -t 10 holder_state <&"${HOLDER[0]}" || fail "the stand-in tool said nothing"
  [ "$holder_state" = held ] || fail "the stand-in tool could not take Print Screen ($holder_state)"
else
  # A window of known colours for the screen capture, away from vitrix's own.
  convert -size 80x60 xc:'#e01010' -size 80x60 xc:'#10c010' +append \
    \( -size 80x60 xc:'#1010e0' -size 80x60 xc:'#f0f010' +append \) -append "$work/blocks.png"
  display -title blocks -geometry +900+500 "$work/blocks.png" &
  helpers+=($!)
  blocks=$(xsession_window "^blocks$") || fail "the window of known colours did not show"
fi

xsession_run "$work" env VITRIX_SERVICE_URL="$base" "$binary"
program=$XSESSION_LAST_PID
main=$(xsession_window "upload d'image") || fail "the main window did not appear"
sleep 1

# The action: cg's items are 15 pixels apart from y = 49 in the window.
case $run in
  own) click_main 290 64 ;;                       # Sauvegader
  upload) click_main 290 79 ;;                    # Sauvegarder et héberger
  uploadonly | hostdown) click_main 290 95 ;;     # Héberger uniquement
esac
[ "$run" = uploadonly ] && click_main 16 48       # no automatic preview
click_main 40 12                                  # Activer la surveillance
offer_png "$work/old.png"
sleep 0.5

xdotool key Print
if [ "$run" = upload ]; then
  read -r -t 10 pressed <&"${HOLDER[0]}" || fail "the stand-in tool did not get the press"
  [ "$pressed" = press ] || fail "the stand-in tool said \"$pressed\""
  # Until the tool's picture arrives, the older picture is not a capture.
  sleep 1.5
  [ -z "$(xdotool search --onlyvisible --name '^vitrix$|Image du presse papier' 2>/dev/null)" ] ||
    fail "a window showed before the tool's picture arrived"
  offer_png "$work/capture.png"
fi

if [ "$run" = uploadonly ]; then
  answer "Image du presse papier" Escape "the question"   # No: straight to the action
else
  answer "^vitrix$" Return "the editor's help text"
  editor=$(xsession_window "Image du presse papier") || fail "the editor did not show"
  sleep 0.8
  if [ "$run" = upload ]; then
    # A filled rectangle over (30, 30)-(130, 100) of the capture.
    xdotool mousemove --window "$editor" 30 30 mousedown 1 mousemove --window "$editor" 80 65 \
      mousemove --window "$editor" 130 100 mouseup 1
    sleep 0.5
  fi
  press_until_gone "$editor" alt+F4 "the editor"
fi
answer "^vitrix$" Return "the saved-file message"
[ -f "$folder/1.jpg" ] || [ "$run" = uploadonly ] || fail "no 1.jpg in the work folder"

# The tag comes with the end of the upload.
wait_for_tag() {
  local _
  tag=""
  for _ in $(seq 200); do
    tag=$(clipboard_text | head -n 1 | tr -d '\r')
    [[ $tag =~ ^\[img\].*\[/img\]$ ]] && return 0
    sleep 0.1
  done
  fail "no forum tag on the clipboard (\"$(clipboard_text)\")"
}
hosted_address() {
  [[ $tag =~ ^\[img\](http://127\.0\.0\.1:$port/images/[0-9a-f]{32}\.jpg)\[/img\]$ ]] || fail "unexpected tag $tag"
  echo "${BASH_REMATCH[1]}"
}

case $run in
  upload)
    wait_for_tag
    address=$(hosted_address)
    # The file is the capture with the mask: red inside, a black border, the
    # rest as it came.
    [ "$(identify -format %wx%h "$folder/1.jpg")" = 320x200 ] || fail "1.jpg is not 320x200"
    convert "$work/capture.png" +antialias -fill red -stroke black -strokewidth 1 -draw 'rectangle 30,30 129,99' \
      "$work/expected.png"
    psnr=$(compare -metric PSNR "$work/expected.png" "$folder/1.jpg" null: 2>&1 || true)
    awk -v p="$psnr" 'BEGIN { exit !(p + 0 >= 30) }' || fail "1.jpg is not the masked capture (PSNR $psnr dB)"
    pixel_near "$folder/1.jpg" 80 65 255 0 0 || fail "the masked area is not red ($(pixel "$folder/1.jpg" 80 65))"
    pixel_near "$folder/1.jpg" 250 150 32 128 32 || fail "the capture's green block is gone"
    # The host keeps exactly the file's bytes, and serves them at the tag.
    stored=("$work"/data/images/*.jpg)
    [ ${#stored[@]} -eq 1 ] || fail "the host stored ${#stored[@]} images"
    cmp -s "$folder/1.jpg" "${stored[0]}" || fail "the host's copy differs from 1.jpg"
    curl -s -o "$work/fetched.jpg" "$address" || fail "curl could not fetch $address"
    cmp -s "$folder/1.jpg" "$work/fetched.jpg" || fail "the image at the tag's address differs from 1.jpg"
    # The journal: the start line and the two redirect addresses.
    journal="$folder/vitrix.log"
    grep -qa $'^D\xe9but travail le .* A .*\r$' "$journal" || fail "no start line in the journal"
    name=${address##*/}
    grep -qxF "${base}traitement.php?image=$name"$'\r' "$journal" || fail "no first redirect in the journal"
    grep -qxF "${base}resultat.php?image=$name"$'\r' "$journal" || fail "no second redirect in the journal"
    [ "$(wc -l <"$journal")" -eq 3 ] || fail "the journal holds more than three lines: $(cat -A "$journal")"
    ;;
  own)
    # The whole screen, with the window of known colours where it was.
    [ "$(identify -format %wx%h "$folder/1.jpg")" = 1280x800 ] ||
      fail "1.jpg is $(identify -format %wx%h "$folder/1.jpg"), not the screen"
    read -r x y < <(xwininfo -id "$blocks" | awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print x, y}')
    pixel_near "$folder/1.jpg" $((x + 40)) $((y + 30)) 224 16 16 || fail "no red block at $x,$y in the capture"
    pixel_near "$folder/1.jpg" $((x + 120)) $((y + 30)) 16 192 16 || fail "no green block in the capture"
    pixel_near "$folder/1.jpg" $((x + 40)) $((y + 90)) 16 16 224 || fail "no blue block in the capture"
    pixel_near "$folder/1.jpg" $((x + 120)) $((y + 90)) 240 240 16 || fail "no yellow block in the capture"
    [ -z "$(clipboard_text | grep -a img || true)" ] || fail "a tag without an upload"
    ;;
  uploadonly)
    wait_for_tag
    address=$(hosted_address)
    # Hosted, then deleted.
    [ ! -e "$folder/1.jpg" ] || fail "1.jpg was not deleted after the upload"
    curl -s -o "$work/fetched.jpg" "$address" || fail "curl could not fetch $address"
    [ "$(identify -format %wx%h "$work/fetched.jpg")" = 1280x800 ] || fail "the hosted image is not the screen"
    ;;
  hostdown)
    # The upload found no tag: the file stays and the user is told its name.
    answer "^vitrix$" Return "the kept-file message"
    [ -f "$folder/1.jpg" ] || fail "1.jpg was deleted although the upload failed"
    clipboard_text | grep -qa "Pas d'url image trouv" || fail "the links box did not get the failure line"
    sleep 0.3
    # Panel 0 of the status bar, along the bottom of the client area.
    pixels "$main" 350x19+0+226 | awk '$1 > 180 && $2 < 80 && $3 < 80 {n++} END {exit !(n > 20)}' ||
      fail "the status line shows no failure in red"
    ;;
esac

# vitrix ends with its main window.
press_until_gone "$main" alt+F4 "the main window"
xsession_ended "$program" || fail "the program did not end with its main window"
echo "PASS ($run)"
