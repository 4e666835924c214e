#!/usr/bin/python3
"""Prints the layout facts of an Excel 97-2003 workbook (BIFF8) that the
template checks need, read straight from its records (olefile), one per line:

  font N=size,bold,name      every FONT record
  margin left|right|top|bottom=inches
  setup paper=N portrait=0|1 header=inches footer=inches
  footer=TEXT / header=TEXT
  name builtin=N rows=FIRST-LAST   built-in names (7 = Print_Titles)
  name user=TEXT                   other names
  col FIRST-LAST=width             column widths in character units
  row N=points                     row heights
  frozen=0|1 pane=ROWS             the first sheet's window
  sheets=N

    /usr/bin/python3 tests/export/xls_facts.py BOOK.xls
"""
import struct
import sys

import olefile


def records(data):
    i = 0
    while i + 4 <= len(data):
        t, n = struct.unpack_from("<HH", data, i)
        yield t, data[i + 4:i + 4 + n]
        i += 4 + n


def xl_string(d, off, cch_size=2):
    cch = struct.unpack_from("<H" if cch_size == 2 else "<B", d, off)[0]
    flags = d[off + cch_size]
    raw = d[off + cch_size + 1:]
    return raw[:cch * 2].decode("utf-16le") if flags & 1 else raw[:cch].decode("latin-1")


def main(path):
    ole = olefile.OleFileIO(path)
    data = ole.openstream("Workbook").read()
    fonts = 0
    sheets = 0
    for t, d in records(data):
        if t == 0x31:
            h, _, _, bls = struct.unpack_from("<HHHH", d)
            cch, hb = d[14], d[15]
            name = d[16:16 + cch * (2 if hb & 1 else 1)].decode("utf-16le" if hb & 1 else "latin-1")
            print("font %d=%g,%d,%s" % (fonts, h / 20, 1 if bls >= 700 else 0, name))
            fonts += 1
        elif t in (0x26, 0x27, 0x28, 0x29):
            side = {0x26: "left", 0x27: "right", 0x28: "top", 0x29: "bottom"}[t]
            print("margin %s=%.4f" % (side, struct.unpack_from("<d", d)[0]))
        elif t == 0xA1:
            paper, _, _, _, _, grbit = struct.unpack_from("<HHHHHH", d)
            hdr, ftr = struct.unpack_from("<dd", d, 16)
            print("setup paper=%d portrait=%d header=%.4f footer=%.4f" % (paper, (grbit >> 1) & 1, hdr, ftr))
        elif t in (0x14, 0x15):
            text = xl_string(d, 0) if d else ""
            print("%s=%s" % ("header" if t == 0x14 else "footer", text))
        elif t == 0x18:
            flags = struct.unpack_from("<H", d)[0]
            cch = d[3]
            cce = struct.unpack_from("<H", d, 4)[0]
            itab = struct.unpack_from("<H", d, 8)[0]
            body = d[14:]
            hb = body[0]
            name_len = cch * (2 if hb & 1 else 1)
            if flags & 0x20:
                formula = body[1 + name_len:1 + name_len + cce]
                rows = ""
                if formula and formula[0] in (0x3B, 0x5B, 0x7B):  # ptgArea3d
                    r1, r2 = struct.unpack_from("<HH", formula, 3)
                    rows = "%d-%d" % (r1 + 1, r2 + 1)
                print("name builtin=%d sheet=%d rows=%s" % (body[1], itab, rows))
            else:
                print("name user=%s" % body[1:1 + name_len].decode("utf-16le" if hb & 1 else "latin-1"))
        elif t == 0x7D:
            f, l, w = struct.unpack_from("<HHH", d)
            if l < 256:
                print("col %d-%d=%.3f" % (f + 1, l + 1, w / 256))
        elif t == 0x208:
            r, _, _, miy = struct.unpack_from("<HHHH", d)
            print("row %d=%g" % (r + 1, (miy & 0x7FFF) / 20))
        elif t == 0x23E and sheets == 1:
            print("frozen=%d" % ((struct.unpack_from("<H", d)[0] >> 3) & 1))
        elif t == 0x41:
            print("pane=%d" % struct.unpack_from("<HH", d)[1])
        elif t == 0x85:
            sheets += 1
    print("sheets=%d" % sheets)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
