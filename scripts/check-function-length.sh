#!/usr/bin/env bash
# Fails when a function of the programs or libraries runs longer than the ceiling (default 80
# lines): a function to split into named steps. A function is counted from its
# first line at the left margin to the closing brace at the left margin.
#   scripts/check-function-length.sh [CEILING]
set -euo pipefail
cd "$(dirname "$0")/.."
ceiling=${1:-80}

find Client/src Server/src -name '*.cpp' -print0 | sort -z | xargs -0 awk -v ceiling="$ceiling" '
    FNR == 1 { start = 0 }
    /^(namespace|class |struct )/ { start = 0 }
    start == 0 && /^[^ \t}#\/*]/ && /\(/ && !/;[ \t]*$/ && !/^(using|template|namespace)/ {
        start = FNR; head = $0
    }
    /^}/ && start > 0 {
        length_ = FNR - start + 1
        if (length_ > ceiling) {
            printf "%s:%d: %d lines: %s\n", FILENAME, start, length_, substr(head, 1, 80)
            long++
        }
        start = 0
    }
    END {
        if (long > 0) {
            printf "check-function-length: %d function(s) above %d lines\n", long, ceiling
            exit 1
        }
        printf "check-function-length: no function above %d lines\n", ceiling
    }'
