#!/usr/bin/env bash
# Checks the image host with curl: the upload, the two redirects with the
# cookie, the result page in Windows-1252, the stored image served
# byte-identical, the refusals, and the address that links name (the Host
# asked for when it is a plain host name, else the public address set).
root=$(cd "$(dirname "$0")/../.." && pwd)
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
# shellcheck source=lib.sh
source "$root/tests/imagehost/lib.sh"

# A small size limit keeps the oversized case quick.
host_start builtin IMAGEHOST_MAX_BYTES=200000
port=${base##*:}

# A small JPEG, and a noisy one above the limit.
python3 - "$work" <<'PY'
import os, sys
w = sys.argv[1]
open(f"{w}/small.ppm", "wb").write(b"P6\n32 16\n255\n" + bytes([200, 30, 30] * 32 * 16))
open(f"{w}/noise.ppm", "wb").write(b"P6\n400 400\n255\n" + os.urandom(400 * 400 * 3))
PY
cjpeg -quality 90 "$work/small.ppm" >"$work/small.jpg"
cjpeg -quality 100 "$work/noise.ppm" >"$work/big.jpg"

# 1. The upload answers 302 with a relative Location and a cookie for path /.
curl -s -D "$work/h1" -o /dev/null -c "$work/jar" -H 'Expect:' -F "fichier=@$work/small.jpg" "$base/envoyer.php"
check "upload answers 302" grep -aq '^HTTP/1.1 302' "$work/h1"
check "upload sets a cookie for path /" grep -aqi '^Set-Cookie: vitrix_envoi=[0-9a-f]*; path=/' "$work/h1"
location1=$(grep -i '^Location:' "$work/h1" | cut -d' ' -f2 | tr -d '\r')
check "first Location is relative to the base address" bash -c "[[ '$location1' =~ ^traitement\.php\?image=[0-9a-f]{32}\.jpg$ ]]"

# 2. The second address answers 302 again, with the cookie only.
curl -s -D "$work/h2" -o /dev/null -b "$work/jar" "$base/$location1"
check "second address answers 302" grep -aq '^HTTP/1.1 302' "$work/h2"
location2=$(grep -i '^Location:' "$work/h2" | cut -d' ' -f2 | tr -d '\r')
check "second Location is relative too" bash -c "[[ '$location2' =~ ^resultat\.php\?image=[0-9a-f]{32}\.jpg$ ]]"
curl -s -o "$work/nocookie.html" "$base/$location1"
check "without the cookie the dialogue is refused" grep -aq '<p class="gras">ERREUR : cet envoi ne vous appartient pas' "$work/nocookie.html"
curl -s -o "$work/nocookie2.html" -b 'vitrix_envoi=0123' "$base/$location2"
check "with another cookie the result page is refused" grep -aq '<p class="gras">ERREUR : cet envoi ne vous appartient pas' "$work/nocookie2.html"

# 3. The result page, in Windows-1252, links the stored image after the marker.
curl -s -D "$work/h3" -o "$work/result.html" -b "$work/jar" "$base/$location2"
check "result page answers 200" grep -aq '^HTTP/1.1 200' "$work/h3"
check "result page says windows-1252" grep -aqi 'charset=windows-1252' "$work/h3"
check "marker is in Windows-1252" grep -aq $'Image H\xE9berg\xE9e : <a href="http://127.0.0.1:'"$port"'/images/' "$work/result.html"
address=$(grep -ao $'Image H\xE9berg\xE9e : <a href="[^"]*"' "$work/result.html" | sed 's/.*href="//; s/"$//')
curl -s -D "$work/h4" -o "$work/fetched.jpg" "$address"
check "stored image is served byte-identical" cmp -s "$work/small.jpg" "$work/fetched.jpg"
check "stored image is served as a JPEG only" grep -aqi '^X-Content-Type-Options: nosniff' "$work/h4"
stored=$(ls "$work/data/images")
check "stored under a random name" bash -c "[[ '$stored' =~ ^[0-9a-f]{32}\.jpg$ ]]"

# A Host that is not a host name is not echoed into the page.
token=$(awk '$6 == "vitrix_envoi" { print $7 }' "$work/jar")
curl -s -o "$work/badhost.html" -H 'Host: x"><b>y' -b "vitrix_envoi=$token" "$base/$location2"
check "an odd Host gives the server's own address" grep -aq "href=\"http://127.0.0.1:$port/images/" "$work/badhost.html"
check "an odd Host is not echoed" bash -c "! grep -aq '<b>y' '$work/badhost.html'"

# 4. curl following the redirects itself lands on the same kind of page.
curl -s -L -b '' -H 'Expect:' -F "fichier=@$work/small.jpg" -o "$work/followed.html" "$base/envoyer.php"
check "curl -L reaches the result page" grep -aq $'Image H\xE9berg\xE9e' "$work/followed.html"

# 5. Refusals carry the error marker and a French reason; nothing is stored.
refused() {  # refused <file> <reason pattern> <curl args...>
  local out="$work/$1"; local reason="$2"; shift 2
  curl -s -o "$out" -H 'Expect:' "$@"
  grep -aq "<p class=\"gras\">ERREUR : $reason" "$out"
}
check "no field is refused" refused nofield.html "aucun fichier" -F "autre=@$work/small.jpg" "$base/envoyer.php"
check "a file that is not a JPEG is refused" refused notjpeg.html "le fichier n'est pas une image JPEG" -F "fichier=@$work/small.ppm" "$base/envoyer.php"
check "a JPEG above the limit is refused" refused big.html "le fichier est trop volumineux" -F "fichier=@$work/big.jpg" "$base/envoyer.php"
check "a GET of the upload page is refused" refused get.html "envoyez le fichier" "$base/envoyer.php"
check "an unknown image is refused" refused unknown.html "cette image est inconnue" "$base/resultat.php?image=00000000000000000000000000000000.jpg"
check "only the accepted uploads are stored" test "$(find "$work/data/images" -type f | wc -l)" -eq 2
check "unknown pages are 404" test "$(curl -s -o /dev/null -w '%{http_code}' "$base/nothing")" = 404

# 6. Behind a reverse proxy, links name the public address.
host_stop
host_start builtin IMAGEHOST_PUBLIC_URL=https://images.example.org/vitrix
curl -s -o "$work/public.html" -b "$work/jar" "$base/$location2"
check "links name the public address" grep -aq 'href="https://images.example.org/vitrix/images/' "$work/public.html"

finish
