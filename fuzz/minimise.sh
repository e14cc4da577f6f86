#!/bin/sh
# fuzz/minimise.sh [TARGET...]: merges the inputs found by fuzz/run.sh
# (build-fuzz/corpus/TARGET) with the committed corpus into the smallest set
# that keeps their coverage, and replaces fuzz/corpus/TARGET with it. Inputs
# are cut to 16 KiB, which keeps the committed corpora small; the larger
# seeds from tests/data come back through fuzz/seed.sh on every run.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build-fuzz
targets=${*:-"fuzz_reader fuzz_roundtrip fuzz_macros fuzz_expressions fuzz_pipeline fuzz_xhtml"}
for target in $targets; do
  merged=$build/merged/$target
  rm -rf "$merged"
  mkdir -p "$merged" "$build/corpus/$target" "$root/fuzz/corpus/$target"
  "$build/fuzz/$target" -merge=1 -timeout=10 -rss_limit_mb=4096 -max_len=16384 \
    "$merged" "$root/fuzz/corpus/$target" "$build/corpus/$target" >"$build/merged/$target.log" 2>&1
  rm -rf "$root/fuzz/corpus/$target"
  mv "$merged" "$root/fuzz/corpus/$target"
  echo "$target: $(ls "$root/fuzz/corpus/$target" | wc -l) inputs, $(du -sh "$root/fuzz/corpus/$target" | cut -f1)"
done
