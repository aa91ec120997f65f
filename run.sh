#!/usr/bin/env bash
# Builds the game (Release) and starts it in a window. Installs missing Debian
# packages first. The game reads its sprites from its working directory: assets/.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
brazdovar_need_packages "${BRAZDOVAR_BUILD_PACKAGES[@]}"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRAZDOVAR_BENCH=OFF \
  -DBRAZDOVAR_TESTS=OFF > /dev/null
cmake --build build-release --target brazdovar
cd assets
exec ../build-release/src/game/brazdovar
