#!/usr/bin/env bash
# Installs what is missing, builds a release with the window and starts the calculator.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_GUI=ON -DTITRELLE_TESTS=OFF -DTITRELLE_BENCH=OFF
cmake --build build/release --target titrelle

# The window needs a display; an explicit Qt platform (QT_QPA_PLATFORM) is left to Qt.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Titrelle is built (build/release/workbench/titrelle) but cannot start here:" >&2
  echo "no display is available (neither DISPLAY nor WAYLAND_DISPLAY is set)." >&2
  echo "Run scripts/run.sh from a desktop session, or over ssh -X." >&2
  exit 1
fi
exec build/release/workbench/titrelle "$@"
