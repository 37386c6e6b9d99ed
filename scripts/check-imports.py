#!/usr/bin/env python3
"""Checks that 32-bit Windows programs can load on the oldest system served.

For each PE file given it reads the import table (and the delay-load table) and the
version fields of the optional header, and fails when
  - a function is imported that the list of functions Windows XP SP3 exports does not hold,
  - a function is imported by ordinal (nothing says what it is),
  - the headers ask for a newer system than XP (operating system or subsystem above 5.1).

The list (xp-sp3-exports.txt beside this script) is ours: one line per function,
"DLL FUNCTION MINIMUM", MINIMUM being the oldest client that the function's documentation
names ("2000" for Windows 2000 Professional, "XP", "XP-SP2", "XP-SP3", "NT4", "95" ...).
A line whose minimum is newer than XP SP3 is itself an error, so the list cannot be made to
pass a Vista function by adding it.

Usage: check-imports.py [--list FILE] [--dump] PE...
Prints one line per problem and "imports: N passed, M failed" (N and M count files).
"""
import argparse
import os
import struct
import sys

# The systems a documented minimum may name, oldest first; everything up to XP-SP3 loads.
SYSTEMS = ["95", "NT3.1", "NT3.5", "NT4", "98", "2000", "XP", "XP-SP1", "XP-SP2", "XP-SP3",
           "2003", "Vista", "7", "8", "8.1", "10"]
NEWEST_ALLOWED = SYSTEMS.index("XP-SP3")
NEWEST_VERSION = (5, 1)


class PeError(Exception):
    pass


class PeFile:
    """Just enough of the PE32 format: sections, data directories, import tables."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise PeError("no MZ header")
        (pe_offset,) = struct.unpack_from("<I", data, 0x3C)
        if data[pe_offset:pe_offset + 4] != b"PE\0\0":
            raise PeError("no PE signature")
        coff = pe_offset + 4
        (self.machine, sections, _, _, _, optional_size, self.characteristics) = struct.unpack_from(
            "<HHIIIHH", data, coff)
        optional = coff + 20
        (magic,) = struct.unpack_from("<H", data, optional)
        if magic != 0x10B:
            raise PeError("not a PE32 (32-bit) image")
        (self.os_major, self.os_minor, self.image_major, self.image_minor,
         self.subsystem_major, self.subsystem_minor) = struct.unpack_from("<HHHHHH", data, optional + 40)
        (self.subsystem,) = struct.unpack_from("<H", data, optional + 68)
        (directory_count,) = struct.unpack_from("<I", data, optional + 92)
        self.directories = [struct.unpack_from("<II", data, optional + 96 + 8 * i)
                            for i in range(min(directory_count, 16))]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, vaddr, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((vaddr, max(vsize, rawsize), rawptr, rawsize))

    def offset(self, rva):
        for vaddr, size, rawptr, rawsize in self.sections:
            if vaddr <= rva < vaddr + size:
                if rva - vaddr >= rawsize:
                    raise PeError("RVA %#x lies in the uninitialised part of a section" % rva)
                return rawptr + rva - vaddr
        raise PeError("RVA %#x is in no section" % rva)

    def string(self, rva):
        start = self.offset(rva)
        end = self.data.index(b"\0", start)
        return self.data[start:end].decode("latin-1")

    def directory(self, index):
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def _thunks(self, rva):
        at = self.offset(rva)
        while True:
            (thunk,) = struct.unpack_from("<I", self.data, at)
            if thunk == 0:
                return
            yield thunk
            at += 4

    def _names(self, thunk_rva):
        for thunk in self._thunks(thunk_rva):
            if thunk & 0x80000000:
                yield "#%d" % (thunk & 0xFFFF)
            else:
                yield self.string(thunk + 2)  # past the hint

    def imports(self):
        """(dll, function) pairs of the import table and the delay-load table."""
        result = []
        rva, _ = self.directory(1)
        if rva:
            at = self.offset(rva)
            while True:
                lookup, _, _, name, address = struct.unpack_from("<IIIII", self.data, at)
                if lookup == 0 and name == 0 and address == 0:
                    break
                dll = self.string(name)
                result += [(dll, f) for f in self._names(lookup or address)]
                at += 20
        rva, _ = self.directory(13)
        if rva:
            at = self.offset(rva)
            while True:
                fields = struct.unpack_from("<8I", self.data, at)
                if fields[1] == 0:
                    break
                attributes, name, names = fields[0], fields[1], fields[4]
                base = 0 if attributes & 1 else self._image_base()
                dll = self.string(name - base)
                result += [(dll, f) for f in self._names(names - base)]
                at += 32
        return result

    def _image_base(self):
        (pe_offset,) = struct.unpack_from("<I", self.data, 0x3C)
        (base,) = struct.unpack_from("<I", self.data, pe_offset + 24 + 28)
        return base


def read_list(path):
    """{(dll, function): minimum} and the errors of the list itself."""
    known = {}
    errors = []
    with open(path, encoding="utf-8") as lines:
        for number, line in enumerate(lines, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            fields = line.split()
            where = "%s:%d" % (os.path.basename(path), number)
            if len(fields) != 3:
                errors.append("%s: expected DLL FUNCTION MINIMUM" % where)
                continue
            dll, function, minimum = fields
            if minimum not in SYSTEMS:
                errors.append("%s: unknown system %r" % (where, minimum))
            elif SYSTEMS.index(minimum) > NEWEST_ALLOWED:
                errors.append("%s: %s needs Windows %s, which is newer than XP SP3" % (where, function, minimum))
            else:
                known[(dll.lower(), function)] = minimum
    return known, errors


def check(path, known):
    problems = []
    try:
        with open(path, "rb") as f:
            pe = PeFile(f.read())
        imports = pe.imports()
    except (OSError, PeError, struct.error, ValueError) as e:
        return ["%s: cannot read: %s" % (path, e)], []
    name = os.path.basename(path)
    for label, version in (("operating system", (pe.os_major, pe.os_minor)),
                           ("subsystem", (pe.subsystem_major, pe.subsystem_minor))):
        if version > NEWEST_VERSION:
            problems.append("%s: the header asks for %s version %d.%d, newer than XP (5.1)"
                            % (name, label, version[0], version[1]))
    for dll, function in imports:
        if function.startswith("#"):
            problems.append("%s: %s imported by ordinal %s" % (name, dll, function))
        elif (dll.lower(), function) not in known:
            problems.append("%s: %s!%s is not exported by Windows XP SP3" % (name, dll, function))
    return problems, imports


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--list", default=os.path.join(os.path.dirname(os.path.abspath(__file__)),
                                                       "xp-sp3-exports.txt"))
    parser.add_argument("--dump", action="store_true", help="print every import")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()

    known, list_errors = read_list(args.list)
    for error in list_errors:
        print(error)
    passed = failed = 0
    for path in args.files:
        problems, imports = check(path, known)
        if args.dump:
            for dll, function in imports:
                print("%s %s!%s" % (os.path.basename(path), dll, function))
        dlls = len({dll.lower() for dll, _ in imports})
        print("%s: %d functions from %d DLLs, %d problems" % (os.path.basename(path), len(imports), dlls,
                                                            len(problems)))
        for problem in problems:
            print("  " + problem)
        if problems:
            failed += 1
        else:
            passed += 1
    if list_errors:
        failed += 1
    print("imports: %d passed, %d failed" % (passed, failed))
    return 0 if failed == 0 else 1


if __name__ == "__main__":
    sys.exit(main())
