#!/usr/bin/env bash
# Print Screen held by the desktop, in the real program on a private X desktop
# running openbox with Debian's stock configuration, whose Print binding runs
# a screenshot program. The status line (read from the program's status log,
# VITRIX_STATUS_LOG, and on screen) must say from the start that another
# program handles the key, and, when a press brings no picture within the
# wait (10 s), that the other program must copy its capture to the clipboard.
#   print_elsewhere_e2e.sh path/to/vitrix RUN
# RUN is one of:
#   missing  the bound program is not installed (as scrot is not, here)
#   standin  a stand-in tool: its first press saves a file only, as such tools
#            do by default; set to copy, its next press brings the capture,
#            and the status line says the watch goes on as before
root=${VITRIX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
# shellcheck source=../../scripts/lib/xsession.sh
source "$root/scripts/lib/xsession.sh"
export LC_ALL=C.UTF-8

binary=$1
run=$2
fail_label="FAIL ($run)"
at_exit xsession_stop
on_fail show_file "program output" "$work/program.log"
on_fail show_file "status log" "$work/status.log"
on_fail show_file "stand-in tool" "$work/tool.log"

held="008000 Surveillance en cours : Impr. écran géré par un autre programme"
no_picture="ff0000 Aucune image : l'autre programme doit copier dans le presse papier"

# Waits up to $2 seconds for the status log's last line to be $1.
status_is() {
  local _
  for _ in $(seq $(($2 * 10))); do
    [ "$(tail -n 1 "$work/status.log" 2>/dev/null)" = "$1" ] && return 0
    sleep 0.1
  done
  return 1
}
# The rightmost column of panel 0 (the left 350 pixels of the status bar,
# along the bottom of the client area) that holds a pixel of the text colour.
text_right_edge() {
  pixels "$main" 340x13+4+229 | awk -v r="$1" -v g="$2" -v b="$3" '
    function near(a, c) { return a - c < 60 && c - a < 60 }
    { if (near($1, r) && near($2, g) && near($3, b)) { x = (NR - 1) % 340; if (x > max) max = x } }
    END { print max + 4 }'
}

mkdir -p "$work/bin" "$work/pictures"
convert -size 240x160 xc:'#3070d0' -fill '#f0a020' -draw 'rectangle 120,80 239,159' "$work/capture.png"
case $run in
  missing) tool="$work/bin/screenshot-tool" ;;  # never written
  standin)
    tool="$work/bin/screenshot-tool"
    cat >"$tool" <<TOOL
#!/bin/sh
# A desktop screenshot tool: it saves each capture to a file and, once set to
# (here: once the file "copy" exists), copies it to the clipboard instead.
if [ -e "$work/copy" ]; then
  echo copied >>"$work/tool.log"
  exec xclip -quiet -selection clipboard -t image/png -i "$work/capture.png" >/dev/null 2>&1
fi
cp "$work/capture.png" "$work/pictures/\$(date +%s%N).png"
echo saved >>"$work/tool.log"
TOOL
    chmod +x "$tool"
    ;;
  *) fail "unknown run" ;;
esac
XSESSION_PRINT_COMMAND="$tool" xsession_start "$work"
grep -q "<command>$tool</command>" "$work/openbox-rc.xml" || fail "openbox's Print binding does not run the tool"

xsession_run "$work" env VITRIX_STATUS_LOG="$work/status.log" "$binary"
program=$XSESSION_LAST_PID
main=$(xsession_window "upload d'image") || fail "the main window did not appear"
sleep 1
xdotool mousemove --window "$main" 40 12 click 1  # Activer la surveillance
status_is "$held" 5 || fail "the status line does not say that another program handles Print Screen"
sleep 0.5
# On screen: the long text in green (the short "Surveillance en cours" ends
# near x = 110).
edge=$(text_right_edge 0 128 0)
((edge > 300)) || fail "the status line shows no long green text (it ends at x = $edge)"

# A press that brings no picture: the tool is missing, or saves a file only.
xdotool key Print
sleep 3
status_is "$held" 1 || fail "the status line changed before the wait was over"
status_is "$no_picture" 12 || fail "no \"no picture\" text after the wait"
sleep 0.5
edge=$(text_right_edge 255 0 0)
((edge > 300)) || fail "the status line shows no long red text (it ends at x = $edge)"
[ -z "$(xdotool search --onlyvisible --name '^vitrix$|Image du presse papier' 2>/dev/null)" ] ||
  fail "a window opened for a press that brought no picture"

if [ "$run" = standin ]; then
  [ "$(cat "$work/tool.log")" = saved ] || fail "the tool did not save a file for the first press"
  # The tool set to copy: the next press is a capture, and the status line
  # says the watch goes on.
  touch "$work/copy"
  xdotool key Print
  help=$(xsession_window "^vitrix$") || fail "no capture after the tool copied its picture"
  status_is "$held" 2 || fail "the \"no picture\" text stayed after a capture"
  sleep 0.3
  xsession_close "$help" Return || fail "the help message did not close"
  editor=$(xsession_window "Image du presse papier") || fail "the editor did not show"
  sleep 0.8
  [ "$(pixel "$editor" 10 10)" = "48 112 208" ] || fail "the editor does not show the tool's picture ($(pixel "$editor" 10 10))"
  [ "$(pixel "$editor" 200 140)" = "240 160 32" ] || fail "the editor does not show the tool's picture"
  xsession_close "$editor" alt+F4 || fail "Alt+F4 left the editor open"
fi

xsession_close "$main" alt+F4 || fail "Alt+F4 left the main window open"
xsession_ended "$program" || fail "the program did not end with its main window"
echo "PASS ($run)"
