// Model workbooks of other flavours than a plain .xlsx: a macro-enabled one
// must give an ordinary workbook, a strict one is refused, and charts and
// names that refer to the template sheet follow it through copies and
// renames as they do in Excel.
#include <gtest/gtest.h>

#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"
#include "xlsx/XlsxError.h"
#include "xlsx/XlsxWorkbook.h"

using namespace zel;
using namespace zel::xl;
using zel::test::TempDir;

namespace {

std::string ContentTypeOf(const std::string& book, const std::string& part) {
  const std::string types = test::ReadZipPart(book, "[Content_Types].xml");
  const auto at = types.find("PartName=\"/" + part + "\"");
  if (at == std::string::npos) return {};
  const auto type = types.find("ContentType=\"", at);
  const auto begin = type + 13;
  return types.substr(begin, types.find('"', begin) - begin);
}

}  // namespace

TEST(ModelFlavours, MacroEnabledModelGivesAnOrdinaryWorkbookAndStrictIsRefused) {
  TempDir dir;
  ASSERT_TRUE(test::MakeOddModels(dir.Path(), "macro strict"));
  const std::string model = dir.File("macro.xlsm");
  ASSERT_NE(test::ZipPartList(model).find("xl/vbaProject.bin"), std::string::npos);

  // What the export does: the model's bytes under the target's name, filled
  // and saved in place.
  const std::string out = dir.File("out.xlsx");
  test::WriteFile(out, test::ReadFile(model));
  {
    auto book = XlsxWorkbook::Open(out);
    book->WorkSheets(1).Cells(8, 1).FormulaR1C1("1");
    book->WorkSheets(1).Name("customer");
    book->Close(true);
  }
  const std::string parts = test::ZipPartList(out);
  for (const char* gone : {"vbaProject", "vbaProjectSignature", "vbaProject.bin.rels"})
    EXPECT_EQ(parts.find(gone), std::string::npos) << gone << " in\n" << parts;
  EXPECT_EQ(ContentTypeOf(out, "xl/workbook.xml"),
            "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml");
  const std::string types = test::ReadZipPart(out, "[Content_Types].xml");
  EXPECT_EQ(types.find("vbaProject"), std::string::npos) << types;
  EXPECT_EQ(test::ReadZipPart(out, "xl/_rels/workbook.xml.rels").find("vbaProject"),
            std::string::npos);
  test::WorkbookDump d = test::DumpWorkbook(out, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["customer!A8"], "n:1");
  if (test::SchemasAvailable()) {
    EXPECT_EQ(test::SchemaProblems(out), "");
  }
  // And it opens again in the engine, whose checks are stricter about
  // relationships to missing parts than a reader needs to be.
  EXPECT_NO_THROW(XlsxWorkbook::Open(out)->Close(false));

  try {
    XlsxWorkbook::Open(dir.File("strict.xlsx"));
    ADD_FAILURE() << "a strict workbook was opened";
  } catch (const EXlsxError& e) {
    EXPECT_EQ(e.kind(), EXlsxError::Kind::Strict);
    EXPECT_NE(std::string(e.what()).find("Strict Open XML"), std::string::npos) << e.what();
  }
}

TEST(ModelFlavours, ChartsAndNamesFollowTheTemplateSheet) {
  TempDir dir;
  ASSERT_TRUE(test::MakeOddModels(dir.Path(), "chart"));
  const std::string out = dir.File("out.xlsx");
  test::WriteFile(out, test::ReadFile(dir.File("chart.xlsx")));
  {
    auto book = XlsxWorkbook::Open(out);
    // Two copies of the template behind the other sheet, then every
    // worksheet named after a table, as a definition export does.
    for (int i = 0; i < 2; ++i) book->WorkSheets(1).Copy(book->WorkSheets(book->sheets().count()));
    const char* names[] = {"customer", "order's", "line"};
    const int order[] = {1, 3, 4};
    for (int i = 0; i < 3; ++i) book->WorkSheets(order[i]).Name(names[i]);
    book->WorkSheets(2).Name("集計x");
    book->Close(true);
  }
  test::WorkbookDump d = test::DumpWorkbook(out, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.1"], "customer");
  EXPECT_EQ(d["sheet.3"], "order's");
  // (A name starting with C or R could read as R1C1: it goes in quotes.)
  EXPECT_EQ(d["集計x!A1"], "f:=SUM('customer'!B2:B4)");
  EXPECT_NE(d["names"].find("Values='customer'!$B$2:$B$4"), std::string::npos) << d["names"];

  // Each worksheet's chart part, by the drawing its sheet refers to (the
  // targets may be relative or absolute).
  auto partIn = [](const std::string& rels, const std::string& folder) {
    const auto at = rels.find(folder + "/");
    if (at == std::string::npos) return std::string();
    return "xl/" + rels.substr(at, rels.find('"', at) - at);
  };
  auto chartOf = [&](int sheetNumber) {
    const std::string drawing =
        partIn(test::ReadZipPart(
                   out, "xl/worksheets/_rels/sheet" + std::to_string(sheetNumber) + ".xml.rels"),
               "drawings");
    if (drawing.empty()) return std::string();
    const std::string chart =
        partIn(test::ReadZipPart(
                   out, "xl/drawings/_rels/" + drawing.substr(drawing.rfind('/') + 1) + ".rels"),
               "charts");
    return chart.empty() ? chart : test::ReadZipPart(out, chart);
  };
  const std::string own = chartOf(1);
  EXPECT_NE(own.find("'customer'!$B$2:$B$4"), std::string::npos) << own;
  EXPECT_EQ(own.find("定義書"), std::string::npos) << own;
  // The other sheet's chart showed the template's cells: it follows the
  // rename of the template, not the copies.
  const std::string other = chartOf(2);
  EXPECT_NE(other.find("'customer'!$A$2:$A$4"), std::string::npos) << other;
  // The copies' charts show their own cells (sheet parts 3 and 4 are the
  // copies, whatever their tab position).
  std::string copies = chartOf(3) + chartOf(4);
  EXPECT_NE(copies.find("'order''s'!$B$2:$B$4"), std::string::npos) << copies;
  EXPECT_NE(copies.find("line!$B$2:$B$4"), std::string::npos) << copies;
  EXPECT_EQ(copies.find("customer"), std::string::npos) << copies;
  // The sheet-local name went with each copy and follows its sheet.
  const std::string workbook = test::ReadZipPart(out, "xl/workbook.xml");
  for (const char* ref : {"'customer'!$A$2:$A$4", "'order''s'!$A$2:$A$4", "line!$A$2:$A$4"})
    EXPECT_NE(workbook.find(ref), std::string::npos) << ref << " in " << workbook;
  if (test::SchemasAvailable()) {
    EXPECT_EQ(test::SchemaProblems(out), "");
  }
}

TEST(ModelFlavours, NamesFollowRenamesAfterCopiesAndSaves) {
  // Names are found by the sheet they refer to: a copy's own name, a second
  // rename and a rename after a save must each still reach theirs.
  TempDir dir;
  ASSERT_TRUE(test::MakeOddModels(dir.Path(), "chart"));
  const std::string out = dir.File("out.xlsx");
  test::WriteFile(out, test::ReadFile(dir.File("chart.xlsx")));
  {
    auto book = XlsxWorkbook::Open(out);
    book->WorkSheets(1).Name("first");
    book->WorkSheets(1).Copy(book->WorkSheets(2));
    book->WorkSheets(3).Name("second");
    book->WorkSheets(1).Name("again");
    book->SaveAs(dir.File("between.xlsx"));
    book->WorkSheets(3).Name("third");
    book->Close(true);
  }
  const std::string workbook = test::ReadZipPart(out, "xl/workbook.xml");
  for (const char* ref : {">again!$B$2:$B$4<", ">again!$A$2:$A$4<", ">third!$A$2:$A$4<"})
    EXPECT_NE(workbook.find(ref), std::string::npos) << ref << " in " << workbook;
  for (const char* old : {"first!", "(2)'!", "second!", "定義書!"})
    EXPECT_EQ(workbook.find(old), std::string::npos) << old << " in " << workbook;
  test::WorkbookDump d = test::DumpWorkbook(out, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["集計!A1"], "f:=SUM(again!B2:B4)");
}
