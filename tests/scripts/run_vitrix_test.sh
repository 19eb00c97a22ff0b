#!/usr/bin/env bash
# scripts/run-vitrix, which make run uses, with a stand-in for the program
# that notes the address it is given and what answers there:
#   - nothing answers on the local port: the local image host is started for
#     the session, its output in ~/.local/state/vitrix/imagehost.log and its
#     images in ~/.local/share/vitrix/imagehost/, and stopped afterwards;
#   - a vitrix image host already answers: it is used and left running;
#   - another web server answers: run-vitrix says so, and the program starts
#     all the same;
#   - a port that is no number is refused; an address the user chose is kept.
root=${VITRIX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"

failures=0
check() { # check <description> <command...>
  local what=$1
  shift
  if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}
stop() { kill "$1" 2>/dev/null || true; }

cat >"$work/program" <<'PROGRAM'
#!/usr/bin/env bash
{
  echo "url=$VITRIX_SERVICE_URL"
  curl -s --max-time 5 "${VITRIX_SERVICE_URL}vitrix-imagehost"
} >"$SEEN"
PROGRAM
chmod +x "$work/program"
mkdir -p "$work/home" "$work/empty"

free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
answers() { curl -s -o /dev/null --max-time 2 "http://127.0.0.1:$1/"; }
# run NAME [VAR=value...]: run-vitrix with a private home and the stand-in,
# its output in NAME.out and NAME.err, what the stand-in saw in NAME.seen.
run() {
  local name=$1
  shift
  status=0
  env -u VITRIX_SERVICE_URL -u XDG_STATE_HOME -u XDG_DATA_HOME -u IMAGEHOST_DATA HOME="$work/home" \
    SEEN="$work/$name.seen" "$@" timeout 60 "$root/scripts/run-vitrix" "$work/program" \
    >"$work/$name.out" 2>"$work/$name.err" || status=$?
}

# Nothing answers: the local host for the session.
port=$(free_port)
run nothing VITRIX_LOCAL_PORT="$port"
check "with nothing there, run-vitrix ends as the program did" test "$status" -eq 0
check "the program is given the local host's address" grep -qx "url=http://localhost:$port/" "$work/nothing.seen"
check "the local host answered while the program ran" grep -qx 'vitrix-imagehost 1' "$work/nothing.seen"
log=$work/home/.local/state/vitrix/imagehost.log
check "run-vitrix names the host and its log" \
  grep -qF "local image host on http://localhost:$port/ for this session (log: $log)" "$work/nothing.out"
check "the host's output goes to ~/.local/state/vitrix/imagehost.log" grep -q 'started' "$log"
check "the host's images go to ~/.local/share/vitrix/imagehost/" test -d "$work/home/.local/share/vitrix/imagehost/images"
check "the host is stopped when the program ends" bash -c "! curl -s -o /dev/null --max-time 2 http://127.0.0.1:$port/"

# A vitrix image host already answers: used, and left alone.
port=$(free_port)
IMAGEHOST_DATA="$work/data" timeout 60 "$root/tools/imagehost/serve" "$port" >"$work/own-host.log" 2>&1 &
own_host=$!
at_exit stop "$own_host"
for _ in $(seq 50); do answers "$port" && break; sleep 0.1; done
run vitrix VITRIX_LOCAL_PORT="$port"
check "with a vitrix host there, the program runs" grep -qx 'vitrix-imagehost 1' "$work/vitrix.seen"
check "run-vitrix says the host is used" \
  grep -qF "a vitrix image host already answers on http://localhost:$port/" "$work/vitrix.out"
check "the host that was there still runs" answers "$port"
stop "$own_host"

# Another web server answers: named, and the program starts all the same.
port=$(free_port)
timeout 60 php -S "127.0.0.1:$port" -t "$work/empty" >"$work/other.log" 2>&1 &
other=$!
at_exit stop "$other"
for _ in $(seq 50); do answers "$port" && break; sleep 0.1; done
run other VITRIX_LOCAL_PORT="$port"
check "with another server there, the program still runs" test -s "$work/other.seen" -a "$status" -eq 0
check "run-vitrix says it is not a vitrix image host" grep -qF \
  "something that is not a vitrix image host answers on http://localhost:$port/ (GET /vitrix-imagehost: HTTP 404)" \
  "$work/other.err"
check "run-vitrix says how to get out of it" grep -q 'VITRIX_LOCAL_PORT=8081' "$work/other.err"
stop "$other"

run badport VITRIX_LOCAL_PORT=80a
check "a port that is no number is refused" test "$status" -eq 1
check "a port that is no number is named" grep -q 'VITRIX_LOCAL_PORT is not a port number: 80a' "$work/badport.err"

run chosen VITRIX_SERVICE_URL=http://images.example.org/
check "an address the user chose is kept" grep -qx 'url=http://images.example.org/' "$work/chosen.seen"
check "with an address chosen, no host is started" test ! -s "$work/chosen.out"

if [ "$failures" -ne 0 ]; then
  for file in "$work"/*.out "$work"/*.err "$work"/*.seen; do show_file "$(basename "$file")" "$file"; done
  exit 1
fi
echo "PASS"
