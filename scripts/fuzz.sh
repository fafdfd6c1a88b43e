#!/bin/sh
# Runs the fuzz targets of a build made with -DLORVANE_FUZZ=ON.
#   scripts/fuzz.sh BUILD_DIR smoke          every target over its seeds, briefly (CI)
#   scripts/fuzz.sh BUILD_DIR NAME SECONDS   one target for SECONDS, growing its corpus
# Seeds live in fuzz/<name>/ (committed); a long run keeps its finds in build/corpus/<name>.
set -eu
build=$1
mode=$2
root=$(cd "$(dirname "$0")/.." && pwd)
run_one() {
  name=$1
  shift
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  seeds="$root/fuzz/$name"
  [ -d "$seeds" ] || seeds=""
  "$build/fuzz/$name" -rss_limit_mb=2048 -timeout=10 "$@" "$corpus" $seeds
}
if [ "$mode" = smoke ]; then
  for target in "$build"/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    run_one "$(basename "$target")" -runs=2000
  done
else
  run_one "$mode" -max_total_time="$3" -print_final_stats=1
fi
