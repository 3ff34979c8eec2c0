#!/usr/bin/env bash
# Sets everything up and starts the Nimbral client on this machine. Without a desktop session
# (no DISPLAY) it runs on a virtual X display instead.
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/setup.sh

client=(build/bin/NimbralClient --log-level info "$@")
echo "run-local: log file: ${XDG_DATA_HOME:-$HOME/.local/share}/Nimbral/NimbralClient/NimbralClient.log"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "run-local: no display found, running the client under Xvfb (stop it with Ctrl+C)"
    exec xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" "${client[@]}"
fi
exec "${client[@]}"
