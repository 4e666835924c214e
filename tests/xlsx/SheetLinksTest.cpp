// Links between sheets, column widths and new empty worksheets: what openpyxl
// reads back, where the elements sit in the part (schema order), and the
// workbook opening on the sheet put first.
#include <gtest/gtest.h>

#include "common/Resources.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"
#include "xlsx/ExcelApplication.h"
#include "xlsx/WorksheetModel.h"
#include "xlsx/XlsxError.h"

using namespace zel;
using namespace zel::xl;
using zel::test::DumpWorkbook;
using zel::test::ReadZipPart;
using zel::test::TempDir;

TEST(SheetLinks, LocationQuotesEveryNameAndDoublesApostrophes) {
  EXPECT_EQ(SheetLocation("目次"), "'目次'!A1");
  EXPECT_EQ(SheetLocation("it's"), "'it''s'!A1");
  EXPECT_EQ(SheetLocation("''"), "''''''!A1");
  EXPECT_EQ(SheetLocation("a b!c"), "'a b!c'!A1");
}

TEST(SheetLinks, ColumnWidthSplitsASharedRangeAndKeepsItsStyle) {
  WorksheetModel m;
  m.Parse(
      "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<cols><col min=\"1\" max=\"5\" width=\"9\" style=\"3\" customWidth=\"1\"/>"
      "<col min=\"8\" max=\"8\" width=\"4\"/></cols><sheetData/></worksheet>",
      "sheet.xml");
  m.SetColumnWidth(3, 20);
  m.SetColumnWidth(7, 12.5);  // between two entries
  m.SetColumnWidth(8, 30);    // an entry of its own
  m.SetColumnWidth(1, 2);     // the head of what was split off
  const std::string xml = m.Serialize();
  const std::string expected =
      "<cols><col min=\"1\" max=\"1\" width=\"2\" style=\"3\" customWidth=\"1\"/>"
      "<col min=\"2\" max=\"2\" width=\"9\" style=\"3\" customWidth=\"1\"/>"
      "<col min=\"3\" max=\"3\" width=\"20\" style=\"3\" customWidth=\"1\"/>"
      "<col min=\"4\" max=\"5\" width=\"9\" style=\"3\" customWidth=\"1\"/>"
      "<col min=\"7\" max=\"7\" width=\"12.5\" customWidth=\"1\"/>"
      "<col min=\"8\" max=\"8\" width=\"30\" customWidth=\"1\"/></cols>";
  EXPECT_NE(xml.find(expected), std::string::npos) << xml;
  EXPECT_THROW(m.SetColumnWidth(0, 5), EXlsxError);
  EXPECT_THROW(m.SetColumnWidth(2, 300), EXlsxError);
  EXPECT_THROW(m.SetHyperlink(0, 1, "'a'!A1", ""), EXlsxError);
}

TEST(SheetLinks, AnIndexSheetFirstLinksToEverySheetAndBack) {
  TempDir dir;
  auto data = res::Find("xlsx", "obtable2007");
  ASSERT_TRUE(data.has_value());
  const std::string path = dir.File("links.xlsx");
  test::WriteFile(path, std::string(*data));

  const std::vector<std::string> names = {"it's", "目次~2", "a b", "x''y"};
  {
    auto app = CreateExcelEngine();
    app->Workbooks().Open(path);
    IWorkbook& book = app->Workbooks(1);
    for (std::size_t i = 1; i < names.size(); ++i)
      book.WorkSheets(1).Copy(book.WorkSheets(book.sheets().count()));
    book.WorkSheets(1).PrintTitleRows(1, 7);
    IWorksheet& index = book.AddWorksheet(1);
    EXPECT_EQ(book.sheets().count(), 5);
    EXPECT_NE(index.Name(), "");
    index.Name("目次");
    // A second new sheet gets a name of its own too.
    IWorksheet& other = book.AddWorksheet(6 - 1);
    EXPECT_NE(other.Name(), index.Name());
    other.Name("spare");
    for (std::size_t i = 0; i < names.size(); ++i) {
      IWorksheet& sheet = book.WorkSheets(static_cast<int>(i) + (i < 3 ? 2 : 3));
      sheet.Name(names[i]);
      const int row = 8 + static_cast<int>(i);
      index.Cells(row, 2).FormulaR1C1(names[i]);
      index.Hyperlink(row, 2, SheetLocation(names[i]), names[i]);
      sheet.Cells(1, 10).FormulaR1C1("目次へ");
      sheet.Hyperlink(1, 10, SheetLocation("目次"), "先");
      sheet.Hyperlink(1, 10, SheetLocation("目次"), "目次へ");  // replaces the first
    }
    index.ColumnWidth(2, 32);
    book.WorkSheets(1).Select();
    book.Close(true);
    app->Quit();
  }

  const test::WorkbookDump d = DumpWorkbook(path);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.count"], "6");
  EXPECT_EQ(d["sheet.1"], "目次");
  EXPECT_EQ(d["active"], "1");
  EXPECT_EQ(d["selected"], "目次");
  EXPECT_EQ(d["sheet.5"], "spare");
  EXPECT_EQ(d["目次.col.B.width"], "32.0");
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string cell = "目次!B" + std::to_string(8 + i);
    EXPECT_EQ(d[cell], "s:" + names[i]);
    EXPECT_EQ(d[cell + ".link"], SheetLocation(names[i]));
    EXPECT_EQ(d[names[i] + "!J1"], "s:目次へ");
    EXPECT_EQ(d[names[i] + "!J1.link"], "'目次'!A1");
  }
  // The print titles stayed with the sheet they belong to, now the second.
  EXPECT_EQ(d["it's.print_titles"], "$1:$7");
  EXPECT_EQ(d["目次.print_titles"], "");
  // One link per cell, whatever was written there before.
  const std::string sheet2 = ReadZipPart(path, "xl/worksheets/sheet2.xml");
  std::size_t links = 0;
  for (auto at = sheet2.find("<hyperlink "); at != std::string::npos;
       at = sheet2.find("<hyperlink ", at + 1))
    ++links;
  EXPECT_EQ(links, 1u) << sheet2;
  if (test::SchemasAvailable()) {
    EXPECT_EQ(test::SchemaProblems(path), "");
  }
}
