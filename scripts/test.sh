#!/usr/bin/env bash
# Builds and runs every test: the native tests on the simulated machine, the same under
# AddressSanitizer and UndefinedBehaviorSanitizer and under ThreadSanitizer, the fuzz targets
# for a minute each, and the Windows build under Wine.
# Installs what it needs first (Debian packages; run as root).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh

total_passed=0
total_failed=0
count() {  # count LOG: adds ctest's "N tests failed out of M" to the totals
    local line
    line=$(grep -E 'tests passed, [0-9]+ tests failed out of [0-9]+' "$1" | tail -n1)
    local failed_n total_n
    failed_n=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
    total_n=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
    total_passed=$((total_passed + total_n - failed_n))
    total_failed=$((total_failed + failed_n))
}

status=0
for preset in native native-sanitize; do
    echo "== $preset build and tests"
    cmake --preset "$preset" > /dev/null
    cmake --build --preset "$preset"
    log=$(mktemp)
    ctest --preset "$preset" -j2 2>&1 | tee "$log" | grep -E 'tests passed|\*\*\*Failed|Failed  ' || true
    count "$log"
    grep -q ', 0 tests failed out of' "$log" || status=1
    rm -f "$log"
done

count_summary() {  # count_summary LOG PREFIX: adds "PREFIX: N passed, M failed" to the totals
    local line
    line=$(grep -E "^$2: [0-9]+ passed, [0-9]+ failed" "$1" | tail -n1 || true)
    if [ -n "$line" ]; then
        total_passed=$((total_passed + $(sed -E "s/$2: ([0-9]+) passed.*/\1/" <<<"$line")))
        total_failed=$((total_failed + $(sed -E 's/.* ([0-9]+) failed.*/\1/' <<<"$line")))
    else
        total_failed=$((total_failed + 1))
    fi
}

echo "== ThreadSanitizer"
log=$(mktemp)
bash scripts/tsan.sh 2>&1 | tee "$log" | grep -E '^(==|tsan:)|ThreadSanitizer' || status=1
count_summary "$log" tsan

echo "== fuzzing (about a minute per target)"
bash scripts/fuzz.sh 60 2>&1 | tee "$log" | grep -E '^(==|fuzz:)' || status=1
count_summary "$log" fuzz
rm -f "$log"

echo "== windows build"
cmake --preset windows > /dev/null
cmake --build --preset windows

# Every function the shipped binaries import statically must exist on Windows XP SP3, and
# their headers must ask for no newer system; otherwise they do not even load there.
echo "== imports of the shipped binaries"
log=$(mktemp)
python3 scripts/check-imports.py build/windows/platform/win32/DriverInstaller.exe \
    build/windows/package/archive/7-zip32.dll build/windows/install/monitor/tvkMonNT.dll 2>&1 | tee "$log" || status=1
count_summary "$log" imports
rm -f "$log"

# Every Wine step waits for the state it needs with a bound of its own; a failed run is a
# failure, never repeated.
echo "== under Wine"
log=$(mktemp)
bash scripts/wine/run-wine-tests.sh build/windows 2>&1 | tee "$log" || status=1
count_summary "$log" wine

echo "== whole installations under Wine"
bash scripts/wine/install-tests.sh build/windows 2>&1 | tee "$log" || status=1
count_summary "$log" install

echo "== command-line runs under Wine"
bash scripts/wine/cmdline-tests.sh build/windows 2>&1 | tee "$log" || status=1
count_summary "$log" cmdline
rm -f "$log"

echo "$total_passed passed, $total_failed failed"
[ "$status" = 0 ] && [ "$total_failed" = 0 ]
