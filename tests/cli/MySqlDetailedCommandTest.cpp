// zelmora-export's detailed documents against the real MariaDB: the
// definition document with its 目次 sheet and the list, of a schema holding
// every fact the detailed sheet carries, read back by openpyxl, and the
// statements the server received for them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <map>
#include <set>

#include "catalog/mysql/MySqlStatements.h"
#include "common/IniFile.h"
#include "support/MariaFixture.h"
#include "support/PgFixture.h"
#include "support/WorkbookCheck.h"
#include "xlsx/ExcelApplication.h"

using namespace zel;
using namespace zel::test;

namespace {

const std::string kHostile = "tab 'x'; [y] z";

class MySqlDetailedCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    MariaServer srv;
    if (!MariaAvailable(srv)) return;
    schemas = new MariaSchemas(srv);
    shop = schemas->Create("zel_mdc");
    master = schemas->Create("zel_mdo");
    std::string sql = ReadFile(FixturePath("mysql/facts.sql"));
    for (size_t at; (at = sql.find("@S@")) != std::string::npos;) sql.replace(at, 3, shop);
    for (size_t at; (at = sql.find("@O@")) != std::string::npos;) sql.replace(at, 3, master);
    // A table without any index, key or constraint.
    sql += "CREATE TABLE " + MariaIdent(shop) + ".bare (note varchar(10)) COMMENT '索引なし';";
    if (MariaSql(srv, sql) != 0) ADD_FAILURE() << "facts fixture failed";
    // MariaDB shows the keys' delete and update rules only to a user who may
    // change the tables; the user is the command's own, so that its
    // statements can be told from those of other test programs.
    own = new MariaServer(srv);
    own->user = "zel_mdu_" + std::to_string(getpid());
    own->password = "det pw;4'";
    const std::string account = "'" + own->user + "'@'" + srv.host + "'";
    if (MariaSql(srv, "DROP USER IF EXISTS " + account + "; CREATE USER " + account +
                          " IDENTIFIED BY " + MariaLiteral(own->password) +
                          "; GRANT ALL PRIVILEGES ON *.* TO " + account + ";") != 0)
      ADD_FAILURE() << "user not created";
  }
  static void TearDownTestSuite() {
    MariaServer srv;
    if (own && MariaAvailable(srv)) DropMariaUser(srv, *own);
    delete own;
    own = nullptr;
    delete schemas;
    schemas = nullptr;
  }
  void SetUp() override {
    ZEL_SKIP_WITHOUT_MARIA(srv);
    settings = dir.File("settings.ini");
    IniFile::Write(settings, "ExcelSet", "SystemName", "販売管理");
  }

  int Run(const std::string& args, std::string* output) {
    const std::string cmd =
        "cd " + ShellQuote(dir.Path()) + " && ZELMORA_PASSWORD=" + ShellQuote(own->password) + " " +
        std::string(ZEL_BINARY_DIR) + "/src/cli/zelmora-export " + args + " --kind mysql --host " +
        own->host + " --port " + own->port + " --user " + own->user + " --settings " +
        ShellQuote(settings) + " --schema " + ShellQuote(shop) + " --template detailed </dev/null";
    return RunCommand(cmd, output);
  }
  // The statements of one command run and the workbook it wrote.
  std::vector<std::string> Logged(const std::string& args, const std::string& file) {
    const size_t from = GeneralLogSize(srv);
    std::string out;
    EXPECT_EQ(Run(args + " --out " + file, &out), 0) << out;
    if (SchemasAvailable()) {
      EXPECT_EQ(SchemaProblems(dir.File(file)), "") << file;
    }
    return LoggedQueries(srv, from, own->user);
  }
  static std::string Text(const WorkbookDump& d, const std::string& key) {
    const std::string v = d[key];
    return v.rfind("s:", 0) == 0 ? v.substr(2) : v;
  }

  MariaServer srv;
  TempDir dir;
  std::string settings;
  static MariaSchemas* schemas;
  static MariaServer* own;
  static std::string shop, master;
};
MariaSchemas* MySqlDetailedCommandTest::schemas = nullptr;
MariaServer* MySqlDetailedCommandTest::own = nullptr;
std::string MySqlDetailedCommandTest::shop, MySqlDetailedCommandTest::master;

}  // namespace

TEST_F(MySqlDetailedCommandTest, DefinitionsWithIndexSheetAndListFromOneStatementPerFact) {
  const std::vector<std::string> definitions = Logged("definitions", "def.xlsx");
  const WorkbookDump d = DumpWorkbook(dir.File("def.xlsx"), false);
  ASSERT_TRUE(d.ok()) << d.error;

  // The 目次 comes first (the detailed template's default) and the workbook
  // opens on it; each row links to the sheet documenting its table, under
  // the name that sheet really got.
  const std::map<std::string, std::string> kinds = {
      {"bare", "テーブル"},   {"customer", "テーブル"}, {"customer_view", "ビュー"},
      {"hashed", "テーブル"}, {"ord", "テーブル"},      {"place", "テーブル"},
      {kHostile, "テーブル"}, {"注文明細", "テーブル"}};
  ASSERT_EQ(d["sheet.count"], std::to_string(kinds.size() + 1));
  EXPECT_EQ(d["sheet.1"], "目次");
  EXPECT_EQ(d["active"], "1");
  EXPECT_EQ(d["目次!C3"], "s:" + shop);
  EXPECT_EQ(d["目次!B7"], "s:テーブル名");
  EXPECT_EQ(d["目次!D7"], "s:種別");
  std::map<std::string, std::string> sheetOf;
  for (size_t i = 1; i <= kinds.size(); ++i) {
    const std::string row = std::to_string(7 + i);
    const std::string name = Text(d, "目次!B" + row);
    const std::string sheet = d["sheet." + std::to_string(i + 1)];
    sheetOf[name] = sheet;
    EXPECT_EQ(d["目次!A" + row], "n:" + std::to_string(i));
    EXPECT_EQ(d["目次!B" + row + ".link"], xl::SheetLocation(sheet)) << name;
    EXPECT_EQ(Text(d, sheet + "!C4"), name);
    EXPECT_EQ(Text(d, "目次!D" + row), kinds.count(name) ? kinds.at(name) : "?") << name;
    EXPECT_EQ(d[sheet + "!L1"], "s:目次へ") << sheet;
    EXPECT_EQ(d[sheet + "!L1.link"], "'目次'!A1") << sheet;
    EXPECT_EQ(d[sheet + "!J1"], "") << sheet;
    if (name == "bare") {
      EXPECT_EQ(d["目次!C" + row], "s:索引なし");
    }
  }
  ASSERT_EQ(sheetOf.size(), kinds.size());
  EXPECT_EQ(d["目次!B" + std::to_string(8 + kinds.size())], "");
  // No sheet name holds a bracket.
  EXPECT_EQ(sheetOf[kHostile], "tab 'x'; _y_ z");
  EXPECT_EQ(sheetOf["注文明細"], "注文明細");

  // Each sheet's column area, then its sections from row 69 (after the
  // band of rows 8-67 and a blank row). Cells are given as [sheet's
  // table] -> cell -> value; "" is an empty cell.
  const std::string region = master + ".region";
  const std::map<std::string, std::vector<std::pair<std::string, std::string>>> cells = {
      {"customer",
       {{"J7", "デフォルト値"},
        {"K7", "参照先"},
        {"J8", "AUTO_INCREMENT"},
        {"J9", "'=1'"},
        {"J10", "'it''s'"},
        {"J11", "0"},
        {"J12", ""},
        {"J13", "'NULL'"},
        {"J14", "current_timestamp() ON UPDATE current_timestamp()"},
        {"K15", region + ".code"},
        {"K16", region + ".sub"},
        {"K17", "customer.id"},
        {"J18", "0.00"},
        {"J20", "GENERATED ALWAYS AS (`price` * `qty`)"},
        {"J21", "GENERATED ALWAYS AS (`price` * `qty` + 1)"},
        {"K8", ""},
        {"A68", ""},
        {"A69", "インデックス"},
        {"A70", "インデックス名"},
        {"D70", "カラム"},
        {"E70", "ユニーク"},
        {"G70", "主キー"},
        {"I70", "種類"},
        {"J70", "備考"},
        {"A71", "PRIMARY"},
        {"D71", "id"},
        {"E71", "○"},
        {"G71", "○"},
        {"I71", "BTREE"},
        {"A72", "customer_code_key"},
        {"E72", "○"},
        {"G72", ""},
        {"A75", "ft_body"},
        {"I75", "FULLTEXT"},
        {"A76", "ix_prefix"},
        {"D76", "remark(5), created DESC"},
        {"E76", ""},
        {"A77", "uq_pair"},
        {"D77", "region_sub DESC, region_code"},
        {"E77", "○"},
        {"A78", ""},
        {"A79", "外部キー"},
        {"A80", "制約名"},
        {"D80", "カラム"},
        {"E80", "参照先テーブル"},
        {"I80", "参照先カラム"},
        {"J80", "削除時"},
        {"K80", "更新時"},
        {"A81", "fk_parent"},
        {"D81", "parent_id"},
        {"E81", "customer"},
        {"I81", "id"},
        {"J81", "SET NULL"},
        {"K81", "RESTRICT"},
        {"A82", "fk_region"},
        {"D82", "region_code, region_sub"},
        {"E82", region},
        {"I82", "code, sub"},
        {"J82", "CASCADE"},
        {"K82", "RESTRICT"},
        {"A83", ""},
        {"A84", "制約"},
        {"A85", "制約名"},
        {"D85", "種類"},
        {"E85", "定義"},
        {"A86", "customer_code_key"},
        {"D86", "UNIQUE"},
        {"E86", "UNIQUE (code)"},
        {"A87", "customer_price_check"},
        {"D87", "CHECK"},
        {"E87", "CHECK (`price` >= 0)"},
        {"A88", "uq_pair"},
        {"A89", ""}}},
      // A column in two keys names both targets.
      {"ord",
       {{"K9", "customer.id\ncustomer.id"},
        {"K10", "customer.id"},
        {"A75", "外部キー"},
        {"A77", "ord_again_fk"},
        {"A78", "ord_alt_fk"},
        {"J78", "NO ACTION"},
        {"K78", "CASCADE"},
        {"A79", "ord_customer_fk"},
        {"A81", "制約"},
        {"A82", "なし"},
        {"D82", ""},
        {"A83", ""}}},
      {kHostile,
       {{"J8", "7"},
        {"K9", "customer.id"},
        {"A72", "k'ey; [1]"},
        {"A74", "外部キー"},
        {"A76", "k'ey; [1]"},
        {"D76", "顧客"},
        {"E76", "customer"},
        {"A78", "制約"},
        {"A79", "なし"}}},
      {"注文明細",
       {{"J8", "AUTO_INCREMENT"},
        {"J9", ""},
        {"A69", "インデックス"},
        {"A71", "PRIMARY"},
        {"D71", "行"},
        {"A73", "外部キー"},
        {"A74", "なし"},
        {"A76", "制約"},
        {"A78", "金額"},
        {"D78", "CHECK"},
        {"E78", "CHECK (`金額` > 0)"}}},
      {"bare",
       {{"B8", "note"},
        {"J8", ""},
        {"K8", ""},
        {"A69", "インデックス"},
        {"A70", "なし"},
        {"D70", ""},
        {"A71", ""},
        {"A72", "外部キー"},
        {"A73", "なし"},
        {"A75", "制約"},
        {"A76", "なし"},
        {"A77", ""}}},
      {"hashed", {{"A71", "ix_hash"}, {"I71", "HASH"}}},
      {"place", {{"A71", "sp"}, {"I71", "SPATIAL"}}}};
  for (const auto& [table, expected] : cells) {
    const std::string& sheet = sheetOf[table];
    for (const auto& [cell, value] : expected)
      EXPECT_EQ(d[sheet + "!" + cell], value.empty() ? "" : "s:" + value) << table << " " << cell;
  }

  // The list names each object's kind in column I.
  const std::vector<std::string> list = Logged("list", "list.xlsx");
  const WorkbookDump l = DumpWorkbook(dir.File("list.xlsx"), false);
  ASSERT_TRUE(l.ok()) << l.error;
  EXPECT_EQ(l["Sheet1!I7"], "s:種別");
  size_t listed = 0;
  for (int r = 8; l.Has("Sheet1!B" + std::to_string(r)); ++r, ++listed) {
    const std::string name = Text(l, "Sheet1!B" + std::to_string(r));
    EXPECT_EQ(Text(l, "Sheet1!I" + std::to_string(r)), kinds.count(name) ? kinds.at(name) : "?")
        << name;
  }
  EXPECT_EQ(listed, kinds.size());

  // Each fact is one statement for the schema, and the kinds one more: the
  // same statements, as many, once the schema holds more tables with keys
  // and checks.
  std::string version;
  MariaSql(srv, "SELECT VERSION()", &version);
  while (!version.empty() && (version.back() == '\n' || version.back() == '\r')) version.pop_back();
  const my::Server server = my::ServerOf("MySQL " + version);
  const my::FactsGiven given = my::FactsOf(server);
  // The server logs a statement without the blanks and semicolon around it.
  auto count = [](const std::vector<std::string>& logged, std::string statement) {
    while (!statement.empty() && (statement.back() == ' ' || statement.back() == ';'))
      statement.pop_back();
    return std::count(logged.begin(), logged.end(), statement);
  };
  for (const std::string& fact :
       {my::DefaultsStatement(given, shop), my::IndexesStatement(given, shop),
        my::ForeignKeysStatement(shop), my::ChecksStatement(server, shop),
        my::TableKindsStatement(shop), my::SchemaColumnsStatement(shop)})
    EXPECT_EQ(count(definitions, fact), 1) << fact;
  EXPECT_EQ(count(list, my::TableKindsStatement(shop)), 1);
  EXPECT_EQ(count(list, my::DefaultsStatement(given, shop)), 0);

  std::string more;
  for (int i = 1; i <= 6; ++i)
    more += "CREATE TABLE " + MariaIdent(shop) + ".more" + std::to_string(i) +
            " (id int PRIMARY KEY, c int DEFAULT 3 CHECK (c > 0), cust int, KEY (c), "
            "FOREIGN KEY (cust) REFERENCES " +
            MariaIdent(shop) + ".customer (id));";
  ASSERT_EQ(MariaSql(srv, more), 0);
  EXPECT_EQ(Logged("definitions", "more.xlsx"), definitions);
  EXPECT_EQ(DumpWorkbook(dir.File("more.xlsx"), false)["sheet.count"],
            std::to_string(kinds.size() + 7));
  EXPECT_EQ(Logged("list", "more.list.xlsx"), list);
}
