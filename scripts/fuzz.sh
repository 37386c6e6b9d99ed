#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for a bounded time: the archive engine on arbitrary archives, the simulated
# machine's profile reader and the model list on arbitrary C:\DriverName.cfg files. Any crash,
# hang, leak, sanitizer report or write outside the output folder fails the target; what it
# found is kept in build/fuzz/artifacts/TARGET/. Installs what it needs first (run as root).
#
#   bash scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]     (default: 60 s each, all targets)
#
# The corpus each target grows is kept in build/fuzz/corpus/TARGET/ and goes on from there next
# time; tests/fuzz/corpus/ holds the seeds.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(archive profile catalogue)

echo "== fuzz build"
cmake --preset fuzz > /dev/null
cmake --build --preset fuzz

build=$root/build/fuzz
seeds_of() {  # the seed folder of a target: the model list reads the same files as the reader
    case "$1" in
        catalogue) echo "$root/tests/fuzz/corpus/profile" ;;
        *) echo "$root/tests/fuzz/corpus/$1" ;;
    esac
}

passed=0
failed=0
scratch=
trap 'if [ -n "$scratch" ]; then rm -rf "$scratch"; fi' EXIT
for target in "${targets[@]}"; do
    binary=$build/tests/fuzz/${target}_fuzzer
    [ -x "$binary" ] || { echo "fuzz: no target $target" >&2; exit 2; }
    corpus=$build/corpus/$target
    artifacts=$build/artifacts/$target
    log=$build/logs/$target.log
    # The targets' output folders and simulated drives go here, removed after the run even
    # when a crash left them behind; in memory where there is a tmpfs, as every input creates
    # and deletes files.
    mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
    if [ -d /dev/shm ] && [ -w /dev/shm ]; then
        scratch=$(mktemp -d /dev/shm/fuzz-"$target"-XXXXXX)
    else
        scratch=$(mktemp -d "$build/scratch-$target-XXXXXX")
    fi
    found_before=$(find "$artifacts" -type f | wc -l)

    echo "== fuzz $target for ${seconds} s"
    status=0
    TMPDIR=$scratch \
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:symbolize=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        "$binary" -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -detect_leaks=1 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "$corpus" "$(seeds_of "$target")" \
        > "$log" 2>&1 || status=$?
    rm -rf "$scratch"
    scratch=

    runs=$(sed -nE 's/^stat::number_of_executed_units: *([0-9]+)/\1/p' "$log" | tail -n1)
    coverage=$(grep -oE 'cov: [0-9]+' "$log" | tail -n1 | cut -d' ' -f2)
    found_after=$(find "$artifacts" -type f | wc -l)
    if [ "$status" = 0 ] && [ "$found_after" = "$found_before" ]; then
        passed=$((passed + 1))
        echo "fuzz: $target passed: ${runs:-0} runs, coverage ${coverage:-?} edges, corpus $(ls "$corpus" | wc -l) inputs"
    else
        failed=$((failed + 1))
        echo "fuzz: $target FAILED (exit $status); log $log, inputs in $artifacts/"
        grep -E 'ERROR: |fuzzer: |SUMMARY: |runtime error' "$log" | head -n 5 | sed 's/^/    /'
    fi
done

echo "fuzz: $passed passed, $failed failed"
[ "$failed" = 0 ]
