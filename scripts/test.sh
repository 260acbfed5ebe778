#!/usr/bin/env bash
# Installs what is missing, builds the sanitizer test configuration and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DTITRELLE_SANITIZE=ON -DBUILD_GUI=ON
cmake --build build/test
# The window's tests need no display.
QT_QPA_PLATFORM=offscreen ctest --test-dir build/test --output-on-failure -j 2
