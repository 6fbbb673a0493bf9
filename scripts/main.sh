#!/usr/bin/env bash
# Sets up a machine (packages), builds, and runs the main job.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
"${BUILD_DIR:-build}/src/app/dokora-convert" --help
