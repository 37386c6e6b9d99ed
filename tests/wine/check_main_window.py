#!/usr/bin/env python3
"""Checks what the window inspector read from the real installer's main window against the
dialog template and the state the start-up must leave: every control with its id, class,
text and style, at its template position; the four connection kinds in order with both
columns; the preselected row; the prompt; install disabled; the check box ticked.

Usage: check_main_window.py INSPECTOR_OUTPUT RESOURCE_SCRIPT EXPECTED_ROW STATUS_PREFIX [MODEL_LIST]

MODEL_LIST is the UTF-8 source of DriverName.cfg: the drop-down must hold its display names in
file order after the prompt. Without it the drop-down must hold the prompt alone.
"""
import re
import sys

WS_VISIBLE = 0x10000000
WS_DISABLED = 0x08000000
STYLE_BITS = {
    "WS_TABSTOP": 0x00010000, "WS_GROUP": 0x00020000, "WS_BORDER": 0x00800000, "WS_VSCROLL": 0x00200000,
    "WS_DISABLED": WS_DISABLED, "BS_DEFPUSHBUTTON": 0x1, "BS_AUTOCHECKBOX": 0x3, "BS_GROUPBOX": 0x7,
    "CBS_DROPDOWNLIST": 0x3, "ES_AUTOHSCROLL": 0x80, "LVS_REPORT": 0x1, "LVS_SINGLESEL": 0x4,
    "LVS_SHOWSELALWAYS": 0x8,
}
ROWS = [
    ("串口(COM)", "安装过程中将为您选择一个默认的串行端口"),
    ("USB口", "安装过程中将为您选择一个默认的USB端口"),
    ("并口(LPT)", "安装之前程序会提示您选择一个LPT端口"),
    ("TCP/IP", "安装之前程序会提示您选择或者配置一个TCP/IP端口"),
]
CLASSES = {"Button": "Button", "Static": "Static", "Edit": "Edit", "ComboBox": "ComboBox",
           "SysListView32": "SysListView32", "msctls_progress32": "msctls_progress32"}


def template_controls(rc_path, template="IDD_MAIN_DIALOG"):
    symbols = {"IDOK": 1, "IDCANCEL": 2}
    header = open(rc_path.rsplit("/", 1)[0] + "/resource.h", encoding="utf-8").read()
    for name, value in re.findall(r"#define\s+(\w+)\s+(\d+)", header):
        symbols[name] = int(value)
    controls = []
    inside = False
    for line in open(rc_path, encoding="utf-8"):
        line = line.strip()
        if line.startswith(template + " DIALOGEX"):
            inside = True
        elif inside and line == "END":
            break
        elif inside and line.startswith("CONTROL"):
            m = re.match(r'CONTROL\s+"((?:[^"\\]|\\.)*)",\s*(\w+),\s*"(\w+)",\s*([^,]+),\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)', line)
            text, ident, cls, styles, x, y, w, h = m.groups()
            controls.append({
                "id": symbols.get(ident, None) if not ident.isdigit() else int(ident),
                "class": cls, "text": text.replace("\\r", "\r").replace("\\n", "\n"),
                "styles": [s.strip() for s in styles.split("|")],
                "rect": tuple(int(v) for v in (x, y, w, h)),
            })
    return controls


def display_names(cfg_path):
    """PrintName1, 2, ... of every section in file order, each section's list ending at its first gap."""
    sections = []
    for raw in open(cfg_path, encoding="utf-8"):
        line = raw.strip()
        if line.startswith("["):
            sections.append({})
        elif sections and "=" in line and not line.startswith(";"):
            key, value = line.split("=", 1)
            sections[-1].setdefault(key.strip().lower(), value.strip())
    names = []
    for keys in sections[:38]:
        for n in range(1, 51):
            value = keys.get(f"printname{n}", "")
            if not value:
                break
            names.append(value)
    return names


def read_inspection(lines):
    """The inspector's "control" lines by id, and its other "key=value" lines."""
    facts = {}
    shown = {}
    for line in lines:
        line = line.rstrip("\r")
        if line.startswith("control "):
            m = re.match(r"control (-?\d+) class=(\S+) enabled=(\d) visible=(\d) style=0x([0-9a-f]+) "
                         r"exstyle=0x([0-9a-f]+) rect=(-?\d+),(-?\d+),(\d+),(\d+) text=(.*)$", line)
            ident, cls, enabled, visible, style, exstyle, x, y, w, h, text = m.groups()
            shown[int(ident)] = {"class": cls, "enabled": enabled == "1", "visible": visible == "1",
                                 "style": int(style, 16), "exstyle": int(exstyle, 16),
                                 "rect": (int(x), int(y), int(w), int(h)),
                                 "text": text.replace("\\r", "\r").replace("\\n", "\n")}
        elif "=" in line:
            key, value = line.split("=", 1)
            facts.setdefault(key, value)
    return facts, shown


def compare_with_template(template, shown, expect, live_text_ids=()):
    """Every control of the template shown with its class, styles, text and position."""
    # Dialog units to pixels: the scale of the control farthest right and the one lowest down,
    # whose rounding to whole pixels skews the scale least; then every control must sit where
    # the template puts it (a pixel or two of rounding either way).
    placed = [c for c in template if c["id"] in shown]
    right = max(placed, key=lambda c: c["rect"][0])
    low = max(placed, key=lambda c: c["rect"][1])
    sx = shown[right["id"]]["rect"][0] / right["rect"][0]
    sy = shown[low["id"]]["rect"][1] / low["rect"][1]
    for c in template:
        got = shown.get(c["id"])
        if got is None:
            expect(False, f"control {c['id']} missing")
            continue
        expect(got["class"].lower() == CLASSES[c["class"]].lower(), f"control {c['id']} class {got['class']}")
        expect(got["visible"], f"control {c['id']} hidden")
        for style in c["styles"]:
            bit = STYLE_BITS.get(style)
            if bit is None:
                continue
            if style.startswith(("BS_", "CBS_")):
                expect(got["style"] & 0xF == bit, f"control {c['id']} style {style}")
            elif style == "WS_VSCROLL" and c["class"] == "ComboBox":
                continue  # the drop-down's list, not the combo box itself, carries the scroll bar
            elif style == "WS_BORDER" and c["class"] == "msctls_progress32":
                continue  # the progress bar takes the style off and draws its own frame
            elif style == "WS_BORDER":
                # The dialog manager draws a border of a control in a modern dialog as a
                # sunken client edge.
                expect(got["style"] & bit or got["exstyle"] & 0x200, f"control {c['id']} style {style}")
            else:
                expect(got["style"] & bit == bit, f"control {c['id']} style {style}")
        if "BS_PUSHBUTTON" in c["styles"]:
            expect(got["style"] & 0xF == 0, f"control {c['id']} is a default button")
        x, y, w, h = c["rect"]
        want = (round(x * sx), round(y * sy), round(w * sx), round(h * sy))
        # A drop-down's window height is its list's, not the template's.
        compare = 2 if c["class"] == "ComboBox" else 4
        for i in range(compare):
            expect(abs(got["rect"][i] - want[i]) <= 2,
                   f"control {c['id']} at {got['rect']} instead of about {want}")
        if c["class"] in ("Static", "Button") and c["id"] not in live_text_ids:
            expect(got["text"] == c["text"], f"control {c['id']} text {got['text']!r}")


def main():
    out_path, rc_path, expected_row = sys.argv[1], sys.argv[2], int(sys.argv[3])
    status_prefix = sys.argv[4]
    expected_items = ["请选择打印机型号"] + (display_names(sys.argv[5]) if len(sys.argv) > 5 else [])
    facts, shown = read_inspection(open(out_path, encoding="utf-8").read().splitlines())
    failures = []

    def expect(condition, message):
        if not condition:
            failures.append(message)

    expect(facts.get("window") == "打印机驱动安装", f"caption {facts.get('window')!r}")
    expect(facts.get("acp") == "936", f"code page {facts.get('acp')}")

    template = template_controls(rc_path)
    compare_with_template(template, shown, expect, live_text_ids=(1011,))

    expect(not shown.get(1012, {}).get("enabled", True), "install button enabled")
    expect(shown.get(1012, {}).get("text") == "安装", "install button text")
    expect(shown.get(2, {}).get("enabled", False), "cancel button disabled")
    expect(facts.get("check 1002") == "1", "check box not ticked")
    expect(facts.get("combo.cursel") == "0", "prompt not selected")
    expect(facts.get("combo.item0") == "请选择打印机型号", f"first entry {facts.get('combo.item0')!r}")
    expect(shown.get(1001, {}).get("text") == "请选择打印机型号", "printer name edit")
    expect(shown.get(1011, {}).get("text", "").startswith(status_prefix),
           f"status line {shown.get(1011, {}).get('text')!r}")
    items = [facts.get(f"combo.item{i}") for i in range(int(facts.get("combo.count", "0")))]
    expect(items == expected_items, f"drop-down holds {len(items)} entries, not the {len(expected_items)} expected"
           + next((f"; first difference at {i}: {a!r} instead of {b!r}"
                   for i, (a, b) in enumerate(zip(items, expected_items)) if a != b), ""))

    expect(facts.get("list.columns") == "2", f"columns {facts.get('list.columns')}")
    expect(facts.get("list.column0", "").startswith("端口|"), "column 0")
    expect(facts.get("list.column1", "").startswith("说明|"), "column 1")
    expect(facts.get("list.rows") == "4", f"rows {facts.get('list.rows')}")
    for i, (port, description) in enumerate(ROWS):
        want_selected = 1 if i == expected_row else 0
        expect(facts.get(f"list.row{i}") == f"{port}|{description}|selected={want_selected}",
               f"row {i}: {facts.get(f'list.row{i}')!r}")

    if failures:
        print("main window differs from the template:")
        for f in failures:
            print("  " + f)
        return 1
    print(f"main window as the template describes: {len(template)} controls, row {expected_row} preselected, "
          f"{facts.get('combo.count')} drop-down entries")
    return 0


if __name__ == "__main__":
    sys.exit(main())
