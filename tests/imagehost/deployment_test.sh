#!/usr/bin/env bash
# The nginx + php-fpm deployment of the image host (tools/imagehost/deploy),
# checked with curl and openssl against a test certificate made here: TLS
# with the intermediate settings only, plain http sent to https, the upload
# dialogue over https, stored images served by nginx as they are (JPEG,
# nosniff, cached, HEAD, ranges), never run as PHP, only the three entry
# scripts run, and the limits of size and request rate at the web server.
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
# shellcheck source=lib.sh
source "$root/tests/imagehost/lib.sh"

imagehost_sample_jpeg "$work/a.jpg" 200 150 90
imagehost_sample_jpeg "$work/over.jpg" 1600 1400 95
# A 1 MB limit keeps the oversized request small (nginx takes 2 MB more for
# the form around the file).
host_start deployment IMAGEHOST_MAX_BYTES=1000000
marker='<p class="gras">ERREUR : '

# TLS: 1.2 and 1.3 only, forward-secret AEAD suites only, the certificate of
# the site's name. openssl is asked at security level 0 so that the refusal
# comes from the server, not from this client's own defaults.
handshake() {  # handshake <openssl s_client options...>: it succeeds
  openssl s_client -connect "127.0.0.1:$https_port" -servername localhost -CAfile "$work/cert/ca.pem" \
    -verify_return_error "$@" </dev/null >"$work/tls" 2>&1
}
no_handshake() { ! handshake "$@"; }
check "TLS 1.3 is accepted" handshake -tls1_3
check "TLS 1.2 with ECDHE and AES-GCM is accepted" handshake -tls1_2 -cipher 'ECDHE-RSA-AES128-GCM-SHA256'
check "TLS 1.2 with DHE (the intermediate group) is accepted" handshake -tls1_2 -cipher 'DHE-RSA-AES256-GCM-SHA384'
check "TLS 1.1 is refused" no_handshake -tls1_1 -cipher 'DEFAULT:@SECLEVEL=0'
check "TLS 1.0 is refused" no_handshake -tls1 -cipher 'DEFAULT:@SECLEVEL=0'
check "a suite without forward secrecy is refused" no_handshake -tls1_2 -cipher 'AES128-GCM-SHA256'
check "a CBC suite is refused" no_handshake -tls1_2 -cipher 'ECDHE-RSA-AES128-SHA'
check "the certificate is verified for localhost" "${host_curl[@]}" -f -o /dev/null "$base/vitrix-imagehost"

# Plain http sends every address to the same one under https.
curl -s -D "$work/h" -o /dev/null "http://127.0.0.1:$http_port/resultat.php?image=x"
check "plain http answers 301" grep -aq '^HTTP/1.1 301' "$work/h"
check "to the same address under https, with the site's name" \
  grep -aq "^Location: https://localhost:$https_port/resultat.php?image=x"$'\r' "$work/h"

# The dialogue over https: the cookie is marked secure, the links name the
# site's https address.
upload "$work/a.jpg" "$work/p1" -c "$work/jar"
check "the upload answers 302" grep -aq '^HTTP/[0-9.]* 302' "$work/head"
check "the upload cookie is secure over https" grep -aqi '^Set-Cookie: vitrix_envoi=[0-9a-f]*;.*secure' "$work/head"
check "HSTS is announced over https" grep -aqi '^Strict-Transport-Security: max-age=63072000' "$work/head"
location=$(sed -n 's/^Location: \(.*\)\r$/\1/Ip' "$work/head")
"${host_curl[@]}" -D "$work/h" -o /dev/null -b "$work/jar" "$base/$location"
location=$(sed -n 's/^Location: \(.*\)\r$/\1/Ip' "$work/h")
"${host_curl[@]}" -o "$work/result.html" -b "$work/jar" "$base/$location"
address=$(grep -ao $'Image H\xE9berg\xE9e : <a href="[^"]*"' "$work/result.html" | sed 's/.*href="//; s/"$//')
name=${address##*/}
check "the result page names the site's https address" test "$address" = "$base/images/$name"

# The stored image, served by nginx.
"${host_curl[@]}" -D "$work/h" -o "$work/fetched.jpg" "$address"
check "the image is served byte for byte" cmp -s "$work/a.jpg" "$work/fetched.jpg"
check "the image is served as image/jpeg" grep -aqi '^Content-Type: image/jpeg'$'\r' "$work/h"
check "the image is served with nosniff" grep -aqi '^X-Content-Type-Options: nosniff' "$work/h"
check "the image is cached for a year" grep -aqi '^Cache-Control: public, max-age=31536000, immutable' "$work/h"
"${host_curl[@]}" -I -o "$work/head-only" "$address"
check "HEAD gives the image's length" grep -aqi "^Content-Length: $(stat -c %s "$work/a.jpg")"$'\r' "$work/head-only"
"${host_curl[@]}" -D "$work/h" -o "$work/part" -r 100-299 "$address"
check "a range answers 206" grep -aq '^HTTP/[0-9.]* 206' "$work/h"
check "a range gives those bytes" cmp -s "$work/part" <(tail -c +101 "$work/a.jpg" | head -c 200)
etag=$(sed -n 's/^ETag: \(.*\)\r$/\1/Ip' "$work/h")
check "a revalidation answers 304" \
  test "$("${host_curl[@]}" -o /dev/null -w '%{http_code}' -H "If-None-Match: $etag" "$address")" = 304

not_found_without() {  # not_found_without <code file> <page> <text>: 404, and no text in the page
  [ "$(cat "$1")" = 404 ] && ! grep -aqF "$3" "$2"
}

# Files in the data folder are only ever sent, never run.
fake=0123456789abcdef0123456789abcdef.jpg
printf '<?php echo "RAN" . "-AS-PHP"; ?>' >"$data/images/$fake"
cp "$data/images/$fake" "$data/images/evil.php"
"${host_curl[@]}" -o "$work/fake" "$base/images/$fake"
check "PHP code under an image name is sent as it is" cmp -s "$work/fake" "$data/images/$fake"
for path in /images/evil.php "/images/$fake/x.php" "/images/$fake.php" /images/ /data/images/evil.php; do
  "${host_curl[@]}" -o "$work/page" -w '%{http_code}' "$base$path" >"$work/code"
  check "$path is not found and not run" not_found_without "$work/code" "$work/page" RAN-AS-PHP
done

# Only the three entry scripts run: PHP's other files are neither run nor
# sent, whatever the path.
for path in /index.php /lib.php /storage.php /router.php /cleanup /public/envoyer.php /envoyer.php/x.php \
  /x/../lib.php /deploy/configure /nginx-site.conf /erreur-404.html; do
  "${host_curl[@]}" --path-as-is -o "$work/page" -w '%{http_code}' "$base$path" >"$work/code"
  check "$path is not found" not_found_without "$work/code" "$work/page" '<?php'
done
check "the not-found page is French, in the host's shape" grep -aq "${marker}cette page n'existe pas" "$work/page"
"${host_curl[@]}" -o "$work/home" "$base/"
check "the home page is served" grep -aq 'Envoyez une image JPEG (au plus 1 Mo)' "$work/home"

# The test listener over plain http serves the same host (for clients
# without TLS) and names the https address in its links.
curl -s -D "$work/h" -o /dev/null -H 'Expect:' -F "fichier=@$work/a.jpg" "$plain/envoyer.php"
check "the plain test listener runs the same dialogue" grep -aq '^HTTP/1.1 302' "$work/h"
check "no secure cookie goes out over plain http" test -z "$(grep -ai '^Set-Cookie:.*secure' "$work/h")"

# Limits at the web server: the body's size, then the rate of uploads from
# one address (10 at once, then 30 a minute).
upload "$work/over.jpg" "$work/p2" || true
check "a body over the limit is refused by nginx with 413" grep -aq '^HTTP/[0-9.]* 413' "$work/head"
check "that refusal is a French page in the host's shape" grep -aq "${marker}le fichier est trop volumineux" "$work/p2"
for _ in $(seq 12); do
  "${host_curl[@]}" -o "$work/rate" -w '%{http_code}\n' -H 'Expect:' -F "fichier=@$work/a.jpg" "$base/envoyer.php"
done >"$work/codes"
check "a burst of uploads from one address is cut at the rate limit" grep -q 429 "$work/codes"
check "the rate refusal is a French page" grep -aq "${marker}trop d'envois" "$work/rate"
check "the burst's first uploads went through" test "$(grep -c 302 "$work/codes")" -ge 5

# The stack stops by itself when its caller goes away.
stack_pids=$(cat "$work/stack/run/nginx.pid" "$work/stack/run/php-fpm.pid")
kill -9 "$host_pid"
wait "$host_pid" 2>/dev/null || true
host_pid=""
sleep 1
still=""
for pid in $stack_pids; do
  # An ended process that nobody has reaped yet counts as stopped.
  state=$(ps -o stat= -p "$pid" || true)
  if [ -n "$state" ] && [[ "$state" != Z* ]]; then still="$still $pid"; fi
done
check "nginx and php-fpm stop when the start script is killed" test -z "$still"

finish
