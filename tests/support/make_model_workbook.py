#!/usr/bin/python3
"""Writes a user's model workbook as another program (openpyxl) makes it:
several sheets, shared strings, merged cells, a formula, a comment, an image
(when Pillow is there), a sheet-local print area and print titles, a hidden
sheet and a workbook-level name.

    /usr/bin/python3 tests/export/make_model_workbook.py OUT.xlsx
"""
import sys

import openpyxl
from openpyxl.comments import Comment
from openpyxl.workbook.defined_name import DefinedName


def main(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "定義書"
    ws["A1"] = "システム名"
    ws["A2"] = "テーブル名"
    ws.merge_cells("C1:F1")
    ws["A7"] = "No."
    ws["B7"] = "列名"
    ws["I7"] = "備考"
    ws["H1"] = "=LEN(C1)"
    ws["B7"].comment = Comment("列の名前を書く", "model author")
    ws.print_area = "A1:I67"
    ws.print_title_rows = "1:7"
    ws.freeze_panes = "A8"
    ws.oddFooter.center.text = "&P/&N"
    try:
        from openpyxl.drawing.image import Image
        from PIL import Image as PILImage
        PILImage.new("RGB", (40, 20), (200, 30, 30)).save(path + ".png")
        ws.add_image(Image(path + ".png"), "K2")
    except ImportError:
        pass

    notes = wb.create_sheet("メモ")
    notes["A1"] = "この表は手で書いた説明です"
    notes["A2"] = "定義書"
    notes.merge_cells("A3:C3")
    notes["A3"] = "merged note"
    hidden = wb.create_sheet("lists")
    hidden["A1"] = "x"
    hidden.sheet_state = "hidden"
    wb.defined_names.append(DefinedName("Authors", attr_text="メモ!$A$1:$A$2"))
    wb.save(path)


if __name__ == "__main__":
    main(sys.argv[1])
