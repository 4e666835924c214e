// The two exports of an Oracle owner end to end, through the real client
// over the fake OCI library: the table list and the definition workbook read
// back by openpyxl, and a definition export reading the owner's columns with
// one statement that writes the same workbook as reading table by table.
#include <gtest/gtest.h>

#include <algorithm>

#include "catalog/oracle/OracleStatements.h"
#include "common/IniFile.h"
#include "export/Exports.h"
#include "support/ExportRun.h"
#include "support/FakeOci.h"
#include "support/OraBrowser.h"
#include "support/PgBrowser.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"

using namespace zel;
using namespace zel::test;

namespace {

class OracleExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ScriptSampleCatalog(oci);
    const std::string ini = dir.File("Zel.ini");
    IniFile::Write(ini, "ExcelSet", "SystemName", "販売管理システム");
    IniFile::Write(ini, "ExcelSet", "CreateEmp", "山田");
  }

  // A browser logged on and standing on SCOTT.
  std::unique_ptr<OraBrowser> Connect() {
    auto b = std::make_unique<OraBrowser>(dir.Path());
    b->Connect("scott", kSamplePassword, "orahost:1521/ORCL");
    EXPECT_TRUE(b->browser->chkDbOK());
    scott = b->Select(b->Root(), "SCOTT");
    EXPECT_NE(scott, nullptr);
    return b;
  }

  std::string Definitions(const std::string& name, CatalogRead read) {
    auto b = Connect();
    if (!scott) return {};
    TExporter exporter(*b->browser);
    exporter.read = read;
    const std::string target = dir.File(name);
    b->prompts.saveAnswers.push_back(target);
    exporter.DefinitionCommand();
    EXPECT_TRUE(b->prompts.messages.empty()) << b->prompts.messages[0].text;
    EXPECT_EQ(b->browser->LogLines().front().substr(10), "Excel　出力正常終了。");
    return target;
  }

  FakeOci oci;
  TempDir dir;
  TTreeNode* scott = nullptr;
};

}  // namespace

TEST_F(OracleExportTest, TableListOfAnOwner) {
  auto b = Connect();
  ASSERT_NE(scott, nullptr);
  TExporter exporter(*b->browser);
  const std::string target = dir.File("list.xlsx");
  b->prompts.saveAnswers.push_back(target);
  exporter.TableListCommand();
  ASSERT_TRUE(b->prompts.messages.empty()) << b->prompts.messages[0].text;
  ASSERT_EQ(b->prompts.saveDialogs.size(), 1u);
  // The database part of the name is the host string, made a file name.
  EXPECT_EQ(b->prompts.saveDialogs[0].fileName,
            TdCommon::CleanFileName("orahost:1521/ORCL") + ".SCOTT.list.xlsx");

  WorkbookDump d = DumpWorkbook(target, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.count"], "1");
  EXPECT_EQ(d["Sheet1!C1"], "s:販売管理システム");
  EXPECT_EQ(d["Sheet1!C3"], "s:SCOTT");
  EXPECT_EQ(d["Sheet1!A8"], "n:1");
  EXPECT_EQ(d["Sheet1!B8"], "s:DEPT");
  EXPECT_EQ(d["Sheet1!D8"], "s:部署マスタ～①髙");
  EXPECT_EQ(d["Sheet1!G8"], "d:2020-01-02");
  EXPECT_EQ(d["Sheet1!H8"], "d:2024-05-06");
  EXPECT_EQ(d["Sheet1!B9"], "s:EMP");
  EXPECT_FALSE(d.Has("Sheet1!D9"));
  EXPECT_EQ(d["Sheet1!G9"], "d:2021-03-04");
  EXPECT_EQ(d["Sheet1!A10"], "n:3");
  EXPECT_EQ(d["Sheet1!B10"], "s:NO_OBJ");
  EXPECT_FALSE(d.Has("Sheet1!G10"));
  EXPECT_FALSE(d.Has("Sheet1!A11"));
  if (SchemasAvailable()) {
    EXPECT_EQ(SchemaProblems(target), "");
  }
}

TEST_F(OracleExportTest, DefinitionsOfAnOwner) {
  const std::string target = Definitions("defs.xlsx", CatalogRead::Bulk);
  WorkbookDump d = DumpWorkbook(target, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.count"], "3");
  EXPECT_EQ(d["sheet.1"], "DEPT");
  EXPECT_EQ(d["sheet.2"], "EMP");
  EXPECT_EQ(d["sheet.3"], "NO_OBJ");
  EXPECT_EQ(d["DEPT!C3"], "s:SCOTT");
  EXPECT_EQ(d["DEPT!C4"], "s:DEPT");
  EXPECT_EQ(d["DEPT!C5"], "s:部署マスタ～①髙");
  EXPECT_EQ(d["DEPT!I3"], "d:2020-01-02");
  EXPECT_EQ(d["DEPT!I4"], "d:2024-05-06");
  EXPECT_EQ(d["DEPT!B8"], "s:DEPTNO");
  EXPECT_EQ(d["DEPT!F8"], "n:0");
  EXPECT_EQ(d["DEPT!H8"], "s:○");
  EXPECT_EQ(d["DEPT!I9"], "s:部署名");
  const std::string e = "EMP!";
  EXPECT_FALSE(d.Has(e + "C5"));
  EXPECT_EQ(d[e + "E8"], "n:10");  // NUMBER(10,2)
  EXPECT_EQ(d[e + "F8"], "n:2");
  EXPECT_EQ(d[e + "G8"], "s:○");
  EXPECT_EQ(d[e + "H8"], "s:○");
  EXPECT_EQ(d[e + "I8"], "s:社員番号");
  EXPECT_EQ(d[e + "E9"], "n:30");  // VARCHAR2(30)
  EXPECT_FALSE(d.Has(e + "F9"));
  EXPECT_EQ(d[e + "E10"], "n:16");  // RAW(16)
  EXPECT_EQ(d[e + "D11"], "s:DATE");
  EXPECT_FALSE(d.Has(e + "E11"));
  EXPECT_EQ(d[e + "D12"], "s:CLOB");
  EXPECT_FALSE(d.Has(e + "E12"));
  EXPECT_FALSE(d.Has(e + "F12"));
  EXPECT_EQ(d[e + "I12"], "s:経歴");
  EXPECT_EQ(d[e + "D13"], "s:TIMESTAMP(6)");
  EXPECT_FALSE(d.Has(e + "F13"));
  EXPECT_EQ(d[e + "D14"], "s:TIMESTAMP(3)");
  EXPECT_EQ(d[e + "F14"], "n:3");
  EXPECT_EQ(d[e + "B16"], "s:TERM");
  EXPECT_FALSE(d.Has(e + "E16"));
  EXPECT_FALSE(d.Has(e + "A17"));
  EXPECT_EQ(d["NO_OBJ!B8"], "s:X");
  EXPECT_FALSE(d.Has("NO_OBJ!I3"));
  if (SchemasAvailable()) {
    EXPECT_EQ(SchemaProblems(target), "");
  }
  EXPECT_EQ(oci.Sessions(), 0);
}

TEST_F(OracleExportTest, BulkAndPerTableWriteTheSameWorkbook) {
  const size_t start = oci.Statements().size();
  const std::string perTable = Definitions("per-table.xlsx", CatalogRead::PerTable);
  const size_t middle = oci.Statements().size();
  const std::string bulk = Definitions("bulk.xlsx", CatalogRead::Bulk);
  ExpectSameWorkbook(perTable, bulk, true);
  const std::vector<std::string> sent = oci.Statements();
  auto count = [&](size_t from, size_t to, const std::string& sql) {
    return std::count(sent.begin() + static_cast<long>(from), sent.begin() + static_cast<long>(to),
                      sql);
  };
  for (const char* table : {"DEPT", "EMP", "NO_OBJ"}) {
    EXPECT_EQ(count(start, middle, OraColumnsStatement("SCOTT", table)), 1) << table;
    EXPECT_EQ(count(middle, sent.size(), OraColumnsStatement("SCOTT", table)), 0) << table;
  }
  EXPECT_EQ(count(start, middle, ora::OwnerColumnsStatement("SCOTT")), 0);
  EXPECT_EQ(count(middle, sent.size(), ora::OwnerColumnsStatement("SCOTT")), 1);
  EXPECT_EQ(oci.Sessions(), 0);
  EXPECT_EQ(oci.Live(), 0);
}

TEST_F(OracleExportTest, AFailingOwnerStatementLeavesEachTableToItsOwnStatement) {
  // An Oracle export shows a failing column statement and goes on; the
  // owner's statement failing must change nothing of that.
  const std::string perTable = Definitions("per-table.xlsx", CatalogRead::PerTable);
  oci.Error(ora::OwnerColumnsStatement("SCOTT"), "ORA-00942: table or view does not exist");
  const size_t from = oci.Statements().size();
  const std::string bulk = Definitions("bulk.xlsx", CatalogRead::Bulk);
  ExpectSameWorkbook(perTable, bulk, true);
  std::vector<std::string> sent = oci.Statements();
  sent.erase(sent.begin(), sent.begin() + static_cast<long>(from));
  EXPECT_EQ(std::count(sent.begin(), sent.end(), ora::OwnerColumnsStatement("SCOTT")), 1);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), OraColumnsStatement("SCOTT", "EMP")), 1);
  EXPECT_EQ(oci.Sessions(), 0);
}
