#!/usr/bin/python3
"""Validates every XML part of a workbook against the ECMA-376 schemas.

    /usr/bin/python3 tests/export/xlsx_validate.py BOOK.xlsx [SCHEMA_DIR]

SCHEMA_DIR defaults to $ZEL_OOXML_SCHEMAS, else ../shared/ooxml-schemas beside
the source tree. The schema is chosen by the part's content type; parts of
types without a schema here (VML, printer settings, images, ...) are listed as
skipped. xml:space="preserve" on <t> is removed before validation (Excel writes
it, the schema's ST_Xstring has no attributes). Prints one line per part and
exits 0 when all validate, 1 when one does not, 2 when the schemas are missing.
"""
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET
import zipfile

SML = "sml.xsd"
BY_TYPE = {
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml": SML,
    "application/vnd.ms-excel.sheet.macroEnabled.main+xml": SML,
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml": SML,
    "application/vnd.openxmlformats-officedocument.spreadsheetml.chartsheet+xml": SML,
    "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml": SML,
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml": SML,
    "application/vnd.openxmlformats-officedocument.spreadsheetml.comments+xml": SML,
    "application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml": SML,
    "application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml": SML,
    "application/vnd.openxmlformats-officedocument.drawing+xml": "dml-spreadsheetDrawing.xsd",
    "application/vnd.openxmlformats-officedocument.drawingml.chart+xml": "dml-chart.xsd",
    "application/vnd.openxmlformats-officedocument.theme+xml": "dml-main.xsd",
    "application/vnd.openxmlformats-officedocument.extended-properties+xml":
        "shared-documentPropertiesExtended.xsd",
    "application/vnd.openxmlformats-package.core-properties+xml": "opc-coreProperties.xsd",
    "application/vnd.openxmlformats-package.relationships+xml": "opc-relationships.xsd",
}


def content_types(z):
    root = ET.fromstring(z.read("[Content_Types].xml"))
    ns = "{http://schemas.openxmlformats.org/package/2006/content-types}"
    defaults = {d.get("Extension").lower(): d.get("ContentType") for d in root.iter(ns + "Default")}
    overrides = {o.get("PartName").lstrip("/"): o.get("ContentType") for o in root.iter(ns + "Override")}
    return defaults, overrides


def main(argv):
    if len(argv) < 2:
        sys.stderr.write(__doc__)
        return 2
    book = argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    schemas = (argv[2] if len(argv) > 2 else os.environ.get("ZEL_OOXML_SCHEMAS")
               or os.path.join(here, "..", "..", "..", "shared", "ooxml-schemas"))
    if not os.path.exists(os.path.join(schemas, SML)):
        print("schemas not found in " + schemas)
        return 2
    failed = False
    with zipfile.ZipFile(book) as z, tempfile.TemporaryDirectory() as tmp:
        defaults, overrides = content_types(z)
        for name in z.namelist():
            if name.endswith("/"):
                continue
            if name == "[Content_Types].xml":
                schema = "opc-contentTypes.xsd"
            else:
                ext = name.rsplit(".", 1)[-1].lower() if "." in name else ""
                schema = BY_TYPE.get(overrides.get(name) or defaults.get(ext, ""))
            if not schema:
                print("skipped %s" % name)
                continue
            data = z.read(name)
            if schema == SML:
                data = re.sub(rb'(<(?:\w+:)?t\b[^>]*?) xml:space="preserve"', rb"\1", data)
            path = os.path.join(tmp, "part.xml")
            with open(path, "wb") as f:
                f.write(data)
            env = dict(os.environ, XML_CATALOG_FILES=os.path.join(schemas, "catalog.xml"))
            r = subprocess.run(["xmllint", "--noout", "--nonet", "--schema",
                                os.path.join(schemas, schema), path],
                               capture_output=True, text=True, env=env)
            if r.returncode == 0:
                print("valid %s" % name)
            else:
                failed = True
                errors = [l for l in r.stderr.splitlines() if "validates" not in l
                          and "Skipping import" not in l]
                print("INVALID %s: %s" % (name, " / ".join(errors[:5])))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
