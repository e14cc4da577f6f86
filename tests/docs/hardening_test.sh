#!/bin/sh
# Installs the build with --strip into a temporary prefix and checks every
# installed program with readelf and nm: a position-independent executable
# with BIND_NOW and a GNU_RELRO segment, stack protection and fortified libc
# calls among its dynamic symbols, no symbol table and no debug sections.
# Meant for an optimised build without sanitizers.
#
# Usage: hardening_test.sh BUILD_DIR PROGRAM...
set -eu
build=$1
shift
. "$(dirname "$0")/../support/checks.sh"
scratch hardening

for tool in readelf nm; do
  command -v "$tool" >/dev/null 2>&1 || { echo "FAIL: $tool is missing (apt-get install binutils)"; exit 1; }
done
cmake --install "$build" --prefix "$work" --strip >"$work/install.log"
for program in "$@"; do
  binary="$work/bin/$program"
  readelf -hW "$binary" >"$work/header"
  readelf -dW "$binary" >"$work/dynamic"
  readelf -lW "$binary" >"$work/segments"
  readelf -SW "$binary" >"$work/sections"
  nm -D "$binary" >"$work/symbols"
  expect "$program is not position-independent" grep -q 'Type: *DYN' "$work/header"
  expect "$program lacks BIND_NOW (-z now)" grep -q 'BIND_NOW' "$work/dynamic"
  expect "$program lacks GNU_RELRO (-z relro)" grep -q 'GNU_RELRO' "$work/segments"
  expect "$program does not call __stack_chk_fail (-fstack-protector-strong)" grep -q ' __stack_chk_fail' "$work/symbols"
  expect "$program calls no fortified _chk function (-D_FORTIFY_SOURCE=2)" grep -qE ' __[a-z_]+_chk(@|$)' "$work/symbols"
  expect "$program keeps its symbol table (not stripped)" sh -c "! grep -q ' \.symtab ' '$work/sections'"
  expect "$program holds debug sections" sh -c "! grep -q ' \.debug_' '$work/sections'"
done

summary
