#!/usr/bin/python3
"""Puts into an .xls (BIFF8) what LibreOffice's headless export cannot write:
frozen header rows on the first sheet (WINDOW2 flags, PANE, SELECTION), and
drops a stray user-defined name "_xlnm.Print_Titles" that the export writes
beside the real built-in print titles. Absolute stream positions held in
BOUNDSHEET, INDEX and EXTSST records are moved with the records; the compound
file is written anew with the same streams.

    xls_patch.py BOOK.xls FROZEN_ROWS
"""
import struct
import sys

import olefile

BOF, EOF_, BOUNDSHEET, NAME, WINDOW2, PANE, SELECTION, INDEX, EXTSST = (
    0x809, 0x0A, 0x85, 0x18, 0x23E, 0x41, 0x1D, 0x20B, 0xFF)


def read_records(data):
    out, i = [], 0
    while i + 4 <= len(data):
        t, n = struct.unpack_from("<HH", data, i)
        out.append([i, t, bytearray(data[i + 4:i + 4 + n])])
        i += 4 + n
    return out


def is_stray_name(d):
    flags, cch = struct.unpack_from("<H", d)[0], d[3]
    if flags & 0x20:
        return False
    hb = d[14]
    raw = bytes(d[15:15 + cch * (2 if hb & 1 else 1)])
    return raw.decode("utf-16le" if hb & 1 else "latin-1") == "_xlnm.Print_Titles"


def patch_biff(data, frozen):
    recs = read_records(data)
    out = []
    sheet_no, in_sheet = 0, False
    for old, t, d in recs:
        if t == BOF:
            sheet_no += 1
            in_sheet = sheet_no == 2  # the first worksheet substream
        if t == NAME and sheet_no == 1 and is_stray_name(d):
            continue
        if in_sheet and t == WINDOW2:
            grbit = struct.unpack_from("<H", d)[0] | 0x0008 | 0x0100  # fFrozen, fFrozenNoSplit
            struct.pack_into("<H", d, 0, grbit)
            out.append([old, t, d])
            out.append([None, PANE, bytearray(struct.pack("<HHHHBB", 0, frozen, frozen, 0, 2, 0))])
            continue
        if in_sheet and t == PANE:
            continue
        if in_sheet and t == SELECTION:
            d = bytearray(struct.pack("<BHHHHHHBB", 2, frozen, 0, 0, 1, frozen, frozen, 0, 0))
        out.append([old, t, d])
    # New positions of the kept records, for the fields that hold positions.
    moved, pos = {}, 0
    for rec in out:
        if rec[0] is not None:
            moved[rec[0]] = pos
        pos += 4 + len(rec[2])

    def newpos(p):
        if p in moved:
            return moved[p]
        # A position inside a record (EXTSST points into SST/CONTINUE data).
        base = max(k for k in moved if k <= p)
        return moved[base] + (p - base)

    for _, t, d in out:
        if t == BOUNDSHEET:
            struct.pack_into("<I", d, 0, newpos(struct.unpack_from("<I", d)[0]))
        elif t == INDEX:
            struct.pack_into("<I", d, 12, newpos(struct.unpack_from("<I", d, 12)[0]) if struct.unpack_from("<I", d, 12)[0] else 0)
            for k in range(16, len(d), 4):
                struct.pack_into("<I", d, k, newpos(struct.unpack_from("<I", d, k)[0]))
        elif t == EXTSST:
            for k in range(2, len(d) - 7, 8):
                struct.pack_into("<I", d, k, newpos(struct.unpack_from("<I", d, k)[0]))
    return b"".join(struct.pack("<HH", t, len(d)) + bytes(d) for _, t, d in out)


# ---------------------------------------------------------------- compound file

SECTOR, MINI, CUTOFF = 512, 64, 4096
FREE, END, FATSECT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD


def write_cfb(path, streams):
    """streams: list of (name, bytes), all in the root storage."""
    small = [(n, d) for n, d in streams if len(d) < CUTOFF]
    large = [(n, d) for n, d in streams if len(d) >= CUTOFF]
    # Mini stream: small streams in 64-byte mini sectors.
    ministream, minifat, ministart = b"", [], {}
    for n, d in small:
        count = (len(d) + MINI - 1) // MINI
        ministart[n] = len(minifat) if count else END
        first = len(minifat)
        for k in range(count):
            minifat.append(first + k + 1 if k + 1 < count else END)
        ministream += d + b"\0" * (count * MINI - len(d))
    sectors, fat = [], []

    def add_chain(blob):
        if not blob:
            return END
        count = (len(blob) + SECTOR - 1) // SECTOR
        first = len(sectors)
        for k in range(count):
            sectors.append(blob[k * SECTOR:(k + 1) * SECTOR].ljust(SECTOR, b"\0"))
            fat.append(first + k + 1 if k + 1 < count else END)
        return first

    start = {}
    for n, d in large:
        start[n] = add_chain(d)
    mini_root = add_chain(ministream)
    minifat_bytes = b"".join(struct.pack("<I", x) for x in minifat)
    minifat_bytes += struct.pack("<I", FREE) * ((-len(minifat)) % (SECTOR // 4))
    minifat_start = add_chain(minifat_bytes) if minifat else END

    # Directory: root, then the streams as a chain of right siblings in the
    # compound file's name order (shorter names first, then upper case).
    ordered = sorted(streams, key=lambda s: (len(s[0]), s[0].upper()))

    def entry(name, kind, child, right, first, size):
        raw = name.encode("utf-16le") + b"\0\0"
        return (raw.ljust(64, b"\0") + struct.pack("<HBB", len(raw), kind, 1) +
                struct.pack("<III", FREE, right, child) + b"\0" * 16 + b"\0" * 4 + b"\0" * 16 +
                struct.pack("<IQ", first, size))

    dirs = [entry("Root Entry", 5, 1 if ordered else FREE, FREE, mini_root, len(ministream))]
    for k, (n, d) in enumerate(ordered):
        first = start[n] if n in start else ministart[n]
        dirs.append(entry(n, 2, FREE, k + 2 if k + 1 < len(ordered) else FREE, first, len(d)))
    while len(dirs) % (SECTOR // 128):
        dirs.append(b"\0" * 64 + struct.pack("<HBB", 0, 0, 0) + struct.pack("<III", FREE, FREE, FREE)
                    + b"\0" * 44 + struct.pack("<IQ", 0, 0))
    dir_start = add_chain(b"".join(dirs))

    # The FAT covers every sector including its own.
    nfat = 1
    while (len(sectors) + nfat) > nfat * (SECTOR // 4):
        nfat += 1
    if nfat > 109:
        raise SystemExit("compound file too large for this writer")
    fat_first = len(sectors)
    fat += [FATSECT] * nfat
    fat += [FREE] * (nfat * (SECTOR // 4) - len(fat))
    fat_bytes = b"".join(struct.pack("<I", x) for x in fat)
    for k in range(nfat):
        sectors.append(fat_bytes[k * SECTOR:(k + 1) * SECTOR])

    header = bytearray(b"\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1" + b"\0" * 16)
    header += struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6) + b"\0" * 6
    header += struct.pack("<IIIIIIIII", 0, nfat, dir_start, 0, CUTOFF, minifat_start,
                          (len(minifat_bytes) // SECTOR) if minifat else 0, END, 0)
    difat = [fat_first + k for k in range(nfat)] + [FREE] * (109 - nfat)
    header += b"".join(struct.pack("<I", x) for x in difat)
    assert len(header) == SECTOR
    with open(path, "wb") as f:
        f.write(bytes(header) + b"".join(sectors))


def main(path, frozen):
    ole = olefile.OleFileIO(path)
    streams = []
    for entry in ole.listdir(streams=True, storages=False):
        if len(entry) != 1:
            raise SystemExit("nested storages are not expected in " + path)
        data = ole.openstream(entry).read()
        if entry[0] == "Workbook":
            data = patch_biff(data, frozen)
        streams.append((entry[0], data))
    ole.close()
    write_cfb(path, streams)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], int(sys.argv[2])))
