#!/usr/bin/env bash
# Unpacking speed of drvunzip against unzip and bsdtar on a realistic driver package of about
# 50 MB and a few thousand files. drvunzip writes with one thread per core (two here).
#
#   scripts/bench/unpack-bench.sh [RUNS] [DRVUNZIP]
#
# RUNS (default 7) timed runs per tool, after one untimed warm-up round; DRVUNZIP defaults
# to build/native/package/archive/drvunzip. The package is generated deterministically (same
# bytes on every machine) under $BENCH_DIR (default: a temporary folder, removed at the end).
# Needs: python3, zip, unzip, bsdtar (libarchive-tools), /usr/bin/time (package time).
set -euo pipefail

runs=${1:-7}
repo=$(cd "$(dirname "$0")/../.." && pwd)
drvunzip=${2:-$repo/build/native/package/archive/drvunzip}
for tool in python3 zip unzip bsdtar awk /usr/bin/time "$drvunzip"; do
    command -v "$tool" >/dev/null || { echo "missing: $tool" >&2; exit 1; }
done

if [[ -n ${BENCH_DIR:-} ]]; then
    [[ $BENCH_DIR != *" "* ]] || { echo "BENCH_DIR must not contain spaces" >&2; exit 1; }
    work=$BENCH_DIR
    mkdir -p "$work"
else
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
fi
archive=$work/DriverData.Drv

if [[ ! -f $archive ]]; then
    echo "generating the package in $work/package ..."
    rm -rf "$work/package"
    # Receipt models: one GPD (text, compresses ~10:1) and one resource DLL each, shared Unidrv
    # files per architecture; label models: driver, configuration and 16 language DLLs per
    # architecture, per-model data files; DLL stand-ins mix code-like repetition with random
    # bytes and compress about 1.5:1, as real DLLs do.
    python3 - "$work/package" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(20240601)

def write(path, data):
    full = os.path.join(root, path)
    os.makedirs(os.path.dirname(full), exist_ok=True)
    with open(full, 'wb') as f:
        f.write(data)

def dll(size):
    out = bytearray(b'MZ\x90\x00' + bytes(60))
    ops = [bytes(rng.randrange(256) for _ in range(rng.randrange(2, 9))) for _ in range(400)]
    while len(out) < size:
        if rng.random() < 0.45:
            out += rng.randbytes(rng.randrange(16, 256))
        else:
            for _ in range(rng.randrange(4, 40)):
                out += rng.choice(ops)
    return bytes(out[:size])

def gpd(model, size):
    lines = ['*GPDFileVersion: "1.0"', '*ModelName: "%s"' % model, '*MasterUnits: PAIR(203, 203)']
    i = 0
    while sum(len(l) + 2 for l in lines) < size:
        lines += ['*Feature: Option%d' % i, '{', '    *rcNameID: %d' % (1000 + i),
                  '    *Option: Value%d { *Name: "%d mm" *Command: CmdSelect { *Cmd: "<1B>@%02X" } }' % (i, 40 + i % 80, i % 256),
                  '}']
        i += 1
    return ('\r\n'.join(lines) + '\r\n').encode('ascii')

config = []
for arch in ('x86', 'x64'):
    for name in ('UNIDRV.DLL', 'UNIDRVUI.DLL', 'UNIRES.DLL', 'STDNAMES.GPD', 'STDDTYPE.GDL', 'STDSCHEM.GDL'):
        write('Ticket/%s/%s' % (arch, name), dll(rng.randrange(300_000, 1_500_000)) if name.endswith('.DLL') else gpd(name, 60_000))
for m in range(33):
    model = 'POS-%02d' % m
    config.append(model)
    for arch in ('x86', 'x64'):
        write('Ticket/%s/%s.GPD' % (arch, model), gpd(model, rng.randrange(20_000, 120_000)))
        write('Ticket/%s/%sRES.DLL' % (arch, model), dll(rng.randrange(40_000, 200_000)))
        for n in range(20):
            write('Ticket/%s/%s/font%02d.ufm' % (arch, model, n), gpd(model, rng.randrange(2_000, 12_000)))
for m in range(5):
    model = 'LBL-%d' % m
    config.append(model)
    for arch in ('x86', 'x64'):
        base = 'Barcode/%s/%s' % (arch, model)
        write(base + '/drv.dll', dll(rng.randrange(800_000, 2_000_000)))
        write(base + '/cfg.dll', dll(rng.randrange(400_000, 1_000_000)))
        for lang in range(16):
            write(base + '/lang/res%02d.dll' % lang, dll(rng.randrange(60_000, 180_000)))
    for n in range(120):
        write('Barcode/Common/%s/media%03d.dat' % (model, n), gpd(model, rng.randrange(3_000, 40_000)))
        write('Barcode/Common/%s/ico%03d.bin' % (model, n), dll(rng.randrange(1_000, 20_000)))
# One large file: memory must not grow with it.
write('Barcode/Common/firmware.bin', dll(4_000_000))
write('DriverName.cfg', ''.join('[%d]\r\nPrintName1=%s\r\n' % (i, n) for i, n in enumerate(config)).encode())
PY
    (cd "$work/package" && zip -q -r "$archive.partial" . && mv "$archive.partial" "$archive")
fi

files=$(find "$work/package" -type f | wc -l)
unpacked=$(du -sb "$work/package" | cut -f1)
packed=$(stat -c %s "$archive")
awk -v f="$files" -v u="$unpacked" -v p="$packed" \
    'BEGIN { printf "package: %d files, %.1f MB unpacked, archive %.1f MB (Info-ZIP zip, deflate)\n", f, u / 1e6, p / 1e6 }'

# One timed run: prints "wall_seconds peak_kib cpu_seconds". The previous output is removed
# and flushed first, so that no run pays for another's write-back.
timed() {
    local out=$1; shift
    rm -rf "$out"
    mkdir -p "$out"
    sync
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f '%M %U %S' -o "$work/time.out" "$@" >/dev/null
    end=$(date +%s%N)
    awk -v ns=$((end - start)) '{ printf "%.6f %d %.2f\n", ns / 1e9, $1, $2 + $3 }' "$work/time.out"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

tools=(drvunzip unzip bsdtar)
command_for() {
    local out=$work/out-$1
    case $1 in
        drvunzip) echo "$drvunzip $archive $out" ;;
        unzip) echo "unzip -q -o $archive -d $out" ;;
        bsdtar) echo "bsdtar -xf $archive -C $out" ;;
    esac
}
# Rounds take the tools in turn, so that load from other processes falls on all of them alike.
declare -A samples
for ((round = 0; round <= runs; round++)); do
    for tool in "${tools[@]}"; do
        # shellcheck disable=SC2046 # the work folder has no spaces
        result=$(timed "$work/out-$tool" $(command_for "$tool"))
        ((round == 0)) || samples[$tool]+="$result"$'\n'  # round 0 warms the page cache
    done
done

declare -A seconds
for tool in "${tools[@]}"; do
    seconds[$tool]=$(awk 'NF { print $1 }' <<<"${samples[$tool]}" | median)
    cpu=$(awk 'NF { print $3 }' <<<"${samples[$tool]}" | median)
    peak=$(awk 'NF { print $2 }' <<<"${samples[$tool]}" | sort -n | tail -1)
    printf '%-9s median %.3f s wall, %.2f s CPU over %d runs (wall: %s) peak RSS %d KiB\n' "$tool" "${seconds[$tool]}" \
        "$cpu" "$runs" "$(awk 'NF { printf "%.3f ", $1 }' <<<"${samples[$tool]}")" "$peak"
done

diff -r "$work/out-unzip" "$work/out-drvunzip" >/dev/null && echo "drvunzip and unzip trees: identical" \
    || { echo "drvunzip and unzip trees DIFFER" >&2; exit 1; }
awk -v d="${seconds[drvunzip]}" -v u="${seconds[unzip]}" -v b="${seconds[bsdtar]}" \
    'BEGIN { printf "time ratio drvunzip/unzip %.2f, drvunzip/bsdtar %.2f\n", d / u, d / b }'
