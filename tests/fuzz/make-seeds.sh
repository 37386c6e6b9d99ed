#!/usr/bin/env bash
# Writes the seed corpora of the fuzz targets into tests/fuzz/corpus (kept in the repository):
#   archive/  archives of a few demo package files packed by the build's packer and by other
#             archivers, and the layouts and hostile archives make_fuzz_seeds writes;
#   profile/  the demo DriverName.cfg as Windows reads it (code page 936, CRLF) and hand-edited
#             oddities: blanks, duplicates, comments, quotes, lone CRs, double-byte names, long
#             lines, a byte-order mark. The catalogue fuzzer starts from the same files.
# Usage: bash tests/fuzz/make-seeds.sh [FUZZ_BUILD_DIR]   (after cmake --preset fuzz)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build/fuzz}
corpus=$root/tests/fuzz/corpus
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

mkdir -p "$corpus/archive" "$corpus/profile"
cmake --build "$build" --target make_fuzz_seeds > /dev/null
"$build/tests/fuzz/make_fuzz_seeds" "$corpus/archive"

# A small package in the demo's layout, with one empty folder.
package=$work/package
demo=$root/demo/DriverPackage
for file in DriverName.cfg Ticket/x86/TRG101.GPD Ticket/x86/TOEMUNI.ini Ticket/x64/STDNAMES.GPD \
            Barcode/Common/TLBL01.DAT Barcode/x86/tvkMonNT.dll; do
    mkdir -p "$package/$(dirname "$file")"
    cp "$demo/$file" "$package/$file"
done
python3 "$root/scripts/pack-driver-package.py" "$package" "$corpus/archive/packed-like-DriverData.Drv"
mkdir -p "$package/Barcode/x64/empty folder"
(
    cd "$package"
    zip -q -X -r "$corpus/archive/infozip.zip" .
    rm -f "$corpus/archive/infozip-stored-zip64.zip"
    zip -q -X -r -0 -fz "$corpus/archive/infozip-stored-zip64.zip" .
    bsdtar --format zip -cf "$corpus/archive/bsdtar.zip" .
    rm -f "$corpus/archive/7zip.zip"
    7zz a -tzip -bso0 -bsp0 "$corpus/archive/7zip.zip" . > /dev/null
    # Streamed entries: sizes in data descriptors after each entry, zip64 forced.
    python3 - "$corpus/archive/python-streamed-zip64.zip" <<'PY'
import os, sys, zipfile
with open(sys.argv[1], "wb") as raw, zipfile.ZipFile(raw, "w", zipfile.ZIP_DEFLATED) as archive:
    for folder, _, names in sorted(os.walk(".")):
        for name in sorted(names):
            path = os.path.join(folder, name)[2:]
            with open(path, "rb") as source, archive.open(path, "w", force_zip64=True) as entry:
                entry.write(source.read())
PY
)

cp "$demo/DriverName.cfg" "$corpus/profile/demo-DriverName.cfg"
python3 - "$corpus/profile" <<'PY'
import pathlib, sys
out = pathlib.Path(sys.argv[1])
def cp936(text):
    return text.encode("gbk")
files = {
    "blanks.cfg": b"  [ Receipt Models ]\t\r\nPrintName1 =  TM-80  \r\n\tprintname2=\tSecond Name\r\n[label]\r\nPRINTNAME1=L-1\r\n",
    "duplicates.cfg": b"[Models]\r\nPrintName1=first\r\nPrintName1=shadowed\r\n[Other]\r\nPrintName1=other\r\n"
                      b"[MODELS]\r\nPrintName1=later\r\nPrintName2=only later\r\n",
    "lines.cfg": b"\r\n[Models]\r\n; PrintName1=commented out\r\n   \r\nPrintName1\r\nPrintName2=\r\n"
                 b"PrintName3 = ;not a comment\r\n[Empty]\r\n",
    "quotes.cfg": b"[Q]\r\nDouble=  \"  spaced  \"  \r\nSingle='x'\r\nMixed=\"x'\r\nNested=\"'x'\"\r\nEmpty=\"\"\r\nLone=\"\r\n",
    "endings.cfg": b"[A]\rPrintName1=x\r[B]\nPrintName1=y\n\n[C]\r\nPrintName1=z",
    "chinese.cfg": cp936("[热敏打印机]\r\nPrintName1=小票打印机 80毫米\r\nWide=" + "汉" * 64 + "\r\n")
                   + b"[\xB0\x41]\r\nK=upper\r\n[\xB0\x61]\r\nK=lower\r\n[\x81\x5D]\r\nK=bracket\r\n",
    "marked.cfg": b"\xEF\xBB\xBF[First]\r\nPrintName1=one\r\n[Second]\r\nPrintName1=two\r\n",
    "brackets.cfg": b"[A]B]\r\nPrintName1=ab\r\n[Open\r\nPrintName1=open\r\n",
    "orphans.cfg": b"PrintName1=orphan\r\n[]\r\nPrintName1=nameless\r\n[S]\r\n; PrintName1=comment\r\n",
    "long.cfg": b"[Long]\r\nFits=" + b"a" * 127 + b"\r\nOver=" + b"b" * 128 + b"\r\nFull=\"" + b"q" * 127 + b"\"\r\n"
                b"[Model " + b"N" * 150 + b"]\r\nPrintName1=long\r\n",
    # Forty sections of 80-byte names: a list that does not fit the catalogue's 3,000 bytes.
    "wide.cfg": b"".join(b"[W%d%s]\r\nPrintName1=x\r\n" % (10 + i, b"w" * 77) for i in range(1, 41)),
    "names-per-section.cfg": b"[Model01]\r\n" + b"".join(b"PrintName%d=Name %d\r\n" % (n, n) for n in range(1, 53)),
}
for name, data in files.items():
    (out / name).write_bytes(data)
PY
du -sh "$corpus"/*
