// A workbook of many sheets keeps only the sheets touched last in memory:
// copies share one model until written, and sheets the work has moved on
// from are printed and packed, read again when touched. Whatever is set
// aside, the saved package must hold exactly the parts an engine that kept
// every sheet in memory writes.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/Resources.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"
#include "xlsx/ExcelApplication.h"
#include "xlsx/XlsxWorkbook.h"

using namespace zel;
using namespace zel::xl;
using zel::test::ReadZipPart;
using zel::test::TempDir;

namespace {

// The definition template with a formula in I60 that names its own sheet,
// so that renames reach into every copy, held aside or not.
std::string PlaceTemplateWithFormula(const TempDir& dir) {
  const std::string path = dir.File("model.xlsx");
  test::WriteFile(path, std::string(*res::Find("xlsx", "obtable2007")));
  std::string sheet = ReadZipPart(path, "xl/worksheets/sheet1.xml");
  const std::size_t at = sheet.find("<c r=\"I60\"");
  const std::size_t close = sheet.find("/>", at);
  EXPECT_NE(at, std::string::npos);
  if (at == std::string::npos || close == std::string::npos) return path;
  sheet.replace(close, 2, "><f>Sheet1!C4</f><v>0</v></c>");
  EXPECT_EQ(test::RunCommand("cd '" + dir.Path() +
                             "' && mkdir -p x && cd x && unzip -q ../model.xlsx && rm ../model.xlsx"),
            0);
  test::WriteFile(dir.File("x/xl/worksheets/sheet1.xml"), sheet);
  EXPECT_EQ(test::RunCommand("cd '" + dir.File("x") + "' && zip -qr ../model.xlsx ."), 0);
  return path;
}

struct Saved {
  std::string path;
  std::size_t parkedBeforeSave = 0;
};

// The walk of a definition export and then some: copies of the first sheet,
// each filled and renamed in turn, then sheets long left touched again.
Saved Export(const std::string& model, const std::string& path, std::size_t liveLimit) {
  test::WriteFile(path, test::ReadFile(model));
  auto app = CreateExcelEngine();
  IWorkbook& book = app->Workbooks().Open(path);
  auto& engine = dynamic_cast<XlsxWorkbook&>(book);
  engine.SetLiveSheetLimit(liveLimit);
  const int n = 40;
  for (int i = 1; i < n; ++i) book.WorkSheets(1).Copy(book.WorkSheets(book.sheets().count()));
  for (int s = 1; s <= n; ++s) {
    IWorksheet& ws = book.WorkSheets(s);
    const std::string name = "t_" + std::to_string(s);
    ws.Cells(4, 3).FormulaR1C1(name);
    ws.Cells(3, 9).FormulaR1C1("2008/04/10");
    for (int r = 8; r < 8 + s % 23; ++r) {
      ws.Cells(r, 1).FormulaR1C1(std::to_string(r - 7));
      ws.Cells(r, 2).FormulaR1C1("column_" + std::to_string(r) + " & <x>");
      ws.Cells(r, 8).FormulaR1C1("説明 " + name);
      ws.Cells(r, 8).WrapText(true);
    }
    if (s % 23 > 18) ws.FormRows(27, 8 + s % 23, 8, 1, 9);
    ws.PrintTitleRows(1, 7);
    ws.PrintArea(1, 1, 7 + s % 23, 9);
    ws.Name(name);
  }
  // Back to sheets set aside long ago: a write, a rename every formula
  // follows, a copy, the selection.
  book.WorkSheets(3).Cells(30, 2).FormulaR1C1("late");
  book.WorkSheets(1).Name("orders");
  book.WorkSheets(5).Copy(book.WorkSheets(book.sheets().count()));
  book.WorkSheets(n + 1).Cells(31, 2).FormulaR1C1("copied late");
  book.WorkSheets(7).Select();
  book.WorkSheets(2).Select();
  Saved run{path, engine.ParkedSheetCount()};
  book.Close(true);
  app->Quit();
  return run;
}

std::vector<std::string> Parts(const std::string& path) {
  std::vector<std::string> names;
  std::istringstream in(test::ZipPartList(path));
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) names.push_back(line);
  return names;
}

}  // namespace

TEST(SetAsideSheets, TheSavedPartsAreThoseOfAWorkbookHeldWhole) {
  TempDir dir;
  const std::string model = PlaceTemplateWithFormula(dir);
  const Saved whole = Export(model, dir.File("whole.xlsx"), 100000);
  const Saved aside = Export(model, dir.File("aside.xlsx"), 2);
  EXPECT_EQ(whole.parkedBeforeSave, 0u);
  EXPECT_GT(aside.parkedBeforeSave, 30u);

  const std::vector<std::string> parts = Parts(whole.path);
  ASSERT_EQ(Parts(aside.path), parts);
  ASSERT_GT(parts.size(), 41u);
  for (const std::string& part : parts)
    EXPECT_TRUE(ReadZipPart(aside.path, part) == ReadZipPart(whole.path, part)) << part;

  // And what both hold is the walk's result.
  auto d = test::DumpWorkbook(aside.path, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.count"], "41");
  EXPECT_EQ(d["sheet.1"], "orders");
  EXPECT_EQ(d["sheet.41"], "t_5 (2)");
  EXPECT_EQ(d["t_3!B30"], "s:late");
  EXPECT_EQ(d["t_5 (2)!B31"], "s:copied late");
  EXPECT_EQ(d["t_5 (2)!C4"], "s:t_5");
  EXPECT_EQ(d["t_40!B24"], "s:column_24 & <x>");
  EXPECT_EQ(d["t_40!B25"], "");
  EXPECT_EQ(d["t_40!I60"], "f:=orders!C4");
  EXPECT_EQ(d["t_17!I60"], "f:=orders!C4");
  EXPECT_EQ(d["orders!I60"], "f:=orders!C4");
  EXPECT_EQ(d["selected"], "t_2");
  EXPECT_EQ(test::SchemaProblems(aside.path), "");
}
