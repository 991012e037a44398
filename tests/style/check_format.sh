#!/usr/bin/env bash
# Checks that every C++ file of the tree is laid out as .clang-format says (clang-format 14,
# the version Debian 12 ships; other versions break lines differently). Prints the files that
# differ, with the first places clang-format would change, and exits 1 when any does.
#
# Usage: check_format.sh [SOURCE_ROOT]
# To fix: clang-format-14 -i FILE...
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 2

formatter=$(command -v clang-format-14 || true)
if [ -z "$formatter" ]; then
  echo "format: clang-format-14 is not installed (scripts/setup installs it)"
  exit 1
fi

# The files under version control when this is a checkout; otherwise every source folder.
list_sources() {
  if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    git ls-files -- '*.cpp' '*.h'
  else
    find platform gif anigif button shell gateway tools tests bench fuzz \
      \( -name '*.cpp' -o -name '*.h' \) -type f | LC_ALL=C sort
  fi
}

# One clang-format run over all files; it reports each line it would change as an error.
mapfile -t files < <(list_sources)
report=$("$formatter" --style=file --dry-run --Werror "${files[@]}" 2>&1)
status=$?
if [ "$status" -ne 0 ]; then
  grep -E '^[^ ]+:[0-9]+:[0-9]+: (error|warning)' <<<"$report" | head -n 20
  count=$(grep -E '^[^ ]+:[0-9]+:[0-9]+: (error|warning)' <<<"$report" | cut -d: -f1 | sort -u | wc -l)
  echo "format: $count file(s) differ from .clang-format (fix: clang-format-14 -i FILE...)"
  exit 1
fi
echo "format: all ${#files[@]} files follow .clang-format"
