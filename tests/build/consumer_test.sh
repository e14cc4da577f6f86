#!/bin/sh
# Installs the build into a folder of the build tree and builds the project
# in consumer/ against that package, with Ninja and with Unix Makefiles:
# editing an include that only the project's macros select remakes the
# output; editing an include they do not select remakes nothing; deleting
# the selected include fails the build with xmlpp's message, not Make's or
# Ninja's. The file names hold spaces.
#
# Usage: consumer_test.sh BUILD_DIR SOURCE_DIR
set -eu
build=$(cd "$1" && pwd)
source=$2
prefix="$build/consumer-test/prefix"
rm -rf "$build/consumer-test"
cmake --install "$build" --prefix "$prefix" >/dev/null
. "$(dirname "$0")/../support/checks.sh"

# The modification time of a file, in nanoseconds.
mtime() { stat -c %.9Y "$1"; }

# Files are changed a second after the last build, so that no file system
# or tool can take the change for part of that build.
edit() {
  sleep 1
  printf '%s\n' "$2" >"$1"
}

for generator in Ninja "Unix Makefiles"; do
  work="$build/consumer-test/$(echo "$generator" | tr ' ' _)"
  mkdir -p "$work"
  cp -R "$source/tests/build/consumer" "$work/project"
  project="$work/project"
  binary="$work/build dir"
  out="$binary/out dir/config out.xml"
  cmake -S "$project" -B "$binary" -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" >"$work/configure.log" 2>&1
  expect "$generator: configuring warns about a policy" sh -c "! grep -q 'CMP0' '$work/configure.log'"
  cmake --build "$binary" >"$work/build.log" 2>&1
  expect "$generator: first build lacks the selected include" grep -q '"one"' "$out"
  expect "$generator: the DOCTYPE argument" grep -q '<!DOCTYPE config>' "$out"
  expect "$generator: the -xhtml page" grep -q 'first notes' "$binary/site/page.html"

  edit "$project/parts/linux part.xml" '<part><library name="two"/></part>'
  edit "$project/site/notes.txt" 'second notes'
  cmake --build "$binary" >"$work/build.log" 2>&1
  expect "$generator: editing the selected include remade nothing" grep -q '"two"' "$out"
  expect "$generator: editing the text include remade nothing" grep -q 'second notes' "$binary/site/page.html"

  before=$(mtime "$out")
  edit "$project/parts/windows.xml" '<part><library name="user32"/></part>'
  if [ "$generator" = Ninja ]; then
    expect "$generator: an unselected include makes work" sh -c "ninja -C '$binary' -n | grep -q 'no work to do'"
  fi
  cmake --build "$binary" >"$work/build.log" 2>&1
  expect "$generator: editing an unselected include remade the output" test "$(mtime "$out")" = "$before"

  sleep 1
  rm "$project/parts/linux part.xml"
  checks=$((checks + 1))
  if cmake --build "$binary" >"$work/build.log" 2>&1; then
    echo "FAIL $generator: the build went on without the include"
    failures=$((failures + 1))
  elif ! grep -q "couldn't read .*linux part.xml" "$work/build.log" || grep -qi 'no rule to make' "$work/build.log"; then
    echo "FAIL $generator: the missing include was not reported by xmlpp:"
    cat "$work/build.log"
    failures=$((failures + 1))
  fi
done

summary
