#!/usr/bin/env bash
# The program holds no test double: no class defined in a testing library
# (src/*/testing/*.h) has a symbol in it. So that the check can see a double
# at all, each control program (a test program that links a testing library)
# must show one, and the program must show symbols of its own.
#
#   check_no_test_doubles.sh NM SRC_DIR PROGRAM CONTROL_PROGRAM...
set -euo pipefail

usage="usage: check_no_test_doubles.sh NM SRC_DIR PROGRAM CONTROL_PROGRAM..."
nm=${1:?$usage}
src=${2:?$usage}
program=${3:?$usage}
shift 3
(($# > 0)) || { echo "$usage"; exit 2; }

mapfile -t doubles < <(cat "$src"/*/testing/*.h |
  sed -n -E 's/^(class|struct)[[:space:]]+([A-Za-z_][A-Za-z0-9_]*)([[:space:]]+final)?[[:space:]]*[:{].*/\2/p' | sort -u)
if ((${#doubles[@]} == 0)); then
  echo "no class found in $src/*/testing/*.h"
  exit 1
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The symbols of a binary, demangled, into a file of the work folder.
symbols() {
  "$nm" -C "$1" >"$work/symbols" 2>"$work/nm_errors" || {
    echo "$nm could not read $1:"
    cat "$work/nm_errors"
    exit 1
  }
}

# The doubles that have a symbol in the last binary read, one a line.
doubles_seen() {
  local name
  for name in "${doubles[@]}"; do
    if grep -qE "vitrix::$name([^A-Za-z0-9_]|\$)" "$work/symbols"; then echo "$name"; fi
  done
}

failures=0
for control in "$@"; do
  symbols "$control"
  if [[ -z $(doubles_seen) ]]; then
    echo "$(basename "$control") links a testing library, yet none of ${doubles[*]} shows in its symbols: the check cannot see them"
    failures=$((failures + 1))
  fi
done

symbols "$program"
if ! grep -q 'vitrix::' "$work/symbols"; then
  echo "$program shows no symbol of vitrix: the check cannot judge it"
  exit 1
fi
found=$(doubles_seen)
if [[ -n $found ]]; then
  for name in $found; do
    echo "$(basename "$program") holds the test double $name:"
    grep -m 3 -E "vitrix::$name([^A-Za-z0-9_]|\$)" "$work/symbols" | sed 's/^/  /'
  done
  failures=$((failures + 1))
fi

if ((failures > 0)); then exit 1; fi
echo "$(basename "$program") holds none of the ${#doubles[@]} test doubles: ${doubles[*]}"
