#!/bin/sh
# fuzz/run.sh SECONDS [TARGET...]
#
# Builds the fuzz targets with clang (ASan + UBSan + libFuzzer) in
# build-fuzz/ and runs each target for SECONDS. Every run starts from the
# committed corpus in fuzz/corpus/TARGET plus seeds made from tests/data and
# examples; new inputs collect in build-fuzz/corpus/TARGET and findings in
# build-fuzz/artifacts/TARGET/. One line per run (target, seconds,
# executions, result) is appended to build-fuzz/fuzz-runs.log.
# fuzz/minimise.sh merges what was found back into fuzz/corpus.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
seconds=${1:?usage: fuzz/run.sh SECONDS [TARGET...]}
shift
targets=${*:-"fuzz_reader fuzz_roundtrip fuzz_macros fuzz_expressions fuzz_pipeline fuzz_xhtml"}

if [ -z "${XMLPP_FUZZ_NO_BUILD:-}" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
    -DXMLPP_FUZZ=ON -DXMLPP_BUILD_TESTS=OFF >/dev/null
  # shellcheck disable=SC2086
  cmake --build "$build" --target $targets
fi

status=0
for target in $targets; do
  work=$build/corpus/$target
  artifacts=$build/artifacts/$target
  mkdir -p "$work" "$artifacts" "$build/logs" "$root/fuzz/corpus/$target"
  sh "$root/fuzz/seed.sh" "$target" "$work"
  set -- -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=65536 \
    -artifact_prefix="$artifacts/" -print_final_stats=1
  dict=$root/fuzz/dict/$target.dict
  [ -f "$dict" ] && set -- "$@" -dict="$dict"
  log=$build/logs/$target.$(date +%Y%m%d-%H%M%S).log
  echo "== $target: $seconds s"
  result=clean
  "$build/fuzz/$target" "$@" "$work" "$root/fuzz/corpus/$target" >"$log" 2>&1 || { result=FINDING; status=1; }
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  echo "$target $seconds ${runs:-?} $result $log" | tee -a "$build/fuzz-runs.log"
  [ "$result" = clean ] || tail -n 40 "$log"
done
exit $status
