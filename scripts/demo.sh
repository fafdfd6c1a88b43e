#!/bin/sh
# The main job, end to end: installs what is missing, builds lorvane-cli (Release), writes
# the sample project into a scratch folder with `init`, builds it in project mode and
# prints where the page is.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DLORVANE_TESTS=OFF -DLORVANE_BENCH=OFF
cmake --build build/release -j "$(nproc)" --target lorvane-cli
cli=build/release/src/cli/lorvane-cli
rm -rf build/demo
"$cli" init build/demo/sample
"$cli" build build/demo/sample
echo "page written: $(pwd)/build/demo/sample/sample.html"
echo "BASE and FINAL trees: build/demo/sample/sample.base_ast.json, build/demo/sample/sample.final_ast.json"
