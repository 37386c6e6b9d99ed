#!/usr/bin/env bash
# The Windows build under Wine (32-bit prefix): the contract tests against Wine's real
# registry and spooler, then the real installer started on the demo package and checked from
# outside its process, with a screenshot. Usage: run-wine-tests.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build/windows}" && pwd)
results=$build/wine-results
mkdir -p "$results"

WINEARCH=win32
# shellcheck source=../wine-env.sh
. "$root/scripts/wine-env.sh"
trap 'wine_kill; wine_stop_xvfb' EXIT INT TERM
wine_check_acp > "$results/probe.txt" || { cat "$results/probe.txt"; exit 1; }

failed=0
passed=0
# A GoogleTest run adds its own counts (its lines end in CRLF under Wine); one that did not
# finish counts as one failure.
gtest_counts() {  # gtest_counts LOG EXIT_CODE
    local ok bad
    ok=$(tr -d '\r' < "$1" | sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\./\1/p' | tail -n1)
    bad=$(tr -d '\r' < "$1" | sed -n 's/^ *\([0-9]*\) FAILED TESTS\?$/\1/p' | tail -n1)
    passed=$((passed + ${ok:-0}))
    failed=$((failed + ${bad:-0}))
    if [ "$2" != 0 ] && [ -z "$bad" ]; then failed=$((failed + 1)); fi
}

echo "== contract tests under Wine"
rc=0
wine_run 1200 "$build/tests/contract/win32/contract_tests.exe" --gtest_color=no > "$results/contract.txt" 2>&1 || rc=$?
gtest_counts "$results/contract.txt" "$rc"
grep -E '^\[  (PASSED|FAILED|SKIPPED) |tests? ran' "$results/contract.txt" || tail -20 "$results/contract.txt"

echo "== 7-zip32.dll under Wine"
rc=0
wine_run 600 "$build/package/archive/archive_dll_tests.exe" --gtest_color=no > "$results/archive-dll.txt" 2>&1 || rc=$?
gtest_counts "$results/archive-dll.txt" "$rc"
grep -E '^\[  (PASSED|FAILED|SKIPPED) |tests? ran' "$results/archive-dll.txt" || tail -20 "$results/archive-dll.txt"

echo "== the installer on the demo package"
wine_reset_prefix
wine_boot
drive_c=$WINEPREFIX/drive_c
run=$drive_c/DemoRun
mkdir -p "$run"
cp "$build/platform/win32/DriverInstaller.exe" "$build/package/archive/7-zip32.dll" "$build/DriverData.Drv" "$run/"
(cd "$run" && wine_cmd DriverInstaller.exe > "$results/installer.log" 2>&1) &
installer=$!
# Wine's preselection depends on the prefix's ports: COM ports before LPT before FILE.
row=$(sed -n 's/^  port="\([^"]*\)".*/\1/p' "$results/probe.txt" | awk '
    /^USB/ {u++} /^COM/ {c++} /^LPT/ {l++} /^FILE/ {f++}
    END { print (u ? 1 : c ? 0 : l ? 2 : f ? 3 : 1) }')
if wine_run 600 "$build/platform/win32/inspector/WindowInspector.exe" "打印机驱动安装" 540 1000 \
    > "$results/main-window.txt" 2>&1; then
    window=$(xdotool search --name "打印机驱动安装" 2>/dev/null | head -n1 || true)
    import -window "${window:-root}" "$results/main-window.png" 2>/dev/null ||
        import -window root "$results/main-window.png" || true
    if python3 "$root/tests/wine/check_main_window.py" "$results/main-window.txt" \
        "$root/resources/DriverInstaller.rc" "$row" "当前系统为Microsoft Windows 7 32位" \
        "$root/demo/DriverName.cfg.utf8"; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
    fi
    # Closing the window must remove what the package unpacked.
    wine_run 120 "$build/platform/win32/inspector/WindowInspector.exe" "打印机驱动安装" 10 0 --close \
        > /dev/null 2>&1 || true
else
    echo "the installer's window did not appear:"
    cat "$results/main-window.txt" "$results/installer.log" | tail -20
    failed=$((failed + 1))
fi
for _ in $(seq 120); do
    kill -0 "$installer" 2>/dev/null || break
    sleep 1
done
if kill -0 "$installer" 2>/dev/null; then
    echo "the installer did not end after its window was closed"
    failed=$((failed + 1))
elif [ -e "$drive_c/Ticket" ] || [ -e "$drive_c/Barcode" ] || [ -e "$drive_c/DriverName.cfg" ]; then
    echo "closing left unpacked files in C:\\"
    failed=$((failed + 1))
else
    echo "closing removed C:\\Ticket, C:\\Barcode and C:\\DriverName.cfg"
    passed=$((passed + 1))
fi
echo "== the installer in a folder without the package"
wine_reset_prefix
wine_boot
empty=$drive_c/NoPackage
mkdir -p "$empty"
cp "$build/platform/win32/DriverInstaller.exe" "$build/package/archive/7-zip32.dll" "$empty/"
(cd "$empty" && wine_cmd DriverInstaller.exe > /dev/null 2>&1) &
if wine_run 300 "$build/platform/win32/inspector/WindowInspector.exe" "打印机驱动安装" 240 1000 --close \
    > "$results/no-package.txt" 2>&1 &&
    python3 "$root/tests/wine/check_main_window.py" "$results/no-package.txt" \
        "$root/resources/DriverInstaller.rc" "$row" "当前系统为"; then
    passed=$((passed + 1))
else
    failed=$((failed + 1))
fi
wait 2>/dev/null || true

echo "screenshot: $results/main-window.png"
echo "wine: $passed passed, $failed failed"
[ "$failed" = 0 ]
