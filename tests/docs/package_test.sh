#!/bin/sh
# Installs the build into a temporary prefix, builds the Debian package,
# unpacks it into a temporary root with dpkg -x, and runs both installed
# binaries on the examples. Exits with 77 (skipped) without cpack or dpkg-deb.
#
# Usage: package_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$1
source=$2
for tool in cmake cpack dpkg-deb; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done
work=$(mktemp -d "${TMPDIR:-/tmp}/xmlpp-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
checks=0

fail() {
  echo "FAIL $*"
  failures=$((failures + 1))
}

check() {
  checks=$((checks + 1))
  if "$@"; then return 0; fi
  fail "$*"
  return 1
}

# Runs an installed binary on a copy of examples/NAME and compares every
# expected file.
run_example() {
  binary=$1
  name=$2
  copy="$work/run-$name-$checks"
  cp -R "$source/examples/$name" "$copy"
  args=$(cat "$source/examples/$name/cmd")
  # cmd holds one argument per line; none of the examples' arguments holds a
  # line feed, so reading it line by line rebuilds the argument list.
  set --
  while IFS= read -r arg; do set -- "$@" "$arg"; done <<ARGS
$args
ARGS
  checks=$((checks + 1))
  if ! (cd "$copy" && "$binary" "$@"); then
    fail "$binary on examples/$name exited with status $?"
    return
  fi
  for expected in "$source/examples/$name/expected/"*; do
    if [ ! -f "$expected" ]; then
      fail "examples/$name has no expected output"
      continue
    fi
    cmp -s "$expected" "$copy/$(basename "$expected")" ||
      fail "$binary on examples/$name: $(basename "$expected") differs from the expected output"
  done
}

man_renders() {
  page=$1
  if command -v man >/dev/null 2>&1; then
    [ -n "$(MANWIDTH=80 man -l "$page" 2>/dev/null | head -n 3)" ]
  fi
}

# cmake --install into a prefix.
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log"
check test -x "$work/prefix/bin/xmlpp"
check test -f "$work/prefix/share/man/man1/xmlpp.1.gz" && check man_renders "$work/prefix/share/man/man1/xmlpp.1.gz"
run_example "$work/prefix/bin/xmlpp" bsp
run_example "$work/prefix/bin/xmlpp" docpage

# The Debian package.
if ! (cd "$build" && cpack -G DEB -B "$work/package") >"$work/cpack.log" 2>&1; then
  cat "$work/cpack.log"
  fail "cpack -G DEB"
  echo "$((checks - failures)) passed, $failures failed"
  exit 1
fi
deb=$(ls "$work"/package/xmlpp_*.deb)
check test "$(dpkg-deb -f "$deb" Package)" = xmlpp
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in "libqt5core5a (>= 5.15" "libqt5xml5 (>= 5.1" "libc6" "libstdc++6"; do
  checks=$((checks + 1))
  case "$depends" in
    *"$needed"*) ;;
    *) fail "Depends lacks $needed" ;;
  esac
done
dpkg -x "$deb" "$work/root"
check test -x "$work/root/usr/bin/xmlpp"
check test -f "$work/root/usr/share/man/man1/xmlpp.1.gz"
run_example "$work/root/usr/bin/xmlpp" bsp
run_example "$work/root/usr/bin/xmlpp" docpage

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
