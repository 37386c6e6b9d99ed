#!/usr/bin/env bash
# Builds the native preset and runs every benchmark of the project, each under its own heading:
# unpacking speed (drvunzip against unzip and bsdtar), the CPU time of a spooler restart and
# the installer's start-up on the simulated machine.
#
#   scripts/bench/run-benchmarks.sh
#
# Run counts, for a quicker or a steadier pass (the defaults in brackets):
#   UNPACK_RUNS [7]  SPOOLER_RUNS [7]  STARTUP_RUNS [9]
# Wall times stretch under other load on the host; the load average is printed with each part.
set -euo pipefail

repo=$(cd "$(dirname "$0")/../.." && pwd)
cd "$repo"
build=$repo/build/native

echo "== building the native preset"
cmake --preset native >/dev/null
cmake --build --preset native -j2 >/dev/null

heading() {
    echo
    echo "== $1"
    echo "host: $(nproc) CPUs, $(uptime | sed 's/.*load average/load average/')"
}

heading "unpacking: drvunzip against unzip and bsdtar (scripts/bench/unpack-bench.sh)"
scripts/bench/unpack-bench.sh "${UNPACK_RUNS:-7}" "$build/package/archive/drvunzip"

heading "CPU time of a two-second spooler restart (spooler_restart_bench)"
"$build/tests/bench/spooler_restart_bench" "${SPOOLER_RUNS:-7}"

heading "installer start-up to the model prompt (startup_bench)"
"$build/tests/bench/startup_bench" "${STARTUP_RUNS:-9}"
