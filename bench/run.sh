#!/bin/sh
# Builds an optimised xmlpp and bench/qt_floor, and measures xmlpp against
# xmllint --format and dd on generated inputs, the -xhtml mode against Qt
# alone, and the start-up time (see measure.py). Usage: bench/run.sh [RUNS]
set -eu
cd "$(dirname "$0")/.."
sh scripts/install-deps.sh python3 libxml2-utils
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DXMLPP_BUILD_TESTS=OFF \
  -DXMLPP_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build-release --target xmlpp qt_floor
python3 bench/measure.py build-release/bin/xmlpp build-release/bench-inputs "${1:-7}"
