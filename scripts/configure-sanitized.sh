#!/usr/bin/env bash
# Configures a clang build of the core libraries, their tests and the fuzz targets, all with
# AddressSanitizer and UndefinedBehaviorSanitizer (and libFuzzer's coverage instrumentation).
# The test command's sanitizer step and scripts/fuzz.sh share it.
#
#   scripts/configure-sanitized.sh DIR
set -euo pipefail

cd "$(dirname "$0")/.."
dir=${1:?usage: configure-sanitized.sh DIR}

# A folder configured with another compiler cannot be switched in place.
if [[ -f "$dir/CMakeCache.txt" ]] && ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang++' "$dir/CMakeCache.txt"; then
    rm -rf "$dir"
fi
args=(-S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
    -DCMAKE_CXX_COMPILER=clang++
    -DNIMBRAL_CORE_ONLY=ON -DNIMBRAL_FUZZ=ON -DNIMBRAL_BUILD_BENCH=OFF -DNIMBRAL_THREAD_CHECKS=ON)
if [[ "${CI:-}" == "true" ]]; then
    args+=(-DNIMBRAL_WARNINGS_AS_ERRORS=ON)
fi
cmake "${args[@]}" >/dev/null
