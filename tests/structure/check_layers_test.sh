#!/usr/bin/env bash
# The layer check can fail: on a small tree laid out like src/ and judged by
# the real layer file, it must pass while every edge is allowed, then name
# each forbidden edge that is added (file:line and the edge) and fail.
#
#   check_layers_test.sh CHECK_LAYERS_SH LAYER_FILE
set -euo pipefail

check=${1:?usage: check_layers_test.sh CHECK_LAYERS_SH LAYER_FILE}
layers=${2:?usage: check_layers_test.sh CHECK_LAYERS_SH LAYER_FILE}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
tree=$work/src
failures=0

expect() {
  local description=$1 status=$2 pattern=$3 output actual=0
  output=$(bash "$check" "$tree" "$layers" 2>&1) || actual=$?
  if [[ $status == pass && $actual -ne 0 ]] || [[ $status == fail && $actual -eq 0 ]] ||
    ! grep -qF -- "$pattern" <<<"$output"; then
    echo "FAILED: $description: expected the check to $status with \"$pattern\"; it said (status $actual):"
    echo "$output"
    failures=$((failures + 1))
  else
    echo "ok: $description"
  fi
}

mkdir -p "$tree"/{rtl,net/testing,http,platform/testing,app}
printf '#include <string>\n' >"$tree/rtl/strings.h"
printf '#include "rtl/strings.h"\n' >"$tree/net/tcp_client.h"
printf '#include "net/tcp_client.h"\n#include "rtl/strings.h"\n' >"$tree/http/uri.h"
printf '#include "net/tcp_client.h"\n' >"$tree/net/testing/io_handler_memory.h"
printf '#include "platform/dialogs.h"\n' >"$tree/platform/testing/scripted_dialogs.h"
printf '#include "rtl/strings.h"\n' >"$tree/platform/dialogs.h"
printf '#include "http/uri.h"\n#include "platform/dialogs.h"\n' >"$tree/app/main.cpp"
printf 'vitrix_add_library(http SOURCES uri.cpp DEPS vitrix::net vitrix::rtl vitrix::warnings)\n' >"$tree/http/CMakeLists.txt"
expect "a tree within the graph" pass "all within"

printf '#include "rtl/strings.h"\n\n#include "http/uri.h"\n' >"$tree/net/tcp_client.cpp"
expect "an upward include" fail "$tree/net/tcp_client.cpp:3: net -> http is not allowed (#include \"http/uri.h\")"
rm "$tree/net/tcp_client.cpp"

printf '#include "platform/testing/scripted_dialogs.h"\n' >"$tree/app/clipboard_watch.cpp"
expect "the product including a test double" fail "$tree/app/clipboard_watch.cpp:1: app -> platform/testing is not allowed"
rm "$tree/app/clipboard_watch.cpp"

printf '#include "platform/dialogs.h"\n' >"$tree/http/cookie.cpp"
expect "a sideways include" fail "$tree/http/cookie.cpp:1: http -> platform is not allowed"
rm "$tree/http/cookie.cpp"

printf '#include "uri.h"\n' >"$tree/http/cookie.cpp"
expect "an include without its folder" fail "$tree/http/cookie.cpp:1: #include \"uri.h\" names no folder"
rm "$tree/http/cookie.cpp"

mkdir -p "$tree/cache"
printf '#include "rtl/strings.h"\n' >"$tree/cache/cache.h"
expect "a folder missing from the graph" fail "$tree/cache/cache.h: its folder cache is not in $layers"
rm -r "$tree/cache"

printf 'vitrix_add_library(net SOURCES tcp_client.cpp\n  DEPS vitrix::http vitrix::rtl)\n' >"$tree/net/CMakeLists.txt"
expect "a library linked upward" fail "$tree/net/CMakeLists.txt:2: net -> http is not allowed (links vitrix::http)"
rm "$tree/net/CMakeLists.txt"
printf 'vitrix_add_library(app SOURCES main.cpp DEPS vitrix::http vitrix::platform_testing)\n' >"$tree/app/CMakeLists.txt"
expect "a test library linked by the product" fail "$tree/app/CMakeLists.txt:1: app -> platform/testing is not allowed (links vitrix::platform_testing)"
rm "$tree/app/CMakeLists.txt"

expect "the tree within the graph again" pass "all within"

if ((failures > 0)); then
  echo "layer check: $failures case(s) failed"
  exit 1
fi
echo "layer check: every forbidden edge was named"
