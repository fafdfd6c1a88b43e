#!/bin/sh
# Builds and runs every test: g++ Release with -Werror, then clang with AddressSanitizer
# and UndefinedBehaviorSanitizer over the same tests, then the fuzz targets (built and
# run briefly over their seeds, so they cannot rot). Installs missing packages first.
#
# Each configure and build prints one line when it succeeds and its whole log when it
# fails; each test run prints its summary, and every failing test with its whole output.
# The full logs stay in build/logs/.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
logs=build/logs
mkdir -p "$logs"

# step NAME COMMAND...: runs COMMAND with its output in build/logs/NAME.log.
step() {
  name=$1
  shift
  log="$logs/$name.log"
  if "$@" >"$log" 2>&1; then
    echo "ok: $name"
  else
    status=$?
    cat "$log"
    echo "FAILED: $name (status $status, log $log)"
    exit "$status"
  fi
}

# run_tests DIR: every test of the build tree DIR. The lines of tests that start and pass
# are left out of what is printed; failures, skips and the summary stay.
run_tests() {
  log="$logs/$(basename "$1")-tests.log"
  status=0
  ctest --test-dir "$1" --output-on-failure -j "$jobs" >"$log" 2>&1 || status=$?
  grep -Ev '^ *Start +[0-9]+: |^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed +[0-9.]+ sec$' "$log" ||
    true
  if [ "$status" -ne 0 ]; then
    echo "FAILED: tests of $1 (status $status, log $log)"
    exit "$status"
  fi
}

step gcc-release-configure cmake -S . -B build/gcc-release -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_CXX_COMPILER=g++ -DLORVANE_WERROR=ON
step gcc-release-build cmake --build build/gcc-release -j "$jobs"
run_tests build/gcc-release

step clang-sanitize-configure cmake -S . -B build/clang-sanitize \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ -DLORVANE_SANITIZE=ON \
  -DLORVANE_WERROR=ON -DLORVANE_BENCH=OFF
step clang-sanitize-build cmake --build build/clang-sanitize -j "$jobs"
run_tests build/clang-sanitize

step clang-fuzz-configure cmake -S . -B build/clang-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DLORVANE_FUZZ=ON -DLORVANE_SANITIZE=ON -DLORVANE_TESTS=OFF \
  -DLORVANE_BENCH=OFF
step clang-fuzz-build cmake --build build/clang-fuzz -j "$jobs"
scripts/fuzz.sh build/clang-fuzz smoke
