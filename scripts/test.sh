#!/usr/bin/env bash
# Sets up a machine (packages), builds, and runs every test.
set -euo pipefail
cd "$(dirname "$0")/.."
# A build without the desktop client needs none of its packages.
deps=()
for argument in "$@"; do
    if [ "$argument" = -DDOKORA_GUI=OFF ]; then
        deps=(--no-gui)
    fi
done
scripts/install-deps.sh "${deps[@]}"
scripts/build.sh "$@"
ctest --test-dir "${BUILD_DIR:-build}" --output-on-failure --parallel "$(nproc)"
