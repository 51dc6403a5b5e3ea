#!/usr/bin/env bash
# Runs clang-tidy (checks in .clang-tidy) over the widget-free libraries and the tools, and fails
# on any finding. The file list comes from CMake (core_sources.txt in the build folder): every
# library and program under src/ and tools/ that does not link Qt Widgets.
#   scripts/tidy.sh [build-folder] [file...]   default build/; files: only those (core files only)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
dir=${1:-build}
shift $(($# > 0 ? 1 : 0))

# Configuring again is cheap and keeps the list and compile_commands.json current; a fresh
# folder gets a plain g++ configuration.
cmake -S . -B "$dir" >/dev/null

mapfile -t files < "$dir/core_sources.txt"
if [ $# -gt 0 ]; then
  wanted=()
  for f in "$@"; do
    abs=$(realpath "$f")
    printf '%s\n' "${files[@]}" | grep -qxF "$abs" && wanted+=("$abs")
  done
  files=("${wanted[@]}")
fi
[ ${#files[@]} -gt 0 ] || { echo "tidy: no core files to check" >&2; exit 1; }

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
start=$SECONDS
# One clang-tidy per file, as many at once as there are cores; each writes its own log.
printf '%s\0' "${files[@]}" | xargs -0 -P "$(nproc)" -I{} sh -c '
  log="$1/$(echo "$2" | tr / _).log"
  clang-tidy-14 -p "$3" --quiet --header-filter="^$4/(src|tools)/" \
    "$2" >"$log" 2>&1 || mv "$log" "$log.failed"' _ "$out" {} "$dir" "$root"

failed=("$out"/*.failed)
if [ -e "${failed[0]}" ]; then
  # A finding in a header shows once per file that includes it: print each finding once.
  cat "${failed[@]}" | awk 'BEGIN { keep = 1 } /^\// { keep = !seen[$0]++ } keep' | grep -v "^[0-9]* warnings\? generated\.$"
  echo "tidy: findings in ${#failed[@]} of ${#files[@]} files ($((SECONDS - start)) s)" >&2
  exit 1
fi
echo "tidy: ${#files[@]} files clean ($((SECONDS - start)) s)"
