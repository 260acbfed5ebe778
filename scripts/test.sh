#!/usr/bin/env bash
# Installs what is missing, builds the sanitizer test configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTITRELLE_SANITIZE=ON -DBUILD_GUI=OFF
cmake --build build/test
ctest --test-dir build/test --output-on-failure -j 2
