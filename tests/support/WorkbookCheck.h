#pragma once
// Checking workbooks from C++ tests through independent tools.
//
//   WorkbookDump d = DumpWorkbook(path);        // openpyxl's view, see xlsx_dump.py
//   EXPECT_EQ(d["Sheet1!A8"], "n:1");           // value as TYPE:TEXT
//   EXPECT_EQ(d["Sheet1!C4"], "s:customer");
//   EXPECT_EQ(d["Sheet1.freeze"], "A8");
//   EXPECT_EQ(d["sheet.2"], "orders");          // sheet names in order
//   EXPECT_EQ(SchemaProblems(path), "");        // every XML part validates
//
// Keys are documented in tests/support/xlsx_dump.py. A missing key reads as
// the empty text; d.error holds openpyxl's complaint when it could not read
// the file at all.
#include <map>
#include <string>

namespace zel::test {

struct WorkbookDump {
  std::map<std::string, std::string> values;
  std::string error;  // empty when openpyxl read the workbook
  bool ok() const { return error.empty(); }
  std::string operator[](const std::string& key) const {
    auto it = values.find(key);
    return it == values.end() ? std::string() : it->second;
  }
  bool Has(const std::string& key) const { return values.count(key) != 0; }
};

// styles: also the font, alignment and border of each cell (slower).
WorkbookDump DumpWorkbook(const std::string& path, bool styles = true);

// Validates every XML part against the ECMA-376 schemas with xmllint
// (tests/support/xlsx_validate.py). Empty when all validate; otherwise the
// failing parts. Returns "no schemas" when the schema folder is missing.
std::string SchemaProblems(const std::string& path);

// The schema folder: $ZEL_OOXML_SCHEMAS or ../shared/ooxml-schemas beside the sources.
std::string SchemaFolder();
bool SchemasAvailable();

// soffice is installed (LibreOffice checks are skipped without it).
bool HaveSoffice();
// Converts the workbook to PDF with LibreOffice in a private profile; returns
// "" on success, otherwise what went wrong.
std::string ConvertToPdf(const std::string& path, const std::string& outDir);

// The bytes of one part of a zip package ("" when absent).
std::string ReadZipPart(const std::string& zipPath, const std::string& part);
// All part names of a zip package.
std::string ZipPartList(const std::string& zipPath);

// Writes a workbook that passes as a model: the built-in definition
// template's bytes.
void WriteModelWorkbook(const std::string& path);

// Runs tests/support/make_odd_models.py into the folder for the named
// models ("macro strict", ...; empty for all); false, with a test failure
// added, when the script failed.
bool MakeOddModels(const std::string& folder, const std::string& names = {});

}  // namespace zel::test
