#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) over every library and program under src/ and tools/,
# the windows included, and fails on any finding. The file list comes from CMake
# (tidy_sources.txt in the build folder).
#   scripts/tidy.sh [build-folder] [file...]   default build/; files: only those of the list
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dir=${1:-build}
shift $(($# > 0 ? 1 : 0))

# Configuring again is cheap and keeps the list and compile_commands.json current; a fresh
# folder gets a plain g++ configuration.
cmake -S . -B "$dir" >/dev/null

mapfile -t files < "$dir/tidy_sources.txt"
if [ $# -gt 0 ]; then
  wanted=()
  for f in "$@"; do
    abs=$(realpath "$f")
    printf '%s\n' "${files[@]}" | grep -qxF "$abs" && wanted+=("$abs")
  done
  files=("${wanted[@]}")
fi
[ ${#files[@]} -gt 0 ] || { echo "tidy: no files of the list to check" >&2; exit 1; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
start=$SECONDS
# Clean results are cached, keyed on each file's preprocessed text (so a change in any header it
# includes counts), its compile command, the checks and clang-tidy's version: a file whose key was
# clean before is not checked again. QTX_TIDY_CACHE=off checks every file.
cache=${QTX_TIDY_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/qtx-tidy}
python3 scripts/tidy_keys.py "$dir/compile_commands.json" "$cache" "$out/todo" "${files[@]}"
# One clang-tidy per file still to check, as many at once as there are cores; each writes its own
# log, and a clean file leaves its key in the cache.
tr '\n' '\0' < "$out/todo" | xargs -0 -r -P "$(nproc)" -I{} sh -c '
  file=${2%% *}; key=${2#* }
  log="$1/$(echo "$file" | tr / _).log"
  if clang-tidy-14 -p "$3" --quiet --header-filter="^$4/(src|tools)/" "$file" >"$log" 2>&1; then
    [ "$5" = off ] || { mkdir -p "$5" && touch "$5/$key"; }
  else
    mv "$log" "$log.failed"
  fi' _ "$out" {} "$dir" "$root" "$cache"
checked=$(wc -l < "$out/todo")

failed=("$out"/*.failed)
if [ -e "${failed[0]}" ]; then
  # A finding in a header shows once per file that includes it: print each finding once.
  cat "${failed[@]}" | awk 'BEGIN { keep = 1 } /^\// { keep = !seen[$0]++ } keep' | grep -v "^[0-9]* warnings\? generated\.$"
  echo "tidy: findings in ${#failed[@]} of ${#files[@]} files ($((SECONDS - start)) s)" >&2
  exit 1
fi
echo "tidy: ${#files[@]} files clean, $checked checked, the rest unchanged since a clean check ($((SECONDS - start)) s)"
