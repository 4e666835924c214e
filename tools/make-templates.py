#!/usr/bin/python3
"""Writes the built-in template workbooks.

  tools/make-templates.py            the Excel 2007 templates as text parts:
                                     resources/templates/{obproject2007,obtable2007}.xlsx.d/
                                     and the detailed ones,
                                     resources/templates/{obprojectdetail2007,obtabledetail2007}.xlsx.d/
  tools/make-templates.py --xls-src DIR
                                     the two 97-2003 layouts as .xlsx files in DIR
                                     (their own margins, widths and print titles),
                                     which tools/make-xls-templates converts to .xls

Both documents are described once, below; the two formats differ only where
the layouts say so (column widths, margins, print titles).
"""
import argparse
import os
import re
import sys
import zipfile
from xml.sax.saxutils import escape

FONT = "ＭＳ Ｐゴシック"
CM = 1 / 2.54

NS_MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
NS_R = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
XML_DECL = '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'

# Margins in inches, as the worksheet stores them.
MARGINS = {
    "2007": dict(left=2.0 * CM, right=1.5 * CM, top=1.5 * CM, bottom=1.5 * CM,
                 header=0.8 * CM, footer=0.8 * CM),
    "xls": dict(left=1.8 * CM, right=1.5 * CM, top=1.8 * CM, bottom=1.8 * CM,
                header=1.3 * CM, footer=1.3 * CM),
}


def col_letter(c):
    s = ""
    while c:
        c, r = divmod(c - 1, 26)
        s = chr(65 + r) + s
    return s


class Styles:
    """Collects distinct cell formats: font, borders and alignment."""

    def __init__(self):
        self.fonts = [(10, False)]
        self.borders = [(None, None, None, None)]
        self.xfs = [(0, 0, None, 0)]

    def font(self, size, bold):
        key = (size, bold)
        if key not in self.fonts:
            self.fonts.append(key)
        return self.fonts.index(key)

    def xf(self, size=10, bold=False, border=(None, None, None, None), align=None, numfmt=0):
        """numfmt 49 is the text format: what is typed there stays text."""
        f = self.font(size, bold)
        if border not in self.borders:
            self.borders.append(border)
        key = (f, self.borders.index(border), align, numfmt)
        if key not in self.xfs:
            self.xfs.append(key)
        return self.xfs.index(key)

    def xml(self):
        out = [XML_DECL, f'<styleSheet xmlns="{NS_MAIN}">']
        out.append(f'<fonts count="{len(self.fonts)}">')
        for size, bold in self.fonts:
            out.append("<font>" + ("<b/>" if bold else "") + f'<sz val="{size}"/>'
                       f'<name val="{FONT}"/><family val="3"/><charset val="128"/></font>')
        out.append("</fonts>")
        out.append('<fills count="2"><fill><patternFill patternType="none"/></fill>'
                   '<fill><patternFill patternType="gray125"/></fill></fills>')
        out.append(f'<borders count="{len(self.borders)}">')
        for b in self.borders:
            out.append("<border>")
            for side, style in zip(("left", "right", "top", "bottom"), b):
                if style:
                    out.append(f'<{side} style="{style}"><color indexed="64"/></{side}>')
                else:
                    out.append(f"<{side}/>")
            out.append("<diagonal/></border>")
        out.append("</borders>")
        out.append('<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/>'
                   "</cellStyleXfs>")
        out.append(f'<cellXfs count="{len(self.xfs)}">')
        for font, border, align, numfmt in self.xfs:
            attrs = f'numFmtId="{numfmt}" fontId="{font}" fillId="0" borderId="{border}" xfId="0"'
            if numfmt:
                attrs += ' applyNumberFormat="1"'
            if font:
                attrs += ' applyFont="1"'
            if border:
                attrs += ' applyBorder="1"'
            if align:
                h, v, wrap = align
                a = ""
                if h:
                    a += f' horizontal="{h}"'
                if v:
                    a += f' vertical="{v}"'
                if wrap:
                    a += ' wrapText="1"'
                out.append(f'<xf {attrs} applyAlignment="1"><alignment{a}/></xf>')
            else:
                out.append(f"<xf {attrs}/>")
        out.append("</cellXfs>")
        out.append('<cellStyles count="1"><cellStyle name="標準" xfId="0" builtinId="0"/>'
                   "</cellStyles>")
        out.append('<dxfs count="0"/><tableStyles count="0"/></styleSheet>')
        return "".join(out)


class Sheet:
    def __init__(self, ncols):
        self.ncols = ncols
        self.cells = {}      # (row, col) -> (style, text or None)
        self.heights = {}
        self.merges = []
        self.strings = []

    def put(self, row, col, style, text=None):
        self.cells[(row, col)] = (style, text)

    def string_index(self, text):
        if text not in self.strings:
            self.strings.append(text)
        return self.strings.index(text)


def header_block(sh, st, fields, height=12.95):
    """fields: per row 1..5 a list of (first col, last col, kind, text)."""
    for row, spans in enumerate(fields, start=1):
        sh.heights[row] = height
        for first, last, kind, text in spans:
            if last > first:
                sh.merges.append(f"{col_letter(first)}{row}:{col_letter(last)}{row}")
            for c in range(first, last + 1):
                if kind == "label":
                    border = ("thin" if c == first else None, "hair" if c == last else None,
                              "thin", "thin")
                    style = st.xf(bold=True, border=border, align=("left", "center", False))
                else:
                    border = ("hair" if c == first else None, "thin" if c == last else None,
                              "thin", "thin")
                    style = st.xf(border=border, align=("left", "center", False))
                sh.put(row, c, style, text if c == first else None)


def spacer_and_headings(sh, st, headings, sizes):
    sh.heights[6] = 3.95
    for c in range(1, sh.ncols + 1):
        sh.put(6, c, st.xf(border=(None, None, None, "thin")))
    sh.heights[7] = 15.95
    for first, last, text in headings:
        if last > first:
            sh.merges.append(f"{col_letter(first)}7:{col_letter(last)}7")
        for c in range(first, last + 1):
            border = ("thin" if c == first else None, "thin" if c == last else None, "thin", "thin")
            style = st.xf(size=sizes.get(first, 10), bold=True, border=border,
                          align=("center", "center", False))
            sh.put(7, c, style, text if c == first else None)


def data_band(sh, st, align_of, merged_spans, first_row=8, last_row=67, height=12, text_from=None):
    """A framed band: thin outer and column lines, hairlines between rows;
    the columns from text_from on keep what is typed into them as text."""
    for row in range(first_row, last_row + 1):
        sh.heights[row] = height
        top = "thin" if row == first_row else "hair"
        bottom = "thin" if row == last_row else "hair"
        for first, last in merged_spans:
            if last > first:
                sh.merges.append(f"{col_letter(first)}{row}:{col_letter(last)}{row}")
            for c in range(first, last + 1):
                border = ("thin" if c == first else None, "thin" if c == last else None, top, bottom)
                text = text_from is not None and first >= text_from
                sh.put(row, c, st.xf(border=border, align=align_of(first), numfmt=49 if text else 0))


def table_list(variant, detailed=False):
    """detailed: the 標準 list with column I, 種別, beside it."""
    st, sh = Styles(), Sheet(9 if detailed else 8)
    header_block(sh, st, [
        [(1, 2, "label", "システム名"), (3, 4, "value", None), (5, 6, "label", " 作成者"), (7, 8, "value", None)],
        [(1, 2, "label", "サブシステム名"), (3, 4, "value", None), (5, 6, "label", " 承認者"), (7, 8, "value", None)],
        [(1, 2, "label", "スキーマ"), (3, 4, "value", None), (5, 6, "label", " 作成日"), (7, 8, "value", None)],
        [(1, 2, "label", None), (3, 4, "value", None), (5, 6, "label", " 更新日"), (7, 8, "value", None)],
        [(1, 2, "label", None), (3, 8, "value", None)],
    ])
    headings = [(1, 1, "No."), (2, 3, "テーブル名"), (4, 6, "コメント"), (7, 7, " 作成日"),
                (8, 8, " 更新日")]
    spans = [(1, 1), (2, 3), (4, 6), (7, 7), (8, 8)]
    if detailed:
        headings.append((9, 9, "種別"))
        spans.append((9, 9))
    spacer_and_headings(sh, st, headings, {})

    def align(first):
        return ("center" if first in (7, 8) else None, "top", True)

    data_band(sh, st, align, spans, text_from=9 if detailed else None)
    widths = [3.375, 9.5, 17.875, 20.625, 3.875, 4.5, 14, 14.375]
    if variant == "xls":
        widths[6], widths[7] = 14.625, 14.625
    col_styles = {c: st.xf(align=align(c if c in (7, 8) else 1)) for c in range(1, 9)}
    if detailed:
        widths.append(22)
        col_styles[9] = st.xf(align=align(1), numfmt=49)
    return dict(styles=st, sheet=sh, widths=widths, col_styles=col_styles, freeze=6, footer=None,
                title="テーブル一覧")


def table_definition(variant, detailed=False):
    """detailed: the 標準 sheet widened by J デフォルト値 and K 参照先; the
    export writes the index, foreign key and constraint sections below the
    column rows with the formats of the heading row and the band."""
    st, sh = Styles(), Sheet(11 if detailed else 9)
    header_block(sh, st, [
        [(1, 2, "label", "システム名"), (3, 6, "value", None), (7, 8, "label", " 作成者"), (9, 9, "value", None)],
        [(1, 2, "label", "サブシステム名"), (3, 6, "value", None), (7, 8, "label", " 承認者"), (9, 9, "value", None)],
        [(1, 2, "label", "スキーマ"), (3, 6, "value", None), (7, 8, "label", " 作成日"), (9, 9, "value", None)],
        [(1, 2, "label", "テーブル名"), (3, 6, "value", None), (7, 8, "label", " 更新日"), (9, 9, "value", None)],
        [(1, 2, "label", "コメント"), (3, 9, "value", None)],
    ])
    headings = [(1, 1, "No."), (2, 3, "列　　　名"), (4, 4, "型"), (5, 5, "長さ"), (6, 6, "小数"),
                (7, 7, "必須"), (8, 8, "主ｷｰ"), (9, 9, "コメント")]
    if detailed:
        headings += [(10, 10, "デフォルト値"), (11, 11, "参照先")]
    spacer_and_headings(sh, st, headings, {5: 9, 6: 9, 7: 9, 8: 8})

    def align(col):
        return ("center" if col in (7, 8) else None, "center", col == 9)

    data_band(sh, st, align, [(c, c) for c in range(1, sh.ncols + 1)],
              text_from=10 if detailed else None)
    widths = [3, 9.625, 14.875, 15.125, 5.125, 3.375, 3.875, 3.875, 29.625]
    if variant == "xls":
        widths[1], widths[2], widths[8] = 9.5, 15, 30.25
    # The column formats carry the band's alignment to cells outside it;
    # rows written past the band take the band's whole form from the export.
    col_styles = {c: st.xf(align=align(c)) for c in range(1, 10)}
    if detailed:
        widths += [22, 22]
        col_styles[10] = col_styles[11] = st.xf(align=align(10), numfmt=49)
    return dict(styles=st, sheet=sh, widths=widths, col_styles=col_styles, freeze=7,
                footer="&C&P/&N", title="テーブル定義書")


def num(x):
    return f"{x:.12g}"


def sheet_xml(doc, variant):
    sh = doc["sheet"]
    last = f"{col_letter(sh.ncols)}{max(r for r, _ in sh.cells)}"
    f = doc["freeze"]
    # Printed one page wide: the last columns (comments, dates) never go
    # to pages of their own; as many pages down as the rows need.
    out = [XML_DECL, f'<worksheet xmlns="{NS_MAIN}" xmlns:r="{NS_R}">',
           '<sheetPr><pageSetUpPr fitToPage="1"/></sheetPr>',
           f'<dimension ref="A1:{last}"/>',
           '<sheetViews><sheetView tabSelected="1" workbookViewId="0">'
           f'<pane ySplit="{f}" topLeftCell="A{f + 1}" activePane="bottomLeft" state="frozen"/>'
           f'<selection pane="bottomLeft" activeCell="A{f + 1}" sqref="A{f + 1}"/>'
           "</sheetView></sheetViews>",
           '<sheetFormatPr defaultRowHeight="12"/>', "<cols>"]
    for c, w in enumerate(doc["widths"], start=1):
        out.append(f'<col min="{c}" max="{c}" width="{num(w)}" style="{doc["col_styles"][c]}" '
                   'customWidth="1"/>')
    out.append("</cols><sheetData>")
    rows = sorted({r for r, _ in sh.cells})
    for r in rows:
        out.append(f'<row r="{r}" ht="{num(sh.heights[r])}" customHeight="1">')
        for c in range(1, sh.ncols + 1):
            if (r, c) not in sh.cells:
                continue
            style, text = sh.cells[(r, c)]
            ref = f"{col_letter(c)}{r}"
            if text is None:
                out.append(f'<c r="{ref}" s="{style}"/>')
            else:
                out.append(f'<c r="{ref}" s="{style}" t="s"><v>{sh.string_index(text)}</v></c>')
        out.append("</row>")
    out.append("</sheetData>")
    out.append(f'<mergeCells count="{len(sh.merges)}">')
    out.extend(f'<mergeCell ref="{m}"/>' for m in sh.merges)
    out.append("</mergeCells>")
    m = MARGINS[variant]
    out.append(f'<pageMargins left="{num(m["left"])}" right="{num(m["right"])}" '
               f'top="{num(m["top"])}" bottom="{num(m["bottom"])}" '
               f'header="{num(m["header"])}" footer="{num(m["footer"])}"/>')
    out.append('<pageSetup paperSize="9" fitToWidth="1" fitToHeight="0" orientation="portrait"/>')
    if doc["footer"]:
        out.append(f'<headerFooter><oddFooter>{escape(doc["footer"])}</oddFooter></headerFooter>')
    out.append("</worksheet>")
    return "".join(out)


def strings_xml(sh):
    out = [XML_DECL, f'<sst xmlns="{NS_MAIN}" count="{len(sh.strings)}" '
                     f'uniqueCount="{len(sh.strings)}">']
    for s in sh.strings:
        space = ' xml:space="preserve"' if s != s.strip() else ""
        out.append(f"<si><t{space}>{escape(s)}</t></si>")
    out.append("</sst>")
    return "".join(out)


def workbook_xml(doc, variant):
    names = ""
    if variant == "xls":
        # The 97-2003 files repeat the header rows on every printed page.
        names = ('<definedNames><definedName name="_xlnm.Print_Titles" localSheetId="0">'
                 f'Sheet1!$1:${doc["freeze"]}</definedName></definedNames>')
    return (XML_DECL + f'<workbook xmlns="{NS_MAIN}" xmlns:r="{NS_R}">'
            '<workbookPr/><bookViews><workbookView xWindow="240" yWindow="120" '
            'windowWidth="18000" windowHeight="9000"/></bookViews>'
            '<sheets><sheet name="Sheet1" sheetId="1" r:id="rId1"/></sheets>'
            f"{names}</workbook>")


def parts(doc, variant):
    ct_main = "application/vnd.openxmlformats-officedocument.spreadsheetml"
    return {
        "[Content_Types].xml": XML_DECL +
        '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/>'
        f'<Override PartName="/xl/workbook.xml" ContentType="{ct_main}.sheet.main+xml"/>'
        f'<Override PartName="/xl/worksheets/sheet1.xml" ContentType="{ct_main}.worksheet+xml"/>'
        f'<Override PartName="/xl/styles.xml" ContentType="{ct_main}.styles+xml"/>'
        f'<Override PartName="/xl/sharedStrings.xml" ContentType="{ct_main}.sharedStrings+xml"/>'
        '<Override PartName="/docProps/core.xml" '
        'ContentType="application/vnd.openxmlformats-package.core-properties+xml"/>'
        '<Override PartName="/docProps/app.xml" '
        'ContentType="application/vnd.openxmlformats-officedocument.extended-properties+xml"/>'
        "</Types>",
        "_rels/.rels": XML_DECL +
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/>'
        '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/package/2006/relationships/metadata/core-properties" Target="docProps/core.xml"/>'
        '<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/extended-properties" Target="docProps/app.xml"/>'
        "</Relationships>",
        "docProps/app.xml": XML_DECL +
        '<Properties xmlns="http://schemas.openxmlformats.org/officeDocument/2006/extended-properties" '
        'xmlns:vt="http://schemas.openxmlformats.org/officeDocument/2006/docPropsVTypes">'
        "<Application>Zelmora</Application><DocSecurity>0</DocSecurity><ScaleCrop>false</ScaleCrop>"
        '<HeadingPairs><vt:vector size="2" baseType="variant"><vt:variant><vt:lpstr>ワークシート</vt:lpstr>'
        "</vt:variant><vt:variant><vt:i4>1</vt:i4></vt:variant></vt:vector></HeadingPairs>"
        '<TitlesOfParts><vt:vector size="1" baseType="lpstr"><vt:lpstr>Sheet1</vt:lpstr></vt:vector>'
        "</TitlesOfParts><LinksUpToDate>false</LinksUpToDate><SharedDoc>false</SharedDoc>"
        "<HyperlinksChanged>false</HyperlinksChanged><AppVersion>12.0000</AppVersion></Properties>",
        "docProps/core.xml": XML_DECL +
        '<cp:coreProperties xmlns:cp="http://schemas.openxmlformats.org/package/2006/metadata/core-properties" '
        'xmlns:dc="http://purl.org/dc/elements/1.1/" xmlns:dcterms="http://purl.org/dc/terms/" '
        'xmlns:dcmitype="http://purl.org/dc/dcmitype/" xmlns:xsi="http://www.w3.org/2001/XMLSchema-instance">'
        f'<dc:title>{doc["title"]}</dc:title><dc:creator>Zelmora</dc:creator>'
        '<dcterms:created xsi:type="dcterms:W3CDTF">2008-01-01T00:00:00Z</dcterms:created>'
        '<dcterms:modified xsi:type="dcterms:W3CDTF">2008-01-01T00:00:00Z</dcterms:modified>'
        "</cp:coreProperties>",
        "xl/_rels/workbook.xml.rels": XML_DECL +
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="worksheets/sheet1.xml"/>'
        '<Relationship Id="rId2" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>'
        '<Relationship Id="rId3" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>'
        "</Relationships>",
        "xl/workbook.xml": workbook_xml(doc, variant),
        # The sheet first: it fills the string table.
        "xl/worksheets/sheet1.xml": sheet_xml(doc, variant),
        "xl/styles.xml": doc["styles"].xml(),
        "xl/sharedStrings.xml": None,
    }


BREAK_BEFORE = re.compile(r"(?=<(?:row |/sheetData|sheetData|mergeCells|mergeCell |col |/cols|cols|"
                          r"sheetPr|sheetViews|sheetFormatPr|pageMargins|pageSetup|headerFooter|dimension|"
                          r"font>|/fonts|fonts |fills |borders |border>|/borders|cellStyleXfs|"
                          r"cellXfs|xf |/cellXfs|cellStyles|dxfs|si>|/sst|Relationship |"
                          r"/Relationships|Default |Override |/Types|sheets>|bookViews|"
                          r"definedNames|/workbook|/worksheet|/styleSheet))")


def readable(xml):
    """One element per line where whitespace between elements is harmless."""
    head, _, body = xml.partition("\n")
    return head + "\n" + BREAK_BEFORE.sub("\n", body).lstrip("\n") + "\n"


def build(maker, variant):
    doc = maker(variant)
    p = parts(doc, variant)
    p["xl/sharedStrings.xml"] = strings_xml(doc["sheet"])
    return {k: readable(v) for k, v in p.items()}


DOCUMENTS = {
    "obproject": table_list,
    "obtable": table_definition,
    "obprojectdetail": lambda variant: table_list(variant, detailed=True),
    "obtabledetail": lambda variant: table_definition(variant, detailed=True),
}


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--xls-src", help="write the 97-2003 layouts as .xlsx files into this folder")
    args = ap.parse_args()
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")
    for name, maker in DOCUMENTS.items():
        if args.xls_src:
            os.makedirs(args.xls_src, exist_ok=True)
            with zipfile.ZipFile(os.path.join(args.xls_src, name + ".xlsx"), "w",
                                 zipfile.ZIP_DEFLATED) as z:
                for part, data in build(maker, "xls").items():
                    z.writestr(part, data.encode("utf-8"))
            continue
        folder = os.path.join(root, "resources", "templates", name + "2007.xlsx.d")
        for part, data in build(maker, "2007").items():
            path = os.path.join(folder, part)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            with open(path, "w", encoding="utf-8", newline="") as f:
                f.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main())
