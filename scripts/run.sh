#!/usr/bin/env bash
# Installs what is missing, builds a release and starts the calculator.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_GUI=OFF -DTITRELLE_TESTS=OFF -DTITRELLE_BENCH=OFF
cmake --build build/release --target titrelle
exec build/release/workbench/titrelle "$@"
