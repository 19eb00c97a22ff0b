# shellcheck shell=bash
# The local image host (tools/imagehost) on a port the system picks, for
# scripts and end-to-end tests. Source this file, then:
#   imagehost_start DIR [VAR=value...]
#                        starts it with its data in DIR/data, its log in
#                        DIR/host.log (or IMAGEHOST_LOG) and the settings given
#                        (IMAGEHOST_MAX_BYTES=..., IMAGEHOST_PUBLIC_URL=...);
#                        sets IMAGEHOST_PID, IMAGEHOST_PORT and IMAGEHOST_URL
#                        (http://127.0.0.1:PORT/)
#   imagehost_stop       stops it (have it run at exit: at_exit imagehost_stop)
# It stops by itself after IMAGEHOST_LIFETIME seconds (300) at the latest.

imagehost_start() {
  local dir=$1 root log _
  shift
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  log=${IMAGEHOST_LOG:-$dir/host.log}
  mkdir -p "$dir"
  : >"$log"
  env IMAGEHOST_DATA="$dir/data" "$@" timeout "${IMAGEHOST_LIFETIME:-300}" "$root/tools/imagehost/serve" 0 \
    >"$log" 2>&1 &
  IMAGEHOST_PID=$!
  IMAGEHOST_PORT=""
  for _ in $(seq 100); do
    IMAGEHOST_PORT=$(sed -n 's/.*(http:\/\/127\.0\.0\.1:\([0-9]*\)) started.*/\1/p' "$log" | head -n 1)
    [ -n "$IMAGEHOST_PORT" ] && break
    sleep 0.1
  done
  if [ -z "$IMAGEHOST_PORT" ]; then
    echo "imagehost: the image host did not start" >&2
    cat "$log" >&2
    return 1
  fi
  # shellcheck disable=SC2034 # for the scripts that source this file
  IMAGEHOST_URL="http://127.0.0.1:$IMAGEHOST_PORT/"
}

imagehost_stop() {
  [ -n "${IMAGEHOST_PID:-}" ] || return 0
  kill "$IMAGEHOST_PID" 2>/dev/null || true
  wait "$IMAGEHOST_PID" 2>/dev/null || true
  IMAGEHOST_PID=""
}
