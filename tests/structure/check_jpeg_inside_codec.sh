#!/usr/bin/env bash
# libjpeg stays inside the JPEG codec: its headers (jpeglib.h, jerror.h) are
# included by the codec's own source files and by nothing else of src/, no
# header included. Prints each other file that includes them, and fails if
# there is one, or if no codec file includes them (the check would then
# look for the wrong thing).
#
#   check_jpeg_inside_codec.sh SRC_DIR
set -euo pipefail

src=${1:?usage: check_jpeg_inside_codec.sh SRC_DIR}
src=${src%/}
codec=(picture/jpeg_session.cpp picture/jpeg_memory_managers.cpp picture/jpeg_encoder.cpp picture/jpeg_decoder.cpp)

failures=0
seen=0
while IFS= read -r file; do
  relative=${file#"$src"/}
  if [[ " ${codec[*]} " == *" $relative "* ]]; then
    seen=$((seen + 1))
  else
    echo "$relative includes libjpeg's headers; only the codec's source files may: ${codec[*]}"
    grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(jpeglib|jerror)\.h>' "$file" | sed 's/^/  /'
    failures=$((failures + 1))
  fi
done < <(grep -rlE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(jpeglib|jerror)\.h>' "$src" --include='*.h' --include='*.cpp' | sort)

if ((seen == 0)); then
  echo "none of ${codec[*]} includes libjpeg's headers: the check cannot see them"
  exit 1
fi
if ((failures > 0)); then exit 1; fi
echo "libjpeg's headers are included by the codec's $seen source files only"
