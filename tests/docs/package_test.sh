#!/bin/sh
# Installs the build into a temporary prefix and checks the tree (programs,
# manual pages, bash completions, CMake package, documentation, examples); builds the
# Debian package and checks its control fields and changelog; unpacks it
# into a temporary root with dpkg -x; runs both installed xmlpp binaries on
# the examples. Exits with 77 (skipped) without cpack or dpkg-deb.
#
# Usage: package_test.sh BUILD_DIR SOURCE_DIR PROGRAM...
set -eu
build=$1
source=$2
shift 2
programs=$*
for tool in cmake cpack dpkg-deb; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done
. "$(dirname "$0")/../support/checks.sh"
scratch package

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

# lexgrog (what mandb uses to index a page) finds the NAME section.
man_indexable() {
  if command -v lexgrog >/dev/null 2>&1; then
    lexgrog "$1" >/dev/null
  fi
}

# first_line_starts FILE.gz TEXT
first_line_starts() {
  case "$(gzip -dc "$1" | head -n 1)" in
    "$2"*) return 0 ;;
    *) return 1 ;;
  esac
}

# The tree under ROOT that the programs, their pages and completions and the
# documentation make.
check_tree() {
  root=$1
  for program in $programs; do
    check test -x "$root/bin/$program"
    check test -f "$root/share/man/man1/$program.1.gz" &&
      check man_renders "$root/share/man/man1/$program.1.gz" &&
      check man_indexable "$root/share/man/man1/$program.1.gz"
    check test -f "$root/share/bash-completion/completions/$program"
  done
  for file in xmlppConfig.cmake xmlppConfigVersion.cmake xmlppPreprocess.cmake xmlppTargets.cmake; do
    check test -f "$root/share/cmake/xmlpp/$file"
  done
  doc="$root/share/doc/xmlpp"
  check test -f "$doc/copyright"
  check first_line_starts "$doc/README.md.gz" "# xmlpp"
  check test -f "$doc/changelog.gz"
  for example in "$source"/examples/*/; do
    check test -f "$doc/examples/$(basename "$example")/cmd"
  done
  for output in "$doc"/examples/*/*.out.xml "$doc"/examples/*/*.html; do
    if [ -e "$output" ]; then fail "output of a run installed with the examples: $output"; fi
  done
}

# cmake --install into a prefix.
cmake --install "$build" --prefix "$work/prefix" >"$work/install.log"
check_tree "$work/prefix"
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
version=$(dpkg-deb -f "$deb" Version)
checks=$((checks + 1))
case "$(dpkg-deb -f "$deb" Maintainer)" in
  "xmlpp maintainers <"*@*.example.org">") ;;
  *) fail "Maintainer is not 'xmlpp maintainers <ADDRESS>' under example.org: $(dpkg-deb -f "$deb" Maintainer)" ;;
esac
check test -n "$(dpkg-deb -f "$deb" Homepage)"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# Each package once, with the Qt 5 runtime and the C and C++ runtimes.
names=$(echo "$depends" | tr ',' '\n' | awk '{ print $1 }' | sort)
for needed in libqt5core5a libqt5xml5 libc6 libstdc++6; do
  check test "$(echo "$names" | grep -cx "$needed")" -eq 1 || echo "Depends names $needed other than once"
done

dpkg -x "$deb" "$work/root"
check_tree "$work/root/usr"
# A native package's changelog starts with the package's version.
check first_line_starts "$work/root/usr/share/doc/xmlpp/changelog.gz" "xmlpp ($version) "
run_example "$work/root/usr/bin/xmlpp" bsp
run_example "$work/root/usr/bin/xmlpp" docpage

summary
