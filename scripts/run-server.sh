#!/usr/bin/env bash
# Sets everything up and runs NimbralServer on this machine's local default: REST and signaling
# on 127.0.0.1:8080, the relay on 127.0.0.1:9000, the registry in the per-user data folder.
# Extra arguments go to the server (see NimbralServer --help).
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/setup.sh
exec build/bin/NimbralServer --listen 127.0.0.1:8080 --relay-port 9000 "$@"
