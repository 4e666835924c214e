// The engine on the built-in templates: what it writes is read back by
// openpyxl and validated against the schemas.
#include <gtest/gtest.h>

#include "support/WorkbookCheck.h"
#include "common/Resources.h"
#include "xlsx/ExcelApplication.h"
#include "xlsx/XlsxError.h"
#include "support/TestEnv.h"

using namespace zel;
using namespace zel::xl;
using zel::test::DumpWorkbook;
using zel::test::ReadZipPart;
using zel::test::CountOf;
using zel::test::PlaceTemplate;
using zel::test::TempDir;

TEST(Engine, TypedInputKeepsStylesAndReadsBackInOpenpyxl) {
  TempDir dir;
  std::string path = PlaceTemplate(dir, "obtable2007");
  auto app = CreateExcelEngine();
  EXPECT_EQ(app->Version(), "12.0");
  app->Visible(false);
  app->Workbooks().Open(path);
  IWorkbook& book = app->Workbooks(1);
  IWorksheet& ws = book.WorkSheets(1);
  ws.Cells(1, 3).FormulaR1C1("販売管理システム");
  ws.Cells(3, 9).FormulaR1C1("2008/04/10");
  ws.Cells(4, 9).FormulaR1C1("2010/3/5");
  ws.Cells(8, 1).FormulaR1C1("1");
  ws.Cells(8, 2).FormulaR1C1("=HYPERLINK(\"http://x\")");
  ws.Cells(8, 4).FormulaR1C1("007");
  ws.Cells(8, 5).FormulaR1C1("10.5");
  ws.Cells(8, 9).FormulaR1C1(" 先頭と末尾に空白 ");
  ws.Cells(9, 9).FormulaR1C1("改行\r\nあり\x01_x0041_");
  ws.Cells(10, 2).FormulaR1C1(std::string("bad\xFFutf8"));
  ws.Cells(11, 2).FormulaR1C1("x");
  ws.Cells(11, 2).FormulaR1C1("");                 // emptied again
  ws.Cells(70, 9).FormulaR1C1("beyond the band");  // a new cell past the frame
  ws.Cells(12, 2).FormulaR1C1("+1");
  ws.Cells(13, 2).FormulaR1C1("'quoted");
  ws.Cells(14, 2).FormulaR1C1("@at");
  ws.Name("customer");
  ws.Select();
  book.Close(true);
  app->Quit();

  auto d = DumpWorkbook(path);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.1"], "customer");
  EXPECT_EQ(d["customer!C1"], "s:販売管理システム");
  EXPECT_EQ(d["customer!I3"], "d:2008-04-10");
  EXPECT_EQ(d["customer!I4"], "d:2010-03-05");
  EXPECT_EQ(d["customer!I3.fmt"], "mm-dd-yy");  // built-in format 14, the short date
  EXPECT_EQ(d["customer!A8"], "n:1");
  EXPECT_EQ(d["customer!B8"], "s:=HYPERLINK(\"http://x\")");  // text, never a formula
  EXPECT_EQ(d["customer!D8"], "s:007");
  EXPECT_EQ(d["customer!E8"], "n:10.5");
  EXPECT_EQ(d["customer!I8"], "s: 先頭と末尾に空白 ");
  EXPECT_EQ(d["customer!I9"], "s:改行\r\nあり\x01_x0041_");
  EXPECT_EQ(d["customer!B10"], "s:bad\xEF\xBF\xBDutf8");
  EXPECT_FALSE(d.Has("customer!B11"));
  EXPECT_EQ(d["customer!B12"], "s:+1");
  EXPECT_EQ(d["customer!B13"], "s:'quoted");
  EXPECT_EQ(d["customer!B14"], "s:@at");
  // The template's formats are kept: frames, fonts, alignment.
  EXPECT_EQ(d["customer!A8.border"], "thin,thin,thin,hair");
  EXPECT_EQ(d["customer!A8.font"], "ＭＳ Ｐゴシック,10,");
  EXPECT_EQ(d["customer!I8.align"], ",center,wrap");
  EXPECT_EQ(d["customer!I3.border"], "hair,thin,thin,thin");
  // A new cell past the band takes the column's format: no frame, wrapping.
  EXPECT_EQ(d["customer!I70"], "s:beyond the band");
  EXPECT_EQ(d["customer!I70.align"], ",center,wrap");
  EXPECT_EQ(d["customer!I70.border"], ",,,");
  EXPECT_EQ(d["customer.freeze"], "A8");
  EXPECT_EQ(d["customer.footer"], "|&P/&N|");
  EXPECT_EQ(test::SchemaProblems(path), "");
}

TEST(Engine, UnchangedPartsStayByteIdenticalAndStylesAreNotMultiplied) {
  TempDir dir;
  std::string path = PlaceTemplate(dir, "obtable2007");
  std::string original = path + ".orig";
  test::WriteFile(original, test::ReadFile(path));
  auto app = CreateExcelEngine();
  IWorkbook& book = app->Workbooks().Open(path);
  IWorksheet& ws = book.WorkSheets(1);
  for (int r = 8; r <= 67; ++r) {
    ws.Cells(r, 9).FormulaR1C1("comment " + std::to_string(r));
    if (r > 30) continue;
    ws.Cells(r, 9).WrapText(false);
    ws.Cells(r, 2).WrapText(false);  // already not wrapping: no new format
  }
  ws.Cells(3, 9).FormulaR1C1("2008/04/10");
  ws.Cells(4, 9).FormulaR1C1("2008/04/11");
  book.Close(true);

  for (const char* part : {"docProps/core.xml", "docProps/app.xml", "xl/workbook.xml",
                           "_rels/.rels", "xl/_rels/workbook.xml.rels", "[Content_Types].xml"})
    EXPECT_EQ(ReadZipPart(path, part), ReadZipPart(original, part)) << part;
  std::string before = ReadZipPart(original, "xl/styles.xml");
  std::string after = ReadZipPart(path, "xl/styles.xml");
  // One clone per distinct source format: the band's first row and its
  // middle rows differ (thin / hair top line); one more for the date format.
  EXPECT_EQ(CountOf(after, "<xf ") - CountOf(before, "<xf "), 3);
  auto d = DumpWorkbook(path);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["Sheet1!I8.align"], ",center,");
  EXPECT_EQ(d["Sheet1!I8.border"], "thin,thin,thin,hair");
  EXPECT_EQ(d["Sheet1!I9.align"], ",center,");
  EXPECT_EQ(d["Sheet1!I30.align"], ",center,");
  EXPECT_EQ(d["Sheet1!I31.align"], ",center,wrap") << "cells left alone keep wrapping";
  EXPECT_EQ(d["Sheet1!I66"], "s:comment 66");
  EXPECT_EQ(d["Sheet1!I4"], "d:2008-04-11");
  EXPECT_EQ(test::SchemaProblems(path), "");
}

TEST(Engine, CopiedSheetsNamesSelectionAndDiscard) {
  TempDir dir;
  std::string path = PlaceTemplate(dir, "obtable2007");
  const std::string pristine = test::ReadFile(path);
  auto app = CreateExcelEngine();
  IWorkbook& book = app->Workbooks().Open(path);
  for (int i = 0; i < 3; ++i) {
    int c = book.sheets().count();
    book.WorkSheets(1).Copy(book.WorkSheets(c));
  }
  ASSERT_EQ(book.sheets().count(), 4);
  EXPECT_EQ(book.WorkSheets(2).Name(), "Sheet1 (2)");
  const char* names[] = {"orders", "Customers", "明細テーブル", "a'b (x)"};
  for (int i = 1; i <= 4; ++i) {
    book.WorkSheets(i).Name(names[i - 1]);
    book.WorkSheets(i).Cells(4, 3).FormulaR1C1(names[i - 1]);
  }
  // Excel's rules: unique without regard to case, renaming to itself is fine.
  EXPECT_THROW(book.WorkSheets(2).Name("ORDERS"), EXlsxError);
  EXPECT_NO_THROW(book.WorkSheets(2).Name("Customers"));
  EXPECT_THROW(book.WorkSheets(3).Name("bad/name"), EXlsxError);
  EXPECT_THROW(book.WorkSheets(5), EXlsxError);
  EXPECT_THROW(book.WorkSheets(0), EXlsxError);
  EXPECT_THROW(book.WorkSheets(1).Cells(0, 3).FormulaR1C1("x"), EXlsxError);
  EXPECT_THROW(book.WorkSheets(1).Cells(1, 16385).FormulaR1C1("x"), EXlsxError);
  book.WorkSheets(3).Select();
  book.WorkSheets(1).Select();
  book.Close(true);
  // Using a closed workbook is an error, not a crash.
  EXPECT_THROW(book.WorkSheets(1), EXlsxError);
  EXPECT_THROW(app->Workbooks(1), EXlsxError);
  app->Quit();
  EXPECT_THROW(app->Workbooks(), EXlsxError);

  auto d = DumpWorkbook(path);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.count"], "4");
  for (int i = 1; i <= 4; ++i) {
    std::string n = names[i - 1];
    EXPECT_EQ(d["sheet." + std::to_string(i)], n);
    EXPECT_EQ(d[n + "!C4"], "s:" + n);
    EXPECT_EQ(d[n + "!A7"], "s:No.");
    EXPECT_EQ(d[n + ".freeze"], "A8");
    EXPECT_EQ(d[n + ".footer"], "|&P/&N|");
    EXPECT_EQ(d[n + ".merges"], d["orders.merges"]);
  }
  EXPECT_EQ(d["active"], "1");
  EXPECT_EQ(d["selected"], "orders");
  std::string app_xml = ReadZipPart(path, "docProps/app.xml");
  EXPECT_NE(app_xml.find("<vt:i4>4</vt:i4>"), std::string::npos) << app_xml;
  EXPECT_NE(app_xml.find("<vt:lpstr>明細テーブル</vt:lpstr>"), std::string::npos) << app_xml;
  EXPECT_EQ(test::SchemaProblems(path), "");

  // Close(false) leaves the file as it was.
  std::string saved = test::ReadFile(path);
  auto app2 = CreateExcelEngine();
  IWorkbook& again = app2->Workbooks().Open(path);
  again.WorkSheets(1).Cells(1, 1).FormulaR1C1("changed");
  again.WorkSheets(1).Copy(again.WorkSheets(1));
  again.Close(false);
  EXPECT_EQ(test::ReadFile(path), saved);
  EXPECT_NE(saved, pristine);
}

TEST(Engine, ThousandsOfWritesStayCheapAndRepeatedTextIsStoredOnce) {
  TempDir dir;
  std::string path = PlaceTemplate(dir, "obproject2007");
  auto app = CreateExcelEngine();
  IWorkbook& book = app->Workbooks().Open(path);
  IWorksheet& ws = book.WorkSheets(1);
  // Written bottom-up and out of column order: the sheet must still come out sorted.
  for (int r = 2000; r >= 8; --r) {
    ws.Cells(r, 8).FormulaR1C1("2008/04/10");
    ws.Cells(r, 2).FormulaR1C1("same text");
    ws.Cells(r, 1).FormulaR1C1(std::to_string(r - 7));
  }
  book.Close(true);
  std::string sst = ReadZipPart(path, "xl/sharedStrings.xml");
  EXPECT_EQ(CountOf(sst, "same text"), 1);
  auto d = DumpWorkbook(path, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["Sheet1!A2000"], "n:1993");
  EXPECT_EQ(d["Sheet1!B1999"], "s:same text");
  EXPECT_EQ(d["Sheet1!H8"], "d:2008-04-10");
  EXPECT_EQ(d["Sheet1.max_row"], "2000");
  EXPECT_EQ(test::SchemaProblems(path), "");
}

TEST(Engine, OverwritingTheFirstCellOfASharedFormulaKeepsTheOthers) {
  TempDir dir;
  std::string path = PlaceTemplate(dir, "obtable2007");
  // A model where "No." was filled down as one shared formula, as Excel saves it.
  std::string sheet = ReadZipPart(path, "xl/worksheets/sheet1.xml");
  auto fill = [&](const std::string& ref, const std::string& inner) {
    std::string head = "<c r=\"" + ref + "\" s=\"";
    std::size_t at = sheet.find(head);
    ASSERT_NE(at, std::string::npos) << ref;
    std::size_t close = sheet.find("/>", at);
    sheet.replace(close, 2, ">" + inner + "</c>");
  };
  fill("A8", "<f t=\"shared\" ref=\"A8:A10\" si=\"0\">ROW()-7+$B$1*0</f><v>1</v>");
  fill("A9", "<f t=\"shared\" si=\"0\"/><v>2</v>");
  fill("A10", "<f t=\"shared\" si=\"0\"/><v>3</v>");
  ASSERT_NE(sheet.find("si=\"0\"/>"), std::string::npos);
  std::string cmd =
      "cd '" + dir.Path() + "' && mkdir -p x/xl/worksheets && cd x && unzip -q ../obtable2007.xlsx";
  ASSERT_EQ(test::RunCommand(cmd), 0);
  test::WriteFile(dir.File("x/xl/worksheets/sheet1.xml"), sheet);
  ASSERT_EQ(test::RunCommand("cd '" + dir.File("x") +
                             "' && rm ../obtable2007.xlsx && zip -qr ../obtable2007.xlsx ."),
            0);

  auto app = CreateExcelEngine();
  IWorkbook& book = app->Workbooks().Open(path);
  book.WorkSheets(1).Cells(8, 1).FormulaR1C1("100");
  book.Close(true);
  std::string saved = ReadZipPart(path, "xl/worksheets/sheet1.xml");
  EXPECT_EQ(saved.find("t=\"shared\""), std::string::npos) << saved.substr(0, 3000);
  auto d = DumpWorkbook(path, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["Sheet1!A8"], "n:100");
  EXPECT_EQ(d["Sheet1!A9"], "f:=ROW()-7+$B$1*0");
  EXPECT_EQ(d["Sheet1!A10"], "f:=ROW()-7+$B$1*0");
  EXPECT_EQ(test::SchemaProblems(path), "");
}
