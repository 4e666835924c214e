// MariaDB definition exports reading a schema's columns with one statement:
// the same workbook and log as reading table by table, one statement on one
// connection in bulk, and per table exactly the design's statements.
#include <gtest/gtest.h>

#include <algorithm>

#include "catalog/mysql/MySqlStatements.h"
#include "common/IniFile.h"
#include "export/Exports.h"
#include "support/ExportRun.h"
#include "support/MariaFixture.h"
#include "support/PgBrowser.h"
#include "support/WorkbookCheck.h"

using namespace zel;
using namespace zel::test;

namespace {

// The server logs a statement without the blanks around it.
std::string Trimmed(std::string s) {
  while (!s.empty() && s.back() == ' ') s.pop_back();
  s.erase(0, s.find_first_not_of(' '));
  return s;
}

// The body of a '...' literal as the client library escapes it.
std::string Escaped(const std::string& name) {
  const std::string quoted = MariaLiteral(name);
  return quoted.substr(1, quoted.size() - 2);
}

class MySqlBulkReadExportTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    MariaServer srv;
    if (!MariaAvailable(srv)) return;
    schemas = new MariaSchemas(srv);
    catalog = schemas->CreateCatalog();
    MariaSql(srv, "CREATE TABLE " + MariaIdent(catalog) +
                      ".`顧客～①髙` (`番号` decimal(10,2) PRIMARY KEY COMMENT '番号～①髙', "
                      "`名'前` varchar(20) NOT NULL)");
    many = schemas->CreateMany("zel_bulk", 600);
    // A user of its own, so that its statements and connections can be told
    // from those of other test programs on the server.
    own = new MariaServer(MariaOwnUser(srv, "zel_bk"));
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
    IniFile::Write(dir.File("Zel.ini"), "ExcelSet", "SystemName", "販売管理システム");
  }

  struct Run : ExportResult {
    std::vector<std::string> logged;  // the server's log of the export's user
    size_t peak = 0;                  // its most connections at once
  };
  Run Export(const std::string& schema, CatalogRead read, const std::string& name) {
    Run r;
    auto b = std::make_unique<MariaBrowser>(*own, "\x01", dir.Path());
    EXPECT_TRUE(b->browser->chkDbOK());
    TTreeNode* node = b->Select(b->Root(), schema);
    EXPECT_NE(node, nullptr);
    if (!node) return r;
    const size_t from = GeneralLogSize(srv);
    static_cast<ExportResult&>(r) =
        RunDefinitionExport(*b->browser, b->prompts, read, dir.File(name));
    r.logged = LoggedQueries(srv, from, own->user);
    r.peak = PeakConnections(srv, from, own->user);
    return r;
  }
  static long Count(const Run& r, const std::string& statement) {
    return std::count(r.logged.begin(), r.logged.end(), Trimmed(statement));
  }

  MariaServer srv;
  TempDir dir;
  static MariaSchemas* schemas;
  static MariaServer* own;
  static std::string catalog, many;
};
MariaSchemas* MySqlBulkReadExportTest::schemas = nullptr;
MariaServer* MySqlBulkReadExportTest::own = nullptr;
std::string MySqlBulkReadExportTest::catalog, MySqlBulkReadExportTest::many;

TEST_F(MySqlBulkReadExportTest, BulkAndPerTableWriteTheSameWorkbookFromTheirOwnStatements) {
  Run catalogPerTable;
  for (const std::string& schema : {catalog, many}) {
    SCOPED_TRACE(schema);
    Run perTable = Export(schema, CatalogRead::PerTable, schema + "-per-table.xlsx");
    if (schema == catalog) catalogPerTable = perTable;
    Run bulk = Export(schema, CatalogRead::Bulk, schema + "-bulk.xlsx");
    EXPECT_TRUE(bulk.messages.empty()) << bulk.messages[0];
    ASSERT_FALSE(bulk.log.empty());
    EXPECT_EQ(bulk.log.back(), "Excel　出力正常終了。");
    EXPECT_EQ(perTable.log, bulk.log);
    EXPECT_EQ(perTable.messages, bulk.messages);
    ExpectSameWorkbook(perTable.target, bulk.target, false);

    // In bulk: the list, then one statement for every column, both on the
    // export's one connection (one logon, one SET NAMES).
    const std::string tables = my::TablesStatement(Escaped(schema));
    const std::string columns = my::SchemaColumnsStatement(Escaped(schema));
    EXPECT_EQ(bulk.logged,
              (std::vector<std::string>{"SET NAMES utf8mb4", Trimmed(tables), Trimmed(columns)}));
    EXPECT_EQ(bulk.peak, 1u);
    // Per table: the design's statement for each table, and never the bulk one.
    EXPECT_EQ(Count(perTable, tables), 1);
    EXPECT_EQ(Count(perTable, columns), 0);
    const long perTableColumns = std::count_if(
        perTable.logged.begin(), perTable.logged.end(),
        [](const std::string& s) { return s.rfind("SELECT    A.ORDINAL_POSITION", 0) == 0; });
    EXPECT_EQ(perTableColumns, schema == many ? 600 : 7);
    EXPECT_EQ(perTable.peak, 1u);
  }
  for (const char* table :
       {"it's", "kinds", "v_kinds", "with blank; semi", "backslash", "back\\slash", "顧客～①髙"})
    EXPECT_EQ(Count(catalogPerTable, my::ColumnsStatement(Escaped(catalog), Escaped(table))), 1)
        << table;

  // The definitions as the grid has them.
  WorkbookDump d = DumpWorkbook(dir.File(catalog + "-bulk.xlsx"), false);
  EXPECT_EQ(d["kinds!C4"], "s:kinds");
  EXPECT_EQ(d["kinds!D8"], "s:int unsigned");
  EXPECT_EQ(d["kinds!I8"], "s:番号～①髙");
  EXPECT_EQ(d["kinds!I14"], "s:'a','b'");
  EXPECT_EQ(d["顧客～①髙!B9"], "s:名'前");
  EXPECT_EQ(d["顧客～①髙!F8"], "n:2");
  WorkbookDump m = DumpWorkbook(dir.File(many + "-bulk.xlsx"), false);
  EXPECT_EQ(m["sheet.600"], "t600");
  EXPECT_EQ(m["t600!I9"], "s:名前 600");
}

}  // namespace
