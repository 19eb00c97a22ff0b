#!/usr/bin/env bash
# The Debian package, made by CPack from the build: its Depends (computed from
# the program's libraries, among them libqt6gui6, which holds the X platform
# plugin, plus Qt's translations and the fonts), PHP as a suggestion, exactly the files of installed_files.txt
# under /usr, no error from lintian (its whole verdict is printed), and the
# program unpacked with dpkg-deb -x into a private root giving its version.
#   package_test.sh BUILD_DIR VERSION
root=${VITRIX_SOURCE_DIR:-$(cd "$(dirname "$0")/../.." && pwd)}
# shellcheck source=../../scripts/lib/preamble.sh
source "$root/scripts/lib/preamble.sh"
build=$1
version=$2

failures=0
check() { # check <description> <command...>
  local what=$1
  shift
  if "$@"; then echo "ok   - $what"; else echo "FAIL - $what"; failures=$((failures + 1)); fi
}

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work/package" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  fail "cpack failed"
}
deb=$work/package/vitrix_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb") in: $(ls "$work/package")"

depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# The package names of the list, without versions.
names=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/ .*//')
for package in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 libjpeg62-turbo libxcb1 \
  libxcb-xinput0 qt6-translations-l10n fonts-liberation2; do
  check "Depends names $package" grep -qxF "$package" <<<"$names"
done
check "PHP is suggested" test "$(dpkg-deb -f "$deb" Suggests)" = php-cli
check "the package's version is the project's" test "$(dpkg-deb -f "$deb" Version)" = "$version"

grep -v '^#' "$root/tests/install/installed_files.txt" | sed 's|^|usr/|' >"$work/expected"
dpkg-deb -c "$deb" | awk '$1 !~ /^d/ {print $6}' | sed 's|^\./||' | LC_ALL=C sort >"$work/packaged"
check "the package holds exactly the listed files under /usr" diff -u "$work/expected" "$work/packaged"

# lintian refuses nothing here; its warnings and notes are printed for the
# record.
lintian --info --display-info "$deb" >"$work/lintian.txt" 2>&1 || true
echo "--- lintian"
grep -v '^N:' "$work/lintian.txt" | grep -v 'running with root privileges' || true
echo "---"
check "lintian finds no error" bash -c "! grep -q '^E: ' '$work/lintian.txt'"
check "lintian ran on the package" bash -c "! grep -qiE '^(lintian: |Can.t|Unknown)' '$work/lintian.txt'"

dpkg-deb -x "$deb" "$work/root"
check "the unpacked program gives its version" \
  test "$(env -u DISPLAY "$work/root/usr/bin/vitrix" --version | head -n 1)" = "vitrix $version"
check "the unpacked program is stripped" bash -c "file '$work/root/usr/bin/vitrix' | grep -q ', stripped'"

[ "$failures" -eq 0 ] || exit 1
echo "PASS"
