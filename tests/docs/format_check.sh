#!/bin/sh
# Fails when a tracked C++ file of the git checkout is not formatted as
# .clang-format says, or when clang-format-14 (Debian's package of that name;
# scripts/install-deps.sh --tests installs it) is missing: another version
# may format differently.
#
# Usage: format_check.sh SOURCE_DIR
set -eu
cd "$1"
if ! command -v clang-format-14 >/dev/null 2>&1; then
  echo "FAIL: clang-format-14 is not installed (apt-get install clang-format-14)"
  exit 1
fi
count=$(git ls-files '*.cpp' '*.h' | wc -l)
if [ "$count" -eq 0 ]; then
  echo "FAIL: no tracked C++ files in $1"
  exit 1
fi
# --dry-run --Werror reports every line that formatting would change.
if ! git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format-14 --dry-run --Werror; then
  echo "FAIL: the files above are not formatted (clang-format-14 -i FILE formats one)"
  exit 1
fi
echo "$count files formatted"
