#!/usr/bin/python3
"""The benchmark's work done with openpyxl: copy the first sheet until there
are N, write the same header block and 20 x 8 cells on each, save.

    bench_openpyxl.py TEMPLATE OUT N
"""
import datetime
import sys

import openpyxl
from openpyxl.styles import Alignment


def main(template, out, n):
    wb = openpyxl.load_workbook(template)
    first = wb.worksheets[0]
    for _ in range(n - 1):
        wb.copy_worksheet(first)
    values = [1, "column_name", "varchar", 40, None, 1, 1, "コメント 列の説明"]
    columns = [1, 2, 4, 5, 6, 7, 8, 9]
    for s, ws in enumerate(wb.worksheets, start=1):
        name = "table_%04d" % s
        ws.cell(1, 3, "販売管理システム")
        ws.cell(2, 3, "受注サブシステム")
        ws.cell(1, 9, "作成 太郎")
        ws.cell(2, 9, "承認 花子")
        ws.cell(3, 3, "dbo")
        ws.cell(4, 3, name)
        ws.cell(5, 3, "テーブル %s の説明" % name)
        ws.cell(3, 9, datetime.date(2008, 4, 10))
        ws.cell(4, 9, datetime.date(2010, 3, 5))
        for r in range(20):
            for k in range(8):
                v = r + 1 if k == 0 else ("column_name_%d" % (r + 1) if k == 1 else values[k])
                c = ws.cell(8 + r, columns[k], v)
                c.alignment = Alignment(horizontal=c.alignment.horizontal,
                                        vertical=c.alignment.vertical, wrap_text=False)
        ws.title = name
    wb.active = 0
    wb.save(out)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2], int(sys.argv[3]))
