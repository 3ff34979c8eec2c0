#!/usr/bin/env bash
# Sets everything up and runs a whole Nimbral session on this machine: NimbralServer on its
# local default (127.0.0.1:8080, relay 9000), a Target client on a virtual screen (Xvfb) with a
# known session password, and a Master client that connects to it and shows the Target's
# desktop; the Master runs on your display, or on a second virtual screen when there is none
# (its picture is then saved as a screenshot). Ctrl+C stops everything.
set -euo pipefail

cd "$(dirname "$0")/.."
scripts/setup.sh

password="Demo-Pass1"
work=$(mktemp -d -t nimbral-run.XXXXXX)
# The password goes to the clients in a file of our own, never on their command lines, where
# every user of the machine could read it.
umask 077
printf '%s\n' "$password" >"$work/session.pw"
pids=()
kill_tree() { # the xvfb-run wrappers leave their X servers and clients behind otherwise
    local child
    for child in $(pgrep -P "$1" 2>/dev/null); do kill_tree "$child"; done
    kill "$1" 2>/dev/null || true
}
cleanup() {
    for pid in "${pids[@]}"; do kill_tree "$pid"; done
}
trap cleanup EXIT

wait_for() { # file pattern seconds
    for _ in $(seq $(($3 * 10))); do
        grep -q "$2" "$1" 2>/dev/null && return 0
        sleep 0.1
    done
    return 1
}

build/bin/NimbralServer --listen 127.0.0.1:8080 --relay-port 9000 >"$work/server.log" 2>&1 &
pids+=($!)
if ! wait_for "$work/server.log" "relay listening on" 5; then
    echo "run-local: NimbralServer did not start:" >&2
    cat "$work/server.log" >&2
    exit 1
fi
echo "run-local: server running (log: $work/server.log)"

client=(build/bin/NimbralClient --log-level info --server http://127.0.0.1:8080)

# The Target: its own profile, a known password, a virtual screen with something to look at.
xvfb-run --auto-servernum --server-args="-screen 0 1280x800x24" sh -c '
    "$@" &
    client=$!
    xclock -geometry 300x300+900+100 -update 1 >/dev/null 2>&1 || true &
    xeyes -geometry 300x200+900+450 >/dev/null 2>&1 || true &
    wait $client' target "${client[@]}" --profile "$work/target" --session-password-file "$work/session.pw" \
    >"$work/target.out" 2>&1 &
pids+=($!)
if ! wait_for "$work/target/NimbralClient.log" "Signaling auth confirmed" 20; then
    echo "run-local: the Target client did not come online; its log:" >&2
    cat "$work/target/NimbralClient.log" >&2 || true
    exit 1
fi
target_id=$(grep -o "Client ID: [0-9]*" "$work/target/NimbralClient.log" | head -1 | awk '{print $3}')
echo "run-local: Target online as ${target_id} with password ${password} (log: $work/target/NimbralClient.log)"

# The Master connects as a user would with the form.
master=("${client[@]}" --profile "$work/master" --connect "$target_id" --password-file "$work/session.pw")
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
    echo "run-local: the Master opens on your display and shows the Target's desktop"
    "${master[@]}" &
    pids+=($!)
else
    echo "run-local: no display found; the Master runs on a second virtual screen"
    xvfb-run --auto-servernum --server-args="-screen 0 1600x1000x24" sh -c '
        "$@" &
        client=$!
        sleep 8
        xwd -root -silent > "'"$work"'/master.xwd" 2>/dev/null || true
        wait $client' master "${master[@]}" >"$work/master.out" 2>&1 &
    pids+=($!)
fi
if wait_for "$work/master/NimbralClient.log" "Session state: Connecting -> Connected" 20; then
    method=$(grep -o "Transport established via [a-z0-9]*" "$work/master/NimbralClient.log" | head -1)
    echo "run-local: session connected (${method#Transport established via })"
    echo "run-local: Master log: $work/master/NimbralClient.log"
else
    echo "run-local: the session did not connect; the Master's log:" >&2
    cat "$work/master/NimbralClient.log" >&2 || true
    exit 1
fi
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" ]]; then
    sleep 8
    if [[ -s "$work/master.xwd" ]] && command -v convert >/dev/null; then
        convert "$work/master.xwd" "$work/master.png" && echo "run-local: the Master's screen: $work/master.png"
    elif [[ -s "$work/master.xwd" ]]; then
        echo "run-local: the Master's screen: $work/master.xwd (view with xwud -in)"
    fi
fi
echo "run-local: running; Ctrl+C stops the server and both clients"
wait "${pids[0]}"
