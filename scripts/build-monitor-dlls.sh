#!/usr/bin/env bash
# Builds the language monitor for both spoolers, without CMake:
#     scripts/build-monitor-dlls.sh OUTPUT_DIR
# writes OUTPUT_DIR/tvkMonNT.dll (32-bit) and OUTPUT_DIR/tvkMon64.dll (64-bit). The same
# sources and compilers give the same bytes, wherever the output goes, so the copies committed in the demo package
# (demo/DriverPackage/Barcode/x86 and x64) can be checked by rebuilding and comparing.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out=${1:?usage: build-monitor-dlls.sh OUTPUT_DIR}
mkdir -p "$out"
src=$root/install/monitor

build() {
    local compiler=$1 dll=$2
    "$compiler" -std=c++20 -O2 -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion -Werror \
        -DWINVER=0x0601 -D_WIN32_WINNT=0x0601 -DSTRICT -DWIN32_LEAN_AND_MEAN \
        -fno-exceptions -fno-rtti -shared -static -static-libgcc -static-libstdc++ \
        -s -Wl,--no-insert-timestamp -Wl,--disable-auto-image-base -Wl,--enable-stdcall-fixup \
        -o "$out/$dll" "$src/LanguageMonitor.cpp" "$src/LanguageMonitor.def"
    echo "$out/$dll"
}

build i686-w64-mingw32-g++-posix tvkMonNT.dll
build x86_64-w64-mingw32-g++-posix tvkMon64.dll
