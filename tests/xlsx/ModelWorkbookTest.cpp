// A model workbook made by another program (openpyxl) goes through what the
// definition export does to it: three copies of the first sheet, cells
// written, sheets renamed, the first selected, saved in place. openpyxl and
// LibreOffice must read every part back.
#include <gtest/gtest.h>

#include "support/WorkbookCheck.h"
#include "xlsx/ExcelApplication.h"
#include "support/TestEnv.h"

using namespace zel;
using namespace zel::xl;
using zel::test::TempDir;

namespace {

void MakeModel(const std::string& path) {
  std::string out;
  ASSERT_EQ(test::RunCommand("/usr/bin/python3 " + std::string(ZEL_SOURCE_DIR) +
                                 "/tests/support/make_model_workbook.py '" + path + "'",
                             &out),
            0)
      << out;
}

}  // namespace

TEST(ModelWorkbook, SurvivesCopiesWritesAndRenames) {
  TempDir dir;
  std::string path = dir.File("model.xlsx");
  MakeModel(path);
  auto before = test::DumpWorkbook(path, false);
  ASSERT_TRUE(before.ok()) << before.error;

  auto app = CreateExcelEngine();
  app->Workbooks().Open(path);
  IWorkbook& book = app->Workbooks(1);
  ASSERT_EQ(book.sheets().count(), 3);
  for (int i = 0; i < 3; ++i) {
    int c = book.sheets().count();
    book.WorkSheets(1).Copy(book.WorkSheets(c));
  }
  const char* tables[] = {"customer", "orders", "order_items", "商品マスタ"};
  const int positions[] = {1, 4, 5, 6};  // the model's other sheets stay where they are
  for (int i = 0; i < 4; ++i) {
    IWorksheet& ws = book.WorkSheets(positions[i]);
    ws.Cells(2, 3).FormulaR1C1(tables[i]);
    ws.Cells(8, 1).FormulaR1C1("1");
    ws.Cells(8, 2).FormulaR1C1("id");
    ws.Cells(1, 8).FormulaR1C1("overwrites a formula");
    ws.Name(tables[i]);
  }
  book.WorkSheets(1).Select();
  book.Close(true);
  app->Quit();

  auto d = test::DumpWorkbook(path, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.count"], "6");
  const char* order[] = {"customer", "メモ", "lists", "orders", "order_items", "商品マスタ"};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(d["sheet." + std::to_string(i + 1)], order[i]);
  EXPECT_EQ(d["lists.state"], "hidden");
  EXPECT_EQ(d["active"], "1");
  EXPECT_EQ(d["selected"], "customer");
  for (const char* t : {"customer", "orders", "order_items", "商品マスタ"}) {
    std::string s = t;
    EXPECT_EQ(d[s + "!C2"], "s:" + s);
    EXPECT_EQ(d[s + "!A1"], "s:システム名");  // the model's inline strings are kept
    EXPECT_EQ(d[s + "!H1"], "s:overwrites a formula");
    EXPECT_EQ(d[s + "!A8"], "n:1");
    EXPECT_EQ(d[s + ".merges"], "C1:F1");
    EXPECT_EQ(d[s + ".freeze"], "A8");
    EXPECT_EQ(d[s + ".footer"], "|&P/&N|");
    EXPECT_EQ(d[s + "!B7.comment"], "列の名前を書く") << s;
    EXPECT_EQ(d[s + ".images"], before["定義書.images"]) << s;
    // Sheet-local print settings follow each copy and its new name.
    EXPECT_EQ(d[s + ".print_titles"], before["定義書.print_titles"]) << s;
    EXPECT_EQ(d[s + ".print_titles"], "1:7") << s;
    EXPECT_NE(d[s + ".print_area"].find("$A$1:$I$67"), std::string::npos) << s;
  }
  EXPECT_EQ(d["メモ!A3"], "s:merged note");
  EXPECT_EQ(d["メモ.merges"], "A3:C3");
  EXPECT_NE(d["names"].find("Authors="), std::string::npos) << d["names"];
  // Local names: one print area per copy, each on its own sheet.
  std::string wb = test::ReadZipPart(path, "xl/workbook.xml");
  for (const char* t : {"customer", "orders", "order_items", "商品マスタ"})
    EXPECT_NE(wb.find(std::string("'") + t + "'!$A$1:$I$67") == std::string::npos
                  ? wb.find(std::string(t) + "!$A$1:$I$67")
                  : 0,
              std::string::npos)
        << t << "\n"
        << wb;
  EXPECT_EQ(test::SchemaProblems(path), "");

  if (!test::HaveSoffice()) GTEST_SKIP() << "soffice is not installed: PDF check skipped";
  std::string pdf = test::ConvertToPdf(path, dir.Path());
  EXPECT_EQ(pdf, "");
}

TEST(ModelWorkbook, CommentDrawingsOfCopiesGetTheirOwnShapeIds) {
  TempDir dir;
  std::string path = dir.File("model.xlsx");
  MakeModel(path);
  auto app = CreateExcelEngine();
  IWorkbook& book = app->Workbooks().Open(path);
  book.WorkSheets(1).Copy(book.WorkSheets(1));
  book.WorkSheets(1).Copy(book.WorkSheets(2));
  book.Close(true);
  std::string parts = test::ZipPartList(path);
  std::string vml1 = test::ReadZipPart(path, "xl/drawings/commentsDrawing1.vml");
  std::string vml2 = test::ReadZipPart(path, "xl/drawings/commentsDrawing2.vml");
  std::string vml3 = test::ReadZipPart(path, "xl/drawings/commentsDrawing3.vml");
  ASSERT_FALSE(vml2.empty()) << parts;
  ASSERT_FALSE(vml3.empty()) << parts;
  EXPECT_NE(vml1.find("data=\"1\""), std::string::npos);
  EXPECT_NE(vml2.find("data=\"2\""), std::string::npos) << vml2;
  EXPECT_NE(vml3.find("data=\"3\""), std::string::npos) << vml3;
  EXPECT_NE(vml1.find("_x0000_s1026"), std::string::npos) << vml1;
  EXPECT_NE(vml2.find("_x0000_s2050"), std::string::npos) << vml2;  // same place in block 2
  // Each copy has its own comments and drawing parts; the image is shared.
  EXPECT_NE(parts.find("xl/comments/comment3.xml"), std::string::npos) << parts;
  EXPECT_NE(parts.find("xl/drawings/drawing3.xml"), std::string::npos) << parts;
  EXPECT_EQ(parts.find("xl/media/image2"), std::string::npos) << parts;
  EXPECT_EQ(test::SchemaProblems(path), "");
}
