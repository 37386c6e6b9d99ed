#!/bin/sh
# Creates the Wine prefix named by WINEPREFIX.
# Usage: make-prefix.sh LOADER TEMPLATE.REG
# wineboot, regedit and the final wait share one wineserver session, which
# under qemu saves a whole boot of Wine's services (about a minute).
set -e
loader=$1
"$loader" wineboot -i
cp "$2" "$WINEPREFIX/drive_c/template.reg"
"$loader" regedit /S 'C:\template.reg'
wineserver -w
rm -f "$WINEPREFIX/drive_c/template.reg"
