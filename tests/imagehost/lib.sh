#!/usr/bin/env bash
# Helpers of the image host's shell tests: checks, and the host started in
# either of its deployments, PHP's built-in server (tools/imagehost/serve) or
# nginx + php-fpm (tools/imagehost/deploy/start), through
# scripts/lib/imagehost.sh. Source it after scripts/lib/preamble.sh, with
# root set to the repository.
# shellcheck disable=SC2154 # root is the caller's
#
#   host_start KIND [VAR=value...]   KIND builtin or deployment; the values
#                                    are the host's settings (IMAGEHOST_*),
#                                    RATE_LIMITS=off, FILE_SIZE_LIMIT_KB=N
#   host_stop                        (also run at exit)
# host_start sets base (the address of the host: http://127.0.0.1:PORT for
# the built-in server, https://localhost:PORT for the deployment), data (its
# data folder), php_log (where PHP's errors go), host_curl (curl with what
# that address needs: the test authority, localhost on 127.0.0.1) and
# host_pid; for the deployment also https_port, http_port and plain (its
# plain-http address).

# shellcheck source=../../scripts/lib/imagehost.sh
source "$root/scripts/lib/imagehost.sh"
at_exit host_stop

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

host_pid=""
host_start() {
  local kind=$1 options=() setting
  shift
  data=$work/data
  if [ "$kind" = builtin ]; then
    php_log=$work/php-errors.log
    imagehost_start "$work" IMAGEHOST_LOG="$php_log" "$@" || exit 1
    base=http://127.0.0.1:$IMAGEHOST_PORT
    host_curl=(curl -s)
  else
    for setting in "$@"; do
      case "$setting" in
        IMAGEHOST_MAX_BYTES=*) options+=(--max-bytes "${setting#*=}") ;;
        IMAGEHOST_MAX_IMAGES=*) options+=(--max-images "${setting#*=}") ;;
        IMAGEHOST_MAX_TOTAL_BYTES=*) options+=(--max-total-bytes "${setting#*=}") ;;
        RATE_LIMITS=off) options+=(--exempt 127.0.0.1) ;;
        FILE_SIZE_LIMIT_KB=*) options+=("$setting") ;;
        *) echo "host_start: no deployment option for $setting"; exit 1 ;;
      esac
    done
    imagehost_deploy "$work" "${options[@]}" || exit 1
    # shellcheck disable=SC2034 # used by the tests that source this file
    {
      https_port=$IMAGEHOST_HTTPS_PORT
      http_port=$IMAGEHOST_HTTP_PORT
      plain=http://127.0.0.1:$IMAGEHOST_PLAIN_PORT
    }
    base=https://localhost:$https_port
    php_log=$work/stack/logs/nginx-error.log
    host_curl=(curl -s --cacert "$work/cert/ca.pem" --resolve "localhost:$https_port:127.0.0.1")
  fi
  host_pid=$IMAGEHOST_PID
}

host_stop() {
  imagehost_stop
  # shellcheck disable=SC2034 # used by the tests that source this file
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
