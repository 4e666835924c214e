// Every input the engine cannot work on is refused with a clear message,
// and nothing it refuses is changed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include <vector>

#include "support/WorkbookCheck.h"
#include "common/Resources.h"
#include "xlsx/ExcelApplication.h"
#include "xlsx/XlsxError.h"
#include "support/TestEnv.h"

using namespace zel;
using namespace zel::xl;
using zel::test::TempDir;

namespace {

// Writes a zip with the given parts.
void WriteZip(const std::string& path,
              const std::vector<std::pair<std::string, std::string>>& parts) {
  int err = 0;
  zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  ASSERT_NE(za, nullptr);
  for (const auto& [name, data] : parts) {
    zip_source_t* s = zip_source_buffer(za, data.data(), data.size(), 0);
    ASSERT_GE(zip_file_add(za, name.c_str(), s, ZIP_FL_ENC_UTF_8), 0);
  }
  ASSERT_EQ(zip_close(za), 0);
}

// The parts of the definition template with some replaced or dropped.
std::vector<std::pair<std::string, std::string>> TemplateParts(const std::string& replace = "",
                                                               const std::string& with = "",
                                                               bool drop = false) {
  std::string tmp = std::string(::testing::TempDir()) + "/tpl.xlsx";
  test::WriteFile(tmp, std::string(*res::Find("xlsx", "obtable2007")));
  std::vector<std::pair<std::string, std::string>> parts;
  std::string list = test::ZipPartList(tmp);
  for (std::size_t at = 0, nl; (nl = list.find('\n', at)) != std::string::npos; at = nl + 1) {
    std::string name = list.substr(at, nl - at);
    if (name == replace) {
      if (!drop) parts.push_back({name, with});
    } else {
      parts.push_back({name, test::ReadZipPart(tmp, name)});
    }
  }
  return parts;
}

std::string OpenError(const std::string& path) {
  auto app = CreateExcelEngine();
  try {
    app->Workbooks().Open(path);
  } catch (const EXlsxError& e) {
    return e.what();
  }
  return "opened";
}

bool Contains(const std::string& s, const std::string& part) {
  return s.find(part) != std::string::npos;
}

}  // namespace

TEST(EngineBadInput, FilesThatAreNoWorkbooksAreRefusedWithAClearMessage) {
  TempDir dir;
  EXPECT_TRUE(Contains(OpenError(dir.File("missing.xlsx")), "cannot be found"));
  EXPECT_TRUE(Contains(OpenError(dir.Path()), "folder"));

  test::WriteFile(dir.File("text.xlsx"), "just some text, not a zip");
  EXPECT_TRUE(Contains(OpenError(dir.File("text.xlsx")), "not a zip file"));
  test::WriteFile(dir.File("empty.xlsx"), "");
  EXPECT_TRUE(Contains(OpenError(dir.File("empty.xlsx")), "empty"));

  WriteZip(dir.File("plain.zip"), {{"readme.txt", "hello"}});
  EXPECT_TRUE(Contains(OpenError(dir.File("plain.zip")), "not an Excel workbook"));

  // A Word document: a package, but its main part is no workbook.
  auto docx =
      TemplateParts("_rels/.rels",
                    "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas."
                    "openxmlformats.org/package/2006/relationships\"><Relationship Id=\"r1\" "
                    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
                    "relationships/officeDocument\" Target=\"word/document.xml\"/>"
                    "</Relationships>");
  docx.push_back({"word/document.xml", "<w:document xmlns:w=\"urn:w\"/>"});
  WriteZip(dir.File("doc.xlsx"), docx);
  EXPECT_TRUE(Contains(OpenError(dir.File("doc.xlsx")), "not an Excel workbook"));

  // OLE compound files: a legacy workbook and an encrypted one.
  std::string ole("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  ole += std::string(504, '\0');
  test::WriteFile(dir.File("legacy.xls"), ole + "W\0o\0r\0k\0b\0o\0o\0k\0");
  EXPECT_TRUE(Contains(OpenError(dir.File("legacy.xls")),
                       "the .xls format cannot be opened; save the model workbook as .xlsx"));
  test::WriteFile(dir.File("template.xls"), std::string(*res::Find("xls", "obtable")));
  EXPECT_TRUE(Contains(OpenError(dir.File("template.xls")), "the .xls format cannot be opened"));
  std::string enc = ole + std::string("E\0n\0c\0r\0y\0p\0t\0e\0d\0P\0a\0c\0k\0a\0g\0e\0", 32);
  test::WriteFile(dir.File("secret.xlsx"), enc);
  EXPECT_TRUE(Contains(OpenError(dir.File("secret.xlsx")), "encrypted"));
}

TEST(EngineBadInput, DamagedPackagesAreRefused) {
  TempDir dir;
  // A workbook whose only sheet entry is gone.
  auto noSheet = TemplateParts("xl/workbook.xml",
                               "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas."
                               "openxmlformats.org/spreadsheetml/2006/main\"><sheets/></workbook>");
  WriteZip(dir.File("nosheet.xlsx"), noSheet);
  EXPECT_TRUE(Contains(OpenError(dir.File("nosheet.xlsx")), "no worksheet"));

  WriteZip(dir.File("badxml.xlsx"),
           TemplateParts("xl/worksheets/sheet1.xml", "<worksheet><sheetData>"));
  std::string e = OpenError(dir.File("badxml.xlsx"));
  EXPECT_TRUE(Contains(e, "xl/worksheets/sheet1.xml") && Contains(e, "not well-formed")) << e;

  WriteZip(dir.File("badsst.xlsx"),
           TemplateParts("xl/sharedStrings.xml", "<sst><si><t>x</si></sst>"));
  EXPECT_TRUE(Contains(OpenError(dir.File("badsst.xlsx")), "xl/sharedStrings.xml"));

  WriteZip(dir.File("nopart.xlsx"), TemplateParts("xl/worksheets/sheet1.xml", "", true));
  EXPECT_TRUE(Contains(OpenError(dir.File("nopart.xlsx")), "is missing"));

  WriteZip(dir.File("notypes.xlsx"), TemplateParts("[Content_Types].xml", "", true));
  EXPECT_TRUE(Contains(OpenError(dir.File("notypes.xlsx")), "not an Excel workbook"));

  WriteZip(dir.File("badref.xlsx"),
           TemplateParts("xl/worksheets/sheet1.xml",
                         "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/"
                         "main\"><sheetData><row r=\"1\"><c r=\"ZZZZ1\"/></row></sheetData>"
                         "</worksheet>"));
  EXPECT_TRUE(Contains(OpenError(dir.File("badref.xlsx")), "ZZZZ1"));
}

TEST(EngineBadInput, AFailedSaveLeavesTheFileAsItWas) {
  TempDir dir;
  std::string folder = dir.File("out");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  std::string path = folder + "/book.xlsx";
  test::WriteFile(path, std::string(*res::Find("xlsx", "obtable2007")));
  std::string before = test::ReadFile(path);
  auto app = CreateExcelEngine();
  IWorkbook& book = app->Workbooks().Open(path);
  book.WorkSheets(1).Cells(1, 3).FormulaR1C1("changed");
  // The folder is moved away and a plain file takes its name: no temporary
  // file can be made there, whoever runs the test.
  ASSERT_EQ(rename(folder.c_str(), dir.File("moved").c_str()), 0);
  test::WriteFile(folder, "not a folder");
  try {
    book.Close(true);
    ADD_FAILURE() << "saving into a missing folder succeeded";
  } catch (const EXlsxError& e) {
    EXPECT_TRUE(Contains(e.what(), "cannot be saved")) << e.what();
  }
  EXPECT_EQ(test::ReadFile(dir.File("moved/book.xlsx")), before);
  EXPECT_EQ(test::ReadFile(folder), "not a folder");
  EXPECT_NO_THROW(book.Close(false));  // still open after the failed save
}
