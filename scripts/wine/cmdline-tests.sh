#!/usr/bin/env bash
# The installer's command line under Wine: unattended installations, removal and the listing,
# checked by their exit codes, the spooler's lists, the registry and the run's log. One
# prefix for all cases, in order: each case says what the ones before it left.
# Usage: cmdline-tests.sh BUILD_DIR     (WINE_ROOT picks the Wine root)
# shellcheck source=cases.sh
. "$(dirname "$0")/cases.sh" cmdline "${1:-}"
run_log=$run/run.log

lacks_line() { ! grep -qxF "$2" <<< "$1"; }
log_has() { grep -qF -- "$1" "$run_log" || { echo "    not in the log: $1"; return 1; }; }

# Runs the installer with ARGS, bounded; sets RC. The log is emptied first.
installer() {  # ARGS...
    : > "$run_log"
    RC=0
    (cd "$run" && wine_run 300 DriverInstaller.exe "$@" /log 'C:\Run\run.log' > "$results/stdout.txt" 2>> "$results/wine.txt") || RC=$?
    echo "  exit code $RC: $*"
    cat "$run_log" >> "$results/logs.txt"
}

receipt=热敏小票打印机\ R58-A
receipt_driver="Thermal Receipt G1-01"
label=热敏标签打印机\ L108-A
label_driver="Thermal Label L-01"

wine_reset_prefix
wine_boot
rm -rf "$run" && mkdir -p "$run"
cp "$build/platform/win32/DriverInstaller.exe" "$build/package/archive/7-zip32.dll" "$build/DriverData.Drv" "$run/"
: > "$results/logs.txt"

begin_case "a receipt model on the serial kind"
installer /quiet /model "$receipt" /port COM
expect "exit code 0" equals "$RC" 0
lists=$(spooler)
expect "driver $receipt_driver registered" has_line "$lists" "driver $receipt_driver"
expect "printer on COM1:" has_line "$lists" "printer $receipt|COM1:|$receipt_driver"
expect "COM1: set to 9600,n,8,1" equals "$(reg_value 'HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\Ports' COM1:)" "9600,n,8,1"
expect "the log holds the command line" log_has "command line: /quiet /model \"$receipt\" /port COM"
expect "the log holds a status" log_has "status: 程序已为您选择COM1:"
expect "the log holds the printer and its port" log_has "printer \"$receipt\" on port COM1:"
expect "the log ends with the exit code" equals "$(tail -n1 "$run_log" | tr -d '\r' | cut -d' ' -f3-)" "exit code 0"
expect "no package left in C:\\" test ! -e "$drive_c/DriverName.cfg"
end_case

begin_case "an unknown model and an unknown port install nothing"
installer /quiet /model "No Such Model" /port COM
expect "exit code 3 for the model" equals "$RC" 3
expect "the log names the model" log_has 'the package lists no model "No Such Model"'
installer /quiet /model "$label" /port COM9:
expect "exit code 4 for the port" equals "$RC" 4
lists=$(spooler)
expect "no label driver" lacks_line "$lists" "driver $label_driver"
expect "still one printer" equals "$(grep -c '^printer ' <<< "$lists" || true)" 1
end_case

begin_case "a named parallel port under a name of its own"
installer /quiet /model "$receipt" /port LPT2: /name "Till 2" /nodefault
expect "exit code 0" equals "$RC" 0
lists=$(spooler)
expect "Till 2 on LPT2:" has_line "$lists" "printer Till 2|LPT2:|$receipt_driver"
expect "the default printer stays $receipt" equals \
    "$(reg_value 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows' Device)" "$receipt,winspool,COM1:"
expect "the dialog was answered with LPT2:" log_has "parallel port dialog: LPT2: -> OK"
end_case

begin_case "a label model registers the monitor"
installer /quiet /model "$label" /port COM
lists=$(spooler)
expect "exit code 0" equals "$RC" 0
expect "monitor Advanced Language Monitor registered" has_line "$lists" "monitor Advanced Language Monitor"
expect "printer on COM1:" has_line "$lists" "printer $label|COM1:|$label_driver"
end_case

begin_case "the listing"
installer /list
expect "exit code 0" equals "$RC" 0
# The run's output was redirected to a file: the listing must reach it.
out=$(iconv -f GBK -t UTF-8 < "$results/stdout.txt" | tr -d '\r')
expect "the receipt model listed" has_line "$out" "model $receipt"
expect "the label model listed" has_line "$out" "model $label"
expect "COM1: listed" has_line "$out" "COM COM1:"
expect "the log lists the receipt model" log_has "model $receipt"
end_case

begin_case "removal"
installer /quiet /remove "Till 2"
expect "exit code 0" equals "$RC" 0
lists=$(spooler)
expect "Till 2 gone" lacks_line "$lists" "printer Till 2|LPT2:|$receipt_driver"
expect "$receipt kept" has_line "$lists" "printer $receipt|COM1:|$receipt_driver"
installer /quiet /remove "Till 2"
expect "exit code 8 the second time" equals "$RC" 8
end_case

begin_case "removal with /driver: a driver in use stays, the last one goes with the monitor"
installer /quiet /model "$label" /port LPT /name "Labels 2"
expect "exit code 0 for the second label printer" equals "$RC" 0
installer /quiet /remove "Labels 2" /driver
expect "exit code 0" equals "$RC" 0
lists=$(spooler)
expect "Labels 2 gone" equals "$(grep -c '^printer Labels 2|' <<< "$lists" || true)" 0
expect "$label_driver kept for $label" has_line "$lists" "driver $label_driver"
expect "the log says why" log_has "driver \"$label_driver\" kept: the printer \"$label\" uses it"
installer /quiet /remove "$label" /driver
expect "exit code 0" equals "$RC" 0
lists=$(spooler)
expect "$label gone" equals "$(grep -cF "printer $label|" <<< "$lists" || true)" 0
expect "$label_driver gone" lacks_line "$lists" "driver $label_driver"
expect "the monitor gone" lacks_line "$lists" "monitor Advanced Language Monitor"
expect "$receipt and its driver kept" has_line "$lists" "printer $receipt|COM1:|$receipt_driver"
expect "the log names the driver" log_has "driver \"$label_driver\" deleted"
expect "the log names the monitor" log_has 'monitor "Advanced Language Monitor" deleted'
end_case

begin_case "without /quiet the window shows the installation and closes at the end"
installer /model "$receipt" /port LPT3: /name "Till 3"
expect "exit code 0" equals "$RC" 0
lists=$(spooler)
expect "Till 3 on LPT3:" has_line "$lists" "printer Till 3|LPT3:|$receipt_driver"
expect "the log ends with the exit code" log_has "exit code 0"
end_case

begin_case "/host makes the standard TCP/IP port of its address, then reuses it"
# Wine has no "Standard TCP/IP Port" monitor: the test-only one (tests/wine/tcpip-monitor)
# stands in, and takes XcvData "AddPort" with a PORT_DATA_1 as Windows' own does. Another
# TCP/IP port comes first, so a run that took the first one would be seen.
monitor_dir=$build/tests/wine/tcpip-monitor
tcpip_ports_key='HKLM\System\CurrentControlSet\Control\Print\Monitors\Standard TCP/IP Port\Ports'
if cp "$monitor_dir/TestTcpipMon.dll" "$monitor_dir/TestTcpipMonUI.dll" "$drive_c/windows/system32/" &&
    wine_run 120 "$monitor_dir/TestTcpipMonitorSetup.exe" register >> "$results/wine.txt" 2>&1 &&
    wine_run 120 "$monitor_dir/TestTcpipMonitorSetup.exe" add-port IP_10.0.0.1 10.0.0.1 >> "$results/wine.txt" 2>&1; then
    installer /quiet /model "$receipt" /port TCPIP /host 10.0.0.5 /name "Till 5" /nodefault
    expect "exit code 0" equals "$RC" 0
    lists=$(spooler)
    expect "port IP_10.0.0.5 made" has_line "$lists" "port IP_10.0.0.5"
    expect "Till 5 on IP_10.0.0.5" has_line "$lists" "printer Till 5|IP_10.0.0.5|$receipt_driver"
    expect "the monitor keeps the address" equals "$(reg_value "$tcpip_ports_key\\IP_10.0.0.5" HostAddress)" 10.0.0.5
    expect "and port number 9100" equals "$(reg_value "$tcpip_ports_key\\IP_10.0.0.5" PortNumber)" 0x238c
    expect "the log says it was made" log_has "created the TCP/IP port IP_10.0.0.5 for 10.0.0.5, port number 9100"
    expect "the dialog was answered with it" log_has "TCP/IP port dialog: IP_10.0.0.5 -> OK"

    installer /quiet /model "$receipt" /port TCPIP /host 10.0.0.5 /portnumber 9101 /name "Till 6" /nodefault
    expect "exit code 0 the second time" equals "$RC" 0
    lists=$(spooler)
    expect "one port IP_10.0.0.5" equals "$(grep -cxF 'port IP_10.0.0.5' <<< "$lists" || true)" 1
    expect "Till 6 on IP_10.0.0.5" has_line "$lists" "printer Till 6|IP_10.0.0.5|$receipt_driver"
    expect "the log says it was reused" log_has "reusing the TCP/IP port IP_10.0.0.5"
else
    expect "the test TCP/IP monitor registered" false
fi
end_case

begin_case "a named USB port is the only one tried (Windows 10)"
# Two USB ports, the named one first: a run that went on to the next would end there. Wine's
# spooler writes no PrinterOnLine, so no port confirms the printer: one Retry, then Cancel.
for port in USB002 USB003; do
    wine_cmd reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\Ports' /v "$port" /t REG_SZ /d '' /f \
        >> "$results/wine.txt" 2>&1
done
wine_cmd reg add 'HKCU\Software\Wine' /v Version /d win10 /f >> "$results/wine.txt" 2>&1
# The Local Port monitor reads its ports when the spooler starts.
wine_kill
wine_boot
lists=$(spooler)
if has_line "$lists" "port USB002" && has_line "$lists" "port USB003"; then
    installer /quiet /model "$receipt" /port usb002 /name "Till U" /nodefault
    expect "exit code 9 (no USB port confirmed the printer)" equals "$RC" 9
    lists=$(spooler)
    expect "Till U on USB002" has_line "$lists" "printer Till U|USB002|$receipt_driver"
    expect "USB002 tried" log_has "status: 正在尝试 USB002"
    expect "USB003 never tried" bash -c '! grep -qF "正在尝试 USB003" "$1"' _ "$run_log"
    expect "one Retry, then Cancel" log_has "-> Retry"
else
    echo "  skipped: Wine's Local Port monitor does not list the added ports USB002 and USB003"
fi
end_case

begin_case "a command line that cannot be understood"
installer /quiet /model "$receipt"
expect "exit code 1" equals "$RC" 1
expect "the log says why" log_has "/model needs /port"
end_case

echo "cmdline: $passed passed, $failed failed"
[ "$failed" = 0 ]
