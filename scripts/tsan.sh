#!/usr/bin/env bash
# Builds the native tests with ThreadSanitizer (preset native-tsan) and runs all of them: the
# start-up worker against a closing window, a slow spooler and a slow unpacking
# (tests/sim/StartupConcurrencyTest.cpp), and every other test that runs a worker thread or a
# window thread. A data race, a lock-order inversion or any other report fails the test it
# happens in. Installs what it needs first (run as root).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh

echo "== native-tsan build"
cmake --preset native-tsan > /dev/null
cmake --build --preset native-tsan

# ThreadSanitizer needs a fixed layout of the address space, which kernels with more address
# randomisation than it knows do not give; it then stops before the first test. Such a kernel
# runs the tests with randomisation off.
launcher=()
if build/native-tsan/tests/installer_tests --gtest_list_tests 2>&1 | grep -q 'unexpected memory mapping'; then
    launcher=(setarch "$(uname -m)" -R)
fi

echo "== native-tsan tests"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# The first report ends its test, which then fails with it as its output.
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
    "${launcher[@]}" ctest --preset native-tsan -j2 2>&1 | tee "$log" |
    grep -E 'tests passed|\*\*\*Failed|Failed  |WARNING: ThreadSanitizer|SUMMARY: ThreadSanitizer' || true

line=$(grep -E '[0-9]+ tests failed out of [0-9]+' "$log" | tail -n1 || true)
if [ -z "$line" ]; then
    echo "tsan: 0 passed, 1 failed"
    exit 1
fi
failed=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/' <<<"$line")
total=$(sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\2/' <<<"$line")
echo "tsan: $((total - failed)) passed, $failed failed"
[ "$failed" = 0 ]
