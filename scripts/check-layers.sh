#!/usr/bin/env bash
# Fails when a library includes a header of a library above it, or of a sibling on its own
# level: dependencies run one way, from the programs down to the primitives.
#   0 common
#   1 crypto platform rtc capture codec input   (the primitives)
#   2 network, the server
#   3 core session
#   4 service
#   5 ui
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A level=([common]=0 [crypto]=1 [platform]=1 [rtc]=1 [capture]=1 [codec]=1 [input]=1
    [network]=2 [server]=2 [core]=3 [session]=3 [service]=4 [ui]=5)

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
