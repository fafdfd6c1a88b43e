#!/bin/sh
# Runs the fuzz targets of a build made with -DLORVANE_FUZZ=ON.
#   scripts/fuzz.sh BUILD_DIR smoke          every target over its seeds, briefly (CI)
#   scripts/fuzz.sh BUILD_DIR NAME SECONDS   one target for SECONDS, growing its corpus
# Seeds live in fuzz/<name>/ (committed); a long run keeps its finds in build/corpus/<name>.
# A smoke run prints one line per target that passes and the whole output of one that
# fails (kept in BUILD_DIR/fuzz-logs/<name>.log); a long run prints everything as it goes.
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
  logs="$build/fuzz-logs"
  mkdir -p "$logs"
  failed=""
  for target in "$build"/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    name=$(basename "$target")
    log="$logs/$name.log"
    if run_one "$name" -runs=2000 >"$log" 2>&1; then
      # libFuzzer's closing line, "Done N runs in S second(s)".
      echo "ok: fuzz $name, $(grep '^Done ' "$log" | tail -n 1)"
    else
      status=$?
      cat "$log"
      echo "FAILED: fuzz $name (status $status, log $log)"
      failed="$failed $name"
    fi
  done
  [ -z "$failed" ] || exit 1
else
  run_one "$mode" -max_total_time="$3" -print_final_stats=1
fi
