#!/usr/bin/env python3
"""Packs a driver package tree into a ZIP file, the DriverData.Drv that the installer unpacks.

    pack-driver-package.py SRC_DIR OUT_FILE

Entry names are the paths relative to SRC_DIR with "/" separators ("DriverName.cfg",
"Ticket/x86/..."); files only, no folder entries. The output is deterministic: entries in
sorted order, one fixed timestamp, fixed attributes and host system, deflate at level 9. The
archive is written beside OUT_FILE and renamed over it only when complete.
Python 3 standard library only.
"""
import os
import pathlib
import sys
import zipfile

FIXED_TIME = (1980, 1, 1, 0, 0, 0)  # the earliest time a ZIP entry can hold
HOST_MSDOS = 0  # "version made by" host: names and attributes as Windows has them
FILE_ATTRIBUTE_ARCHIVE = 0x20


def collect(source):
    """Relative posix path -> host path of every regular file below source, links refused."""
    files = {}
    for folder, dirs, names in os.walk(source):
        for name in dirs + names:
            path = pathlib.Path(folder, name)
            if path.is_symlink():
                raise ValueError(f"{path}: links are not packed")
        for name in names:
            path = pathlib.Path(folder, name)
            if not path.is_file():
                raise ValueError(f"{path}: not a regular file")
            files[path.relative_to(source).as_posix()] = path
    return files


def pack(source, output):
    source = pathlib.Path(source)
    output = pathlib.Path(output)
    if not source.is_dir():
        raise ValueError(f"{source}: not a folder")
    files = collect(source)
    if not files:
        raise ValueError(f"{source}: no files to pack")
    partial = output.with_name(output.name + ".partial")
    try:
        with zipfile.ZipFile(partial, "w") as archive:
            for name in sorted(files):
                entry = zipfile.ZipInfo(name, date_time=FIXED_TIME)
                entry.compress_type = zipfile.ZIP_DEFLATED
                entry.create_system = HOST_MSDOS
                entry.external_attr = FILE_ATTRIBUTE_ARCHIVE
                archive.writestr(entry, files[name].read_bytes(), compresslevel=9)
        os.replace(partial, output)
    finally:
        partial.unlink(missing_ok=True)
    return len(files)


def main(argv):
    if len(argv) != 3:
        print(f"usage: {pathlib.Path(argv[0]).name} SRC_DIR OUT_FILE", file=sys.stderr)
        return 2
    try:
        count = pack(argv[1], argv[2])
    except (OSError, ValueError) as error:
        print(f"pack-driver-package: {error}", file=sys.stderr)
        return 1
    print(f"packed {count} files into {argv[2]}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
