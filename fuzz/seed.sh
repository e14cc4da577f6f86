#!/bin/sh
# seed.sh TARGET DIR: copies seed inputs for TARGET from tests/data and
# examples into DIR, in the input format of that target.
set -eu
root=$(cd "$(dirname "$0")/.." && pwd)
target=$1 dir=$2
mkdir -p "$dir"

xml_files() {
  case $1 in
    xhtml) find "$root/tests/data/xhtml" "$root/examples/docpage" -type f \( -name '*.xml' -o -name '*.txt' \) ;;
    *) find "$root/tests/data" "$root/examples/bsp" -path "$root/tests/data/xhtml" -prune -o \
         -type f -name '*.xml' -print ;;
  esac
}

# put PREFIX FILE: stores PREFIX followed by FILE under a content name.
put() {
  tmp=$dir/.seed.$$
  { printf "$1"; cat "$2"; } >"$tmp"
  name=$(sha1sum "$tmp" | cut -c1-16)
  mv "$tmp" "$dir/seed-$name"
}

case $target in
  fuzz_reader) xml_files default | while read -r f; do put '' "$f"; done ;;
  fuzz_roundtrip) xml_files default | while read -r f; do put '\000' "$f"; put '\005' "$f"; done ;;
  fuzz_pipeline) xml_files default | while read -r f; do put 'A=x;N=4;B=$(A)\n' "$f"; done ;;
  fuzz_xhtml) xml_files xhtml | while read -r f; do put '' "$f"; done ;;
  *) ;;  # hand-written seeds live in fuzz/corpus/TARGET
esac
