#!/bin/sh
# Installs the Debian packages that are missing, and only those (a second
# run does nothing):
#   scripts/install-deps.sh                    what building and running xmlpp needs
#   scripts/install-deps.sh --tests            that, and what the test suite needs
#   scripts/install-deps.sh [--tests] PACKAGE  and these packages too
set -eu
# A C++17 compiler, CMake with Ninja, and Qt 5 (QtCore, QtXml).
PACKAGES="cmake ninja-build g++ qtbase5-dev"
if [ "${1:-}" = --tests ]; then
  shift
  # GoogleTest, and Google Benchmark for bench/; python3, groff-base and
  # man-db check the README and the manual page; dpkg-dev (with make) and
  # file let cpack compute the package's dependencies, lintian checks the
  # package, binutils (readelf, nm) the hardening of the installed programs,
  # bash-completion the completions; clang and its runtime build the fuzz
  # targets; clang-format-14 and git check the formatting of the sources;
  # meson builds the README's Meson example.
  PACKAGES="$PACKAGES libgtest-dev libbenchmark-dev python3 groff-base man-db dpkg-dev make file lintian binutils
    bash-completion clang libclang-rt-14-dev clang-format-14 git meson"
fi
PACKAGES="$PACKAGES $*"
missing=""
for p in $PACKAGES; do
  dpkg -s "$p" >/dev/null 2>&1 || missing="$missing $p"
done
if [ -n "$missing" ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y $missing
fi
