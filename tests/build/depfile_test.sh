#!/bin/sh
# xmlpp-check's dependency file, read by GNU Make and by Ninja used
# directly, for includes whose names hold a space, '#', '$' and ':': the
# first build reads them, a change to any of them remakes the output, and a
# deleted one fails the build with xmlpp's message, not the tool's.
#
# Usage: depfile_test.sh XMLPP_CHECK_BINARY
set -eu
check=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
. "$(dirname "$0")/../support/checks.sh"
scratch depfile

mkdir "$work/files"
cd "$work/files"
printf '%s\n' '<r>' >in.xml
for name in 'a b.xml' 'h#x.xml' 'd$x.xml' 'c:x.xml'; do
  printf '<part/>\n' >"$name"
  printf '  <include filename="%s"/>\n' "$name" >>in.xml
done
printf '%s\n' '</r>' >>in.xml
printf 'out.xml: in.xml\n\t"%s" --depfile out.d -- in.xml out.xml\n-include out.d\n' "$check" >Makefile
printf 'rule pp\n  command = "%s" --depfile out.d -- in.xml out.xml\n  depfile = out.d\n  deps = gcc\nbuild out.xml: pp in.xml\n' \
  "$check" >build.ninja

# up_to_date TOOL: whether the tool sees nothing to do.
up_to_date() {
  case $1 in
    make) make -q >/dev/null 2>&1 ;;
    ninja) ninja -n | grep -q 'no work to do' ;;
  esac
}

for tool in make ninja; do
  cp -R "$work/files" "$work/$tool"
  cd "$work/$tool"
  checks=$((checks + 1))
  $tool >build.log 2>&1 && up_to_date $tool || fail "$tool: first build: $(cat build.log)"
  for name in 'a b.xml' 'h#x.xml' 'd$x.xml' 'c:x.xml'; do
    sleep 1
    touch "$name"
    checks=$((checks + 1))
    ! up_to_date $tool || fail "$tool: a change to '$name' makes no work"
    $tool >build.log 2>&1 || fail "$tool: rebuild after '$name': $(cat build.log)"
  done
  rm 'c:x.xml'
  checks=$((checks + 1))
  if $tool >build.log 2>&1 || ! grep -q "couldn't read ./c:x.xml" build.log; then
    fail "$tool: a deleted include was not reported by xmlpp: $(cat build.log)"
  fi
done

summary
