#!/usr/bin/python3
"""Converts the 97-2003 template layouts (.xlsx, from make-templates.py --xls-src)
to .xls with LibreOffice through UNO, and puts back what the plain command-line
conversion loses: the frozen header rows and the Japanese font for Japanese text
(LibreOffice keeps a separate font for East Asian script and would otherwise
write its own default there).

    xls-convert.py PROFILE_DIR OUT_DIR IN.xlsx:FROZEN_ROWS ...
"""
import os
import subprocess
import sys
import time

import uno
from com.sun.star.beans import PropertyValue

FONT = "ＭＳ Ｐゴシック"


def prop(name, value):
    p = PropertyValue()
    p.Name, p.Value = name, value
    return p


def connect(pipe):
    local = uno.getComponentContext()
    resolver = local.ServiceManager.createInstanceWithContext(
        "com.sun.star.bridge.UnoUrlResolver", local)
    for _ in range(200):
        try:
            return resolver.resolve(
                "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % pipe)
        except Exception:
            time.sleep(0.1)
    raise SystemExit("LibreOffice did not start")


def main(argv):
    profile, outdir, jobs = argv[1], argv[2], argv[3:]
    pipe = "zelmora_xls_%d" % os.getpid()
    office = subprocess.Popen(["soffice", "--headless", "--invisible", "--norestore",
                               "-env:UserInstallation=file://" + os.path.abspath(profile),
                               "--accept=pipe,name=%s;urp;" % pipe],
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        ctx = connect(pipe)
        desktop = ctx.ServiceManager.createInstanceWithContext("com.sun.star.frame.Desktop", ctx)
        for job in jobs:
            src, frozen = job.rsplit(":", 1)
            url = uno.systemPathToFileUrl(os.path.abspath(src))
            doc = desktop.loadComponentFromURL(url, "_blank", 0, (prop("Hidden", True),))
            sheet = doc.Sheets.getByIndex(0)
            cursor = sheet.createCursor()
            cursor.gotoEndOfUsedArea(False)
            used = sheet.getCellRangeByPosition(0, 0, cursor.RangeAddress.EndColumn,
                                                cursor.RangeAddress.EndRow)
            used.CharFontNameAsian = FONT
            used.CharFontCharSetAsian = 128
            # The print titles arrive both as the sheet's title rows and as a
            # plain name spelled _xlnm.Print_Titles; only the first belongs.
            if doc.NamedRanges.hasByName("_xlnm.Print_Titles"):
                doc.NamedRanges.removeByName("_xlnm.Print_Titles")
            titles = uno.createUnoStruct("com.sun.star.table.CellRangeAddress")
            titles.Sheet, titles.StartRow, titles.EndRow = 0, 0, int(frozen) - 1
            titles.StartColumn, titles.EndColumn = 0, 0
            sheet.PrintTitleRows = True
            sheet.TitleRows = titles
            name = os.path.splitext(os.path.basename(src))[0] + ".xls"
            out = uno.systemPathToFileUrl(os.path.abspath(os.path.join(outdir, name)))
            doc.storeToURL(out, (prop("FilterName", "MS Excel 97"), prop("Overwrite", True)))
            doc.close(True)
        try:
            desktop.terminate()
        except Exception:
            pass  # the bridge goes away while terminating
    finally:
        try:
            office.wait(timeout=30)
        except subprocess.TimeoutExpired:
            office.kill()
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
