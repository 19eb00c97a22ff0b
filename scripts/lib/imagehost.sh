# shellcheck shell=bash
# The image host (tools/imagehost) for scripts, tests and benchmarks, in
# either of its deployments, on free loopback ports, stopping by itself.
# Source this file, then:
#   imagehost_start DIR [SETTING=value...]
#       PHP's built-in server (tools/imagehost/serve), as make run starts it:
#       its data in DIR/data, its output in DIR/host.log. The settings are the
#       host's (IMAGEHOST_MAX_BYTES=..., IMAGEHOST_DATA=... for another data
#       folder, ...). Sets IMAGEHOST_PORT and IMAGEHOST_URL
#       (http://127.0.0.1:PORT/). It stops by itself after IMAGEHOST_LIFETIME
#       seconds (300) at the latest.
#   imagehost_deploy DIR [OPTION...]
#       nginx + php-fpm (tools/imagehost/deploy/start) over https, with a
#       test certificate made in DIR/cert (clients trust DIR/cert/ca.pem), its
#       files in DIR/stack, its data in DIR/data and its output in DIR/ready.
#       The options are the start script's (--max-bytes N, --exempt ADDRESS,
#       --lifetime SECONDS: 300 unless given, ...). Run as root, the servers
#       run as nobody: DIR is opened to others for traversal, and the folders
#       above it must be too. Sets IMAGEHOST_HTTPS_PORT, IMAGEHOST_HTTP_PORT
#       and IMAGEHOST_PLAIN_PORT (its plain-http test listener).
#   imagehost_stop       stops the host started last (have it run at exit:
#                        at_exit imagehost_stop)
#   imagehost_sample_jpeg FILE WIDTH HEIGHT QUALITY
#                        writes a JPEG of noise, which compresses little
#                        (about 1.5 MB at 1280x1000 and quality 95)
# Both starts set IMAGEHOST_PID, and take FILE_SIZE_LIMIT_KB=N among their
# arguments: the servers may then write no file larger than N KiB.

imagehost_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)

# The command that runs a server under the file size limit asked for, if any,
# in imagehost_limited; the other arguments in imagehost_arguments.
imagehost_split_limit() {
  local argument
  imagehost_limited=()
  imagehost_arguments=()
  for argument in "$@"; do
    if [[ $argument == FILE_SIZE_LIMIT_KB=* ]]; then
      # shellcheck disable=SC2016 # the inner shell expands them
      imagehost_limited=(bash -c 'ulimit -f "$1"; shift; exec "$@"' _ "${argument#*=}")
    else
      imagehost_arguments+=("$argument")
    fi
  done
}

imagehost_start() {
  local dir=$1 _
  shift
  imagehost_split_limit "$@"
  mkdir -p "$dir/data"
  : >"$dir/host.log"
  "${imagehost_limited[@]}" env IMAGEHOST_DATA="$dir/data" "${imagehost_arguments[@]}" \
    timeout "${IMAGEHOST_LIFETIME:-300}" "$imagehost_root/tools/imagehost/serve" 0 >"$dir/host.log" 2>&1 &
  IMAGEHOST_PID=$!
  IMAGEHOST_PORT=""
  for _ in $(seq 100); do
    IMAGEHOST_PORT=$(sed -n 's/.*(http:\/\/127\.0\.0\.1:\([0-9]*\)) started.*/\1/p' "$dir/host.log" | head -n 1)
    [ -n "$IMAGEHOST_PORT" ] && break
    sleep 0.1
  done
  if [ -z "$IMAGEHOST_PORT" ]; then
    echo "imagehost: PHP's server did not start" >&2
    cat "$dir/host.log" >&2
    return 1
  fi
  # shellcheck disable=SC2034 # for the scripts that source this file
  IMAGEHOST_URL="http://127.0.0.1:$IMAGEHOST_PORT/"
}

imagehost_deploy() {
  local dir=$1 ready="" _
  shift
  imagehost_split_limit "$@"
  [ -f "$dir/cert/ca.pem" ] || "$imagehost_root/tests/imagehost/make-test-certificate" "$dir/cert"
  chmod 711 "$dir"
  mkdir -p "$dir/data"
  rm -f "$dir/ready"
  "${imagehost_limited[@]}" "$imagehost_root/tools/imagehost/deploy/start" --dir "$dir/stack" --data "$dir/data" \
    --cert "$dir/cert/server.pem" --key "$dir/cert/server.key" --plain-port 0 --lifetime 300 \
    "${imagehost_arguments[@]}" >"$dir/ready" 2>&1 &
  IMAGEHOST_PID=$!
  for _ in $(seq 300); do
    ready=$(grep '^ready ' "$dir/ready" || true)
    [ -n "$ready" ] && break
    kill -0 "$IMAGEHOST_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ -z "$ready" ]; then
    echo "imagehost: the deployment did not start" >&2
    cat "$dir/ready" >&2
    return 1
  fi
  # shellcheck disable=SC2034 # for the scripts that source this file
  {
    IMAGEHOST_HTTPS_PORT=$(sed -n 's/.* https=\([0-9]*\).*/\1/p' <<<"$ready")
    IMAGEHOST_HTTP_PORT=$(sed -n 's/.* http=\([0-9]*\).*/\1/p' <<<"$ready")
    IMAGEHOST_PLAIN_PORT=$(sed -n 's/.* plain=\([0-9]*\).*/\1/p' <<<"$ready")
  }
}

imagehost_stop() {
  [ -n "${IMAGEHOST_PID:-}" ] || return 0
  kill "$IMAGEHOST_PID" 2>/dev/null || true
  wait "$IMAGEHOST_PID" 2>/dev/null || true
  IMAGEHOST_PID=""
}

imagehost_sample_jpeg() {
  { printf 'P6\n%d %d\n255\n' "$2" "$3"; head -c $(($2 * $3 * 3)) /dev/urandom; } | cjpeg -quality "$4" >"$1"
}
