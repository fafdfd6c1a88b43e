#!/bin/sh
# Builds and runs every test: g++ Release with -Werror, then clang with AddressSanitizer
# and UndefinedBehaviorSanitizer over the same tests, then the fuzz targets (built and
# run briefly over their seeds, so they cannot rot). Installs missing packages first.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build/gcc-release -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_COMPILER=g++ \
  -DLORVANE_WERROR=ON
cmake --build build/gcc-release -j "$jobs"
ctest --test-dir build/gcc-release --output-on-failure -j "$jobs"

cmake -S . -B build/clang-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DLORVANE_SANITIZE=ON -DLORVANE_WERROR=ON -DLORVANE_BENCH=OFF
cmake --build build/clang-sanitize -j "$jobs"
ctest --test-dir build/clang-sanitize --output-on-failure -j "$jobs"

cmake -S . -B build/clang-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DLORVANE_FUZZ=ON -DLORVANE_SANITIZE=ON -DLORVANE_TESTS=OFF -DLORVANE_BENCH=OFF
cmake --build build/clang-fuzz -j "$jobs"
scripts/fuzz.sh build/clang-fuzz smoke
