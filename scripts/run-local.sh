#!/usr/bin/env bash
# Sets everything up and runs Nimbral on this machine: NimbralServer on its local default
# (127.0.0.1:8080, relay 9000) and a client that registers with it and stays online. Without a
# desktop session (no DISPLAY) the client runs on a virtual X display. Ctrl+C stops both.
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/setup.sh

server_log=$(mktemp -t nimbral-server.XXXXXX.log)
build/bin/NimbralServer --listen 127.0.0.1:8080 --relay-port 9000 >"$server_log" 2>&1 &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do
    grep -q "relay listening on" "$server_log" && break
    if ! kill -0 "$server_pid" 2>/dev/null; then
        echo "run-local: NimbralServer did not start:" >&2
        cat "$server_log" >&2
        exit 1
    fi
    sleep 0.1
done
echo "run-local: server running (log: $server_log)"

client=(build/bin/NimbralClient --log-level info --server http://127.0.0.1:8080 "$@")
echo "run-local: client log: ${XDG_DATA_HOME:-$HOME/.local/share}/Nimbral/NimbralClient/NimbralClient.log"
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    echo "run-local: no display found, running the client under Xvfb (stop it with Ctrl+C)"
    xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" "${client[@]}"
else
    "${client[@]}"
fi
