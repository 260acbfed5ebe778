#!/usr/bin/env bash
# Renders the window's four views to docs/images/{data-entry,curve,x-from-y,
# report}.png under Qt's offscreen platform, so no display is needed. Builds
# the window in build/gui (or in BUILD_DIR), reusing a build directory that
# is already configured with its own settings.
set -euo pipefail
cd "$(dirname "$0")/.."

BUILD_DIR=${BUILD_DIR:-build/gui}
scripts/install-deps.sh
if [ ! -f "$BUILD_DIR/CMakeCache.txt" ]; then
  cmake -S . -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=Release -DBUILD_GUI=ON -DTITRELLE_BENCH=OFF
fi
cmake --build "$BUILD_DIR" --target render_views
QT_QPA_PLATFORM=offscreen "$BUILD_DIR/tests/gui/render_views" docs/images
