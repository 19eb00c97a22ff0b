#!/usr/bin/env bash
# The real program on a private X desktop: start-up makes the work folder and
# the journal's start line; the quality field resets when the window is shown
# and on a double click, but not when the window comes back from being
# minimised; the watch button turns red; closing with Alt+F4 writes the end
# line and ends the program. The window's class is the one the desktop entry
# names, and the window carries the program's icon.
#   main_window_e2e.sh path/to/vitrix
root=${VITRIX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
# shellcheck source=../../scripts/lib/xsession.sh
source "$root/scripts/lib/xsession.sh"
at_exit xsession_stop
on_fail show_file "program output" "$work/program.log"
binary=$1

# A part of the window's client area as a picture; pixels compare exactly.
grab() { import -window "$window" -crop "$3x$4+$1+$2" +repage "$work/$5.png"; }
same() { compare -metric AE "$work/$1.png" "$work/$2.png" null: 2>/dev/null; }

xsession_start "$work"
xsession_run "$work" "$binary"
program=$XSESSION_LAST_PID
window=$(xsession_window "upload d'image" 30) || fail "the main window did not appear"
sleep 1

# The window manager and the desktop match the window to the desktop entry by
# the class, the second word of WM_CLASS.
class=$(sed -n 's/^StartupWMClass=//p' "$root/data/vitrix.desktop")
[ -n "$class" ] || fail "the desktop entry names no StartupWMClass"
wm_class=$(xprop -id "$window" WM_CLASS)
[[ $wm_class == *", \"$class\"" ]] || fail "the window's class is not the desktop entry's $class: $wm_class"
# The icons are read whole before they are searched: under pipefail, grep -q
# leaving at the first match would end xprop on a broken pipe.
icons=$(xprop -id "$window" _NET_WM_ICON)
grep -q 'Icon (32 x 32)' <<<"$icons" || fail "the window carries no icon of 32 x 32"

journal="$work/home/Documents/vitrix/vitrix.log"
[ -d "$work/home/Documents/vitrix" ] || fail "no work folder"
grep -qa $'^D\xe9but travail le .* A .*\r$' "$journal" || fail "no start line in the journal"

# The quality field (8, 66, 33 x 21) shows 95; two clicks on the lower arrow
# of the spinner (48, 64, 17 x 25) change it. Only the text inside the field's
# frame is compared, with no selection in it (a click clears one).
quality() {
  xdotool mousemove --window "$window" 30 76 click 1
  sleep 0.3
  grab 11 69 27 15 "$1"
}
quality quality-95
xdotool mousemove --window "$window" 56 82 click 1 click 1
sleep 0.5
quality quality-93
if same quality-95 quality-93; then fail "the spinner did not change the quality field"; fi

# Coming back from the task bar is not a new showing: the field keeps 93.
xdotool windowminimize --sync "$window"
sleep 0.5
xdotool windowactivate --sync "$window" 2>/dev/null || xdotool windowmap --sync "$window"
sleep 1
quality quality-restored
same quality-93 quality-restored || fail "restoring the window reset the quality"

# A double click on the field resets it.
xdotool mousemove --window "$window" 20 76 click --repeat 2 --delay 60 1
sleep 0.5
quality quality-reset
same quality-95 quality-reset || fail "a double click did not reset the quality to 95"

# The watch button: a green gradient, red once the watch is on.
before=$(pixel "$window" 4 12)
xdotool mousemove --window "$window" 40 12 click 1
sleep 0.5
after=$(pixel "$window" 4 12)
[ "${before%% *}" -lt 20 ] || fail "the watch button does not start green ($before)"
[ "${after%% *}" -gt 240 ] || fail "the watch button did not turn red ($after)"

# Alt+F4 closes the window through the window manager; the program ends.
xsession_close "$window" alt+F4 || fail "Alt+F4 left the window open"
xsession_ended "$program" || fail "the program did not end when its window closed"
wait "$program" || fail "the program ended with status $?"
[ "$(wc -l <"$journal")" -eq 2 ] || fail "the journal should hold two lines: $(cat -A "$journal")"
tail -n 1 "$journal" | grep -qa $'^Fin travail le .* A .*\r$' || fail "no end line in the journal"
echo "PASS"
