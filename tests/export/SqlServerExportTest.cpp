// The SQL Server definition export through the scripted client: reading the
// columns ahead on worker connections writes the same workbook and log as
// reading each table in turn, every worker connection is closed, and a
// failing column statement ends both runs with the same message.
#include <gtest/gtest.h>

#include <sstream>

#include "catalog/Browser.h"
#include "catalog/sqlserver/SqlServerReader.h"
#include "catalog/sqlserver/SqlServerStatements.h"
#include "common/IniFile.h"
#include "export/Exports.h"
#include "support/ExportRun.h"
#include "support/PgBrowser.h"
#include "support/ScriptedAdo.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"

using namespace zel;
using namespace zel::test;

namespace {

constexpr int kTables = 40;

std::string TableName(int i) {
  std::string n = std::to_string(i);
  return "表" + std::string(3 - n.size(), '0') + n;
}

// A SQL Server 2019 with one database "販売", owner dbo and kTables tables;
// each column statement answers with rows that name its table. `failing`
// names a table whose column statement fails.
void Script(ScriptedAdo& ado, const std::string& failing = "") {
  ado.On(mssql::kVersion,
         {2, {{std::string("Microsoft SQL Server 2019 (RTM) - 15.0.2000.5 (X64) \n\tSep 24 2019"),
               std::string("Developer Edition (64-bit)")}}});
  ado.On(mssql::kDatabases, {1, {{std::string("master")}, {std::string("販売")}}});
  ado.On("AS OWNER", {1, {{std::string("dbo")}}});
  AdoAnswer tables(4, {});
  for (int i = 1; i <= kTables; ++i)
    tables.rows.push_back({TableName(i), "テーブル " + std::to_string(i), std::string("2024/01/01"),
                           std::string("2024/02/0") + std::to_string(i % 9 + 1)});
  ado.On("AS TABLENAME", tables);
  ado.OnStatement([failing](const std::string& sql) -> std::optional<AdoAnswer> {
    const size_t at = sql.find("Where obj.name = N'");
    if (at == std::string::npos) return std::nullopt;
    const size_t from = at + std::string("Where obj.name = N'").size();
    const std::string table = sql.substr(from, sql.find('\'', from) - from);
    AdoAnswer a(8, {});
    if (table == failing) {
      a.error = "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Invalid object name '" +
                table + "'.";
      return a;
    }
    a.rows.push_back({std::string("1"), std::string("id"), std::string("int"), std::string("10"),
                      std::string(""), std::string("1"), std::string("1"), std::nullopt});
    a.rows.push_back({std::string("2"), table + "名", std::string("nvarchar"), std::string("-1"),
                      std::string(""), std::string(""), std::nullopt, table + " の名前"});
    a.rows.push_back({std::string("3"), std::string("price"), std::string("decimal"),
                      std::string("12"), std::string("3"), std::string(""), std::nullopt,
                      std::nullopt});
    return a;
  });
}

struct Result {
  std::vector<std::string> log, messages;
  int connects = 0, openAfter = 0, threads = 0;
  int gridColumns = 0;
};

Result Export(const std::string& folder, const std::string& target, int connections,
              const std::string& failing = "") {
  Result r;
  ScriptedAdo ado;
  Script(ado, failing);
  ScriptedPrompts prompts;
  TdCommon common(&prompts);
  common.SetProgramFolder(folder);
  ReaderRegistry registry;
  registry.Register(dkSqlServer, TSqlServerReader::Factory(ado.Factory()));
  {
    TBrowser browser(common, prompts, std::move(registry));
    LogonValues v;
    v.kind = dkSqlServer;
    v.sqlServer = {"sa", "pw", "db01", 0, "", false};
    prompts.logonAnswers.push_back(v);
    browser.Connect();
    EXPECT_TRUE(browser.chkDbOK());
    TTreeNode* db = FindChild(browser.TreeView1().Root(), "販売");
    EXPECT_NE(db, nullptr);
    if (!db) return r;
    browser.TreeView1Change(*db);
    TTreeNode* owner = FindChild(db, "dbo");
    EXPECT_NE(owner, nullptr);
    if (!owner) return r;
    browser.TreeView1Change(*owner);
    TExporter exporter(browser);
    exporter.connections = connections;
    prompts.saveAnswers.push_back(target);
    exporter.DefinitionCommand();
    r.log = LogWithoutClock(browser);
    for (const auto& m : prompts.messages) r.messages.push_back(m.text);
    r.gridColumns = browser.grdTableDefinition().ColCount();
  }
  r.connects = ado.Connects();
  r.openAfter = ado.OpenConnections();
  r.threads = ado.StatementThreads();
  return r;
}

}  // namespace

TEST(SqlServerExport, ReadingAheadWritesTheSameWorkbookAsReadingInTurn) {
  TempDir dir;
  IniFile::Write(dir.File("Zel.ini"), "ExcelSet", "SystemName", "販売管理システム");
  const Result serial = Export(dir.Path(), dir.File("serial.xlsx"), 1);
  const Result ahead = Export(dir.Path(), dir.File("ahead.xlsx"), 6);
  ASSERT_FALSE(serial.log.empty());
  EXPECT_EQ(serial.log.back(), "Excel　出力正常終了。");
  EXPECT_TRUE(serial.messages.empty());
  EXPECT_EQ(serial.log, ahead.log);
  EXPECT_EQ(serial.messages, ahead.messages);
  EXPECT_EQ(serial.gridColumns, 8);
  EXPECT_EQ(ahead.gridColumns, 8);
  ExpectSameWorkbook(dir.File("serial.xlsx"), dir.File("ahead.xlsx"), false);
  // The workers ran the column statements, each on a connection of its
  // own, as the main connection does in turn; none is left open.
  EXPECT_EQ(serial.threads, 1);
  EXPECT_GT(ahead.threads, 1);
  EXPECT_EQ(ahead.connects, serial.connects);
  EXPECT_EQ(serial.openAfter, 0);
  EXPECT_EQ(ahead.openAfter, 0);

  const WorkbookDump d = DumpWorkbook(dir.File("ahead.xlsx"), false);
  EXPECT_EQ(d["sheet.40"], TableName(40));
  bool sawMax = false;
  for (const auto& [key, value] : d.values)
    if (key.rfind(TableName(7) + "!", 0) == 0 && value == "s:MAX") sawMax = true;
  EXPECT_TRUE(sawMax) << "the nvarchar(max) length of table 7 is not in its sheet";
}

TEST(SqlServerExport, AFailingColumnStatementFailsBothRunsAlike) {
  TempDir dir;
  const Result serial = Export(dir.Path(), dir.File("serial.xlsx"), 1, TableName(5));
  const Result ahead = Export(dir.Path(), dir.File("ahead.xlsx"), 6, TableName(5));
  ASSERT_FALSE(serial.log.empty());
  EXPECT_EQ(serial.log.back(), "Excel　出力異常終了。");
  EXPECT_EQ(serial.log, ahead.log);
  ASSERT_EQ(serial.messages.size(), 1u);
  EXPECT_EQ(serial.messages, ahead.messages);
  EXPECT_NE(serial.messages[0].find("Invalid object name '" + TableName(5) + "'"),
            std::string::npos)
      << serial.messages[0];
  EXPECT_EQ(ahead.openAfter, 0);
}
