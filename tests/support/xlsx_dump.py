#!/usr/bin/python3
"""Dumps a workbook as read by openpyxl, an independent reader, one fact per line.

    /usr/bin/python3 tests/export/xlsx_dump.py BOOK.xlsx [--no-styles] [--json]

Shared strings are decoded with the _xHHHH_ escapes of ECMA-376 as Excel does
(openpyxl 3.0 leaves most of them encoded). Each line is KEY <tab> VALUE; in VALUE a backslash, tab, CR and LF are written
as \\\\, \\t, \\r, \\n and other control characters as \\uXXXX (tests/export/
WorkbookCheck.h reads it back into a map). --json prints one JSON object of the
same keys instead. Keys (S is a sheet name):

  sheet.count            number of sheets;  sheet.N  name of sheet N (1-based)
  active                 1-based number of the sheet the workbook opens on
  selected               names of the sheets whose tab is selected, joined by "|"
  names                  workbook-level defined names "name=value", joined by "|"
  S!A1                   a cell's value as TYPE:TEXT: s (text), n (number, repr),
                         d (date/time from a date format, ISO), b (bool),
                         f (formula), e (error); cells without a value are left out
  S!A1.fmt               its number format when not General
  S!A1.comment           the text of its comment
  S!A1.link              a link's place in the workbook (its location), when it has one
  S!A1.font              "name,size,bold"       } only without --no-styles,
  S!A1.align             "horizontal,vertical,wrap" } for every cell with a value
  S!A1.border            "left,right,top,bottom"  } or a style
  S.state                visible / hidden / veryHidden
  S.merges               merged ranges, sorted, joined by " "
  S.freeze               the top-left cell of the scrolling pane ("A8"), or ""
  S.header / S.footer    "left|center|right" texts of the odd-page header/footer
  S.margins              "left,right,top,bottom,header,footer" in inches (4 decimals)
  S.paper, S.orientation page setup
  S.print_titles         repeated rows ("1:7" form as openpyxl gives it), or ""
  S.print_area           print area, or ""
  S.col.X.width          width of column X when set;  S.row.N.height likewise
  S.max_row, S.max_column
  S.images               number of pictures openpyxl found on the sheet
"""
import datetime
import json
import sys

import re

import openpyxl
import openpyxl.reader.excel
from openpyxl.cell.text import Text
from openpyxl.xml.constants import SHEET_MAIN_NS
from openpyxl.xml.functions import iterparse

ESCAPE = re.compile("_x([0-9A-Fa-f]{4})_")


def read_string_table(xml_source):
    """openpyxl 3.0 only strips "x005F_" from shared strings; Excel decodes every
    _xHHHH_ escape of ECMA-376 in one pass. Read the table the way Excel does."""
    strings = []
    tag = "{%s}si" % SHEET_MAIN_NS
    for _, node in iterparse(xml_source):
        if node.tag == tag:
            text = Text.from_tree(node).content
            strings.append(ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), text))
            node.clear()
    return strings


openpyxl.reader.excel.read_string_table = read_string_table


def esc(v):
    out = []
    for ch in v:
        if ch == "\\":
            out.append("\\\\")
        elif ch == "\t":
            out.append("\\t")
        elif ch == "\n":
            out.append("\\n")
        elif ch == "\r":
            out.append("\\r")
        elif ord(ch) < 0x20 or ord(ch) in (0x7F, 0xFFFE, 0xFFFF):
            out.append("\\u%04X" % ord(ch))
        else:
            out.append(ch)
    return "".join(out)


def cell_value(c):
    v = c.value
    if v is None:
        return None
    if c.data_type == "f":
        return "f:" + str(v)
    if isinstance(v, bool):
        return "b:" + str(v)
    if isinstance(v, datetime.datetime):
        if v.time() == datetime.time(0):
            return "d:" + v.date().isoformat()
        return "d:" + v.isoformat()
    if isinstance(v, (datetime.date, datetime.time)):
        return "d:" + v.isoformat()
    if isinstance(v, (int, float)):
        return "n:" + repr(v)
    if c.data_type == "e":
        return "e:" + str(v)
    return "s:" + str(v)


def hf_text(part):
    return "|".join((getattr(part, side).text or "") for side in ("left", "center", "right"))


def dump(path, styles):
    wb = openpyxl.load_workbook(path)
    out = {}
    sheets = wb.worksheets + list(wb.chartsheets)
    names = [ws.title for ws in wb._sheets]
    out["sheet.count"] = str(len(names))
    for i, n in enumerate(names, start=1):
        out["sheet.%d" % i] = n
    out["active"] = str(wb._sheets.index(wb.active) + 1) if wb.active is not None else "0"
    out["selected"] = "|".join(ws.title for ws in wb._sheets
                               if getattr(ws, "sheet_view", None) is not None
                               and ws.sheet_view.tabSelected)
    dn = []
    for d in getattr(wb.defined_names, "definedName", []):
        local = "" if d.localSheetId is None else "[%s]" % d.localSheetId
        dn.append("%s%s=%s" % (d.name, local, d.attr_text))
    out["names"] = "|".join(sorted(dn))
    for ws in wb.worksheets:
        s = ws.title
        out[s + ".state"] = ws.sheet_state
        out[s + ".merges"] = " ".join(sorted(str(r) for r in ws.merged_cells.ranges))
        out[s + ".freeze"] = ws.freeze_panes or ""
        out[s + ".header"] = hf_text(ws.oddHeader)
        out[s + ".footer"] = hf_text(ws.oddFooter)
        m = ws.page_margins
        out[s + ".margins"] = ",".join("%.4f" % (getattr(m, k) or 0)
                                       for k in ("left", "right", "top", "bottom", "header", "footer"))
        out[s + ".paper"] = str(ws.page_setup.paperSize or "")
        out[s + ".orientation"] = str(ws.page_setup.orientation or "")
        out[s + ".print_titles"] = ws.print_title_rows or ""
        out[s + ".print_area"] = ",".join(ws.print_area) if isinstance(ws.print_area, list) else (ws.print_area or "")
        out[s + ".max_row"] = str(ws.max_row)
        out[s + ".max_column"] = str(ws.max_column)
        out[s + ".images"] = str(len(getattr(ws, "_images", [])))
        for key, dim in ws.column_dimensions.items():
            if dim.customWidth or dim.width:
                out["%s.col.%s.width" % (s, key)] = repr(float(dim.width))
        for key, dim in ws.row_dimensions.items():
            if dim.height is not None:
                out["%s.row.%d.height" % (s, key)] = repr(float(dim.height))
        for row in ws.iter_rows():
            for c in row:
                ref = "%s!%s" % (s, c.coordinate)
                v = cell_value(c)
                if v is not None:
                    out[ref] = v
                if c.comment is not None:
                    out[ref + ".comment"] = c.comment.text
                if c.hyperlink is not None and c.hyperlink.location:
                    out[ref + ".link"] = c.hyperlink.location
                if c.number_format and c.number_format != "General" and v is not None:
                    out[ref + ".fmt"] = c.number_format
                if styles and (v is not None or c.has_style):
                    f = c.font
                    out[ref + ".font"] = "%s,%s,%s" % (f.name, f.sz if f.sz is None else ("%g" % f.sz),
                                                       "b" if f.b else "")
                    a = c.alignment
                    out[ref + ".align"] = "%s,%s,%s" % (a.horizontal or "", a.vertical or "",
                                                        "wrap" if a.wrap_text else "")
                    b = c.border
                    out[ref + ".border"] = ",".join((getattr(b, k).style or "")
                                                    for k in ("left", "right", "top", "bottom"))
    return out


def main(argv):
    args = [a for a in argv[1:] if not a.startswith("--")]
    if len(args) != 1:
        sys.stderr.write(__doc__)
        return 2
    out = dump(args[0], "--no-styles" not in argv)
    if "--json" in argv:
        json.dump(out, sys.stdout, ensure_ascii=False, indent=1, sort_keys=True)
        sys.stdout.write("\n")
    else:
        for k in sorted(out):
            sys.stdout.write("%s\t%s\n" % (esc(k), esc(out[k])))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
