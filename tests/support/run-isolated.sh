#!/usr/bin/env bash
# Runs a test with a fresh temporary home and XDG directories and a fixed locale.
set -u
scratch=$(mktemp -d "${TMPDIR:-/tmp}/dokora-test.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/home" "$scratch/data" "$scratch/cache" "$scratch/config" "$scratch/runtime"
chmod 700 "$scratch/runtime"
export HOME="$scratch/home" XDG_DATA_HOME="$scratch/data" XDG_CACHE_HOME="$scratch/cache"
export XDG_CONFIG_HOME="$scratch/config" XDG_RUNTIME_DIR="$scratch/runtime"
export LC_ALL=C.UTF-8 LANG=C.UTF-8 TZ=UTC
export QT_QPA_PLATFORM="${QT_QPA_PLATFORM:-offscreen}"
# Only read by sanitizer builds.
export LSAN_OPTIONS="suppressions=$(dirname "$0")/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
"$@"
