#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UndefinedBehaviorSanitizer) and runs
# them on their seed corpora. Every target first replays its regression inputs
# (fuzz/regressions/<target>/: inputs that once crashed it), then fuzzes.
#
#   scripts/fuzz.sh [options] [target ...]     (default: every fuzz_* target)
#     --time SECONDS   fuzz each target this long (default 60)
#     --runs N         stop a target after N executions instead (0: no limit)
#     --smoke          a few seconds each with a fixed seed: what the test command runs
#     --build DIR      the build folder (default build-fuzz)
#     --capture        first refresh fuzz/corpus from real traffic (needs the normal ./build)
#
# New corpus entries collect in DIR/corpus/<target>; crashes, leaks and time-outs are written to
# DIR/findings/<target>/ and make the script fail, naming them. Copy a finding into
# fuzz/regressions/<target>/ once it is fixed, so it is replayed from then on.
set -euo pipefail

cd "$(dirname "$0")/.."

seconds=60
runs=0
smoke=false
build=build-fuzz
capture=false
targets=()
while (($# > 0)); do
    case $1 in
    --time) seconds=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --smoke) smoke=true; seconds=5; shift ;;
    --build) build=$2; shift 2 ;;
    --capture) capture=true; shift ;;
    -h | --help) sed -n '2,17p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
    esac
done

if $capture; then
    cmake --build build --target capture_fuzz_seeds
    build/bin/capture_fuzz_seeds fuzz/corpus
fi

# The same configuration the test command's sanitizer step uses, so one build serves both.
scripts/configure-sanitized.sh "$build"
cmake --build "$build" --target fuzzers

if ((${#targets[@]} == 0)); then
    for program in "$build"/fuzz/fuzz_*; do
        if [[ -f $program && -x $program ]]; then
            targets+=("$(basename "$program")")
        fi
    done
fi

# Per-input leak checks would scan the whole heap after almost every input (Qt and the
# registries keep state between inputs); growth is caught by -rss_limit_mb instead.
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
failed=()
for target in "${targets[@]}"; do
    # Absolute paths: the programs work in a folder of their own.
    program=$PWD/$build/fuzz/$target
    findings=$PWD/$build/findings/$target
    corpus=$PWD/$build/corpus/$target
    seeds=$PWD/fuzz/corpus/$target
    mkdir -p "$findings" "$corpus" "$seeds"
    regressions=("$PWD"/fuzz/regressions/"$target"/*)
    if [[ -e "${regressions[0]}" ]]; then
        echo "== $target: replaying ${#regressions[@]} regression inputs"
        if ! "$program" -runs=1 "${regressions[@]}" >"$findings/regressions.log" 2>&1; then
            tail -40 "$findings/regressions.log"
            failed+=("$target (regressions)")
            continue
        fi
    fi
    if ((runs > 0)); then
        echo "== $target: fuzzing for ${seconds} s or $runs runs, whichever ends first"
    else
        echo "== $target: fuzzing for ${seconds} s"
    fi
    options=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 -max_len=65536
        -print_final_stats=1 -artifact_prefix="$findings/")
    if ((runs > 0)); then
        options+=(-runs="$runs")
    fi
    if $smoke; then
        options+=(-seed=1)
    fi
    log=$findings/run.log
    if "$program" "${options[@]}" "$corpus" "$seeds" >"$log" 2>&1; then
        grep -aE '^stat::number_of_executed_units|^stat::peak_rss_mb|cov: ' "$log" | tail -3 |
            sed "s/^/   /"
    else
        tail -60 "$log"
        failed+=("$target")
    fi
done

if ((${#failed[@]} > 0)); then
    echo "== fuzzing FAILED: ${failed[*]} (inputs in $build/findings/)"
    exit 1
fi
echo "== fuzzing: ${#targets[@]} targets, no findings"
