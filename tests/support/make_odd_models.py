#!/usr/bin/python3
"""Writes the model workbooks that need more than openpyxl offers, into a
folder:

    macro.xlsm    macro-enabled: a VBA project, its signature, the macro
                  content type
    strict.xlsx   the "Strict Open XML" flavour (namespaces under purl.oclc.org)
    chartfirst.xlsx  a chart sheet before the first worksheet
    chart.xlsx    a template sheet with a chart of its own data, a workbook
                  name and a sheet-local name that refer to it, and a second
                  sheet whose chart and a formula refer to the template too
    bomb.xlsx     a workbook of a few hundred kilobytes whose worksheet
                  inflates to 300 MB, beyond what a model may hold

    /usr/bin/python3 tests/support/make_odd_models.py FOLDER [NAME ...]

NAMEs (macro, strict, chartfirst, chart, bomb) choose some; none makes all.
"""
import os
import sys
import zipfile

import openpyxl
from openpyxl.chart import BarChart, Reference
from openpyxl.workbook.defined_name import DefinedName

MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
RELS = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
MS_RELS = "http://schemas.microsoft.com/office/2006/relationships"


def rewrite(src, dst, edit, extra=None):
    """Copies a zip, passing each part's bytes through edit(name, data)."""
    with zipfile.ZipFile(src) as zin, zipfile.ZipFile(dst, "w", zipfile.ZIP_DEFLATED) as zout:
        for info in zin.infolist():
            data = edit(info.filename, zin.read(info.filename))
            if data is not None:
                zout.writestr(info.filename, data)
        for name, data in (extra or {}).items():
            zout.writestr(name, data)


def template(path, title="定義書"):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = title
    ws["A1"] = "システム名"
    ws["A7"] = "No."
    wb.save(path)


def macro(folder):
    plain = os.path.join(folder, "plain-for-macro.xlsx")
    template(plain)

    def edit(name, data):
        text = data.decode("utf-8")
        if name == "[Content_Types].xml":
            text = text.replace(
                "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml",
                "application/vnd.ms-excel.sheet.macroEnabled.main+xml")
            text = text.replace(
                "</Types>",
                '<Default Extension="bin" ContentType="application/vnd.ms-office.vbaProject"/>'
                '<Override PartName="/xl/vbaProjectSignature.bin" '
                'ContentType="application/vnd.ms-office.vbaProjectSignature"/></Types>')
        if name == "xl/_rels/workbook.xml.rels":
            text = text.replace(
                "</Relationships>",
                '<Relationship Id="rIdVba" Type="%s/vbaProject" Target="vbaProject.bin"/>'
                "</Relationships>" % MS_RELS)
        return text.encode("utf-8")

    rels = ('<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="rId1" Type="%s/vbaProjectSignature" '
            'Target="vbaProjectSignature.bin"/></Relationships>' % MS_RELS)
    rewrite(plain, os.path.join(folder, "macro.xlsm"), edit, {
        "xl/vbaProject.bin": b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1" + b"VBA" * 100,
        "xl/_rels/vbaProject.bin.rels": rels,
        "xl/vbaProjectSignature.bin": b"signature",
    })
    os.remove(plain)


def strict(folder):
    plain = os.path.join(folder, "plain-for-strict.xlsx")
    template(plain)

    def edit(name, data):
        text = data.decode("utf-8")
        text = text.replace(MAIN, "http://purl.oclc.org/ooxml/spreadsheetml/main")
        text = text.replace(RELS, "http://purl.oclc.org/ooxml/officeDocument/relationships")
        return text.encode("utf-8")

    rewrite(plain, os.path.join(folder, "strict.xlsx"), edit)
    os.remove(plain)


def bar_chart(ws, title):
    chart = BarChart()
    chart.title = title
    chart.add_data(Reference(ws, min_col=2, min_row=2, max_row=4), titles_from_data=False)
    chart.set_categories(Reference(ws, min_col=1, min_row=2, max_row=4))
    return chart


def chart_first(folder):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "定義書"
    for r, (a, b) in enumerate([("x", 1), ("y", 2), ("z", 3)], start=2):
        ws.cell(r, 1, a)
        ws.cell(r, 2, b)
    cs = wb.create_chartsheet("グラフ", 0)
    cs.add_chart(bar_chart(ws, "first"))
    wb.save(os.path.join(folder, "chartfirst.xlsx"))


def charts(folder):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "定義書"
    for r, (a, b) in enumerate([("x", 1), ("y", 2), ("z", 3)], start=2):
        ws.cell(r, 1, a)
        ws.cell(r, 2, b)
    ws.add_chart(bar_chart(ws, "own"), "D2")
    other = wb.create_sheet("集計")
    other["A1"] = "=SUM(定義書!B2:B4)"
    other.add_chart(bar_chart(ws, "other"), "C2")
    wb.defined_names.append(DefinedName("Values", attr_text="定義書!$B$2:$B$4"))
    wb.defined_names.append(DefinedName("Local", localSheetId=0, attr_text="定義書!$A$2:$A$4"))
    wb.save(os.path.join(folder, "chart.xlsx"))


def bomb(folder):
    plain = os.path.join(folder, "plain-for-bomb.xlsx")
    template(plain)
    blanks = b" " * (1 << 20)
    with zipfile.ZipFile(plain) as zin, \
            zipfile.ZipFile(os.path.join(folder, "bomb.xlsx"), "w", zipfile.ZIP_DEFLATED) as zout:
        for info in zin.infolist():
            if info.filename != "xl/worksheets/sheet1.xml":
                zout.writestr(info.filename, zin.read(info.filename))
                continue
            with zout.open(info.filename, "w", force_zip64=True) as part:
                part.write(zin.read(info.filename))
                for _ in range(300):
                    part.write(blanks)
    os.remove(plain)


MAKERS = {"macro": macro, "strict": strict, "chartfirst": chart_first, "chart": charts,
          "bomb": bomb}


def main(folder, names):
    for name in names or MAKERS:
        MAKERS[name](folder)


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2:])
