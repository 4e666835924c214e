// The documents keep their form at any length: lists longer than the built-in
// band, a definition sheet of more columns than the band has rows, and a
// user's model whose body frame is shorter than the table, exported from the
// real PostgreSQL fixture and read back by openpyxl.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "common/IniFile.h"
#include "export/Exports.h"
#include "support/PgBrowser.h"
#include "support/PgFixture.h"
#include "support/WorkbookCheck.h"

using namespace zel;
using namespace zel::test;

namespace {

std::set<std::string> Merges(const WorkbookDump& d, const std::string& sheet) {
  std::set<std::string> out;
  std::istringstream in(d[sheet + ".merges"]);
  for (std::string m; in >> m;) out.insert(m);
  return out;
}

// "left,right,top,bottom" as four texts.
std::vector<std::string> Sides(const std::string& border) {
  std::vector<std::string> out;
  std::istringstream in(border);
  for (std::string side; std::getline(in, side, ',');) out.push_back(side);
  out.resize(4);
  return out;
}

// Rows 8..last of `sheet` framed as the band: thin outer lines, hairlines
// between rows, a thin line under the last one, the band's height, and the
// band's merges (given as column pairs) in every row. Stops at the first
// row that is wrong, so a fault reads as one line.
void ExpectBand(const WorkbookDump& d, const std::string& sheet, int last, const char* lastColumn,
                const std::vector<std::pair<std::string, std::string>>& merges) {
  const std::set<std::string> have = Merges(d, sheet);
  for (int r = 8; r <= last; ++r) {
    const std::string n = std::to_string(r);
    const std::string top = r == 8 ? "thin" : "hair", bottom = r == last ? "thin" : "hair";
    const std::string a = d[sheet + "!A" + n + ".border"];
    const std::string z = d[sheet + "!" + lastColumn + n + ".border"];
    const std::vector<std::string> sa = Sides(a), sz = Sides(z);
    bool ok = sa[0] == "thin" && sz[1] == "thin";
    ok &= sa[2] == top && sz[2] == top && sa[3] == bottom && sz[3] == bottom;
    ok &= d[sheet + ".row." + n + ".height"] == "12.0";
    for (const auto& [from, to] : merges) ok &= have.count(from + n + ":" + to + n) == 1;
    if (!ok) {
      ADD_FAILURE() << sheet << " row " << r << ": A " << a << ", " << lastColumn << " " << z
                    << ", height " << d[sheet + ".row." + n + ".height"];
      return;
    }
  }
  // Nothing framed below the last row.
  const std::string below = std::to_string(std::max(last, 67) + 1);
  EXPECT_EQ(d[sheet + "!A" + below + ".border"].find("thin"), std::string::npos) << below;
}

class DocumentFormTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PgServer srv;
    if (!PgAvailable(srv)) return;
    dbs = new PgDatabases(srv);
    db = dbs->Create("zel_form");
    std::string sql =
        "CREATE SCHEMA s72; CREATE SCHEMA s1000; CREATE SCHEMA wide; CREATE SCHEMA model;"
        "DO $$ BEGIN"
        "  FOR i IN 1..72 LOOP EXECUTE format('CREATE TABLE s72.%I (x integer)',"
        "    'payment_p2020_' || lpad(i::text, 2, '0')); END LOOP;"
        "  FOR i IN 1..1000 LOOP EXECUTE format('CREATE TABLE s1000.t%s (x integer)',"
        "    lpad(i::text, 4, '0')); END LOOP;"
        "END $$;"
        "CREATE TABLE wide.c520 (";
    for (int i = 1; i <= 520; ++i) sql += (i > 1 ? ", c" : "c") + std::to_string(i) + " integer";
    sql += "); CREATE TABLE wide.small (id integer primary key);";
    sql += "CREATE TABLE model.t12 (";
    for (int i = 1; i <= 12; ++i) sql += (i > 1 ? ", c" : "c") + std::to_string(i) + " integer";
    sql += ");";
    if (Psql(srv, db, sql) != 0) throw std::runtime_error("form fixture failed");
  }
  static void TearDownTestSuite() {
    delete dbs;
    dbs = nullptr;
  }

  void SetUp() override { ZEL_SKIP_WITHOUT_PG(srv); }

  WorkbookDump Export(const char* schema, const char* table, bool list, const std::string& file) {
    auto b = std::make_unique<PgBrowser>(srv, db, "", dir.Path());
    EXPECT_TRUE(b->browser->chkDbOK());
    TTreeNode* node = b->Select(b->Database(db), schema);
    if (node && table) node = b->Select(node, table);
    EXPECT_NE(node, nullptr);
    if (!node) return {};
    TExporter exporter(*b->browser);
    const std::string target = dir.File(file);
    b->prompts.saveAnswers.push_back(target);
    list ? exporter.TableListCommand() : exporter.DefinitionCommand();
    EXPECT_TRUE(b->prompts.messages.empty()) << b->prompts.messages[0].text;
    if (SchemasAvailable()) {
      EXPECT_EQ(SchemaProblems(target), "") << target;
    }
    WorkbookDump d = DumpWorkbook(target);
    EXPECT_TRUE(d.ok()) << d.error;
    return d;
  }

  PgServer srv;
  TempDir dir;
  static PgDatabases* dbs;
  static std::string db;
};
PgDatabases* DocumentFormTest::dbs = nullptr;
std::string DocumentFormTest::db;

}  // namespace

TEST_F(DocumentFormTest, TableListsOf72And1000TablesKeepTheBandAndPrintTheirHeadings) {
  const std::vector<std::pair<std::string, std::string>> merges = {{"B", "C"}, {"D", "F"}};
  for (auto [schema, tables] : {std::pair{"s72", 72}, std::pair{"s1000", 1000}}) {
    SCOPED_TRACE(schema);
    WorkbookDump d = Export(schema, nullptr, true, std::string(schema) + ".list.xlsx");
    const int last = 7 + tables;
    const std::string n = std::to_string(last);
    EXPECT_EQ(d["Sheet1!A" + n], "n:" + std::to_string(tables));
    ExpectBand(d, "Sheet1", last, "H", merges);
    // The whole name in its merged cell, wrapped and top-aligned as in the band.
    EXPECT_EQ(d["Sheet1!B" + n + ".align"], d["Sheet1!B9.align"]);
    EXPECT_EQ(d["Sheet1!G" + n + ".align"], d["Sheet1!G9.align"]);
    EXPECT_EQ(d["Sheet1!B" + n + ".font"], d["Sheet1!B9.font"]);
    EXPECT_EQ(d["Sheet1.print_titles"], "$1:$7");
    EXPECT_EQ(d["Sheet1.print_area"], "$A$1:$H$" + n);
    EXPECT_EQ(d["Sheet1.freeze"], "A7");
  }
  // A short list keeps the band as the template has it and prints all of it.
  WorkbookDump d = Export("model", nullptr, true, "short.list.xlsx");
  ExpectBand(d, "Sheet1", 67, "H", merges);
  EXPECT_EQ(d["Sheet1.print_area"], "$A$1:$H$67");
}

TEST_F(DocumentFormTest, DefinitionSheetsOfManyColumnsKeepTheBandOnEverySheet) {
  WorkbookDump d = Export("wide", nullptr, false, "wide.xlsx");
  ASSERT_EQ(d["sheet.1"], "c520");
  ASSERT_EQ(d["sheet.2"], "small");
  EXPECT_EQ(d["c520!B527"], "s:c520");
  ExpectBand(d, "c520", 527, "I", {});
  EXPECT_EQ(d["c520!I527.align"], d["c520!I9.align"]);
  ExpectBand(d, "small", 67, "I", {});
  for (const char* sheet : {"c520", "small"}) {
    EXPECT_EQ(d[std::string(sheet) + ".print_titles"], "$1:$7") << sheet;
    EXPECT_EQ(d[std::string(sheet) + ".footer"], "|&P/&N|") << sheet;
  }
  EXPECT_EQ(d["c520.print_area"], "$A$1:$I$527");
  EXPECT_EQ(d["small.print_area"], "$A$1:$I$67");
}

TEST_F(DocumentFormTest, ModelBodyFrameShorterThanTheTableContinues) {
  // Body from row 10 in A..E, framed down to row 14 only, B:C merged; a
  // note beside the body at G20 and a closing text at A30.
  const std::string model = dir.File("model.xlsx");
  const std::string script =
      "import openpyxl\n"
      "from openpyxl.styles import Border, Side, Alignment\n"
      "wb = openpyxl.Workbook(); ws = wb.active; ws.title = 'body'\n"
      "t = Side(style='thin')\n"
      "for r in range(10, 15):\n"
      "    for c in range(1, 6):\n"
      "        ws.cell(r, c).border = Border(left=t, right=t, top=t, bottom=t)\n"
      "        ws.cell(r, c).alignment = Alignment(vertical='top')\n"
      "    ws.merge_cells(start_row=r, start_column=2, end_row=r, end_column=3)\n"
      "    ws.row_dimensions[r].height = 18\n"
      "ws['G20'] = 'note beside'\n"
      "wb.save('" +
      model + "')\n";
  test::WriteFile(dir.File("make.py"), script);
  std::string out;
  ASSERT_EQ(RunCommand("/usr/bin/python3 " + dir.File("make.py"), &out), 0) << out;
  const std::string ini = dir.File("Zel.ini");
  IniFile::Write(ini, "ExcelSet", "exporttype", "1");
  IniFile::Write(ini, "ExcelSet", "filename", model);
  IniFile::Write(ini, "ExcelSet", "tablename", "1,2,B");
  IniFile::Write(ini, "ExcelSet", "no", "1,10,A");
  IniFile::Write(ini, "ExcelSet", "columnname", "1,10,B");
  IniFile::Write(ini, "ExcelSet", "columntype", "1,10,D");
  IniFile::Write(ini, "ExcelSet", "columncomment", "1,10,E");

  WorkbookDump d = Export("model", "t12", false, "model.out.xlsx");
  ASSERT_EQ(d["sheet.1"], "t12");
  const std::set<std::string> merges = Merges(d, "t12");
  for (int r = 10; r <= 21; ++r) {
    const std::string n = std::to_string(r);
    EXPECT_EQ(d["t12!A" + n], "n:" + std::to_string(r - 9));
    EXPECT_EQ(d["t12!A" + n + ".border"], "thin,thin,thin,thin") << r;
    EXPECT_EQ(d["t12!E" + n + ".border"], "thin,thin,thin,thin") << r;
    EXPECT_EQ(d["t12!B" + n + ".align"], d["t12!B10.align"]) << r;
    EXPECT_EQ(d["t12.row." + n + ".height"], "18.0") << r;
    EXPECT_EQ(merges.count("B" + n + ":C" + n), 1u) << r;
  }
  EXPECT_EQ(merges.size(), 12u);
  EXPECT_EQ(d["t12!G20"], "s:note beside");
  EXPECT_EQ(d["t12!G20.border"], ",,,");
  EXPECT_FALSE(d.Has("t12!A22.border"));
  EXPECT_EQ(d["t12.print_titles"], "");
}
