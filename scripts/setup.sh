#!/usr/bin/env bash
# Installs the Debian packages Nimbral is built with (only when one is missing), then configures
# and builds the project in ./build. Safe to run again: nothing is reinstalled or rebuilt twice.
#
#   scripts/setup.sh            install, configure, build
#   scripts/setup.sh --deps     install only
set -euo pipefail

cd "$(dirname "$0")/.."

PACKAGES=(
    # toolchain; clang and its sanitizer and libFuzzer runtimes for the sanitizer tests and fuzzing
    cmake ninja-build g++ ccache pkg-config clang libclang-rt-14-dev
    # Qt 6: widgets, network, translations (lrelease), test; the server's HTTP, WebSocket, SQLite
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    qt6-httpserver-dev qt6-websockets-dev libqt6sql6-sqlite
    # the window's SVG icons; Qt's own buttons and headers in the user's language
    qt6-svg-dev qt6-translations-l10n
    # Mesa's GL drivers, which Qt's xcb platform loads on a virtual display
    libgl1-mesa-dri libglx-mesa0 libegl-mesa0
    # WebRTC data channels: ICE and SCTP
    libnice-dev libusrsctp-dev
    # video: AV1 encoding and decoding
    libaom-dev libdav1d-dev
    # screen capture and input injection on X11
    libx11-dev libxext-dev libxdamage-dev libxfixes-dev libxrandr-dev libxtst-dev
    # ... and on GNOME's Wayland: its screen cast through PipeWire, a headless GNOME for the tests
    # (its own session bus, PipeWire and WirePlumber) and the tests' probe window on it
    libpipewire-0.3-dev mutter pipewire wireplumber dbus-daemon libglib2.0-bin qt6-wayland
    # ... and on wlroots compositors (sway): their screencopy and virtual input protocols, the
    # keymap the virtual keyboard sends, a headless sway for the tests (started as nobody with
    # setpriv when they run as root)
    libwayland-dev wayland-protocols librust-wayland-protocols-dev libxkbcommon-dev sway util-linux
    # ... and on the others (KDE ...) through the desktop portal: the tests put the portal with its
    # GNOME backend in front of the headless GNOME (the wlroots one cannot cast without a GPU)
    xdg-desktop-portal xdg-desktop-portal-gnome
    # the server's shared database for several nodes (Qt's driver), and the clusters its tests start
    libqt6sql6-psql postgresql-15
    # the self-update's zip unpacking
    libarchive-dev
    # the service: logind's sessions (agent launch, peer check) and readiness to systemd
    libsystemd-dev
    # the Debian packages: their library dependencies, their checks
    dpkg-dev lintian desktop-file-utils
    # the viewer's colour conversion and scaling (and the converter benchmark's reference)
    libyuv-dev
    # crypto, logging, JSON, tests (the openssl tool makes the TLS test's certificate)
    libssl-dev openssl libspdlog-dev libfmt-dev nlohmann-json3-dev libgtest-dev libgmock-dev
    # a display for tests and for running the client on a headless machine
    xvfb xauth
    # what the scripts call: process lookup (pgrep), awk, the server's health check (curl)
    procps mawk curl
    # something on the demo Target's screen, and screenshots of a virtual one
    x11-apps
    # the glass benchmark's anchor: TigerVNC's scraping server and viewer on the same screens
    tigervnc-scraping-server tigervnc-viewer
    # a font for the painted application icon
    fonts-dejavu-core
    # a WebRTC peer we did not write, for the data-channel interoperability tests
    chromium
    # a TURN relay, for the tests that connect through one
    coturn
    # the Windows backends: cross-compiled (posix threads), GoogleTest from source, run under wine
    g++-mingw-w64-x86-64-posix googletest wine wine64
)

missing=()
for package in "${PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} > 0)); then
    echo "setup: installing ${missing[*]}"
    as_root=()
    if [[ $(id -u) -ne 0 ]]; then
        as_root=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${as_root[@]}" apt-get update -qq
    "${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
else
    echo "setup: all packages present"
fi

if [[ "${1:-}" == "--deps" ]]; then
    exit 0
fi

cmake_args=(-S . -B build -G Ninja -DNIMBRAL_THREAD_CHECKS=ON)
if [[ "${CI:-}" == "true" ]]; then
    cmake_args+=(-DNIMBRAL_WARNINGS_AS_ERRORS=ON)
fi
cmake "${cmake_args[@]}"
cmake --build build
