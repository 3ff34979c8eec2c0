#!/usr/bin/env bash
# Cross-compiles the Windows backends and their tests with mingw-w64 (./build-windows) and runs
# the tests under wine on a private Xvfb: GDI capture reads that X screen, SendInput moves its
# pointer. The wine prefix lives in the build folder, so runs never touch the user's own.
set -euo pipefail

cd "$(dirname "$0")/.."
build=${1:-build-windows}

cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
    -DNIMBRAL_WARNINGS_AS_ERRORS=ON
cmake --build "$build"

export WINEPREFIX="$PWD/$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer prompts

# -noreset: the X server must outlive wine's first connection closing, or it resets and wine
# loses its windows between test programs.
displayfile=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset 3>"$displayfile" &
xvfb=$!
for _ in $(seq 200); do
    [[ -s $displayfile ]] && break
    sleep 0.1
done
display=$(head -n1 "$displayfile")
rm -f "$displayfile"
[[ -n $display ]] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=":$display"
cleanup() {
    wineserver -k 2>/dev/null || true
    kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

mkdir -p "$WINEPREFIX"
if [[ ! -f $WINEPREFIX/system.reg ]]; then
    # Making a new prefix leaves two services.exe running (the second from a re-launched
    # wineboot), each with its own list of services: a service created through one cannot be
    # started through the other. Boot once more from a settled prefix for a single one.
    wineserver -p
    wineboot --init >/dev/null 2>&1 || true
    wineserver -k 2>/dev/null || true
    wineserver -w
fi
wineserver -p # one wine session for every test program, ended by the trap
wineboot >/dev/null 2>&1 || true
ctest --test-dir "$build" --output-on-failure --timeout 300 "${@:2}"
