#!/usr/bin/env bash
# Helpers of the image host's shell tests: checks, sample JPEG files, and the
# host started in either of its deployments, PHP's built-in server
# (tools/imagehost/serve) or nginx + php-fpm (tools/imagehost/deploy/start),
# on free loopback ports, stopping by itself. Source it, after setting root
# to the repository and work to the test's own folder.
# shellcheck disable=SC2154 # root and work are the caller's
#
#   host_start KIND [VAR=value...]   KIND builtin or deployment; the values
#                                    are the host's settings (IMAGEHOST_*)
#   host_stop
# host_start sets base (the address of the host: http://127.0.0.1:PORT for
# the built-in server, https://localhost:PORT for the deployment), data (its
# data folder), php_log (where PHP's errors go) and host_curl (curl with what
# that address needs: the test authority, localhost on 127.0.0.1); for the
# deployment also https_port, http_port and plain (its plain-http address).

export LC_ALL=C  # the pages are Windows-1252 bytes

failures=0
check() {  # check <description> <command...>
  local what=$1
  shift
  if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}

finish() {  # the test's verdict, with the host's logs when a check failed
  if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed; logs:"
    tail -n 30 "$work"/*.log "$work"/stack/logs/* 2>/dev/null || true
    exit 1
  fi
}

# make_jpeg <file> <width> <height> <quality>: a JPEG of noise, which
# compresses little (about 1.5 MB at 1280x1000 and quality 95).
make_jpeg() {
  local ppm=$1.ppm
  { printf 'P6\n%d %d\n255\n' "$2" "$3"; head -c $(($2 * $3 * 3)) /dev/urandom; } >"$ppm"
  cjpeg -quality "$4" "$ppm" >"$1"
  rm -f "$ppm"
}

host_pid=""
host_kind=""
host_start() {
  host_kind=$1
  shift
  # FILE_SIZE_LIMIT_KB=N: the servers may write no file larger than N KiB.
  local limited=()
  if [[ "${1:-}" == FILE_SIZE_LIMIT_KB=* ]]; then
    # shellcheck disable=SC2016 # the inner shell expands them
    limited=(bash -c 'ulimit -f "$1"; shift; exec "$@"' _ "${1#*=}")
    shift
  fi
  data=$work/data
  mkdir -p "$data"
  if [ "$host_kind" = builtin ]; then
    php_log=$work/php-errors.log
    : >"$work/builtin.log"
    "${limited[@]}" env IMAGEHOST_DATA="$data" IMAGEHOST_LOG="$php_log" "$@" timeout 300 "$root/tools/imagehost/serve" 0 \
      >"$work/builtin.log" 2>&1 &
    host_pid=$!
    local port="" _
    for _ in $(seq 100); do
      port=$(sed -n 's/.*(http:\/\/127\.0\.0\.1:\([0-9]*\)) started.*/\1/p' "$work/builtin.log" | head -n 1)
      [ -n "$port" ] && break
      sleep 0.05
    done
    [ -n "$port" ] || { echo "the built-in server did not start:"; cat "$work/builtin.log"; exit 1; }
    base=http://127.0.0.1:$port
    host_curl=(curl -s)
  else
    [ -f "$work/cert/ca.pem" ] || "$root/tests/imagehost/make-test-certificate" "$work/cert"
    # Run as root, the servers run as nobody, who must reach the folder.
    chmod 711 "$work"
    local options=() setting
    for setting in "$@"; do
      case "$setting" in
        IMAGEHOST_MAX_BYTES=*) options+=(--max-bytes "${setting#*=}") ;;
        IMAGEHOST_MAX_IMAGES=*) options+=(--max-images "${setting#*=}") ;;
        IMAGEHOST_MAX_TOTAL_BYTES=*) options+=(--max-total-bytes "${setting#*=}") ;;
        RATE_LIMITS=off) options+=(--exempt 127.0.0.1) ;;
        *) echo "host_start: no deployment option for $setting"; exit 1 ;;
      esac
    done
    rm -f "$work/ready"
    "${limited[@]}" "$root/tools/imagehost/deploy/start" --dir "$work/stack" --data "$data" --cert "$work/cert/server.pem" \
      --key "$work/cert/server.key" --plain-port 0 --lifetime 300 "${options[@]}" >"$work/ready" 2>&1 &
    host_pid=$!
    local line="" _
    for _ in $(seq 300); do
      line=$(grep '^ready ' "$work/ready" || true)
      [ -n "$line" ] && break
      kill -0 "$host_pid" 2>/dev/null || break
      sleep 0.1
    done
    [ -n "$line" ] || { echo "the deployment did not start:"; cat "$work/ready"; exit 1; }
    # shellcheck disable=SC2034 # used by the tests that source this file
    {
      https_port=$(sed -n 's/.* https=\([0-9]*\).*/\1/p' <<<"$line")
      http_port=$(sed -n 's/.* http=\([0-9]*\).*/\1/p' <<<"$line")
      plain=http://127.0.0.1:$(sed -n 's/.* plain=\([0-9]*\).*/\1/p' <<<"$line")
    }
    base=https://localhost:$https_port
    php_log=$work/stack/logs/nginx-error.log
    host_curl=(curl -s --cacert "$work/cert/ca.pem" --resolve "localhost:$https_port:127.0.0.1")
  fi
}

host_stop() {
  [ -n "$host_pid" ] || return 0
  kill "$host_pid" 2>/dev/null || true
  wait "$host_pid" 2>/dev/null || true
  host_pid=""
}

# upload <jpeg> <page> [curl options...]: posts the file to the host as
# vitrix does (without Expect: 100-continue) and keeps the reply's head in
# $work/head and its page in <page>.
upload() {
  local file=$1 page=$2
  shift 2
  "${host_curl[@]}" -D "$work/head" -o "$page" -H 'Expect:' "$@" -F "fichier=@$file" "$base/envoyer.php"
}

# The stored images, one name a line.
stored() { find "$data/images" -type f -printf '%f\n' | sort; }
stored_count() { stored | grep -c . || true; }
