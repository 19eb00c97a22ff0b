#!/usr/bin/env bash
# A second start on a display vitrix already watches, on a private X desktop
# (Xvfb + openbox): it says so (a message box, and on stderr), ends without
# touching the work folder or the journal, and the running instance's main
# window, minimised before, comes back to the front. The running one then
# takes a capture alone: one editor, one file. Once it has ended, a new start
# runs normally.
#   instance_e2e.sh path/to/vitrix
root=${VITRIX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
# shellcheck source=../../scripts/lib/xsession.sh
source "$root/scripts/lib/xsession.sh"
export LC_ALL=C

binary=$1
at_exit xsession_stop
on_fail show_file "first instance" "$work/program.log"
on_fail show_file "second start" "$work/second.log"

press_until_gone() { xsession_close "$1" "$2" || fail "$3 did not close"; }
answer() {
  local box
  box=$(xsession_window "$1") || fail "no message box \"$1\" ($3)"
  sleep 0.3
  press_until_gone "$box" "$2" "the message box \"$1\" ($3)"
}
click_main() { xdotool mousemove --window "$main" "$1" "$2" click 1; sleep 0.3; }
show_windows() { echo "--- windows: $(xsession_windows)"; }
viewable() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }
# Starts vitrix as xsession_run does (same home and runtime folder), its
# output in the file given.
start_again() {
  HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb \
    VITRIX_SERVICE_URL="http://127.0.0.1:1/" "$binary" >"$1" 2>&1 &
  started=$!
}
start_lines() { grep -ac $'^D\xe9but travail le ' "$journal" || true; }

xsession_start "$work"
folder="$work/home/Documents/vitrix"
journal="$folder/vitrix.log"

xsession_run "$work" env VITRIX_SERVICE_URL="http://127.0.0.1:1/" "$binary"
first=$XSESSION_LAST_PID
main=$(xsession_window "upload d'image") || fail "the main window did not appear"
sleep 1
[ "$(start_lines)" -eq 1 ] || fail "the journal does not hold one start line"
xdotool windowminimize --sync "$main" || fail "the main window could not be minimised"
for _ in $(seq 50); do viewable "$main" || break; sleep 0.1; done
viewable "$main" && fail "the main window is still shown after minimising"

# The second start: a message, then its end; the folder stays as it was.
before=$(ls -la --time-style=full-iso "$folder"; cat "$journal")
start_again "$work/second.log"
second=$started
box=$(xsession_window "^vitrix$") || fail "the second start showed no message"
grep -q "vitrix est déjà lancé sur cet écran" "$work/second.log" ||
  fail "the second start did not say that vitrix is running"
kill -0 "$first" 2>/dev/null || fail "the first instance ended"
press_until_gone "$box" Return "the second start's message"
status=0
for _ in $(seq 100); do kill -0 "$second" 2>/dev/null || break; sleep 0.1; done
kill -0 "$second" 2>/dev/null && fail "the second start did not end after its message"
wait "$second" || status=$?
[ "$status" -eq 0 ] || fail "the second start ended with status $status"
[ "$(ls -la --time-style=full-iso "$folder"; cat "$journal")" = "$before" ] ||
  fail "the second start touched the work folder or the journal"

# The running one came forward: shown again and active.
for _ in $(seq 50); do
  viewable "$main" && [ "$(xdotool getactivewindow 2>/dev/null)" = "$main" ] && break
  sleep 0.1
done
viewable "$main" || fail "the running instance's main window is still minimised"
[ "$(xdotool getactivewindow 2>/dev/null)" = "$main" ] || fail "the running instance's main window is not active"

# A capture: one editor, one file.
sleep 1
click_main 290 64   # Sauvegader
click_main 40 12    # Activer la surveillance
xdotool key Print
answer "^vitrix$" Return "the editor's help text"
editor=$(xsession_window "Image du presse papier") || fail "the editor did not show"
[ "$(xdotool search --onlyvisible --name "Image du presse papier" | wc -l)" -eq 1 ] || fail "more than one editor"
press_until_gone "$editor" alt+F4 "the editor"
on_fail show_windows
answer "^vitrix$" Return "the saved-file message"
entries=$(find "$folder" -mindepth 1 -printf '%P\n' | sort | tr '\n' ' ')
[ "$entries" = "1.jpg vitrix.log " ] || fail "the folder holds $entries"

press_until_gone "$main" alt+F4 "the main window"
xsession_ended "$first" || fail "the first instance did not end with its main window"

# Gone with it: the lock. A new start runs and writes its own start line.
start_again "$work/third.log"
third=$started
on_fail show_file "third start" "$work/third.log"
again=$(xsession_window "upload d'image") || fail "a start after the first had ended showed no main window"
[ "$(start_lines)" -eq 2 ] || fail "the new start did not write its start line"
press_until_gone "$again" alt+F4 "the new main window"
xsession_ended "$third" || fail "the new start did not end with its main window"
echo "PASS"
