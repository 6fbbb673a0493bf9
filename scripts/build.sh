#!/usr/bin/env bash
# Configures and builds into BUILD_DIR (default: build) with warnings as errors, as developers
# and CI build. Extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
generator=()
[ -f "$build_dir/CMakeCache.txt" ] || generator=(-G Ninja)
cmake -S . -B "$build_dir" "${generator[@]}" -DDOKORA_WERROR=ON "$@"
cmake --build "$build_dir" --parallel "$(nproc)"
