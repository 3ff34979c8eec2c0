#!/usr/bin/env bash
# Sets everything up, builds, and runs every test: the full build in ./build, then the core
# libraries again with AddressSanitizer and UndefinedBehaviorSanitizer in ./build-asan.
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/setup.sh

jobs=$(nproc)
echo "== tests (build)"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

echo "== benchmarks (figures only; a benchmark fails only when its run could not complete)"
build/bin/bench_aes_gcm
build/bin/bench_server_load 30
build/bin/bench_codec 40
build/bin/bench_capture
build/bin/bench_transport
build/bin/bench_rtc
build/bin/bench_session
build/bin/bench_glass

echo "== tests with AddressSanitizer + UndefinedBehaviorSanitizer (build-asan, core libraries)"
sanitizer_args=(-S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug
    -DNIMBRAL_CORE_ONLY=ON -DNIMBRAL_SANITIZE=ON -DNIMBRAL_BUILD_BENCH=OFF)
if [[ "${CI:-}" == "true" ]]; then
    sanitizer_args+=(-DNIMBRAL_WARNINGS_AS_ERRORS=ON)
fi
cmake "${sanitizer_args[@]}"
cmake --build build-asan
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600
