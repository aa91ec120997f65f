#!/usr/bin/env bash
# Builds the game (Release) and starts it in a window, passing on any options.
# Installs missing Debian packages first. The game built here finds its sprites
# in assets/ wherever it is started.
set -euo pipefail
cd "$(dirname "$0")"
source tools/deps.sh
brazdovar_need_packages "${BRAZDOVAR_BUILD_PACKAGES[@]}"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRAZDOVAR_BENCH=OFF \
  -DBRAZDOVAR_TESTS=OFF > /dev/null
cmake --build build-release --target brazdovar
exec build-release/src/game/brazdovar "$@"
