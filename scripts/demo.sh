#!/bin/sh
# Installs what is missing, builds lorvane-cli (Release) and runs it on the example
# source kept in the repository.
set -eu
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DLORVANE_TESTS=OFF -DLORVANE_BENCH=OFF
cmake --build build/release -j "$(nproc)" --target lorvane-cli
mkdir -p build/demo
build/release/src/cli/lorvane-cli parse examples/example.lrv -o build/demo/example.base_ast.json
echo "BASE AST JSON written to build/demo/example.base_ast.json"
