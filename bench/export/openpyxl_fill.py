#!/usr/bin/python3
"""The peer a user would script instead: fills the definition template with
openpyxl, one worksheet per table, from the rows psql printed.

    /usr/bin/python3 openpyxl_fill.py TEMPLATE.xlsx ROWS.tsv OUT.xlsx

ROWS.tsv: schema, table, table comment, no, name, type, length, scale,
not-null, primary-key, comment (tab-separated, one line per column).
"""
import sys
from collections import OrderedDict

import openpyxl


def main(template, rows_path, out):
    tables = OrderedDict()
    with open(rows_path, encoding="utf-8") as f:
        for line in f:
            p = line.rstrip("\n").split("\t")
            if len(p) < 11:
                continue
            tables.setdefault((p[0], p[1], p[2]), []).append(p[3:11])
    wb = openpyxl.load_workbook(template)
    first = wb.worksheets[0]
    sheets = [first] + [wb.copy_worksheet(first) for _ in range(len(tables) - 1)]
    for ws, ((schema, table, comment), cols) in zip(sheets, tables.items()):
        ws.title = table[:31]
        ws["C1"], ws["C2"], ws["I1"], ws["I2"] = "システム", "サブシステム", "作成者", "承認者"
        ws["C3"], ws["C4"], ws["C5"] = schema, table, comment
        for r, c in enumerate(cols):
            row = 8 + r
            no, name, typ, length, scale, notnull, pk, ccomment = c
            ws.cell(row, 1, int(no))
            ws.cell(row, 2, name)
            ws.cell(row, 4, typ)
            ws.cell(row, 5, int(length) if length else None)
            ws.cell(row, 6, int(scale) if scale else None)
            ws.cell(row, 7, "○" if notnull == "1" else None)
            ws.cell(row, 8, "○" if pk == "1" else None)
            ws.cell(row, 9, ccomment)
    wb.active = 0
    wb.save(out)


if __name__ == "__main__":
    main(*sys.argv[1:4])
