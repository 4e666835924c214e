// Whole-sheet layout on the engine: rows given the form of another row, and
// print titles and areas, read back by openpyxl and validated.
#include <gtest/gtest.h>

#include "common/Resources.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"
#include "xlsx/ExcelApplication.h"
#include "xlsx/XlsxError.h"

using namespace zel;
using namespace zel::xl;
using zel::test::DumpWorkbook;
using zel::test::ReadZipPart;
using zel::test::CountOf;
using zel::test::PlaceTemplate;
using zel::test::TempDir;

namespace {

void ExpectValid(const std::string& path) {
  if (test::SchemasAvailable()) {
    EXPECT_EQ(test::SchemaProblems(path), "");
  }
}

}  // namespace

TEST(SheetLayout, RowsTakeAnotherRowsFormsHeightsAndMergesWithoutTouchingValuesOrOtherSheets) {
  TempDir dir;
  const std::string path = PlaceTemplate(dir, "obproject2007");
  auto app = CreateExcelEngine();
  IWorkbook& book = app->Workbooks().Open(path);
  IWorksheet& list = book.WorkSheets(1);
  list.Copy(list);  // shares its rows with the first sheet until written
  IWorksheet& copy = book.WorkSheets(2);

  EXPECT_EQ(list.LastFormattedRow(8, 1, 8), 67);
  EXPECT_EQ(list.LastFormattedRow(68, 1, 8), 67);  // below the band: nothing of its own
  EXPECT_EQ(list.LastFormattedRow(7, 2, 3), 67);   // headings and band, one run

  copy.Cells(72, 2).FormulaR1C1("written first");
  copy.FormRows(68, 75, 66, 1, 8);
  copy.FormRows(68, 75, 66, 1, 8);  // again: no second merge of any row
  copy.FormRows(67, 67, 66, 1, 8);  // row 67 keeps its own merges
  copy.FormRows(80, 80, 66, 3, 3);  // C is half of B:C: the merge comes whole
  EXPECT_EQ(copy.LastFormattedRow(8, 1, 8), 75);
  copy.Cells(70, 7).FormulaR1C1("2008/04/10");  // a date on the formed row
  copy.Cells(66, 7).FormulaR1C1("2008/04/11");  // and on its model
  EXPECT_THROW(copy.FormRows(0, 3, 8, 1, 8), EXlsxError);
  EXPECT_THROW(copy.FormRows(10, 12, 8, 5, 2), EXlsxError);
  book.Close(true);

  test::WorkbookDump d = DumpWorkbook(path);
  ASSERT_TRUE(d.ok()) << d.error;
  const std::string s = d["sheet.2"] + "!";
  EXPECT_EQ(d[s + "B72"], "s:written first");
  for (const char* cell : {"A70", "B70", "D75", "H68", "A67"}) {
    const std::string model = std::string(1, cell[0]) + "66";
    EXPECT_EQ(d[s + cell + ".border"], d[s + model + ".border"]) << cell;
    EXPECT_EQ(d[s + cell + ".align"], d[s + model + ".align"]) << cell;
  }
  EXPECT_EQ(d[s + "B80.border"], d[s + "B66.border"]);
  EXPECT_EQ(d[d["sheet.2"] + ".row.75.height"], "12.0");
  EXPECT_EQ(d[s + "G70.align"], d[s + "G66.align"]);
  EXPECT_FALSE(d[s + "G70.fmt"].empty());
  EXPECT_EQ(d[s + "G70.fmt"], d[s + "G66.fmt"]);
  const std::string merges = " " + d[d["sheet.2"] + ".merges"] + " ";
  for (const char* m : {"B67:C67", "D67:F67", "B68:C68", "D75:F75", "B80:C80"})
    EXPECT_EQ(CountOf(merges, std::string(" ") + m + " "), 1) << m;
  EXPECT_EQ(CountOf(merges, "80 "), 1);  // D:F lies outside C and does not come
  // The first sheet is as the template made it.
  EXPECT_FALSE(d.Has("Sheet1!A70.border"));
  EXPECT_EQ(d["Sheet1.merges"].find("68"), std::string::npos);
  ExpectValid(path);
}

TEST(SheetLayout, PrintNamesFollowRenamesAndCopiesAndReplaceAModelsOwn) {
  TempDir dir;
  const std::string path = PlaceTemplate(dir, "obtable2007");
  {
    auto app = CreateExcelEngine();
    IWorkbook& book = app->Workbooks().Open(path);
    IWorksheet& first = book.WorkSheets(1);
    first.PrintTitleRows(1, 7);
    first.PrintArea(1, 1, 80, 9);
    first.Copy(first);  // the copy prints as its source until told otherwise
    first.Copy(book.WorkSheets(2));
    book.WorkSheets(3).PrintArea(1, 1, 527, 9);
    book.WorkSheets(2).Name("it's b");
    first.Name("a");
    EXPECT_THROW(first.PrintArea(5, 1, 4, 9), EXlsxError);
    EXPECT_THROW(first.PrintTitleRows(0, 7), EXlsxError);
    book.Close(true);
  }
  const std::string workbook = ReadZipPart(path, "xl/workbook.xml");
  EXPECT_EQ(CountOf(workbook, "_xlnm.Print_Titles"), 3) << workbook;
  EXPECT_EQ(CountOf(workbook, "_xlnm.Print_Area"), 3) << workbook;
  test::WorkbookDump d = DumpWorkbook(path, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["a.print_titles"], "$1:$7");
  EXPECT_EQ(d["it's b.print_titles"], "$1:$7");
  EXPECT_EQ(d["a.print_area"], "$A$1:$I$80");
  EXPECT_EQ(d["it's b.print_area"], "$A$1:$I$80");
  EXPECT_EQ(d[d["sheet.3"] + ".print_area"], "$A$1:$I$527");
  // Under the sheets' final names, quoted where a formula needs it.
  for (const char* text : {">a!$1:$7<", ">a!$A$1:$I$80<", ">'it''s b'!$1:$7<",
                           ">'it''s b'!$A$1:$I$80<", ">'Sheet1 (3)'!$A$1:$I$527<"})
    EXPECT_EQ(CountOf(workbook, text), 1) << text;
  ExpectValid(path);

  // A model's own print settings on the sheet are replaced, not doubled;
  // its other names stay.
  const std::string model = dir.File("model.xlsx");
  std::string out;
  ASSERT_EQ(test::RunCommand("/usr/bin/python3 " + std::string(ZEL_SOURCE_DIR) +
                                 "/tests/support/make_model_workbook.py '" + model + "'",
                             &out),
            0)
      << out;
  {
    auto app = CreateExcelEngine();
    IWorkbook& book = app->Workbooks().Open(model);
    book.WorkSheets(1).PrintArea(1, 1, 100, 9);
    book.Close(true);
  }
  const std::string names = ReadZipPart(model, "xl/workbook.xml");
  EXPECT_EQ(CountOf(names, "_xlnm.Print_Area"), 1) << names;
  EXPECT_EQ(CountOf(names, "_xlnm.Print_Titles"), 1) << names;
  EXPECT_EQ(CountOf(names, "Authors"), 1) << names;
  test::WorkbookDump m = DumpWorkbook(model, false);
  ASSERT_TRUE(m.ok()) << m.error;
  EXPECT_EQ(m["定義書.print_area"], "$A$1:$I$100");
  EXPECT_EQ(m["定義書.print_titles"], "1:7");  // the model's own
  ExpectValid(model);
}

TEST(SheetLayout, CellsTakeOneCellsFormMergedAndLiteralTextStaysText) {
  TempDir dir;
  const std::string path = PlaceTemplate(dir, "obtable2007");
  {
    auto app = CreateExcelEngine();
    IWorkbook& book = app->Workbooks().Open(path);
    IWorksheet& sheet = book.WorkSheets(1);
    sheet.FormCells(70, 1, 3, 7, 1);  // the heading cell's form over A:C, merged
    sheet.FormCells(70, 2, 4, 7, 1);  // would overlap A70:C70: formed, not merged
    sheet.FormCells(71, 5, 5, 67, 7);  // one cell: formed, no merge
    sheet.Cells(70, 1).Text("見出し");
    // Typed input would read these as a number, a date and a number; as
    // literal text they stay what they are, and a formula never forms.
    sheet.Cells(71, 5).Text("0");
    sheet.Cells(72, 1).Text("2024/01/31");
    sheet.Cells(73, 1).Text("-1");
    sheet.Cells(74, 1).Text("=1+1");
    sheet.Cells(75, 1).FormulaR1C1("0");
    sheet.Cells(76, 1).Text("");
    EXPECT_THROW(sheet.FormCells(70, 0, 3, 7, 1), EXlsxError);
    EXPECT_THROW(sheet.FormCells(70, 1, 3, 0, 1), EXlsxError);
    book.Close(true);
    app->Quit();
  }
  const auto d = DumpWorkbook(path);
  ASSERT_TRUE(d.ok()) << d.error;
  const std::string merges = " " + d["Sheet1.merges"] + " ";
  EXPECT_NE(merges.find(" A70:C70 "), std::string::npos) << merges;
  EXPECT_EQ(merges.find("B70:D70"), std::string::npos) << merges;
  EXPECT_EQ(merges.find("E71"), std::string::npos) << merges;
  EXPECT_EQ(d["Sheet1!A70.font"], d["Sheet1!A7.font"]);
  EXPECT_EQ(d["Sheet1!A70.border"], d["Sheet1!A7.border"]);
  EXPECT_EQ(d["Sheet1!D70.border"], d["Sheet1!A7.border"]);
  EXPECT_EQ(d["Sheet1!E71.border"], d["Sheet1!G67.border"]);
  EXPECT_EQ(d["Sheet1!E71.align"], d["Sheet1!G67.align"]);
  EXPECT_EQ(d["Sheet1!A70"], "s:見出し");
  EXPECT_EQ(d["Sheet1!E71"], "s:0");
  EXPECT_EQ(d["Sheet1!A72"], "s:2024/01/31");
  EXPECT_EQ(d["Sheet1!A73"], "s:-1");
  EXPECT_EQ(d["Sheet1!A74"], "s:=1+1");
  EXPECT_EQ(d["Sheet1!A75"], "n:0");
  EXPECT_FALSE(d.Has("Sheet1!A76"));
  ExpectValid(path);
}
