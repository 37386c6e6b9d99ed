#!/usr/bin/env python3
"""Checks a port dialog the window inspector read from the real installer against its
template: caption, every control at its template position with its class, text and style, no
default button, the two list columns at their widths, and the rows in spooler order with row
0 selected.

Usage: check_port_dialog.py INSPECTOR_OUTPUT RESOURCE_SCRIPT CAPTION TEMPLATE ROW...

A ROW is a port name, or NAME|DESCRIPTION to check the description column too.
"""
import sys

from check_main_window import compare_with_template, read_inspection, template_controls


def main():
    out_path, rc_path, caption, template_name = sys.argv[1:5]
    rows = sys.argv[5:]
    lines = open(out_path, encoding="utf-8").read().splitlines()
    # Only the lines of the first port dialog the inspector met.
    start = next(i for i, line in enumerate(lines) if line.startswith("port-dialog="))
    end = next((i for i, line in enumerate(lines) if i > start and line.startswith("port-dialog ")), len(lines))
    facts, shown = read_inspection(lines[start:end])
    failures = []

    def expect(condition, message):
        if not condition:
            failures.append(message)

    expect(facts.get("port-dialog", "").startswith(caption + " owner=main main-enabled=0"),
           f"dialog {facts.get('port-dialog')!r}")
    template = template_controls(rc_path, template_name)
    compare_with_template(template, shown, expect)
    expect(facts.get("list.columns") == "2", f"columns {facts.get('list.columns')}")
    expect(facts.get("list.column0") == "端口|125", f"column 0 {facts.get('list.column0')!r}")
    expect(facts.get("list.column1") == "说明|300", f"column 1 {facts.get('list.column1')!r}")
    style = int(facts.get("list.extendedStyle", "0x0"), 16)
    expect(style & 0x21 == 0x21 and not style & 0x8, f"list extended style {style:#x}")
    got = []
    for i in range(int(facts.get("list.rows", "0"))):
        cells = facts.get(f"list.row{i}", "").split("|")
        with_description = i < len(rows) and "|" in rows[i]
        got.append("|".join(cells[:2]) if with_description else cells[0])
    expect(got == rows, f"rows {got}")
    expect(facts.get("list.row0", "").endswith("|selected=1"), "row 0 not selected")

    if failures:
        print(f"{caption} differs from the template:")
        for f in failures:
            print("  " + f)
        return 1
    print(f"{caption} as the template describes: {len(template)} controls, rows {' '.join(rows)}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
