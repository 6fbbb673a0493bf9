#!/usr/bin/env bash
# Builds the libFuzzer targets with clang into BUILD_DIR (default: build-fuzz) and runs each
# for FUZZ_SECONDS (default 20) on its seed corpus in tests/fuzz/corpus/<target>. New inputs
# go to a scratch copy of the corpus, findings to BUILD_DIR/findings. With target names as
# arguments, only those run. Fails when any target found a fault.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build-fuzz}
seconds=${FUZZ_SECONDS:-20}
generator=()
[ -f "$build_dir/CMakeCache.txt" ] || generator=(-G Ninja)
CXX=${CXX:-clang++} cmake -S . -B "$build_dir" "${generator[@]}" -DDOKORA_FUZZ=ON \
    -DDOKORA_WERROR=ON -DDOKORA_GUI=OFF -DDOKORA_BUILD_TESTS=OFF \
    -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build_dir" --target fuzz_targets --parallel "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for seeds in tests/fuzz/corpus/*/; do
        targets+=("$(basename "$seeds")")
    done
fi
findings="$build_dir/findings"
mkdir -p "$findings"
failed=()
for target in "${targets[@]}"; do
    scratch=$(mktemp -d)
    echo "== $target: ${seconds}s"
    if ! tests/support/run-isolated.sh "$build_dir/tests/fuzz/$target" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$findings/$target-" "$scratch" "tests/fuzz/corpus/$target"; then
        failed+=("$target")
    fi
    rm -rf "$scratch"
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "Faults found by: ${failed[*]} (inputs in $findings)" >&2
    exit 1
fi
