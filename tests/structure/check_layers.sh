#!/usr/bin/env bash
# The layers of src/, enforced: every #include "folder/file.h" in a source
# file of src/ and every vitrix::<library> a folder's CMakeLists.txt names
# must be an edge that the layer file (src/layers.txt) allows. Prints each
# edge outside the graph as file:line with the edge, and fails if there is one.
#
#   check_layers.sh SRC_DIR [LAYER_FILE]
#
# Needs only bash, grep, sed and sort.
set -euo pipefail

src=${1:?usage: check_layers.sh SRC_DIR [LAYER_FILE]}
src=${src%/}
layers=${2:-$src/layers.txt}

declare -A allowed=()  # folder -> " the folders it may include "
declare -A library=()  # library name (vitrix::<name>) -> folder
errors=0

fail() {
  echo "$*"
  errors=$((errors + 1))
}

# The graph: "folder: folder folder ...", from the bottom up.
number=0
while IFS= read -r line || [[ -n $line ]]; do
  number=$((number + 1))
  line=${line%%#*}
  [[ $line =~ ^[[:space:]]*$ ]] && continue
  if [[ ! $line =~ ^[[:space:]]*([a-z0-9_]+(/[a-z0-9_]+)*)[[:space:]]*:(.*)$ ]]; then
    fail "$layers:$number: not a line \"folder: folders it may include\""
    continue
  fi
  folder=${BASH_REMATCH[1]}
  read -ra below <<<"${BASH_REMATCH[3]}"
  if [[ -v allowed[$folder] ]]; then
    fail "$layers:$number: $folder is listed twice"
    continue
  fi
  for other in "${below[@]}"; do
    if [[ ! -v allowed[$other] ]]; then
      fail "$layers:$number: $folder lists $other, which is not on a line above it"
    fi
  done
  allowed[$folder]=" ${below[*]} "
  library[${folder//\//_}]=$folder
done <"$layers"

# The edge from the folder of a file to another folder, at file:line.
check_edge() {
  local where=$1 from=$2 to=$3 what=$4
  [[ $to == "$from" ]] && return 0
  if [[ ! -v allowed[$to] ]]; then
    fail "$where: $from -> $to: $to is not a folder of $layers ($what)"
  elif [[ ${allowed[$from]} != *" $to "* ]]; then
    local may=${allowed[$from]# }
    may=${may% }
    fail "$where: $from -> $to is not allowed ($what); $from may include: ${may:-nothing}"
  fi
}

# Every folder holding sources must have its place in the graph.
files=0
while IFS= read -r -d '' file; do
  files=$((files + 1))
  relative=${file#"$src"/}
  if [[ $relative != */* ]]; then
    fail "$file: a source file outside the folders of $layers"
    continue
  fi
  folder=${relative%/*}
  if [[ ! -v allowed[$folder] ]]; then
    fail "$file: its folder $folder is not in $layers"
  fi
done < <(find "$src" -type f \( -name '*.h' -o -name '*.cpp' \) -print0 | sort -z)

# The includes.
includes=0
while IFS= read -r match; do
  file=${match%%:*}
  rest=${match#*:}
  number=${rest%%:*}
  text=${rest#*:}
  relative=${file#"$src"/}
  folder=${relative%/*}
  [[ -v allowed[$folder] ]] || continue  # reported above
  [[ $text =~ \"([^\"]*)\" ]] || continue
  path=${BASH_REMATCH[1]}
  includes=$((includes + 1))
  if [[ $path != */* ]]; then
    fail "$file:$number: #include \"$path\" names no folder: include headers as \"folder/file.h\""
    continue
  fi
  check_edge "$file:$number" "$folder" "${path%/*}" "#include \"$path\""
done < <(grep -rnH -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' --include='*.h' --include='*.cpp' "$src" | sort)

# The libraries each folder links.
links=0
while IFS= read -r match; do
  file=${match%%:*}
  rest=${match#*:}
  number=${rest%%:*}
  text=${rest#*:}
  text=${text%%#*}  # not the comments
  relative=${file#"$src"/}
  [[ $relative == */* ]] || continue  # src/CMakeLists.txt itself
  folder=${relative%/*}
  [[ -v allowed[$folder] ]] || continue
  for name in $(grep -oE 'vitrix::[a-z0-9_]+' <<<"$text" || true); do
    name=${name#vitrix::}
    [[ -v library[$name] ]] || continue  # warnings, sanitizers: not layers
    links=$((links + 1))
    check_edge "$file:$number" "$folder" "${library[$name]}" "links vitrix::$name"
  done
done < <(grep -rnH 'vitrix::' --include=CMakeLists.txt "$src" | sort)

if ((errors > 0)); then
  echo "layers: $errors edge(s) or entries outside $layers"
  exit 1
fi
echo "layers: $includes includes in $files files and $links library links, all within $layers"
