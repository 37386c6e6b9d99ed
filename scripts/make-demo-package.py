#!/usr/bin/env python3
"""Writes the demo driver package tree, demo/DriverPackage, from the built-in model tables.

    make-demo-package.py            rewrite demo/DriverPackage
    make-demo-package.py --check    exit 1 if the committed tree differs from what would be written

The model names, GPD base names, resource DLL names, label file bases and label file lists
are read from catalogue/ModelCatalogue.cpp, so the package names exactly the files the
installers copy. The display names come from demo/DriverName.cfg.utf8 and are written as
code page 936 with CRLF line ends, the way the installer reads C:\\DriverName.cfg.

Everything but the GPD files, the OEM plug-in INI and DriverName.cfg is a stand-in: a short
text that says which file it stands for. Output is deterministic (no dates, sorted names).
The language monitor DLLs are the exception: they are real, built by
scripts/build-monitor-dlls.sh and committed as they are; this script leaves them alone and
--check only asks that they be there and be Windows DLLs.
Python 3 standard library only.
"""
import argparse
import pathlib
import re
import sys

ROOT = pathlib.Path(__file__).resolve().parent.parent
CATALOGUE = ROOT / "catalogue" / "ModelCatalogue.cpp"
NAMES_SOURCE = ROOT / "demo" / "DriverName.cfg.utf8"
PACKAGE = ROOT / "demo" / "DriverPackage"

RECEIPT_GROUP_SIZES = (15, 7, 5, 6)
LABEL_ROW_COUNT = 5
ROW_COUNT = sum(RECEIPT_GROUP_SIZES) + LABEL_ROW_COUNT
ALTERNATIVE_DLL_ROW = 15 + 4  # the fifth row of receipt group 2
MAX_VALUE_BYTES = 127  # the installer reads display names into 128-byte buffers
MAX_SECTION_NAME_BYTES = 99
SECTION_NAMES_BUFFER = 3000
ARCHES = {"x86": "32-bit (Windows NT x86)", "x64": "64-bit (Windows x64)"}
BUILT = {"Barcode/x86/tvkMonNT.dll", "Barcode/x64/tvkMon64.dll"}


def fail(message):
    sys.exit(f"make-demo-package: {message}")


# --- the built-in tables --------------------------------------------------------------------

def read_catalogue():
    text = CATALOGUE.read_text(encoding="utf-8")
    groups = []
    for n, size in enumerate(RECEIPT_GROUP_SIZES, 1):
        block = re.search(r"kGroup%d\{\{(.*?)\}\};" % n, text, re.S)
        if not block:
            fail(f"receipt group {n} not found in {CATALOGUE}")
        rows = re.findall(r'\{"([^"]+)",\s*"([^"]+)",\s*(true|false)\}', block.group(1))
        if len(rows) != size:
            fail(f"receipt group {n} has {len(rows)} rows, expected {size}")
        groups.append([{"model": m, "gpd": g, "oem": o == "true"} for m, g, o in rows])

    def string_list(name, count):
        block = re.search(r"%s\{\{?(.*?)\}\}?;" % name, text, re.S)
        values = re.findall(r'"([^"]+)"', block.group(1)) if block else []
        if len(values) != count:
            fail(f"{name} has {len(values)} entries, expected {count}")
        return values

    resource_dlls = string_list("kResourceDlls", len(RECEIPT_GROUP_SIZES))
    alternative = re.search(r'alternativeResourceDll\(\)\s*\{\s*return\s*"([^"]+)"', text)
    if not alternative:
        fail("alternativeResourceDll not found")
    block = re.search(r"kLabelRows\{\{(.*?)\}\};", text, re.S)
    labels = re.findall(r'\{"([^"]+)",\s*"([^"]+)"\}', block.group(1)) if block else []
    if len(labels) != LABEL_ROW_COUNT:
        fail(f"{len(labels)} label rows, expected {LABEL_ROW_COUNT}")
    unidrv = string_list("kUnidrvFiles", 6)
    languages = string_list("kLanguages", 27)
    monitors = {"50": "tvkMonNT.dll", "56": "tvkMon64.dll"}
    for monitor in monitors.values():
        if f'"{monitor}"' not in text:
            fail(f"monitor DLL {monitor} not found")

    def label_files(suffix):
        return ([monitors[suffix], f"KTXDRV{suffix}.DLL", f"KTXUI{suffix}.DLL"] +
                [f"KTX{code}{suffix}.DLL" for code in languages])

    return {
        "groups": groups,
        "resource_dlls": resource_dlls,
        "alternative_dll": alternative.group(1),
        "labels": [{"model": m, "base": b} for m, b in labels],
        "unidrv": unidrv,
        "label_files": {"x86": label_files("50"), "x64": label_files("56")},
    }


# --- DriverName.cfg ---------------------------------------------------------------------------

def driver_name_cfg(catalogue):
    """The model list as code page 936 bytes, after checking it against the installer's limits."""
    sections = []
    for number, raw in enumerate(NAMES_SOURCE.read_text(encoding="utf-8").splitlines(), 1):
        line = raw.strip()
        if not line or line.startswith(";"):
            continue
        if line.startswith("[") and line.endswith("]"):
            sections.append((line[1:-1], []))
        elif sections and line.startswith("PrintName") and "=" in line:
            key, value = (part.strip() for part in line.split("=", 1))
            if key != f"PrintName{len(sections[-1][1]) + 1}":
                fail(f"{NAMES_SOURCE.name}:{number}: {key} out of sequence")
            sections[-1][1].append(value)
        else:
            fail(f"{NAMES_SOURCE.name}:{number}: unexpected line")
    if len(sections) != ROW_COUNT:
        fail(f"{len(sections)} sections, expected one per catalogue row ({ROW_COUNT})")

    seen = set()
    for row, (section, names) in enumerate(sections):
        if not names or len(names) > 50:
            fail(f"section {section} must give 1 to 50 display names")
        if len(section.encode("cp936")) > MAX_SECTION_NAME_BYTES:
            fail(f"section name {section} is too long")
        for name in names:
            if len(name.encode("cp936")) > MAX_VALUE_BYTES:
                fail(f"display name {name} is longer than {MAX_VALUE_BYTES} bytes")
            if name in seen:
                fail(f"display name {name} is listed twice")
            seen.add(name)
    if sum(len(s.encode("cp936")) + 1 for s, _ in sections) + 1 > SECTION_NAMES_BUFFER:
        fail("section names do not fit the installer's section list")
    alternative_model = catalogue["groups"][1][4]["model"]
    if alternative_model not in sections[ALTERNATIVE_DLL_ROW][1]:
        fail(f"section {ALTERNATIVE_DLL_ROW + 1} must list the model name {alternative_model}")

    lines = []
    for section, names in sections:
        lines.append(f"[{section}]")
        lines += [f"PrintName{n}={name}" for n, name in enumerate(names, 1)]
        lines.append("")
    return "\r\n".join(lines).encode("cp936")


# --- file contents ----------------------------------------------------------------------------

def crlf(lines):
    return ("\r\n".join(lines) + "\r\n").encode("ascii")


def stand_in(name, what, arch=None):
    where = f", {ARCHES[arch]}" if arch else ""
    # A GPD file that stands in keeps the GPD comment syntax.
    mark = "*% " if name.upper().endswith(".GPD") else ""
    return crlf([f"{mark}Stand-in for {name} ({what}{where}) of the demo driver package.",
                 f"{mark}Not a working driver file: it only lets the installer copy and register the driver."])


def mm_to_dots(mm, dpi):
    # 203 dots per inch is the 8 dots per millimetre of thermal print heads.
    return mm * 8 if dpi == 203 else round(mm / 25.4 * dpi)


def gpd(row, group):
    """A small GPD description; paper width and resolution follow the group."""
    width_mm, printable_mm, dpi = [(58, 48, 203), (80, 72, 203), (80, 72, 180), (80, 72, 203)][group]
    width = mm_to_dots(width_mm, dpi)
    printable = mm_to_dots(printable_mm, dpi)
    margin = (width - printable) // 2
    lengths = [(f"{width_mm}x{length}", f"{width_mm} x {length} mm", mm_to_dots(length, dpi))
               for length in (210, 297)]
    lines = [
        f"*% GPD description of {row['model']} for the demo driver package.",
        "*GPDSpecVersion: \"1.0\"",
        "*GPDFileVersion: \"1.0\"",
        f"*GPDFileName: \"{row['gpd']}.GPD\"",
        "*Include: \"STDNAMES.GPD\"",
        f"*ModelName: \"{row['model']}\"",
        f"*MasterUnits: PAIR({dpi}, {dpi})",
        "*PrinterType: SERIAL",
        "*MaxCopies: 1",
        "*Feature: Orientation",
        "{",
        "    *rcNameID: =ORIENTATION_DISPLAY",
        "    *DefaultOption: PORTRAIT",
        "    *Option: PORTRAIT",
        "    {",
        "        *rcNameID: =PORTRAIT_DISPLAY",
        "    }",
        "}",
        "*Feature: Resolution",
        "{",
        "    *rcNameID: =RESOLUTION_DISPLAY",
        f"    *DefaultOption: Dpi{dpi}",
        f"    *Option: Dpi{dpi}",
        "    {",
        f"        *Name: \"{dpi} x {dpi} dots per inch\"",
        f"        *DPI: PAIR({dpi}, {dpi})",
        f"        *TextDPI: PAIR({dpi}, {dpi})",
        "        *SpotDiameter: 100",
        "    }",
        "}",
        "*Feature: PaperSize",
        "{",
        "    *rcNameID: =PAPER_SIZE_DISPLAY",
        f"    *DefaultOption: Roll{lengths[0][0]}",
    ]
    for option_id, (key, label, length) in enumerate(lengths, 257):
        lines += [
            f"    *Option: Roll{key}",
            "    {",
            f"        *Name: \"{label}\"",
            f"        *OptionID: {option_id}",
            f"        *PageDimensions: PAIR({width}, {length})",
            f"        *PrintableArea: PAIR({printable}, {length})",
            f"        *PrintableOrigin: PAIR({margin}, 0)",
            f"        *CursorOrigin: PAIR({margin}, 0)",
            "    }",
        ]
    lines += [
        "}",
        "*Command: CmdStartDoc",
        "{",
        "    *Order: DOC_SETUP.1",
        "    *Cmd: \"<1B40>\"",
        "}",
        "*Command: CmdEndJob",
        "{",
        "    *Order: JOB_FINISH.1",
        f"    *Cmd: \"<0A0A0A{'1D564200' if group == 3 else ''}>\"",
        "}",
    ]
    return crlf(lines)


def oem_ini():
    return crlf(["[OEMFiles]", "OEMDriverFile1=TOEMUNI.dll"])


def package_files(catalogue):
    files = {"DriverName.cfg": driver_name_cfg(catalogue)}
    for arch in ARCHES:
        ticket = f"Ticket/{arch}/"
        for group, rows in enumerate(catalogue["groups"]):
            for row in rows:
                files[ticket + row["gpd"] + ".GPD"] = gpd(row, group)
            dll = catalogue["resource_dlls"][group]
            files[ticket + dll + ".DLL"] = stand_in(dll + ".DLL", f"model resources of receipt group {group + 1}", arch)
        dll = catalogue["alternative_dll"]
        files[ticket + dll + ".DLL"] = stand_in(dll + ".DLL", "alternative model resources of receipt group 2", arch)
        files[ticket + "TOEMUNI.dll"] = stand_in("TOEMUNI.dll", "OEM plug-in of the universal printer driver", arch)
        files[ticket + "TOEMUNI.ini"] = oem_ini()
        for name in catalogue["unidrv"]:
            files[ticket + name] = stand_in(name, "universal printer driver core file", arch)

        barcode = f"Barcode/{arch}/"
        listed = catalogue["label_files"][arch]
        roles = ["language monitor of \"Advanced Language Monitor\"", "label printer driver",
                 "label printer configuration"] + ["label driver language resources"] * 27
        for name, role in zip(listed, roles):
            if barcode + name not in BUILT:
                files[barcode + name] = stand_in(name, role, arch)
    files["Barcode/Common/THERMAL.chm"] = stand_in("THERMAL.chm", "label driver help")
    for label in catalogue["labels"]:
        for ext, what in ((".BA0", "model settings"), (".DAT", "model data"), (".PP0", "paper presets")):
            name = label["base"] + ext
            files["Barcode/Common/" + name] = stand_in(name, f"{what} of {label['model']}")
    return files


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--check", action="store_true", help="compare the committed tree instead of writing it")
    args = parser.parse_args()

    files = package_files(read_catalogue())
    present = {p.relative_to(PACKAGE).as_posix() for p in PACKAGE.rglob("*") if p.is_file()} if PACKAGE.exists() else set()
    if args.check:
        differ = sorted(n for n in files if n not in present or (PACKAGE / n).read_bytes() != files[n])
        differ += sorted(n for n in BUILT if n not in present or (PACKAGE / n).read_bytes()[:2] != b"MZ")
        extra = sorted(present - files.keys() - BUILT)
        for name in differ:
            print(f"differs or missing: {name}", file=sys.stderr)
        for name in extra:
            print(f"not generated: {name}", file=sys.stderr)
        return 1 if differ or extra else 0
    for name in sorted(present - files.keys() - BUILT):
        (PACKAGE / name).unlink()
    for name, data in sorted(files.items()):
        path = PACKAGE / name
        path.parent.mkdir(parents=True, exist_ok=True)
        if not path.exists() or path.read_bytes() != data:
            path.write_bytes(data)
    print(f"{len(files)} files, {sum(map(len, files.values()))} bytes in {PACKAGE.relative_to(ROOT)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
