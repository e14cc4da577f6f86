#!/bin/sh
# Installs what the tests need, builds the project twice (Release, and with
# AddressSanitizer and UndefinedBehaviorSanitizer) and runs the whole test
# suite in both builds (the Release one also checks the installed programs'
# hardening and runs lintian on the Debian package); builds it with
# ThreadSanitizer (build-tsan/) and runs the tests of the threaded paths
# there (label "threads"; those that recurse thousands of levels deep,
# label "deep-stack", are beyond what ThreadSanitizer follows); builds the
# fuzz targets with clang (build-fuzz/) and gives each a short seeded run
# (see fuzz/README.md).
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh --tests
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DXMLPP_BUILD_TESTS=ON \
  -DXMLPP_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build -j "$jobs"
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DXMLPP_SANITIZE=ON -DXMLPP_BUILD_TESTS=ON \
  -DXMLPP_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build-asan -j "$jobs"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DXMLPP_SANITIZE_THREAD=ON -DXMLPP_BUILD_TESTS=ON \
  -DXMLPP_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-tsan -j "$jobs"
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DXMLPP_FUZZ=ON -DXMLPP_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j "$jobs" --target fuzz_targets

echo "== tests: Release build"
ctest --test-dir build --output-on-failure -j "$jobs"
echo "== fuzz smoke run: every target a few seconds from its corpus"
ctest --test-dir build-fuzz --output-on-failure -j "$jobs"
echo "== tests: ThreadSanitizer build, threaded paths"
TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L threads -LE deep-stack
echo "== tests: sanitizer build"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs"
