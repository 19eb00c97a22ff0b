#!/usr/bin/env bash
# Runs a command against a private X server: Xvfb picks a free display
# number itself (-displayfd), the command runs with DISPLAY set and Qt on
# xcb, and the server is stopped when the command ends.
set -euo pipefail

runtime_dir=$(mktemp -d)
display_file="$runtime_dir/display"
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
cleanup() {
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  rm -rf "$runtime_dir"
}
trap cleanup EXIT

for _ in $(seq 1 100); do
  [ -s "$display_file" ] && break
  sleep 0.05
done
if [ ! -s "$display_file" ]; then
  echo "with_xvfb: Xvfb did not start" >&2
  exit 1
fi

export DISPLAY=":$(head -n1 "$display_file")"
export QT_QPA_PLATFORM=xcb
export XDG_RUNTIME_DIR="$runtime_dir"
chmod 700 "$runtime_dir"
"$@"
