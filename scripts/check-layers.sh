#!/usr/bin/env bash
# Fails when a library includes a header of a library above it, or of a sibling on its own
# level: dependencies run one way, from the programs down to the primitives.
#   0 common
#   1 crypto platform rtc            (the primitives, and the operating system's facilities)
#   2 capture codec input            (media and input, some through the platform's sessions)
#   3 network, the server
#   4 core session
#   5 service
#   6 ui
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A level=([common]=0 [crypto]=1 [platform]=1 [rtc]=1 [capture]=2 [codec]=2 [input]=2
    [network]=3 [server]=3 [core]=4 [session]=4 [service]=5 [ui]=6)

library_of() { # path
    case $1 in
    Server/*) echo server ;;
    Client/src/*) echo "$1" | cut -d/ -f3 ;;
    esac
}

faults=0
while IFS=: read -r file line text; do
    from=$(library_of "$file")
    to=$(echo "$text" | sed -E 's/.*#include "([a-z_]+)\/.*/\1/')
    [[ -n ${level[$from]+x} ]] || { echo "$file: library '$from' has no level here"; faults=$((faults + 1)); continue; }
    [[ -n ${level[$to]+x} ]] || continue # a header beside the file, not a library
    if [[ $from != "$to" ]] && ((level[$to] >= level[$from])); then
        echo "$file:$line: $from (level ${level[$from]}) includes $to (level ${level[$to]})"
        faults=$((faults + 1))
    fi
done < <(grep -rnE '^#include "[a-z_]+/' Client/src Server/src --include='*.h' --include='*.cpp' --include='*.inc')

if ((faults > 0)); then
    echo "check-layers: $faults include(s) against the direction of the layers"
    exit 1
fi
echo "check-layers: every include points down"
