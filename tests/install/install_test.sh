#!/usr/bin/env bash
# cmake --install into a private prefix: exactly the files of
# installed_files.txt; the icon's pictures at their sizes; the desktop entry
# and the AppStream file valid (the latter also with the web addresses a
# publisher gives); the manual page without a groff warning; the installed
# program's --version; and the installed image host, started from its own
# folder, answering and storing an upload in the user's data folder.
#   install_test.sh BUILD_DIR VERSION
root=${VITRIX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
build=$1
version=$2
prefix=$work/prefix

failures=0
check() { # check <description> <command...>
  local what=$1
  shift
  if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}
stop() { kill "$1" 2>/dev/null || true; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || {
  cat "$work/install.log"
  fail "cmake --install failed"
}
grep -v '^#' "$root/tests/install/installed_files.txt" >"$work/expected"
(cd "$prefix" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort) >"$work/installed"
check "the installation holds exactly the listed files" diff -u "$work/expected" "$work/installed"
check "the program and the host's scripts are executable" test -x "$prefix/bin/vitrix" -a \
  -x "$prefix/share/vitrix/imagehost/serve" -a -x "$prefix/share/vitrix/imagehost/cleanup"

for png in "$prefix"/share/icons/hicolor/*x*/apps/vitrix.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  check "the $size icon is $size" test "$(identify -format '%wx%h' "$png")" = "$size"
done

desktop=$prefix/share/applications/vitrix.desktop
check "the desktop entry is valid" desktop-file-validate "$desktop"
check "the desktop entry starts vitrix" grep -qx 'Exec=vitrix' "$desktop"
check "the desktop entry names the windows' class" grep -qx 'StartupWMClass=vitrix' "$desktop"
check "the desktop entry comments in English and French" \
  bash -c "grep -q '^Comment=' '$desktop' && grep -q '^Comment\[fr\]=' '$desktop'"

metainfo=$prefix/share/metainfo/invalid.vitrix.vitrix.metainfo.xml
check "the AppStream file is valid" appstreamcli validate --no-net "$metainfo"
check "the AppStream file carries the version" grep -q "<release version=\"$version\"" "$metainfo"
# A publisher's addresses; the reserved domain .invalid names nothing.
cmake -DTEMPLATE="$root/data/vitrix.metainfo.xml.in" -DOUTPUT="$work/published.metainfo.xml" \
  -DVERSION="$version" -DHOMEPAGE=https://vitrix.invalid/ -DSCREENSHOTS=https://vitrix.invalid/docs \
  -P "$root/data/metainfo.cmake"
check "with web addresses, the AppStream file is valid" appstreamcli validate --no-net "$work/published.metainfo.xml"
check "with web addresses, the main window is the default screenshot" \
  grep -q '<image>https://vitrix.invalid/docs/main-window.png</image>' "$work/published.metainfo.xml"

manual=$prefix/share/man/man1/vitrix.1.gz
LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings=all -l "$manual" >"$work/manual.txt" 2>"$work/manual.err"
check "the manual page renders without a warning" test ! -s "$work/manual.err"
check "the manual page names the program" \
  test "$(lexgrog "$manual" | cut -d'"' -f2)" = "vitrix - masquer ses captures d'écran et les publier sur un forum"
check "the manual page gives both options" grep -q -- '-V, --version' "$work/manual.txt"

check "the installed program gives its version" test "$(env -u DISPLAY "$prefix/bin/vitrix" --version | head -n 1)" = "vitrix $version"

# The installed image host, with nothing set but a home: its data go to the
# user's data folder.
mkdir -p "$work/home"
# The log exists before the host starts: the background job opens it only
# once it runs, and the first look at it may come sooner.
: >"$work/host.log"
HOME=$work/home env -u XDG_DATA_HOME -u IMAGEHOST_DATA timeout 60 "$prefix/share/vitrix/imagehost/serve" 0 >"$work/host.log" 2>&1 &
host=$!
at_exit stop "$host"
port=""
for _ in $(seq 100); do
  port=$(sed -n 's/.*(http:\/\/127\.0\.0\.1:\([0-9]*\)) started.*/\1/p' "$work/host.log" | head -n 1)
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || fail "the installed image host did not start: $(cat "$work/host.log")"
check "the installed host answers as a vitrix image host" \
  test "$(curl -s "http://127.0.0.1:$port/vitrix-imagehost")" = "vitrix-imagehost 1"
printf 'P6\n16 16\n255\n%s' "$(head -c 768 /dev/zero | tr '\0' 'x')" | cjpeg >"$work/shot.jpg"
curl -s -o /dev/null -H 'Expect:' -F "fichier=@$work/shot.jpg" "http://127.0.0.1:$port/envoyer.php"
check "the installed host stores an upload in ~/.local/share/vitrix/imagehost" \
  bash -c "ls '$work/home/.local/share/vitrix/imagehost/images/'*.jpg >/dev/null 2>&1"

if [ "$failures" -ne 0 ]; then
  show_file "host log" "$work/host.log"
  show_file "manual page warnings" "$work/manual.err"
  exit 1
fi
echo "PASS"
