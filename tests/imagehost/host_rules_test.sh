#!/usr/bin/env bash
# Rules every deployment of the image host keeps, checked with curl against
# the one named (builtin: PHP's built-in server; deployment: nginx +
# php-fpm):
#   - the identifying line at /vitrix-imagehost;
#   - parameters of the wrong type (?image[]=, fichier[], a cookie array) on
#     every entry point give a French page, never a PHP error;
#   - a failure inside PHP gives a French page and goes to the log, and no
#     error text (message, file path) reaches the page;
#   - the caps on the number and total size of the images kept;
#   - the clean-up command;
#   - an upload cut off midway, or whose writing fails midway, leaves nothing
#     under a served name.
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
# shellcheck source=lib.sh
source "$root/tests/imagehost/lib.sh"
kind=$1

imagehost_sample_jpeg "$work/a.jpg" 64 48 90
imagehost_sample_jpeg "$work/b.jpg" 80 60 90
imagehost_sample_jpeg "$work/large.jpg" 1280 1000 95
marker='<p class="gras">ERREUR : '

# no_error_text <page>: the page shows none of PHP's own error texts and no
# path of the server's files.
no_error_text() {
  ! grep -aqiE 'fatal error|warning|notice|stack trace|uncaught|\.php on line|/tmp/|/work/|/srv/|/var/' "$1"
}
refused_with() {  # refused_with <page> <reason pattern>
  grep -aq "$marker$2" "$1" && no_error_text "$1"
}

host_start "$kind" RATE_LIMITS=off

# The identifying line.
"${host_curl[@]}" -D "$work/h" -o "$work/id" "$base/vitrix-imagehost"
check "the identifying line is 'vitrix-imagehost' and the dialogue's version" \
  test "$(cat "$work/id")" = "vitrix-imagehost 1"
check "the identifying line is plain text" grep -aqi '^Content-Type: text/plain' "$work/h"

# Parameters of the wrong type, on every entry point (-g: brackets are sent
# as they are).
ask() {  # ask <page> <path> [curl options...]: the page a request gets
  local page=$work/$1 path=$2
  shift 2
  "${host_curl[@]}" -g -o "$page" -w '%{http_code}' "$@" "$base$path" >"$page.code"
}
ask p1 '/envoyer.php?image[]=x'
check "?image[]= on the upload page is refused in French" refused_with "$work/p1" 'envoyez le fichier'
ask p2 '/envoyer.php' -H 'Expect:' -F "fichier[]=@$work/a.jpg" -F "fichier[]=@$work/b.jpg"
check "two files in fichier[] are refused in French" refused_with "$work/p2" "aucun fichier"
ask p3 '/envoyer.php' -H 'Expect:' -F "fichier[x][y]=@$work/a.jpg"
check "a file in fichier[x][y] is refused in French" refused_with "$work/p3" "aucun fichier"
for page in traitement resultat; do
  ask "$page-1" "/$page.php?image[]=0123456789abcdef0123456789abcdef.jpg"
  check "?image[]= on $page.php is refused in French" refused_with "$work/$page-1" "cette image est inconnue"
  ask "$page-2" "/$page.php?image[a][b]=1&image=1"
  check "?image[a][b]= on $page.php is refused in French" refused_with "$work/$page-2" "cette image est inconnue"
done
upload "$work/a.jpg" "$work/good" -c "$work/jar"
location=$(sed -n 's/^Location: \(.*\)\r$/\1/Ip' "$work/head")
for page in traitement resultat; do
  ask "$page-3" "/$page.php?${location#*\?}" -b 'vitrix_envoi[]=1'
  check "a cookie array on $page.php is refused in French" refused_with "$work/$page-3" "cet envoi ne vous appartient pas"
done
ask home '/?image[]=1&fichier[]=2'
check "array parameters on the home page change nothing" grep -aq 'Envoyez une image JPEG' "$work/home"
ask id2 '/vitrix-imagehost?x[]=1'
check "array parameters on the identifying line change nothing" test "$(cat "$work/id2")" = "vitrix-imagehost 1"
for page in p1 p2 p3 traitement-1 traitement-2 resultat-1 resultat-2 traitement-3 resultat-3; do
  check "$page was answered without a server error" test "$(cat "$work/$page.code")" -lt 500
done

# A failure inside PHP: the folder uploads arrive in is not a folder.
rm -rf "$data/incoming"
: >"$data/incoming"
: >"$php_log"
upload "$work/b.jpg" "$work/broken"
check "a failure to store gives a French page" grep -aq "${marker}le " "$work/broken"
check "a failure to store shows no error text" no_error_text "$work/broken"
check "a failure to store is answered as a server error" grep -aq '^HTTP/[0-9.]* 500' "$work/head"
sleep 0.2
check "a failure to store is logged" grep -aqi 'php\|upload' "$php_log"
rm -f "$data/incoming"
mkdir "$data/incoming"
if [ "$(id -u)" -eq 0 ] && [ "$kind" = deployment ]; then chown nobody:nogroup "$data/incoming"; fi
check "nothing was stored by the failed uploads" test "$(stored_count)" -eq 1

# Caps: at most two images, then at most a total size.
host_stop
host_start "$kind" IMAGEHOST_MAX_IMAGES=2 RATE_LIMITS=off
upload "$work/b.jpg" "$work/second"
check "an image below the cap is stored" grep -aq '^HTTP/[0-9.]* 302' "$work/head"
upload "$work/a.jpg" "$work/full"
check "an image over the cap of images is refused in French" refused_with "$work/full" "l'h.bergeur est plein : il garde au plus 2 images"
check "the refused image is not stored" test "$(stored_count)" -eq 2
check "the refused image leaves no file behind" test -z "$(ls -A "$data/incoming")"
rm -f "$data/images/$(stored | head -n 1)"
upload "$work/a.jpg" "$work/room"
check "an image removed by hand makes room again" grep -aq '^HTTP/[0-9.]* 302' "$work/head"
host_stop
total=$(( $(stat -c %s "$data"/images/* | paste -sd+) + $(stat -c %s "$work/large.jpg") - 1 ))
host_start "$kind" IMAGEHOST_MAX_TOTAL_BYTES="$total" RATE_LIMITS=off
upload "$work/large.jpg" "$work/heavy"
check "an image over the cap of total size is refused in French" refused_with "$work/heavy" "l'h.bergeur est plein : il garde au plus [0-9,]* Mo d'images"
upload "$work/b.jpg" "$work/light"
check "a smaller image still fits" grep -aq '^HTTP/[0-9.]* 302' "$work/head"
check "only the images within the caps are stored" test "$(stored_count)" -eq 3

# The clean-up command: images older than the days given go, with leftovers
# of unfinished uploads older than an hour; the rest stays.
old=$(stored | head -n 1)
touch -d '10 days ago' "$data/images/$old"
printf 'half' >"$data/incoming/old.part"
touch -d '2 hours ago' "$data/incoming/old.part"
printf 'half' >"$data/incoming/new.part"
cleanup_cmd=(env IMAGEHOST_DATA="$data" "$root/tools/imagehost/cleanup")
"${cleanup_cmd[@]}" 7 --dry-run >"$work/dry"
check "a dry run removes nothing" test "$(stored_count)" -eq 3 -a -f "$data/incoming/old.part"
check "a dry run says what it would remove" grep -q '(dry run) 1 image(s) older than 7 day(s)' "$work/dry"
"${cleanup_cmd[@]}" 7 >"$work/clean"
check "the clean-up removes the image older than the days given" test ! -e "$data/images/$old"
check "the clean-up keeps the younger images" test "$(stored_count)" -eq 2
check "the clean-up removes leftovers older than an hour" test ! -e "$data/incoming/old.part"
check "the clean-up keeps leftovers of uploads that may be running" test -e "$data/incoming/new.part"
check "the clean-up says what it did" grep -q '1 image(s) older than 7 day(s) removed .*, 1 unfinished upload(s) removed; 2 image(s) left' "$work/clean"
check "the clean-up refuses a wrong number of days" bash -c '! "$@" 2>/dev/null' _ "${cleanup_cmd[@]}" seven
rm -f "$data/incoming/new.part"
host_stop
host_start "$kind" IMAGEHOST_MAX_IMAGES=3 RATE_LIMITS=off
upload "$work/a.jpg" "$work/after"
check "the room the clean-up made counts at once" grep -aq '^HTTP/[0-9.]* 302' "$work/head"

# An upload cut off midway: the client goes away, then (for the built-in
# server, which receives the body itself) the server is killed while
# receiving. Nothing appears under a served name.
before=$(stored)
"${host_curl[@]}" -o /dev/null -H 'Expect:' --limit-rate 200k -F "fichier=@$work/large.jpg" "$base/envoyer.php" &
client=$!
sleep 1.5
kill "$client" 2>/dev/null || true
wait "$client" 2>/dev/null || true
sleep 0.3
check "a client gone midway leaves no image" test "$(stored)" = "$before"
# The upload's writing to the data folder stops midway: with a limit of 1 MB
# on the size of the files the servers write, the kernel stops the 1.5 MB
# upload there (PHP ignores SIGXFSZ, so its write fails).
host_stop
host_start "$kind" FILE_SIZE_LIMIT_KB=1024
upload "$work/large.jpg" "$work/killed" || true
check "an upload whose writing stops midway leaves no image" test "$(stored)" = "$before"
check "an upload whose writing stops midway is refused in French" \
  refused_with "$work/killed" "le fichier n'a pas pu .tre enregistr"
check "an upload whose writing stops midway leaves no file behind" test -z "$(ls -A "$data/incoming")"
host_stop
host_start "$kind" RATE_LIMITS=off
upload "$work/b.jpg" "$work/again"
check "the host stores again after the kill" grep -aq '^HTTP/[0-9.]* 302' "$work/head"
check "the stored image is whole" cmp -s "$work/b.jpg" "$data/images/$(sed -n 's/^Location: .*image=\(.*\)\r$/\1/Ip' "$work/head")"

finish
