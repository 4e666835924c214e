// zelmora-export against a real PostgreSQL schema of hostile table names:
// the 目次 sheet and its links (read back by openpyxl and by LibreOffice),
// the name filters, and their usage errors and exit statuses.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

#include "common/IniFile.h"
#include "support/PgFixture.h"
#include "support/WorkbookCheck.h"
#include "xlsx/ExcelApplication.h"

using namespace zel;
using namespace zel::test;

namespace {

const std::string kLong = "a_table_name_of_forty_characters_in_all";  // 39 + 1 below

class IndexAndFilterCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PgServer srv;
    if (!PgAvailable(srv)) return;
    dbs = new PgDatabases(srv);
    db = dbs->Create("zel_idx");
    const std::string sql =
        "CREATE SCHEMA idx;"
        "CREATE TABLE idx.\"it's\" (id int PRIMARY KEY);"
        "CREATE TABLE idx.\"a[1]\" (id int);"
        "CREATE TABLE idx.\"star*\" (id int);"
        "CREATE TABLE idx.\"q?\" (id int);"
        "CREATE TABLE idx.\"sl/ash\" (id int);"
        "CREATE TABLE idx.\"" +
        kLong +
        "s\" (id int);"
        "CREATE TABLE idx.\"目次\" (id int);"
        "CREATE TABLE idx.\"顧客表\" (id int);"
        "CREATE TABLE idx.\"顧客マスタ\" (id int);"
        "CREATE TABLE idx.plain (id int);"
        "COMMENT ON TABLE idx.plain IS '普通の表';"
        "COMMENT ON TABLE idx.\"it's\" IS 'クォート入り';"
        // A declaratively partitioned table: the parent stays, its partitions
        // can be left out.
        "CREATE SCHEMA parts;"
        "CREATE TABLE parts.measure (id int, d date) PARTITION BY RANGE (d);"
        "CREATE TABLE parts.measure_2024 PARTITION OF parts.measure "
        "FOR VALUES FROM ('2024-01-01') TO ('2025-01-01');"
        "CREATE TABLE parts.measure_2025 PARTITION OF parts.measure "
        "FOR VALUES FROM ('2025-01-01') TO ('2026-01-01');"
        "CREATE TABLE parts.\"plain table\" (x int);";
    if (Psql(srv, db, sql) != 0) ADD_FAILURE() << "fixture schema not created";
  }
  static void TearDownTestSuite() {
    delete dbs;
    dbs = nullptr;
  }
  void SetUp() override {
    ZEL_SKIP_WITHOUT_PG(srv);
    settings = dir.File("settings.ini");
    IniFile::Write(settings, "ExcelSet", "SystemName", "販売管理");
  }

  int Run(const std::string& args, std::string* output) {
    std::string cmd =
        "cd " + ShellQuote(dir.Path()) + " && ZELMORA_PASSWORD=" + ShellQuote(srv.password) + " " +
        std::string(ZEL_BINARY_DIR) + "/src/cli/zelmora-export " + args + " </dev/null";
    return RunCommand(cmd, output);
  }
  std::string Conn() const {
    return "--kind postgresql --host " + srv.host + " --port " + srv.port + " --user " + srv.user +
           " --database " + db + " --settings " + ShellQuote(settings);
  }
  static std::string Text(const WorkbookDump& d, const std::string& key) {
    const std::string v = d[key];
    return v.rfind("s:", 0) == 0 ? v.substr(2) : v;
  }

  PgServer srv;
  TempDir dir;
  std::string settings;
  static PgDatabases* dbs;
  static std::string db;
};
PgDatabases* IndexAndFilterCommandTest::dbs = nullptr;
std::string IndexAndFilterCommandTest::db;

}  // namespace

TEST_F(IndexAndFilterCommandTest, IndexSheetLinksFollowTheNamesTheSheetsGot) {
  std::string out;
  ASSERT_EQ(Run("definitions " + Conn() + " --schema idx --index-sheet --out idx.xlsx", &out), 0)
      << out;
  const std::string path = dir.File("idx.xlsx");
  const WorkbookDump d = DumpWorkbook(path, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.count"], "11");
  EXPECT_EQ(d["sheet.1"], "目次");
  EXPECT_EQ(d["active"], "1");
  EXPECT_EQ(d["selected"], "目次");
  EXPECT_EQ(d["目次!A1"], "s:システム名");
  EXPECT_EQ(d["目次!C1"], "s:販売管理");
  EXPECT_EQ(d["目次!C3"], "s:idx");
  EXPECT_EQ(d["目次!B7"], "s:テーブル名");

  std::set<std::string> tables;
  for (int i = 1; i <= 10; ++i) {
    const std::string row = std::to_string(7 + i);
    const std::string name = Text(d, "目次!B" + row);
    const std::string sheet = d["sheet." + std::to_string(i + 1)];
    tables.insert(name);
    EXPECT_EQ(d["目次!A" + row], "n:" + std::to_string(i));
    // The i-th row links to the i-th table sheet, under the name it got,
    // and that sheet documents the same table.
    EXPECT_EQ(d["目次!B" + row + ".link"], xl::SheetLocation(sheet)) << name;
    EXPECT_EQ(Text(d, sheet + "!C4"), name);
    EXPECT_EQ(d[sheet + "!J1"], "s:目次へ") << sheet;
    EXPECT_EQ(d[sheet + "!J1.link"], "'目次'!A1") << sheet;
    if (name == "plain") {
      EXPECT_EQ(d["目次!C" + row], "s:普通の表");
    }
  }
  EXPECT_EQ(tables, (std::set<std::string>{"it's", "a[1]", "star*", "q?", "sl/ash", kLong + "s",
                                           "目次", "顧客表", "顧客マスタ", "plain"}));
  // The renamed sheets: a table called 目次 yields to the index.
  std::set<std::string> sheets;
  for (int i = 2; i <= 11; ++i) sheets.insert(d["sheet." + std::to_string(i)]);
  EXPECT_TRUE(sheets.count("目次~2")) << out;
  EXPECT_TRUE(sheets.count("a_1_")) << out;
  EXPECT_TRUE(sheets.count("it's")) << out;
  EXPECT_TRUE(sheets.count(kLong.substr(0, 31))) << out;
  if (SchemasAvailable()) {
    EXPECT_EQ(SchemaProblems(path), "");
  }

  // LibreOffice reads the links too: its own document of the workbook
  // points each at the sheet the openpyxl reading names.
  if (!HaveSoffice()) GTEST_SKIP() << "no LibreOffice";
  ASSERT_EQ(RunCommand("cd " + ShellQuote(dir.Path()) +
                           " && timeout 180 soffice --headless "
                           "-env:UserInstallation=file://" +
                           dir.Path() + "/lo-profile --convert-to ods idx.xlsx",
                       &out),
            0)
      << out;
  const std::string content = ReadZipPart(dir.File("idx.ods"), "content.xml");
  ASSERT_FALSE(content.empty()) << out;
  std::size_t links = 0;
  for (auto at = content.find("xlink:href=\"#"); at != std::string::npos;
       at = content.find("xlink:href=\"#", at + 1))
    ++links;
  EXPECT_EQ(links, 20u) << content.substr(0, 3000);
  for (int i = 2; i <= 11; ++i) {
    std::string sheet = d["sheet." + std::to_string(i)];
    // The ODF form of the same place: the name quoted as in a formula, XML escaped.
    std::string quoted = "'";
    for (char c : sheet) quoted += c == '\'' ? std::string("''") : std::string(1, c);
    quoted += "'";
    std::string escaped;
    for (char c : quoted) escaped += c == '\'' ? std::string("&apos;") : std::string(1, c);
    EXPECT_TRUE(content.find("#" + quoted + ".A1\"") != std::string::npos ||
                content.find("#" + escaped + ".A1\"") != std::string::npos ||
                content.find("#" + sheet + ".A1\"") != std::string::npos)
        << sheet;
  }
}

TEST_F(IndexAndFilterCommandTest, IndexSheetDefaultsAndItsSetting) {
  std::string out;
  ASSERT_EQ(Run("definitions " + Conn() + " --schema idx --out std.xlsx", &out), 0) << out;
  EXPECT_EQ(DumpWorkbook(dir.File("std.xlsx"), false)["sheet.count"], "10");
  IniFile::Write(settings, "ExcelSet", "IndexSheet", "1");
  ASSERT_EQ(Run("definitions " + Conn() + " --schema idx --include 'p*' --out on.xlsx", &out), 0)
      << out;
  WorkbookDump on = DumpWorkbook(dir.File("on.xlsx"), false);
  EXPECT_EQ(on["sheet.count"], "2");
  EXPECT_EQ(on["sheet.1"], "目次");
  EXPECT_EQ(on["目次!B8.link"], "'plain'!A1");
  ASSERT_EQ(Run("definitions " + Conn() + " --schema idx --no-index-sheet --out off.xlsx", &out), 0)
      << out;
  EXPECT_EQ(DumpWorkbook(dir.File("off.xlsx"), false)["sheet.count"], "10");
  // One table's document has no index.
  ASSERT_EQ(Run("definitions " + Conn() + " --schema idx --table plain --out one.xlsx", &out), 0)
      << out;
  EXPECT_EQ(DumpWorkbook(dir.File("one.xlsx"), false)["sheet.1"], "plain");
}

TEST_F(IndexAndFilterCommandTest, FiltersChooseTablesOfBothDocuments) {
  std::string out;
  // Brackets match themselves only inside a set; ? is one Japanese character.
  ASSERT_EQ(Run("list " + Conn() + " --schema idx --include 'a[[]*' --include '顧客?' --out l.xlsx",
                &out),
            0)
      << out;
  WorkbookDump l = DumpWorkbook(dir.File("l.xlsx"), false);
  std::set<std::string> listed;
  for (int r = 8; r < 12; ++r)
    if (l.Has("Sheet1!B" + std::to_string(r)))
      listed.insert(Text(l, "Sheet1!B" + std::to_string(r)));
  EXPECT_EQ(listed, (std::set<std::string>{"a[1]", "顧客表"}));
  EXPECT_EQ(l["Sheet1!A8"], "n:1");
  EXPECT_EQ(l["Sheet1!A9"], "n:2");

  // Excludes win; a literal * and ? through sets.
  ASSERT_EQ(Run("definitions " + Conn() + " --schema idx --exclude '*[*?]' --exclude '顧客*' " +
                    "--exclude '[!a-z]*' --out d.xlsx",
                &out),
            0)
      << out;
  WorkbookDump d = DumpWorkbook(dir.File("d.xlsx"), false);
  std::set<std::string> documented;
  for (int i = 1; i <= std::stoi(d["sheet.count"]); ++i)
    documented.insert(Text(d, d["sheet." + std::to_string(i)] + "!C4"));
  EXPECT_EQ(documented, (std::set<std::string>{"it's", "a[1]", "sl/ash", kLong + "s", "plain"}));
  EXPECT_NE(out.find("1/5 "), std::string::npos) << out;

  // A filter that leaves nothing: exit 4, and no file.
  EXPECT_EQ(Run("definitions " + Conn() + " --schema idx --include 'zzz*' --out none.xlsx", &out),
            4)
      << out;
  EXPECT_NE(out.find("no table matches"), std::string::npos) << out;
  EXPECT_FALSE(FileExists(dir.File("none.xlsx")));
  EXPECT_EQ(Run("list " + Conn() + " --all-schemas --include 'zzz*' --out lists", &out), 4) << out;

  // Usage errors, each on one line.
  for (const char* args : {"--schema idx --include '[abc'", "--schema idx --exclude ''",
                           "--schema idx --table plain --include 'p*'",
                           "--schema idx --table plain --no-partitions"}) {
    EXPECT_EQ(Run("definitions " + Conn() + " " + args, &out), 2) << args;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line: " << out;
  }
  EXPECT_EQ(Run("list " + Conn() + " --schema idx --index-sheet", &out), 2) << out;
}

TEST_F(IndexAndFilterCommandTest, PartitionsLeaveBothDocumentsAndTheParentStays) {
  auto sheets = [](const WorkbookDump& d) {
    std::vector<std::string> names;
    for (int i = 1; i <= std::stoi(d["sheet.count"]); ++i)
      names.push_back(d["sheet." + std::to_string(i)]);
    return names;
  };
  auto listed = [](const WorkbookDump& d) {
    std::vector<std::string> names;
    for (int r = 8; d.Has("Sheet1!B" + std::to_string(r)); ++r)
      names.push_back(Text(d, "Sheet1!B" + std::to_string(r)));
    return names;
  };
  std::string out;
  ASSERT_EQ(Run("definitions " + Conn() + " --schema parts --out all.xlsx", &out), 0) << out;
  EXPECT_EQ(sheets(DumpWorkbook(dir.File("all.xlsx"), false)).size(), 4u);

  ASSERT_EQ(Run("definitions " + Conn() + " --schema parts --no-partitions --index-sheet " +
                    "--out d.xlsx",
                &out),
            0)
      << out;
  const WorkbookDump d = DumpWorkbook(dir.File("d.xlsx"), false);
  EXPECT_EQ(sheets(d), (std::vector<std::string>{"目次", "measure", "plain table"}));
  EXPECT_EQ(d["目次!B8.link"], "'measure'!A1");
  EXPECT_EQ(d["目次!B9.link"], "'plain table'!A1");
  EXPECT_EQ(d["目次!B10"], "");
  ASSERT_EQ(Run("list " + Conn() + " --schema parts --no-partitions --out l.xlsx", &out), 0) << out;
  const WorkbookDump l = DumpWorkbook(dir.File("l.xlsx"), false);
  EXPECT_EQ(listed(l), (std::vector<std::string>{"measure", "plain table"}));
  EXPECT_EQ(l["Sheet1!A9"], "n:2");

  // The settings' check box does the same, with name patterns on top; a
  // pattern that keeps only partitions leaves nothing.
  IniFile::Write(settings, "ExcelSet", "ExcludePartitions", "1");
  ASSERT_EQ(Run("list " + Conn() + " --schema parts --include 'm*' --out m.xlsx", &out), 0) << out;
  EXPECT_EQ(listed(DumpWorkbook(dir.File("m.xlsx"), false)), (std::vector<std::string>{"measure"}));
  EXPECT_EQ(Run("definitions " + Conn() + " --schema parts --include '*_20[0-9][0-9]'", &out), 4)
      << out;
  // Other schemas lose nothing by it.
  ASSERT_EQ(Run("definitions " + Conn() + " --schema idx --out idx.xlsx", &out), 0) << out;
  EXPECT_EQ(DumpWorkbook(dir.File("idx.xlsx"), false)["sheet.count"], "10");
}

TEST_F(IndexAndFilterCommandTest, OwnWorkbookSheetsLinkBackWhereIndexlinkSays) {
  const std::string model = dir.File("model.xlsx");
  WriteModelWorkbook(model);
  IniFile::Write(settings, "ExcelSet", "exporttype", "1");
  IniFile::Write(settings, "ExcelSet", "filename", model);
  IniFile::Write(settings, "ExcelSet", "tablename", "1,4,C");
  IniFile::Write(settings, "ExcelSet", "IndexSheet", "1");
  std::string out;
  ASSERT_EQ(Run("definitions " + Conn() + " --schema parts --out own.xlsx", &out), 0) << out;
  WorkbookDump d = DumpWorkbook(dir.File("own.xlsx"), false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.1"], "目次");
  EXPECT_EQ(d["目次!B8.link"], "'measure'!A1");
  EXPECT_EQ(d["目次!C1"], "") << "the own workbook gets no header texts";
  EXPECT_EQ(d["measure!J1"], "") << "without indexlink no link back";
  EXPECT_FALSE(d.Has("measure!J1.link"));

  IniFile::Write(settings, "ExcelSet", "indexlink", "1,2,K");
  ASSERT_EQ(Run("definitions " + Conn() + " --schema parts --out own2.xlsx", &out), 0) << out;
  d = DumpWorkbook(dir.File("own2.xlsx"), false);
  EXPECT_EQ(d["measure!K2"], "s:目次へ");
  EXPECT_EQ(d["measure!K2.link"], "'目次'!A1");
  EXPECT_EQ(d["measure_2025!K2.link"], "'目次'!A1");
  EXPECT_EQ(Text(d, "measure_2025!C4"), "measure_2025");
  if (SchemasAvailable()) {
    EXPECT_EQ(SchemaProblems(dir.File("own2.xlsx")), "");
  }
}
