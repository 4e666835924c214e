// The documents print one page wide: LibreOffice turns a filled definition
// sheet of 68 rows and a full table list into PDF pages on which every row
// keeps all its columns, and the 97-2003 templates into one page each.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/Resources.h"
#include "export/SheetForm.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"
#include "xlsx/ExcelApplication.h"

using namespace zel;
using zel::test::TempDir;

namespace {

bool HavePoppler() {
  return test::RunCommand("command -v pdfinfo >/dev/null && command -v pdftotext >/dev/null") == 0;
}

int PageCount(const std::string& pdf) {
  std::string out;
  if (test::RunCommand("pdfinfo '" + pdf + "'", &out) != 0) return -1;
  auto at = out.find("Pages:");
  return at == std::string::npos ? -1 : std::stoi(out.substr(at + 6));
}

std::vector<std::string> PageTexts(const std::string& pdf) {
  std::vector<std::string> pages;
  for (int p = 1, n = PageCount(pdf); p <= n; ++p) {
    std::string out;
    test::RunCommand(
        "pdftotext -f " + std::to_string(p) + " -l " + std::to_string(p) + " '" + pdf + "' -",
        &out);
    pages.push_back(out);
  }
  return pages;
}

// The page that shows `marker`, -1 when none does.
int PageOf(const std::vector<std::string>& pages, const std::string& marker) {
  for (std::size_t i = 0; i < pages.size(); ++i)
    if (pages[i].find(marker) != std::string::npos) return static_cast<int>(i);
  return -1;
}

std::string Place(const TempDir& dir, const char* type, const char* name, const std::string& file) {
  std::string path = dir.File(file);
  test::WriteFile(path, std::string(*res::Find(type, name)));
  return path;
}

class PrintTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::HaveSoffice() || !HavePoppler())
      GTEST_SKIP() << "LibreOffice or poppler-utils missing: print layout not checked";
  }
  TempDir dir;
};

}  // namespace

TEST_F(PrintTest, DefinitionSheetOf68RowsKeepsItsNineColumnsOnAtMostTwoPages) {
  std::string path = Place(dir, "xlsx", "obtable2007", "def.xlsx");
  {
    auto app = xl::CreateExcelEngine();
    xl::IWorkbook& book = app->Workbooks().Open(path);
    xl::IWorksheet& s = book.WorkSheets(1);
    s.Cells(4, 3).FormulaR1C1("order_line");
    s.Cells(5, 3).FormulaR1C1("a table comment that runs over the whole value area of row five");
    for (int r = 8; r <= 68; ++r) {
      const std::string n = std::to_string(r);
      s.Cells(r, 1).FormulaR1C1(std::to_string(r - 7));
      s.Cells(r, 2).FormulaR1C1("name" + n);
      s.Cells(r, 4).FormulaR1C1("varchar" + n);
      s.Cells(r, 5).FormulaR1C1("20");
      s.Cells(r, 6).FormulaR1C1("2");
      s.Cells(r, 7).FormulaR1C1("○");
      s.Cells(r, 8).FormulaR1C1("○");
      s.Cells(r, 9).FormulaR1C1("cmt" + n + " the comment column, printed beside the rest");
      s.Cells(r, 9).WrapText(false);
    }
    book.Close(true);
  }
  ASSERT_EQ(test::ConvertToPdf(path, dir.Path()), "");
  const std::string pdf = dir.File("def.pdf");
  const int pages = PageCount(pdf);
  EXPECT_GE(pages, 1);
  EXPECT_LE(pages, 2);
  const auto texts = PageTexts(pdf);
  for (int r = 8; r <= 68; ++r) {
    const std::string n = std::to_string(r);
    int page = PageOf(texts, "name" + n);
    EXPECT_GE(page, 0) << "row " << r;
    EXPECT_EQ(PageOf(texts, "varchar" + n), page) << "row " << r;
    EXPECT_EQ(PageOf(texts, "cmt" + n), page) << "row " << r << ": the comment on another page";
  }
  EXPECT_EQ(PageOf(texts, "order_line"), 0);
}

TEST_F(PrintTest, TableListKeepsItsDateColumnsBesideTheNames) {
  std::string path = Place(dir, "xlsx", "obproject2007", "list.xlsx");
  {
    auto app = xl::CreateExcelEngine();
    xl::IWorkbook& book = app->Workbooks().Open(path);
    xl::IWorksheet& s = book.WorkSheets(1);
    for (int r = 8; r <= 67; ++r) {
      const std::string n = std::to_string(r);
      s.Cells(r, 1).FormulaR1C1(std::to_string(r - 7));
      s.Cells(r, 2).FormulaR1C1("table" + n);
      s.Cells(r, 4).FormulaR1C1("comment" + n);
      s.Cells(r, 7).FormulaR1C1("made" + n);
      s.Cells(r, 8).FormulaR1C1("upd" + n);
    }
    book.Close(true);
  }
  ASSERT_EQ(test::ConvertToPdf(path, dir.Path()), "");
  const std::string pdf = dir.File("list.pdf");
  EXPECT_EQ(PageCount(pdf), 1);
  const auto texts = PageTexts(pdf);
  for (int r = 8; r <= 67; r += 59) {
    const std::string n = std::to_string(r);
    EXPECT_EQ(PageOf(texts, "table" + n), 0);
    EXPECT_EQ(PageOf(texts, "upd" + n), 0) << "row " << r << ": the dates on another page";
  }
}

TEST_F(PrintTest, LongTableListRepeatsItsHeadingRowsOnEveryPage) {
  std::string path = Place(dir, "xlsx", "obproject2007", "long.xlsx");
  const int tables = 150;
  {
    auto app = xl::CreateExcelEngine();
    xl::IWorkbook& book = app->Workbooks().Open(path);
    xl::IWorksheet& s = book.WorkSheets(1);
    FitBand(s, kTableListBand, 7 + tables);
    s.Cells(3, 3).FormulaR1C1("pagila");
    for (int r = 8; r < 8 + tables; ++r) {
      const std::string n = std::to_string(r);
      s.Cells(r, 1).FormulaR1C1(std::to_string(r - 7));
      s.Cells(r, 2).FormulaR1C1("payment_p" + n);
      s.Cells(r, 4).FormulaR1C1("comment" + n);
      s.Cells(r, 8).FormulaR1C1("upd" + n);
    }
    book.Close(true);
  }
  ASSERT_EQ(test::ConvertToPdf(path, dir.Path()), "");
  const auto texts = PageTexts(dir.File("long.pdf"));
  ASSERT_GE(texts.size(), 2u);
  for (std::size_t p = 0; p < texts.size(); ++p) {
    for (const char* heading : {"No.", "テーブル名", "コメント", "システム名", "pagila"})
      EXPECT_NE(texts[p].find(heading), std::string::npos) << "page " << p + 1 << ": " << heading;
  }
  // Every row printed once, its update date beside it: one page wide.
  for (int r = 8; r < 8 + tables; ++r) {
    const std::string n = std::to_string(r);
    EXPECT_GE(PageOf(texts, "payment_p" + n), 0) << r;
    EXPECT_EQ(PageOf(texts, "upd" + n), PageOf(texts, "payment_p" + n)) << r;
  }
}

TEST_F(PrintTest, The97To2003TemplatesPrintOnePageWide) {
  for (const char* name : {"obtable", "obproject"}) {
    SCOPED_TRACE(name);
    std::string path = Place(dir, "xls", name, std::string(name) + ".xls");
    ASSERT_EQ(test::ConvertToPdf(path, dir.Path()), "");
    const std::string pdf = dir.File(std::string(name) + ".pdf");
    // The empty 60-row band with its headings, all columns to the last.
    EXPECT_EQ(PageCount(pdf), 1);
    const auto texts = PageTexts(pdf);
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_NE(texts[0].find("No."), std::string::npos);
    EXPECT_NE(texts[0].find(std::string(name) == "obtable" ? "主ｷｰ" : "更新日"), std::string::npos)
        << texts[0];
  }
}
