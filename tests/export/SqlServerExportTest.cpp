// The SQL Server definition export through the scripted client, for both
// statement forms (2000 and 2005/2008): reading an owner's columns with one
// statement writes the same workbook and log as reading each table in turn,
// and a statement that fails, at once or part way, ends both runs alike.
#include <gtest/gtest.h>

#include <algorithm>

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

// The listed tables: numbered ones, a hostile name, and one the column
// statements return nothing for.
std::vector<std::string> Tables() {
  std::vector<std::string> names;
  for (int i = 1; i <= kTables; ++i) names.push_back(TableName(i));
  names.push_back("it's]; x");
  names.push_back("空");
  std::sort(names.begin(), names.end());
  return names;
}

// The column rows of one table, as both statements give them.
std::vector<AdoRow> ColumnRows(const std::string& table) {
  if (table == "空") return {};
  return {{std::string("1"), std::string("id"), std::string("int"), std::string("10"),
           std::string(""), std::string("1"), std::string("1"), std::nullopt},
          {std::string("2"), table + "名", std::string("nvarchar"), std::string("-1"),
           std::string(""), std::string(""), std::nullopt, table + " の名前"},
          {std::string("3"), std::string("price"), std::string("decimal"), std::string("12"),
           std::string("3"), std::string(""), std::nullopt, std::nullopt}};
}

const char* VersionText(const std::string& form) {
  return form == "2000" ? "Microsoft SQL Server  2000 - 8.00.2039 (Intel X86) \n\tMay  3 2005"
                        : "Microsoft SQL Server 2019 (RTM) - 15.0.2000.5 (X64) \n\tSep 24 2019";
}

// A server of the form with one database "販売", owner dbo and Tables().
// `failure`: every column statement fails with it; `failAfter` rows first.
void Script(ScriptedAdo& ado, const std::string& form, const std::string& failure = "",
            int failAfter = -1) {
  ado.On(mssql::kVersion,
         {2, {{std::string(VersionText(form)), std::string("Developer Edition (64-bit)")}}});
  ado.On(mssql::kDatabases, {1, {{std::string("master")}, {std::string("販売")}}});
  ado.On("AS OWNER", {1, {{std::string("dbo")}}});
  AdoAnswer tables(4, {});
  for (const std::string& t : Tables())
    tables.rows.push_back(
        {t, "テーブル " + t, std::string("2024/01/01"), std::string("2024/02/03")});
  ado.On("AS TABLENAME,", tables);
  const std::string bulk = mssql::OwnerColumnsStatement(form, "販売", "dbo");
  const std::string tableFilter = form == "2000" ? "   and t.name =N'" : " Where obj.name = N'";
  ado.OnStatement([=](const std::string& sql) -> std::optional<AdoAnswer> {
    AdoAnswer a;
    if (sql == bulk) {
      a.columns = 9;
      for (const std::string& t : Tables())
        for (AdoRow row : ColumnRows(t)) {
          row.push_back(t);
          a.rows.push_back(row);
        }
    } else if (const size_t at = sql.find(tableFilter); at != std::string::npos) {
      const size_t from = at + tableFilter.size();
      std::string table;
      for (size_t i = from; i < sql.size(); ++i) {
        if (sql[i] == '\'' && (i + 1 >= sql.size() || sql[i + 1] != '\'')) break;
        if (sql[i] == '\'') ++i;
        table += sql[i];
      }
      EXPECT_EQ(sql, mssql::ColumnsStatement(form, "販売", "dbo", table));
      a.columns = 8;
      a.rows = ColumnRows(table);
    } else {
      return std::nullopt;
    }
    if (!failure.empty()) {
      a.error = failure;
      a.failAfter = failAfter;
    }
    return a;
  });
}

struct Result {
  std::vector<std::string> log, messages, statements;
  int openAfter = 0, gridColumns = 0;
};

Result Export(const std::string& folder, const std::string& target, const std::string& form,
              CatalogRead read, const std::string& failure = "", int failAfter = -1) {
  Result r;
  ScriptedAdo ado;
  Script(ado, form, failure, failAfter);
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
    EXPECT_EQ(browser.FServerVersion, form);
    TTreeNode* db = FindChild(browser.TreeView1().Root(), "販売");
    EXPECT_NE(db, nullptr);
    if (!db) return r;
    browser.TreeView1Change(*db);
    TTreeNode* owner = FindChild(db, "dbo");
    EXPECT_NE(owner, nullptr);
    if (!owner) return r;
    browser.TreeView1Change(*owner);
    const size_t before = ado.Statements().size();
    const ExportResult e = RunDefinitionExport(browser, prompts, read, target);
    r.log = e.log;
    r.messages = e.messages;
    r.gridColumns = browser.grdTableDefinition().ColCount();
    const std::vector<std::string> all = ado.Statements();
    r.statements.assign(all.begin() + static_cast<long>(before), all.end());
  }
  r.openAfter = ado.OpenConnections();
  return r;
}

}  // namespace

TEST(SqlServerExport, BulkAndPerTableWriteTheSameWorkbookInBothForms) {
  TempDir dir;
  IniFile::Write(dir.File("Zel.ini"), "ExcelSet", "SystemName", "販売管理システム");
  for (const std::string form : {"2000", "2008"}) {
    SCOPED_TRACE(form);
    const Result perTable =
        Export(dir.Path(), dir.File(form + "-per-table.xlsx"), form, CatalogRead::PerTable);
    const Result bulk = Export(dir.Path(), dir.File(form + "-bulk.xlsx"), form, CatalogRead::Bulk);
    ASSERT_FALSE(perTable.log.empty());
    EXPECT_EQ(perTable.log.back(), "Excel　出力正常終了。");
    EXPECT_TRUE(perTable.messages.empty());
    EXPECT_EQ(perTable.log, bulk.log);
    EXPECT_EQ(perTable.messages, bulk.messages);
    EXPECT_EQ(perTable.gridColumns, 8);
    EXPECT_EQ(bulk.gridColumns, 8);
    ExpectSameWorkbook(dir.File(form + "-per-table.xlsx"), dir.File(form + "-bulk.xlsx"), false);
    // The list, then one column statement per table or one for them all.
    const std::string list = mssql::TablesStatement(form, "販売", "dbo");
    EXPECT_EQ(bulk.statements,
              (std::vector<std::string>{list, mssql::OwnerColumnsStatement(form, "販売", "dbo")}));
    ASSERT_EQ(perTable.statements.size(), Tables().size() + 1);
    EXPECT_EQ(perTable.statements[0], list);
    for (size_t i = 0; i < Tables().size(); ++i)
      EXPECT_EQ(perTable.statements[i + 1],
                mssql::ColumnsStatement(form, "販売", "dbo", Tables()[i]));
    EXPECT_EQ(bulk.openAfter, 0);

    const WorkbookDump d = DumpWorkbook(dir.File(form + "-bulk.xlsx"), false);
    EXPECT_EQ(d["sheet.3"], TableName(1));  // after "it's]; x" and "空"
    EXPECT_EQ(d[TableName(7) + "!B9"], "s:" + TableName(7) + "名");
    EXPECT_EQ(d[TableName(7) + "!E9"], "s:MAX");
    EXPECT_EQ(d["空!B8"], "");
  }
}

TEST(SqlServerExport, AFailingColumnStatementFailsBothRunsAlike) {
  TempDir dir;
  const std::string denied =
      "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]The SELECT permission was denied "
      "on the object 'sysindexes'.";
  const std::string lost = "[Microsoft][ODBC Driver 18 for SQL Server]Communication link failure";
  // At once (rights), and after a few rows (a lost server).
  for (const auto& [failure, after] : {std::pair{denied, -1}, std::pair{lost, 2}}) {
    SCOPED_TRACE(failure);
    const std::string n = std::to_string(after);
    const Result perTable = Export(dir.Path(), dir.File("per-table" + n + ".xlsx"), "2008",
                                   CatalogRead::PerTable, failure, after);
    const Result bulk = Export(dir.Path(), dir.File("bulk" + n + ".xlsx"), "2008",
                               CatalogRead::Bulk, failure, after);
    ASSERT_FALSE(perTable.log.empty());
    EXPECT_EQ(perTable.log.back(), "Excel　出力異常終了。");
    EXPECT_EQ(perTable.log, bulk.log);
    ASSERT_EQ(perTable.messages.size(), 1u);
    EXPECT_EQ(perTable.messages, bulk.messages);
    EXPECT_NE(perTable.messages[0].find(failure), std::string::npos) << perTable.messages[0];
    // The failed statement is not sent again for the tables after.
    EXPECT_EQ(bulk.statements.size(), 2u);
    EXPECT_EQ(bulk.openAfter, 0);
  }
}
