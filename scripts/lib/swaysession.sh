# shellcheck shell=bash
# A private Wayland desktop for end-to-end tests and benchmarks: sway on its
# headless backend (no screen, no input device, software rendering) with
# XWayland, where vitrix runs as an X client. sway refuses to run as root:
# run as root, it runs as the user nobody, with its home and runtime folder in
# the given folder, and X clients of root are let in with xhost (XWayland
# admits only the compositor's own user otherwise).
# Source this file, then:
#   swaysession_start DIR  starts sway (its files and log in DIR/sway), waits
#                          for XWayland and exports DISPLAY, WAYLAND_DISPLAY
#                          and SWAYSESSION_RUNTIME (sway's runtime folder,
#                          where wl-copy finds it: XDG_RUNTIME_DIR for
#                          Wayland clients); sway stops by itself after
#                          SWAYSESSION_LIFETIME seconds (300) at the latest
#   swaysession_wayland CMD...
#                          runs CMD as a Wayland client of that desktop
#   swaysession_stop       stops sway (have it run at exit)
# SWAYSESSION_PID is sway's process (its CPU time includes nothing else).

SWAYSESSION_PID=""

swaysession_start() {
  local dir=$1/sway _ as_user=()
  mkdir -p "$dir/home" "$dir/run"
  chmod 700 "$dir/run"
  if [ "$(id -u)" -eq 0 ]; then
    # The folders above must let nobody through.
    chmod o+x "$1"
    chown nobody:nogroup "$dir" "$dir/home" "$dir/run"
    as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  fi
  # XWayland starts at once; a program run by sway writes its display name,
  # and lets root's X clients in when sway runs as another user.
  local admit=""
  [ ${#as_user[@]} -gt 0 ] && admit="xhost +si:localuser:root >/dev/null; "
  cat >"$dir/config" <<CONFIG
xwayland force
exec sh -c '${admit}echo "\$DISPLAY" > $dir/display.new && mv $dir/display.new $dir/display'
CONFIG
  chmod 644 "$dir/config"
  rm -f "$dir/display"
  "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" \
    WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
    timeout "${SWAYSESSION_LIFETIME:-300}" sway -c "$dir/config" >"$dir/sway.log" 2>&1 &
  SWAYSESSION_PID=$!
  for _ in $(seq 300); do
    [ -s "$dir/display" ] && break
    kill -0 "$SWAYSESSION_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$dir/display" ]; then
    echo "swaysession: sway or XWayland did not start" >&2
    tail -n 20 "$dir/sway.log" >&2 || true
    return 1
  fi
  DISPLAY=$(cat "$dir/display")
  SWAYSESSION_RUNTIME=$dir/run
  local socket
  WAYLAND_DISPLAY=""
  for socket in "$dir/run"/wayland-*; do
    [ -S "$socket" ] && WAYLAND_DISPLAY=${socket##*/} && break
  done
  export DISPLAY WAYLAND_DISPLAY SWAYSESSION_RUNTIME
}

swaysession_wayland() { XDG_RUNTIME_DIR="$SWAYSESSION_RUNTIME" "$@"; }

swaysession_stop() {
  [ -n "$SWAYSESSION_PID" ] || return 0
  # sway itself first: the time limit's process does not always pass the
  # signal on, and sway would outlive it.
  local sway
  sway=$(pgrep -P "$SWAYSESSION_PID" || true)
  [ -n "$sway" ] && kill "$sway" 2>/dev/null
  kill "$SWAYSESSION_PID" 2>/dev/null || true
  wait "$SWAYSESSION_PID" 2>/dev/null || true
  SWAYSESSION_PID=""
}
