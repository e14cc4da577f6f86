#!/bin/sh
# Builds the Debian package from the build folder and runs lintian on it,
# without overrides or suppressed tags. Any error-level tag fails the test;
# warnings and informational tags are printed. Without lintian the test
# fails: scripts/test.sh installs it.
#
# Usage: lintian_test.sh BUILD_DIR
set -eu
build=$1
if ! command -v lintian >/dev/null 2>&1; then
  echo "FAIL: lintian is not installed (apt-get install lintian)"
  exit 1
fi
work=$(mktemp -d "${TMPDIR:-/tmp}/xmlpp-lintian.XXXXXX")
trap 'rm -rf "$work"' EXIT
if ! (cd "$build" && cpack -G DEB -B "$work") >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  echo "FAIL: cpack -G DEB"
  exit 1
fi
deb=$(ls "$work"/xmlpp_*.deb)
status=0
lintian --fail-on error --display-info --display-experimental --pedantic --tag-display-limit 0 "$deb" >"$work/tags" 2>&1 ||
  status=$?
cat "$work/tags"
errors=$(grep -c '^E: ' "$work/tags" || true)
others=$(grep -c '^[WIPX]: ' "$work/tags" || true)
echo "lintian: $errors errors, $others warnings and other tags (exit status $status)"
if [ "$status" -ne 0 ] || [ "$errors" -ne 0 ]; then
  echo "0 passed, 1 failed"
  exit 1
fi
echo "1 passed, 0 failed"
