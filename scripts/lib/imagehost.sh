# The local image host (tools/imagehost) on a port the system picks, for
# scripts and end-to-end tests. Source this file, then:
#   imagehost_start DIR  starts it with its data in DIR/data and its log in
#                        DIR/host.log; sets IMAGEHOST_PID, IMAGEHOST_PORT and
#                        IMAGEHOST_URL (http://127.0.0.1:PORT/)
#   imagehost_stop       stops it
# It stops by itself after IMAGEHOST_LIFETIME seconds (300) at the latest.

imagehost_start() {
  local dir=$1 root _
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
  mkdir -p "$dir"
  : >"$dir/host.log"
  IMAGEHOST_DATA="$dir/data" timeout "${IMAGEHOST_LIFETIME:-300}" "$root/tools/imagehost/serve" 0 \
    >"$dir/host.log" 2>&1 &
  IMAGEHOST_PID=$!
  IMAGEHOST_PORT=""
  for _ in $(seq 100); do
    IMAGEHOST_PORT=$(sed -n 's/.*(http:\/\/127\.0\.0\.1:\([0-9]*\)) started.*/\1/p' "$dir/host.log" | head -n 1)
    [ -n "$IMAGEHOST_PORT" ] && break
    sleep 0.1
  done
  if [ -z "$IMAGEHOST_PORT" ]; then
    echo "imagehost: the image host did not start" >&2
    cat "$dir/host.log" >&2
    return 1
  fi
  IMAGEHOST_URL="http://127.0.0.1:$IMAGEHOST_PORT/"
}

imagehost_stop() {
  [ -n "${IMAGEHOST_PID:-}" ] || return 0
  kill "$IMAGEHOST_PID" 2>/dev/null || true
  wait "$IMAGEHOST_PID" 2>/dev/null || true
  IMAGEHOST_PID=""
}
