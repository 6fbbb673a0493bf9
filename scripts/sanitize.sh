#!/usr/bin/env bash
# Sanitizer runs, each in a build directory of its own and building only what it runs:
#   address: the unit and integration tests and the service's tests under AddressSanitizer +
#            UndefinedBehaviorSanitizer (build-asan). Their code is the engine and the
#            service, so the desktop client is left out.
#   thread:  the tests of the threads, the conversion store, the pipeline and the transfers
#            under ThreadSanitizer (build-tsan).
# With no argument both run. Any report fails the run. Both compile at -O1 with line tables
# only: what the sanitizers need for their reports, and the quickest to build.
set -euo pipefail
cd "$(dirname "$0")/.."
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(address thread)

# Tests (and so targets) of each run, as ctest names them.
declare -A selection=(
    [address]='^(unit|integration|server)_'
    [thread]='^(unit_threads|unit_conversionstore|integration_pipeline.*|integration_http_.*|integration_conversionsession|integration_faultmatrix)$'
)
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

scripts/install-deps.sh --no-gui
for kind in "${kinds[@]}"; do
    case $kind in
    address) build_dir=build-asan ;;
    thread) build_dir=build-tsan ;;
    *) echo "unknown sanitizer: $kind" >&2 && exit 2 ;;
    esac
    generator=()
    [ -f "$build_dir/CMakeCache.txt" ] || generator=(-G Ninja)
    cmake -S . -B "$build_dir" "${generator[@]}" -DDOKORA_WERROR=ON -DDOKORA_GUI=OFF \
        -DCMAKE_DISABLE_FIND_PACKAGE_Qt6=ON -DCMAKE_BUILD_TYPE=Debug \
        "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" -DDOKORA_SANITIZE="$kind"
    # The test programs of the selection; several tests may run one program.
    mapfile -t programs < <(ninja -C "$build_dir" -t targets all |
        sed -n 's/^\([^/:]*\): phony$/\1/p' | grep -v '_autogen' | grep -E "${selection[$kind]}")
    cmake --build "$build_dir" --parallel "$(nproc)" --target "${programs[@]}"
    echo "== $kind: ${#programs[@]} test programs"
    ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)" \
        -R "${selection[$kind]}"
done
