#!/bin/sh
# A short seeded fuzz run: smoke.sh BINARY CORPUS WORKDIR SECONDS.
# The committed corpus is only read; new inputs go to WORKDIR, which is
# emptied first. Exits non-zero on any finding.
set -eu
binary=$1 corpus=$2 work=$3 seconds=$4
rm -rf "$work"
mkdir -p "$work/new" "$work/artifacts"
dict=$(dirname "$0")/dict/$(basename "$binary").dict
set -- -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=65536 -seed=1 \
  -artifact_prefix="$work/artifacts/" -print_final_stats=1
[ -f "$dict" ] && set -- "$@" -dict="$dict"
ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0} \
  "$binary" "$@" "$work/new" "$corpus" >"$work/log" 2>&1 || { tail -n 60 "$work/log"; exit 1; }
grep -E "^stat::number_of_executed_units" "$work/log" || true
