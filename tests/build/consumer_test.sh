#!/bin/sh
# Installs the build into a folder of the build tree and builds the project
# in consumer/ against that package, with Ninja, Ninja Multi-Config and Unix
# Makefiles: macro values that no command line carries as they are give
# what xmlpp gives with them directly, in every configuration; editing an
# include that only the project's macros select remakes the output; editing
# an include they do not select remakes nothing; an edit that leaves the
# output's bytes as they were reruns the rule but keeps the output's time,
# and nothing after it is rebuilt; deleting the selected include fails the
# build with xmlpp's message, not Make's or Ninja's. The file names hold
# spaces.
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

# The macro list of consumer/values for configuration $1, written by hand
# in the form of mode $2 (-xhtml: no escapes and no ';' in a value).
values_list() {
  if [ "$2" = -xhtml ]; then
    printf '%s' 'A=x;a=$(A)/bin;b=$$x;c=$;d=#hash;e='"'single'"';f="double";g=back\slash;h=trail\;i=with spaces;j=line
feed;k=grüße;l='"$1"
  else
    printf '%s' 'A=x;a=$(A)/bin;b=$$x;c=$;d=#hash;e='"'single'"';f="double";g=back\\slash;h=trail\\;i=with spaces;j=line
feed;k=grüße;l='"$1"';m=semi\;colon'
  fi
}

# With XHTML, an item that the -xhtml list cannot carry stops the configuration.
mkdir -p "$build/consumer-test/refused"
printf '%s\n' 'cmake_minimum_required(VERSION 3.20)' 'project(refused NONE)' 'find_package(xmlpp CONFIG REQUIRED)' \
  'xmlpp_preprocess(OUTPUT out.html INPUT page.xml XHTML MACROS a=1 "b=x;y")' >"$build/consumer-test/refused/CMakeLists.txt"
checks=$((checks + 1))
if cmake -S "$build/consumer-test/refused" -B "$build/consumer-test/refused/build" -G Ninja \
  -DCMAKE_PREFIX_PATH="$prefix" >"$build/consumer-test/refused.log" 2>&1 ||
  ! grep -q "MACROS item 'b=x;y' cannot go to the -xhtml mode" "$build/consumer-test/refused.log"; then
  fail "XHTML MACROS 'b=x;y' was not refused: $(cat "$build/consumer-test/refused.log")"
fi

for generator in Ninja "Ninja Multi-Config" "Unix Makefiles"; do
  work="$build/consumer-test/$(echo "$generator" | tr ' ' _)"
  mkdir -p "$work"
  cp -R "$source/tests/build/consumer" "$work/project"
  project="$work/project"
  binary="$work/build dir"
  out="$binary/out dir/config out.xml"
  configs=Release
  [ "$generator" = "Ninja Multi-Config" ] && configs="Release Debug"
  cmake -S "$project" -B "$binary" -G "$generator" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CONFIGURATION_TYPES="Release;Debug" >"$work/configure.log" 2>&1
  expect "$generator: configuring warns about a policy" sh -c "! grep -q 'CMP0' '$work/configure.log'"
  for config in $configs; do
    cmake --build "$binary" --config "$config" >"$work/build.log" 2>&1 || fail "$generator $config: $(cat "$work/build.log")"
    "$prefix/bin/xmlpp" "$project/values/values.xml" "$work/direct.xml" "$(values_list "$config" "")"
    expect "$generator $config: MACROS in the default mode" cmp "$binary/values/$config/values.xml" "$work/direct.xml"
    "$prefix/bin/xmlpp" -xhtml "$project/values/page.xml" "$work/direct.html" "$(values_list "$config" -xhtml)"
    expect "$generator $config: MACROS in the -xhtml mode" cmp "$binary/values/$config/values.html" "$work/direct.html"
    expect "$generator $config: values seen by hand" grep -qF "a=\"x/bin\" b=\"\$x\" c=\"\$\" d=\"#hash\" e=\"'single'\" f=\"&quot;double&quot;\" g=\"back\\slash\" h=\"trail\\\" i=\"with spaces\" j=\"line&#xa;feed\" \
k=\"gr&#xc3;&#xbc;&#xc3;&#x9f;e\" l=\"$config\" m=\"semi;colon\"" "$work/direct.xml"
  done
  expect "$generator: the rule's message" grep -q 'Generating out dir/config out.xml from config in.xml' "$work/build.log"
  expect "$generator: first build lacks the selected include" grep -q '"one"' "$out"
  expect "$generator: the DOCTYPE argument" grep -q '<!DOCTYPE config>' "$out"
  expect "$generator: the -xhtml page" grep -q 'first notes' "$binary/site/page.html"
  if [ "$generator" = Ninja ]; then
    expect "$generator: CHECK_OPTIONS" grep -qF -- '--keep-unchanged --werror -- ' "$binary/build.ninja"
  fi

  edit "$project/parts/linux part.xml" '<part><library name="two"/></part>'
  edit "$project/site/notes.txt" 'second notes'
  cmake --build "$binary" >"$work/build.log" 2>&1
  expect "$generator: editing the selected include remade nothing" grep -q '"two"' "$out"
  expect "$generator: editing the text include remade nothing" grep -q 'second notes' "$binary/site/page.html"

  edit "$project/parts/windows.xml" '<part><library name="user32"/></part>'
  if [ "$generator" = Ninja ]; then
    expect "$generator: an unselected include makes work" sh -c "ninja -C '$binary' -n | grep -q 'no work to do'"
  fi
  cmake --build "$binary" >"$work/build.log" 2>&1
  expect "$generator: editing an unselected include reran the rule" sh -c "! grep -q 'Generating out dir' '$work/build.log'"

  before=$(mtime "$out")
  downstream=$(mtime "$binary/downstream.xml")
  edit "$project/config in.xml" "$(cat "$project/config in.xml")<!-- a comment, which the output does not keep -->"
  cmake --build "$binary" >"$work/build.log" 2>&1
  expect "$generator: an edit of the input did not rerun the rule" grep -q 'Generating out dir' "$work/build.log"
  expect "$generator: the same bytes changed the output's time" test "$(mtime "$out")" = "$before"
  expect "$generator: the same bytes rebuilt what follows" test "$(mtime "$binary/downstream.xml")" = "$downstream"
  if [ "$generator" = Ninja ]; then
    expect "$generator: a kept output makes work" sh -c "ninja -C '$binary' -n | grep -q 'no work to do'"
  fi

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
