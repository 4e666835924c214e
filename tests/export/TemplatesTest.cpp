// The four built-in templates against their layouts: the .xlsx pair through
// openpyxl and the schemas, the .xls pair through their BIFF records (and
// LibreOffice for the cell texts, where it is installed).
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "support/WorkbookCheck.h"
#include "common/Resources.h"
#include "support/TestEnv.h"

using namespace zel;
using zel::test::TempDir;

namespace {

std::string Place(const TempDir& dir, const char* type, const char* name, const char* ext) {
  std::string path = dir.File(std::string(name) + ext);
  auto data = res::Find(type, name);
  EXPECT_TRUE(data) << name;
  if (data) test::WriteFile(path, std::string(*data));
  return path;
}

std::map<std::string, std::string> XlsFacts(const std::string& path) {
  std::string out;
  EXPECT_EQ(test::RunCommand("/usr/bin/python3 " + std::string(ZEL_SOURCE_DIR) +
                                 "/tests/support/xls_facts.py '" + path + "'",
                             &out),
            0)
      << out;
  std::map<std::string, std::string> facts;
  std::istringstream in(out);
  std::string line;
  while (std::getline(in, line)) {
    auto eq = line.find('=');
    if (eq != std::string::npos) facts[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return facts;
}

void ExpectHeaderBlock(const test::WorkbookDump& d, int lastColumn) {
  for (int r = 1; r <= 5; ++r) EXPECT_EQ(d["Sheet1.row." + std::to_string(r) + ".height"], "12.95");
  EXPECT_EQ(d["Sheet1.row.6.height"], "3.95");
  EXPECT_EQ(d["Sheet1.row.7.height"], "15.95");
  for (int r = 8; r <= 67; ++r) EXPECT_EQ(d["Sheet1.row." + std::to_string(r) + ".height"], "12.0");
  EXPECT_FALSE(d.Has("Sheet1.row.68.height"));
  EXPECT_EQ(d["Sheet1!A1.font"], "ＭＳ Ｐゴシック,10,b");
  EXPECT_EQ(d["Sheet1!A1.align"], "left,center,");
  EXPECT_EQ(d["Sheet1!A1.border"], "thin,hair,thin,thin");  // hairline before the value area
  EXPECT_EQ(d["Sheet1!C2.font"], "ＭＳ Ｐゴシック,10,");
  EXPECT_EQ(d["Sheet1!C2.align"], "left,center,");
  std::string last = std::string(1, static_cast<char>('A' + lastColumn - 1));
  EXPECT_EQ(d["Sheet1!" + last + "6.border"], ",,,thin");  // spacer with a line at its bottom
  EXPECT_EQ(d["Sheet1!A7.border"], "thin,thin,thin,thin");
  EXPECT_EQ(d["Sheet1!A7.align"], "center,center,");
  EXPECT_EQ(d["Sheet1!A8.border"], "thin,thin,thin,hair");
  EXPECT_EQ(d["Sheet1!A30.border"], "thin,thin,hair,hair");
  EXPECT_EQ(d["Sheet1!A67.border"], "thin,thin,hair,thin");
  EXPECT_EQ(d["Sheet1.paper"], "9");
  EXPECT_EQ(d["Sheet1.orientation"], "portrait");
  // 2.0 cm left, 1.5 cm right, top and bottom, 0.8 cm header and footer.
  EXPECT_EQ(d["Sheet1.margins"], "0.7874,0.5906,0.5906,0.5906,0.3150,0.3150");
  EXPECT_EQ(d["Sheet1.print_titles"], "");
  EXPECT_EQ(d["sheet.count"], "1");
  EXPECT_EQ(d["sheet.1"], "Sheet1");
  // No formulas, fills or number formats anywhere.
  for (const auto& [k, v] : d.values) {
    EXPECT_NE(v.rfind("f:", 0), 0u) << k;
    EXPECT_EQ(k.find(".fmt"), std::string::npos) << k;
  }
}

}  // namespace

TEST(Templates, TableDefinition2007) {
  TempDir dir;
  std::string path = Place(dir, "XLSX", "obtable2007", ".xlsx");
  auto d = test::DumpWorkbook(path);
  ASSERT_TRUE(d.ok()) << d.error;
  ExpectHeaderBlock(d, 9);
  const std::map<std::string, std::string> labels = {
      {"A1", "システム名"}, {"G1", " 作成者"}, {"A2", "サブシステム名"}, {"G2", " 承認者"},
      {"A3", "スキーマ"},   {"G3", " 作成日"}, {"A4", "テーブル名"},     {"G4", " 更新日"},
      {"A5", "コメント"},   {"A7", "No."},     {"B7", "列　　　名"},     {"D7", "型"},
      {"E7", "長さ"},       {"F7", "小数"},    {"G7", "必須"},           {"H7", "主ｷｰ"},
      {"I7", "コメント"}};
  for (const auto& [cell, text] : labels) EXPECT_EQ(d["Sheet1!" + cell], "s:" + text) << cell;
  EXPECT_EQ(d["Sheet1!E7.font"], "ＭＳ Ｐゴシック,9,b");
  EXPECT_EQ(d["Sheet1!G7.font"], "ＭＳ Ｐゴシック,9,b");
  EXPECT_EQ(d["Sheet1!H7.font"], "ＭＳ Ｐゴシック,8,b");
  EXPECT_EQ(d["Sheet1!D7.font"], "ＭＳ Ｐゴシック,10,b");
  EXPECT_EQ(d["Sheet1!A8.align"], ",center,");
  EXPECT_EQ(d["Sheet1!G8.align"], "center,center,");
  EXPECT_EQ(d["Sheet1!H40.align"], "center,center,");
  EXPECT_EQ(d["Sheet1!I8.align"], ",center,wrap");
  EXPECT_EQ(d["Sheet1.merges"],
            "A1:B1 A2:B2 A3:B3 A4:B4 A5:B5 B7:C7 C1:F1 C2:F2 C3:F3 C4:F4 C5:I5 G1:H1 G2:H2 G3:H3 "
            "G4:H4");
  const std::map<std::string, std::string> widths = {
      {"A", "3.0"},   {"B", "9.625"}, {"C", "14.875"}, {"D", "15.125"}, {"E", "5.125"},
      {"F", "3.375"}, {"G", "3.875"}, {"H", "3.875"},  {"I", "29.625"}};
  for (const auto& [col, w] : widths) EXPECT_EQ(d["Sheet1.col." + col + ".width"], w) << col;
  EXPECT_EQ(d["Sheet1.freeze"], "A8");
  EXPECT_EQ(d["Sheet1.footer"], "|&P/&N|");
  EXPECT_EQ(d["Sheet1.header"], "||");
  EXPECT_EQ(test::SchemaProblems(path), "");
}

TEST(Templates, TableList2007) {
  TempDir dir;
  std::string path = Place(dir, "XLSX", "obproject2007", ".xlsx");
  auto d = test::DumpWorkbook(path);
  ASSERT_TRUE(d.ok()) << d.error;
  ExpectHeaderBlock(d, 8);
  const std::map<std::string, std::string> labels = {
      {"A1", "システム名"}, {"E1", " 作成者"},  {"A2", "サブシステム名"}, {"E2", " 承認者"},
      {"A3", "スキーマ"},   {"E3", " 作成日"},  {"E4", " 更新日"},        {"A7", "No."},
      {"B7", "テーブル名"}, {"D7", "コメント"}, {"G7", " 作成日"},        {"H7", " 更新日"}};
  for (const auto& [cell, text] : labels) EXPECT_EQ(d["Sheet1!" + cell], "s:" + text) << cell;
  EXPECT_FALSE(d.Has("Sheet1!A4"));
  EXPECT_FALSE(d.Has("Sheet1!A5"));
  EXPECT_EQ(d["Sheet1!A4.border"], "thin,hair,thin,thin");  // boxed, empty
  EXPECT_EQ(d["Sheet1!G7.font"], "ＭＳ Ｐゴシック,10,b");
  EXPECT_EQ(d["Sheet1!B8.align"], ",top,wrap");
  EXPECT_EQ(d["Sheet1!G8.align"], "center,top,wrap");
  EXPECT_EQ(d["Sheet1!H67.align"], "center,top,wrap");
  std::string merges = d["Sheet1.merges"];
  for (int r = 7; r <= 67; ++r) {
    EXPECT_NE(merges.find(" B" + std::to_string(r) + ":C" + std::to_string(r) + " "),
              std::string::npos)
        << r;
    EXPECT_NE(merges.find("D" + std::to_string(r) + ":F" + std::to_string(r)), std::string::npos)
        << r;
  }
  EXPECT_EQ(merges.find("B68"), std::string::npos);
  const std::map<std::string, std::string> widths = {
      {"A", "3.375"}, {"B", "9.5"}, {"C", "17.875"}, {"D", "20.625"},
      {"E", "3.875"}, {"F", "4.5"}, {"G", "14.0"},   {"H", "14.375"}};
  for (const auto& [col, w] : widths) EXPECT_EQ(d["Sheet1.col." + col + ".width"], w) << col;
  EXPECT_EQ(d["Sheet1.freeze"], "A7");
  EXPECT_EQ(d["Sheet1.footer"], "||");
  EXPECT_EQ(test::SchemaProblems(path), "");
}

TEST(Templates, The97To2003Files) {
  TempDir dir;
  for (const char* name : {"obtable", "obproject"}) {
    SCOPED_TRACE(name);
    bool definition = std::string(name) == "obtable";
    std::string path = Place(dir, "XLS", name, ".xls");
    auto f = XlsFacts(path);
    EXPECT_EQ(f["sheets"], "1");
    EXPECT_EQ(f["font 0"], "10,0,ＭＳ Ｐゴシック");
    int bold = 0;
    for (const auto& [k, v] : f) {
      if (k.rfind("font ", 0) != 0 || v.find(",1,") == std::string::npos) continue;
      ++bold;
      EXPECT_NE(v.find("ＭＳ Ｐゴシック"), std::string::npos) << k << "=" << v;
    }
    EXPECT_GE(bold, 1);
    // 1.8 cm left, top and bottom, 1.5 cm right, 1.3 cm header and footer
    // (LibreOffice keeps margins in twips: within 0.01 cm).
    auto near = [&](const std::string& key, double cm) {
      EXPECT_NEAR(std::stod(f[key]) * 2.54, cm, 0.01) << key;
    };
    near("margin left", 1.8);
    near("margin right", 1.5);
    near("margin top", 1.8);
    near("margin bottom", 1.8);
    EXPECT_EQ(f["setup paper"].substr(0, 1), "9");
    EXPECT_NE(f["setup paper"].find("portrait=1"), std::string::npos);
    EXPECT_NE(f["setup paper"].find("header=0.5118"), std::string::npos);
    EXPECT_NE(f["setup paper"].find("footer=0.5118"), std::string::npos);
    EXPECT_EQ(f["name builtin"], std::string("7 sheet=1 rows=1-") + (definition ? "7" : "6"));
    EXPECT_FALSE(f.count("name user"));
    EXPECT_EQ(f["frozen"], "1");
    EXPECT_EQ(f["pane"], definition ? "7" : "6");
    EXPECT_EQ(f["footer"], definition ? "&C&P/&N" : "");
    EXPECT_EQ(f["row 1"], "12.95");
    EXPECT_EQ(f["row 6"], "3.95");
    EXPECT_EQ(f["row 7"], "15.95");
    EXPECT_EQ(f["row 67"], "12");
    if (definition) {
      EXPECT_NEAR(std::stod(f["col 2-2"]), 9.5, 0.01);
      EXPECT_NEAR(std::stod(f["col 3-3"]), 15, 0.01);
      EXPECT_NEAR(std::stod(f["col 9-9"]), 30.25, 0.01);
    } else {
      EXPECT_NEAR(std::stod(f["col 7-7"].empty() ? f["col 7-8"] : f["col 7-7"]), 14.625, 0.01);
    }
  }
  if (!test::HaveSoffice()) GTEST_SKIP() << "soffice is not installed: cell texts not checked";
  // LibreOffice reads the same labels and layout back.
  std::string out;
  ASSERT_EQ(test::RunCommand("cd '" + dir.Path() +
                                 "' && timeout 180 soffice --headless "
                                 "'-env:UserInstallation=file://" +
                                 dir.Path() +
                                 "/lo' --convert-to xlsx "
                                 "--outdir '" +
                                 dir.Path() + "/back' obtable.xls obproject.xls",
                             &out),
            0)
      << out;
  auto t = test::DumpWorkbook(dir.File("back/obtable.xlsx"), false);
  ASSERT_TRUE(t.ok()) << t.error;
  EXPECT_EQ(t["Sheet1!B7"], "s:列　　　名");
  EXPECT_EQ(t["Sheet1!G2"], "s: 承認者");
  EXPECT_EQ(t["Sheet1.freeze"], "A8");
  EXPECT_EQ(t["Sheet1.print_titles"], "$1:$7");
  EXPECT_EQ(t["Sheet1.footer"], "|&P/&N|");
  auto l = test::DumpWorkbook(dir.File("back/obproject.xlsx"), false);
  ASSERT_TRUE(l.ok()) << l.error;
  EXPECT_EQ(l["Sheet1!D7"], "s:コメント");
  EXPECT_EQ(l["Sheet1.freeze"], "A7");
  EXPECT_EQ(l["Sheet1.print_titles"], "$1:$6");
}

TEST(Templates, TheDetailedOnesAreTheStandardOnesWidened) {
  TempDir dir;
  struct Pair {
    const char* standard;
    const char* detailed;
    char lastStandard;  // A..lastStandard stay exactly as the standard template
    std::vector<std::pair<std::string, std::string>> added;
  };
  const std::vector<Pair> pairs = {
      {"obtable2007", "obtabledetail2007", 'I', {{"J7", "s:デフォルト値"}, {"K7", "s:参照先"}}},
      {"obproject2007", "obprojectdetail2007", 'H', {{"I7", "s:種別"}}}};
  for (const Pair& p : pairs) {
    SCOPED_TRACE(p.detailed);
    const test::WorkbookDump s = test::DumpWorkbook(Place(dir, "XLSX", p.standard, ".xlsx"));
    const std::string detailed = Place(dir, "XLSX", p.detailed, ".xlsx");
    const test::WorkbookDump d = test::DumpWorkbook(detailed);
    ASSERT_TRUE(s.ok() && d.ok()) << s.error << d.error;
    // Every cell fact of the standard columns, values and formats alike,
    // and every column width and row height.
    int compared = 0;
    for (const auto& [key, value] : s.values) {
      const bool cell = key.rfind("Sheet1!", 0) == 0 && key[7] <= p.lastStandard &&
                        key.find(".border") == std::string::npos;
      const bool layout = key.rfind("Sheet1.row.", 0) == 0 || key.rfind("Sheet1.col.", 0) == 0 ||
                          key == "Sheet1.freeze" || key == "Sheet1.footer" ||
                          key == "Sheet1.margins" || key == "Sheet1.paper";
      if (!cell && !layout) continue;
      EXPECT_EQ(d[key], value) << key;
      ++compared;
    }
    EXPECT_GT(compared, 500);
    // Borders too, but for the spacer line, which runs on to the new last column.
    for (int r = 7; r <= 67; ++r)
      for (char c = 'A'; c <= p.lastStandard; ++c) {
        const std::string key = "Sheet1!" + std::string(1, c) + std::to_string(r) + ".border";
        EXPECT_EQ(d[key], s[key]) << key;
      }
    for (const auto& [cell, value] : p.added) {
      EXPECT_EQ(d["Sheet1!" + cell], value) << cell;
      const std::string column = cell.substr(0, 1);
      // Framed like the band.
      EXPECT_EQ(d["Sheet1!" + column + "67.border"], "thin,thin,hair,thin") << column;
      EXPECT_FALSE(d["Sheet1.col." + column + ".width"].empty()) << column;
    }
    EXPECT_EQ(d["Sheet1!L1"], "");  // kept free for a link
    // What a user types into the new columns stays text; the standard
    // template has no such format.
    EXPECT_NE(test::ReadZipPart(detailed, "xl/styles.xml").find("numFmtId=\"49\""),
              std::string::npos);
    if (test::SchemasAvailable()) {
      EXPECT_EQ(test::SchemaProblems(detailed), "");
    }
  }
  for (const char* name : {"obtabledetail", "obprojectdetail"}) {
    SCOPED_TRACE(name);
    const bool definition = std::string(name) == "obtabledetail";
    auto f = XlsFacts(Place(dir, "XLS", name, ".xls"));
    EXPECT_EQ(f["sheets"], "1");
    EXPECT_EQ(f["pane"], definition ? "7" : "6");
    EXPECT_EQ(f["name builtin"], std::string("7 sheet=1 rows=1-") + (definition ? "7" : "6"));
    EXPECT_EQ(f["row 7"], "15.95");
    EXPECT_EQ(f["row 67"], "12");
  }
}
