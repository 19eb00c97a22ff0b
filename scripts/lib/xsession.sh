# shellcheck shell=bash
# A private X desktop for scripts and end-to-end tests: Xvfb with the openbox
# window manager (so that windows get frames and Alt+F4 closes them). openbox
# runs with its usual key bindings except those of Print Screen (it would
# otherwise hold the key for a screenshot program): on this desktop the key is
# free unless a test starts a program that takes it.
#
# With XSESSION_PRINT_COMMAND set, openbox keeps Debian's stock Print and
# Alt+Print bindings instead, as a user's desktop has them; they run that
# command where the stock configuration runs scrot (a missing program, or a
# stand-in screenshot tool).
# Source this file, then:
#   xsession_start DIR   starts both, exports DISPLAY (DIR holds their logs)
#                        and makes the environment an X11 session's
#   xsession_run DIR CMD starts CMD on it with a fresh home in DIR/home
#                        (with an empty Documents folder); its pid is in
#                        XSESSION_LAST_PID
#   xsession_window TITLE [SECONDS]
#                        prints the first visible window whose title matches
#                        the pattern, waiting up to SECONDS (20) for it;
#                        prints nothing and fails when none shows
#   xsession_windows     prints the titles of the visible windows, joined
#                        by "|" (for failure messages)
#   xsession_close WINDOW KEY
#                        presses KEY in WINDOW until the window is gone (a key
#                        that reaches a window just before it takes the focus
#                        is lost on a busy machine); fails after three tries
#   xsession_ended PID [SECONDS]
#                        waits up to SECONDS (30: a sanitizer build checks for
#                        leaks on exit) for the process to end; fails if not
#   xsession_stop        ends everything started here, in reverse order
# Have xsession_stop run at exit (at_exit xsession_stop, with preamble.sh).

XSESSION_PIDS=()

xsession_start() {
  local dir=$1
  mkdir -p "$dir"
  rm -f "$dir/display"
  # Xvfb picks a free display number and writes it to the descriptor given.
  Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
  XSESSION_PIDS+=($!)
  local _
  for _ in $(seq 100); do
    [ -s "$dir/display" ] && break
    sleep 0.1
  done
  [ -s "$dir/display" ] || { echo "xsession: Xvfb did not start" >&2; return 1; }
  DISPLAY=":$(cat "$dir/display")"
  export DISPLAY
  # This desktop is an X11 session, also when the scripts run from a Wayland
  # one: vitrix would otherwise watch the clipboard instead of the key.
  unset WAYLAND_DISPLAY
  export XDG_SESSION_TYPE=x11
  local config=()
  if [ -n "${XSESSION_PRINT_COMMAND:-}" ]; then
    grep -q '<keybind key="Print">' /etc/xdg/openbox/rc.xml 2>/dev/null ||
      { echo "xsession: no stock Print binding in /etc/xdg/openbox/rc.xml" >&2; return 1; }
    sed "s#<command>scrot#<command>$XSESSION_PRINT_COMMAND#" /etc/xdg/openbox/rc.xml >"$dir/openbox-rc.xml"
    config=(--config-file "$dir/openbox-rc.xml")
  elif [ -r /etc/xdg/openbox/rc.xml ]; then
    sed '/<keybind key="\(A-\)\{0,1\}Print">/,/<\/keybind>/d' /etc/xdg/openbox/rc.xml >"$dir/openbox-rc.xml"
    config=(--config-file "$dir/openbox-rc.xml")
  fi
  openbox "${config[@]}" >"$dir/openbox.log" 2>&1 &
  local wm=$! restarted=0
  XSESSION_PIDS+=("$wm")
  # openbox owns the window manager selection once it is ready (which can
  # take a while on a busy machine). One that ended before is started again,
  # once.
  for _ in $(seq 600); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    if [ "$restarted" -eq 0 ] && ! kill -0 "$wm" 2>/dev/null; then
      echo "xsession: openbox ended before it was ready; starting it again" >&2
      cat "$dir/openbox.log" >&2 || true
      openbox "${config[@]}" >"$dir/openbox.log" 2>&1 &
      wm=$!
      XSESSION_PIDS+=("$wm")
      restarted=1
    fi
    sleep 0.1
  done
  echo "xsession: openbox did not start on $DISPLAY" >&2
  tail -n 20 "$dir/openbox.log" "$dir/xvfb.log" >&2 || true
  return 1
}

xsession_run() {
  local dir=$1
  shift
  mkdir -p "$dir/home/Documents" "$dir/run"
  chmod 700 "$dir/run"
  HOME="$dir/home" XDG_CONFIG_HOME="$dir/home/.config" XDG_RUNTIME_DIR="$dir/run" QT_QPA_PLATFORM=xcb \
    "$@" >"$dir/program.log" 2>&1 &
  # shellcheck disable=SC2034 # for the scripts that source this file
  XSESSION_LAST_PID=$!
  XSESSION_PIDS+=($!)
}

xsession_window() {
  local _ found=""
  for _ in $(seq $((${2:-20} * 10))); do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [ -n "$found" ] && break
    sleep 0.1
  done
  [ -n "$found" ] && echo "$found"
}

xsession_windows() {
  xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' '|' || true
}

xsession_close() {
  local _ __
  for _ in 1 2 3; do
    xdotool windowactivate --sync "$1" key "$2" 2>/dev/null || true
    for __ in $(seq 50); do
      xwininfo -id "$1" 2>/dev/null | grep -q IsViewable || return 0
      sleep 0.1
    done
  done
  return 1
}

xsession_ended() {
  local _
  for _ in $(seq $((${2:-30} * 10))); do
    kill -0 "$1" 2>/dev/null || return 0
    sleep 0.1
  done
  return 1
}

xsession_stop() {
  local i
  for ((i = ${#XSESSION_PIDS[@]} - 1; i >= 0; i--)); do
    kill "${XSESSION_PIDS[i]}" 2>/dev/null || true
    wait "${XSESSION_PIDS[i]}" 2>/dev/null || true
  done
  XSESSION_PIDS=()
}
