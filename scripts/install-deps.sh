#!/bin/sh
# Installs the Debian packages the build and the tests need, and any
# packages named as arguments, only when one of them is missing (so a second
# run does nothing).
set -eu
# groff-base and man-db check the manual page; dpkg-dev (dpkg-shlibdeps) and
# file let cpack compute the Debian package dependencies.
PACKAGES="cmake ninja-build g++ qtbase5-dev libgtest-dev libbenchmark-dev python3 groff-base man-db dpkg-dev file clang libclang-rt-14-dev $*"
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
