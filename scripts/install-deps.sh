#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, skipping those already present.
set -euo pipefail

# The compiler and build tools, the test and benchmark libraries, then the
# window: Qt 6 Widgets (its CMake package pulls in the OpenGL and Vulkan
# headers it needs) and CJK fonts for the Chinese texts.
packages=(g++ cmake ninja-build libgtest-dev libgmock-dev libbenchmark-dev qt6-base-dev fonts-noto-cjk)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -q
"${sudo_cmd[@]}" apt-get install -y -q "${missing[@]}"
