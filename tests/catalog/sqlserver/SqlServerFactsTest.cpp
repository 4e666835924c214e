// The detailed document's facts as the SQL Server reader hands them over:
// the whole statement texts of each server generation, then a schema read
// through the real FreeTDS driver against the stand-in server (one
// statement per fact for all tables, the rows folded into each table's
// facts), the 2000 form through the scripted client, and a failing
// statement.
#include <gtest/gtest.h>

#include "catalog/Browser.h"
#include "catalog/SchemaRows.h"
#include "catalog/sqlserver/SqlServerReader.h"
#include "catalog/sqlserver/SqlServerStatements.h"
#include "db/odbc/OdbcError.h"
#include "support/FakeTds.h"
#include "support/PgBrowser.h"
#include "support/ScriptedAdo.h"
#include "support/ScriptedPrompts.h"
#include "support/TableFactsText.h"
#include "support/TestEnv.h"

using namespace zel;
using namespace zel::test;

namespace {

using Lines = std::vector<std::string>;

// The listed tables of owner it's in database 販]売, as the table statement
// filters them.
const std::string kListed =
    " IN (SELECT A.id FROM [販]]売].dbo.sysobjects A JOIN [販]]売].dbo.sysusers B ON A.UID = "
    "B.UID WHERE A.TYPE='U' AND A.STATUS >= 0 AND B.NAME=N'it''s')";

TEST(SqlServerFactStatements, EveryGenerationAsAWholeText) {
  EXPECT_EQ(mssql::DefaultsStatement("2008", "販]売", "it's"),
            "SELECT t.name AS TABLENAME, c.name AS COLUMNNAME, dc.definition AS "
            "DEFAULTDEFINITION, CASE WHEN c.is_identity = 1 THEN '1' ELSE '' END AS ISIDENTITY, "
            "cc.definition AS COMPUTEDDEFINITION FROM [販]]売].sys.columns c JOIN "
            "[販]]売].sys.objects t ON t.object_id = c.object_id LEFT JOIN "
            "[販]]売].sys.default_constraints dc ON dc.object_id = c.default_object_id LEFT JOIN "
            "[販]]売].sys.computed_columns cc ON cc.object_id = c.object_id AND cc.column_id = "
            "c.column_id WHERE t.object_id" +
                kListed +
                " AND (dc.object_id IS NOT NULL OR c.is_identity = 1 OR cc.object_id IS NOT "
                "NULL) ORDER BY t.name, c.column_id");
  const std::string indexes2008 =
      "SELECT t.name AS TABLENAME, i.name AS INDEXNAME, i.type_desc AS INDEXTYPE, CASE WHEN "
      "i.is_unique = 1 THEN '1' ELSE '' END AS ISUNIQUE, CASE WHEN i.is_primary_key = 1 THEN '1' "
      "ELSE '' END AS ISPRIMARY, i.filter_definition AS FILTERDEFINITION, c.name AS COLUMNNAME, "
      "CASE WHEN ic.is_included_column = 1 THEN '1' ELSE '' END AS ISINCLUDED, CASE WHEN "
      "ic.is_descending_key = 1 THEN '1' ELSE '' END AS ISDESCENDING FROM [販]]売].sys.indexes i "
      "JOIN [販]]売].sys.objects t ON t.object_id = i.object_id JOIN [販]]売].sys.index_columns "
      "ic ON ic.object_id = i.object_id AND ic.index_id = i.index_id JOIN [販]]売].sys.columns c "
      "ON c.object_id = ic.object_id AND c.column_id = ic.column_id WHERE i.index_id > 0 AND "
      "i.is_hypothetical = 0 AND t.object_id" +
      kListed +
      " ORDER BY t.name, i.name, ic.is_included_column, ic.key_ordinal, ic.index_column_id";
  EXPECT_EQ(mssql::IndexesStatement("2008", "販]売", "it's"), indexes2008);
  EXPECT_EQ(
      mssql::ForeignKeysStatement("2008", "販]売", "it's"),
      "SELECT t.name AS TABLENAME, fk.name AS CONSTRAINTNAME, pc.name AS COLUMNNAME, CASE WHEN "
      "rt.schema_id = t.schema_id THEN NULL ELSE rs.name END AS REFSCHEMA, rt.name AS REFTABLE, "
      "rc.name AS REFCOLUMN, fk.delete_referential_action_desc AS ONDELETE, "
      "fk.update_referential_action_desc AS ONUPDATE FROM [販]]売].sys.foreign_keys fk JOIN "
      "[販]]売].sys.objects t ON t.object_id = fk.parent_object_id JOIN "
      "[販]]売].sys.foreign_key_columns fkc ON fkc.constraint_object_id = fk.object_id JOIN "
      "[販]]売].sys.columns pc ON pc.object_id = fkc.parent_object_id AND pc.column_id = "
      "fkc.parent_column_id JOIN [販]]売].sys.objects rt ON rt.object_id = "
      "fkc.referenced_object_id JOIN [販]]売].sys.schemas rs ON rs.schema_id = rt.schema_id JOIN "
      "[販]]売].sys.columns rc ON rc.object_id = fkc.referenced_object_id AND rc.column_id = "
      "fkc.referenced_column_id WHERE t.object_id" +
          kListed + " ORDER BY t.name, fk.name, fkc.constraint_column_id");
  EXPECT_EQ(mssql::ConstraintsStatement("2008", "販]売", "it's"),
            "SELECT t.name AS TABLENAME, k.name AS CONSTRAINTNAME, 'UNIQUE' AS CONSTRAINTTYPE, "
            "c.name AS COLUMNNAME, NULL AS DEFINITION, ic.key_ordinal AS ORDINAL FROM "
            "[販]]売].sys.key_constraints k JOIN [販]]売].sys.objects t ON t.object_id = "
            "k.parent_object_id JOIN [販]]売].sys.index_columns ic ON ic.object_id = "
            "k.parent_object_id AND ic.index_id = k.unique_index_id JOIN [販]]売].sys.columns c "
            "ON c.object_id = ic.object_id AND c.column_id = ic.column_id WHERE k.type = 'UQ' AND "
            "t.object_id" +
                kListed +
                " UNION ALL SELECT t.name, k.name, 'CHECK', NULL, k.definition, 0 FROM "
                "[販]]売].sys.check_constraints k JOIN [販]]売].sys.objects t ON t.object_id = "
                "k.parent_object_id WHERE t.object_id" +
                kListed + " ORDER BY TABLENAME, CONSTRAINTNAME, ORDINAL");

  // 2005 has every view but no filtered indexes; the rest is the same text.
  std::string indexes2005 = indexes2008;
  indexes2005.replace(indexes2005.find("i.filter_definition"), 19, "NULL");
  EXPECT_EQ(mssql::IndexesStatement("2005", "販]売", "it's"), indexes2005);
  for (auto statement :
       {mssql::DefaultsStatement, mssql::ForeignKeysStatement, mssql::ConstraintsStatement}) {
    EXPECT_EQ(statement("2005", "販]売", "it's"), statement("2008", "販]売", "it's"));
    EXPECT_EQ(statement("7", "販]売", "it's"), "");
  }
  EXPECT_EQ(mssql::IndexesStatement("7", "d", "o"), "");
  // 2000: the system tables, filtered the same way.
  EXPECT_EQ(
      mssql::DefaultsStatement("2000", "販]売", "it's"),
      std::string(
          R"sql(SELECT t.name AS TABLENAME, c.name AS COLUMNNAME, CASE WHEN c.iscomputed = 0 THEN m.text END AS DEFAULTDEFINITION, CASE WHEN COLUMNPROPERTY(c.id, c.name, 'IsIdentity') = 1 THEN '1' ELSE '' END AS ISIDENTITY, CASE WHEN c.iscomputed = 1 THEN m.text END AS COMPUTEDDEFINITION FROM [販]]売].dbo.syscolumns c JOIN [販]]売].dbo.sysobjects t ON t.id = c.id LEFT JOIN [販]]売].dbo.syscomments m ON (c.iscomputed = 0 AND m.id = c.cdefault) OR (c.iscomputed = 1 AND m.id = c.id AND m.number = c.colid) WHERE t.id)sql" +
          kListed +
          R"sql( AND (c.cdefault <> 0 OR COLUMNPROPERTY(c.id, c.name, 'IsIdentity') = 1 OR c.iscomputed = 1) ORDER BY t.name, c.colid, m.colid)sql"));
  EXPECT_EQ(
      mssql::IndexesStatement("2000", "販]売", "it's"),
      std::string(
          R"sql(SELECT t.name AS TABLENAME, i.name AS INDEXNAME, CASE WHEN INDEXPROPERTY(i.id, i.name, 'IsClustered') = 1 THEN 'CLUSTERED' ELSE 'NONCLUSTERED' END AS INDEXTYPE, CASE WHEN INDEXPROPERTY(i.id, i.name, 'IsUnique') = 1 THEN '1' ELSE '' END AS ISUNIQUE, CASE WHEN EXISTS (SELECT * FROM [販]]売].dbo.sysobjects p WHERE p.xtype = 'PK' AND p.parent_obj = i.id AND p.name = i.name) THEN '1' ELSE '' END AS ISPRIMARY, NULL AS FILTERDEFINITION, c.name AS COLUMNNAME, '' AS ISINCLUDED, CASE WHEN INDEXKEY_PROPERTY(i.id, i.indid, k.keyno, 'IsDescending') = 1 THEN '1' ELSE '' END AS ISDESCENDING FROM [販]]売].dbo.sysindexes i JOIN [販]]売].dbo.sysobjects t ON t.id = i.id JOIN [販]]売].dbo.sysindexkeys k ON k.id = i.id AND k.indid = i.indid JOIN [販]]売].dbo.syscolumns c ON c.id = k.id AND c.colid = k.colid WHERE i.indid BETWEEN 1 AND 254 AND INDEXPROPERTY(i.id, i.name, 'IsStatistics') = 0 AND INDEXPROPERTY(i.id, i.name, 'IsHypothetical') = 0 AND t.id)sql" +
          kListed + R"sql( ORDER BY t.name, i.name, k.keyno)sql"));
  EXPECT_EQ(
      mssql::ForeignKeysStatement("2000", "販]売", "it's"),
      std::string(
          R"sql(SELECT t.name AS TABLENAME, o.name AS CONSTRAINTNAME, pc.name AS COLUMNNAME, CASE WHEN rt.uid = t.uid THEN NULL ELSE ru.name END AS REFSCHEMA, rt.name AS REFTABLE, rc.name AS REFCOLUMN, CASE WHEN OBJECTPROPERTY(f.constid, 'CnstIsDeleteCascade') = 1 THEN 'CASCADE' ELSE 'NO_ACTION' END AS ONDELETE, CASE WHEN OBJECTPROPERTY(f.constid, 'CnstIsUpdateCascade') = 1 THEN 'CASCADE' ELSE 'NO_ACTION' END AS ONUPDATE FROM [販]]売].dbo.sysforeignkeys f JOIN [販]]売].dbo.sysobjects o ON o.id = f.constid JOIN [販]]売].dbo.sysobjects t ON t.id = f.fkeyid JOIN [販]]売].dbo.syscolumns pc ON pc.id = f.fkeyid AND pc.colid = f.fkey JOIN [販]]売].dbo.sysobjects rt ON rt.id = f.rkeyid JOIN [販]]売].dbo.sysusers ru ON ru.uid = rt.uid JOIN [販]]売].dbo.syscolumns rc ON rc.id = f.rkeyid AND rc.colid = f.rkey WHERE t.id)sql" +
          kListed + R"sql( ORDER BY t.name, o.name, f.keyno)sql"));
  EXPECT_EQ(
      mssql::ConstraintsStatement("2000", "販]売", "it's"),
      std::string(
          R"sql(SELECT t.name AS TABLENAME, o.name AS CONSTRAINTNAME, 'UNIQUE' AS CONSTRAINTTYPE, c.name AS COLUMNNAME, NULL AS DEFINITION, k.keyno AS ORDINAL FROM [販]]売].dbo.sysobjects o JOIN [販]]売].dbo.sysobjects t ON t.id = o.parent_obj JOIN [販]]売].dbo.sysindexes i ON i.id = o.parent_obj AND i.name = o.name JOIN [販]]売].dbo.sysindexkeys k ON k.id = i.id AND k.indid = i.indid JOIN [販]]売].dbo.syscolumns c ON c.id = k.id AND c.colid = k.colid WHERE o.xtype = 'UQ' AND t.id)sql" +
          kListed +
          R"sql( UNION ALL SELECT t.name, o.name, 'CHECK', NULL, m.text, m.colid FROM [販]]売].dbo.sysobjects o JOIN [販]]売].dbo.sysobjects t ON t.id = o.parent_obj JOIN [販]]売].dbo.syscomments m ON m.id = o.id WHERE o.xtype = 'C' AND t.id)sql" +
          kListed + R"sql( ORDER BY TABLENAME, CONSTRAINTNAME, ORDINAL)sql"));
}

// Owner and database as a user may name them; the statements carry them
// quoted, the answers carry Japanese names.
const std::string kOwner = "営業'; [x] y";
const std::string kDatabase = "販売";

class SqlServerFactsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEL_REQUIRE_FAKE_TDS();
    tds = std::make_unique<FakeTds>("secret");
    ASSERT_TRUE(tds->Running()) << tds->Error();
    common.SetProgramFolder(dir.Path());
    tds->OnExact(
        mssql::kVersion,
        {{"", ""}, {{"Microsoft SQL Server 2019 (RTM) - 15.0.2000.5 (X64)", "Developer Edition"}}});
    tds->OnExact(mssql::kDatabases, {{"name"}, {{"master"}, {kDatabase}}});
    tds->OnExact(mssql::OwnersStatement(kDatabase), {{"OWNER"}, {{kOwner}}});
    tds->OnExact(mssql::TablesStatement("2008", kDatabase, kOwner),
                 {{"TABLENAME", "value", "", ""},
                  {{"顧客", std::nullopt, "2024/01/01", "2024/01/01"},
                   {"注文", std::nullopt, "2024/01/01", "2024/01/01"},
                   {"注文明細", std::nullopt, "2024/01/01", "2024/01/01"},
                   {"空", std::nullopt, "2024/01/01", "2024/01/01"}}});
  }

  std::string Statement(std::string (*form)(const std::string&, const std::string&,
                                            const std::string&)) {
    return form("2008", kDatabase, kOwner);
  }

  TTreeNode* Owner() {
    LogonValues values;
    values.kind = dkSqlServer;
    values.sqlServer.host = tds->Host();
    values.sqlServer.userName = "sa";
    values.sqlServer.password = "secret";
    ReaderRegistry registry;
    registry.Register(dkSqlServer, TSqlServerReader::Factory());
    browser = std::make_unique<TBrowser>(common, prompts, std::move(registry));
    prompts.logonAnswers.push_back(values);
    browser->Connect();
    if (!browser->chkDbOK()) return nullptr;
    TTreeNode* database = FindChild(browser->TreeView1().Root(), kDatabase);
    if (!database) return nullptr;
    browser->TreeView1Change(*database);
    TTreeNode* owner = FindChild(database, kOwner);
    if (owner) browser->TreeView1Change(*owner);
    return owner;
  }

  TempDir dir;
  ScriptedPrompts prompts;
  TdCommon common{&prompts};
  std::unique_ptr<FakeTds> tds;
  std::unique_ptr<TBrowser> browser;
};

}  // namespace

TEST_F(SqlServerFactsTest, OneStatementPerFactGivesEveryTableItsWholeFacts) {
  using N = std::optional<std::string>;
  const N null;
  tds->OnExact(
      Statement(mssql::DefaultsStatement),
      {{"TABLENAME", "COLUMNNAME", "DEFAULTDEFINITION", "ISIDENTITY", "COMPUTEDDEFINITION"},
       {{"顧客", "id", null, "1", null},
        {"顧客", "状態", "('=1')", "", null},
        {"顧客", "備考", "(NULL)", "", null},
        {"注文", "登録日", "(getdate())", "", null},
        {"注文", "数量", "((0))", "", null},
        {"注文", "合計", null, "", "([数量]*(2))"},
        {"注文", "メモ", "(N'it''s; [x]')", "", null}}});
  tds->OnExact(
      Statement(mssql::IndexesStatement),
      {{"TABLENAME", "INDEXNAME", "INDEXTYPE", "ISUNIQUE", "ISPRIMARY", "FILTERDEFINITION",
        "COLUMNNAME", "ISINCLUDED", "ISDESCENDING"},
       {{"顧客", "PK_顧客", "CLUSTERED", "1", "1", null, "id", "", ""},
        {"顧客", "UQ_顧客_メール", "NONCLUSTERED", "1", "", null, "メール", "", ""},
        {"注文", "IX_注文_日付", "NONCLUSTERED", "", "", "([状態]='済')", "登録日", "", "1"},
        {"注文", "IX_注文_日付", "NONCLUSTERED", "", "", "([状態]='済')", "顧客id", "", ""},
        {"注文", "IX_注文_日付", "NONCLUSTERED", "", "", "([状態]='済')", "数量", "1", ""},
        {"注文", "IX_注文_日付", "NONCLUSTERED", "", "", "([状態]='済')", "合計", "1", ""},
        {"注文", "PK_注文", "CLUSTERED", "1", "1", null, "注文番号", "", ""},
        {"注文明細", "CCI_明細", "CLUSTERED COLUMNSTORE", "", "", null, "注文番号", "", ""},
        {"注文明細", "CCI_明細", "CLUSTERED COLUMNSTORE", "", "", null, "行番号", "", ""}}});
  tds->OnExact(
      Statement(mssql::ForeignKeysStatement),
      {{"TABLENAME", "CONSTRAINTNAME", "COLUMNNAME", "REFSCHEMA", "REFTABLE", "REFCOLUMN",
        "ONDELETE", "ONUPDATE"},
       {{"注文", "FK_注文_顧客", "顧客id", null, "顧客", "id", "CASCADE", "NO_ACTION"},
        {"注文", "FK_注文_親", "親注文番号", null, "注文", "注文番号", "NO_ACTION", "NO_ACTION"},
        {"注文明細", "FK_明細_商品", "商品コード", "在庫", "商品", "コード", "SET_NULL",
         "SET_DEFAULT"},
        {"注文明細", "FK_明細_商品", "版", "在庫", "商品", "版", "SET_NULL", "SET_DEFAULT"},
        {"注文明細", "FK_明細_旧商品", "商品コード", "在庫", "旧商品", "コード", "NO_ACTION",
         "CASCADE"}}});
  tds->OnExact(
      Statement(mssql::ConstraintsStatement),
      {{"TABLENAME", "CONSTRAINTNAME", "CONSTRAINTTYPE", "COLUMNNAME", "DEFINITION", "ORDINAL"},
       {{"顧客", "CK_顧客_状態", "CHECK", null, "([状態]=N'=1' OR [状態]=N'it''s')", "0"},
        {"顧客", "UQ_顧客_メール", "UNIQUE", "メール", null, "1"},
        {"注文明細", "UQ_明細", "UNIQUE", "注文番号", null, "1"},
        {"注文明細", "UQ_明細", "UNIQUE", "行番号", null, "2"}}});

  TTreeNode* owner = Owner();
  ASSERT_NE(owner, nullptr) << testing::PrintToString(prompts.MessageTexts());
  ASSERT_EQ(ChildTexts(owner), (Lines{"顧客", "注文", "注文明細", "空"}));
  // The browsing's own connections are seen closed before the log starts
  // anew, so that a late DISCONNECT of theirs is not counted below.
  ASSERT_TRUE(tds->AllConnectionsClosed());
  tds->ClearLog();
  SchemaRows rows(*owner);
  browser->SetSchemaRows(&rows);

  EXPECT_EQ(
      FactLines(browser->TableFactsOf(*FindChild(owner, "顧客"))),
      (Lines{"has defaults indexes foreignKeys constraints", "default id = IDENTITY",
             "default 状態 = ('=1')", "index PK_顧客 (id) unique primary method=CLUSTERED note=",
             "index UQ_顧客_メール (メール) unique method=NONCLUSTERED note=",
             "constraint CK_顧客_状態 CHECK ([状態]=N'=1' OR [状態]=N'it''s')",
             "constraint UQ_顧客_メール UNIQUE UNIQUE (メール)"}));
  EXPECT_EQ(
      FactLines(browser->TableFactsOf(*FindChild(owner, "注文"))),
      (Lines{"has defaults indexes foreignKeys constraints", "default メモ = (N'it''s; [x]')",
             "default 合計 = GENERATED ALWAYS AS (([数量]*(2)))", "default 数量 = ((0))",
             "default 登録日 = (getdate())", "ref 親注文番号 -> 注文.注文番号",
             "ref 顧客id -> 顧客.id",
             "index IX_注文_日付 (登録日 DESC, 顧客id) method=NONCLUSTERED note=WHERE "
             "([状態]='済') INCLUDE (数量, 合計)",
             "index PK_注文 (注文番号) unique primary method=CLUSTERED note=",
             "fk FK_注文_顧客 (顧客id) -> 顧客 (id) delete=CASCADE update=NO ACTION",
             "fk FK_注文_親 (親注文番号) -> 注文 (注文番号) delete=NO ACTION update=NO ACTION"}));
  EXPECT_EQ(
      FactLines(browser->TableFactsOf(*FindChild(owner, "注文明細"))),
      (Lines{"has defaults indexes foreignKeys constraints",
             "ref 商品コード -> 在庫.商品.コード\n在庫.旧商品.コード", "ref 版 -> 在庫.商品.版",
             "index CCI_明細 (注文番号, 行番号) method=CLUSTERED COLUMNSTORE note=",
             "fk FK_明細_商品 (商品コード, 版) -> 在庫.商品 (コード, 版) delete=SET NULL "
             "update=SET DEFAULT",
             "fk FK_明細_旧商品 (商品コード) -> 在庫.旧商品 (コード) delete=NO ACTION "
             "update=CASCADE",
             "constraint UQ_明細 UNIQUE UNIQUE (注文番号, 行番号)"}));
  // Nothing at all: each section says so, none says it cannot be had.
  EXPECT_EQ(FactLines(browser->TableFactsOf(*FindChild(owner, "空"))),
            (Lines{"has defaults indexes foreignKeys constraints"}));
  EXPECT_EQ(browser->TableKindOf(*FindChild(owner, "注文")), "テーブル");
  EXPECT_EQ(browser->TableKindOf(*FindChild(owner, "空")), "テーブル");
  browser->SetSchemaRows(nullptr);

  // Four tables, four statements, on one connection to the owner's database.
  EXPECT_EQ(
      tds->Statements(),
      (Lines{Statement(mssql::DefaultsStatement), Statement(mssql::IndexesStatement),
             Statement(mssql::ForeignKeysStatement), Statement(mssql::ConstraintsStatement)}));
  EXPECT_EQ(tds->Logins(), (Lines{"user=sa database=販売"}));
  EXPECT_TRUE(tds->AllConnectionsClosed());
  EXPECT_FALSE(prompts.busy);
}

TEST_F(SqlServerFactsTest, AFailingFactStatementEscapesWithTheServersMessage) {
  tds->OnExact(
      Statement(mssql::DefaultsStatement),
      {{"TABLENAME", "COLUMNNAME", "DEFAULTDEFINITION", "ISIDENTITY", "COMPUTEDDEFINITION"}, {}});
  tds->Fail("sys\\.index_columns", 229,
            "The SELECT permission was denied on the object 'index_columns'.");
  TTreeNode* owner = Owner();
  ASSERT_NE(owner, nullptr);
  SchemaRows rows(*owner);
  browser->SetSchemaRows(&rows);
  try {
    browser->TableFactsOf(*FindChild(owner, "顧客"));
    FAIL() << "the failure did not escape";
  } catch (const OdbcError& e) {
    EXPECT_STREQ(e.what(),
                 "[FreeTDS][SQL Server]The SELECT permission was denied on the object "
                 "'index_columns'.");
  }
  // Not sent again for the next table, which is told the facts are not there.
  const size_t sent = tds->Statements().size();
  EXPECT_FALSE(browser->TableFactsOf(*FindChild(owner, "注文")).hasIndexes);
  EXPECT_EQ(tds->Statements().size(), sent);
  browser->SetSchemaRows(nullptr);
  EXPECT_FALSE(prompts.busy);
  EXPECT_TRUE(tds->AllConnectionsClosed());
}

TEST(SqlServerFacts2000, SystemTablesGiveTheFactsAndLongTextsComeWhole) {
  TempDir dir;
  ScriptedPrompts prompts;
  TdCommon common{&prompts};
  common.SetProgramFolder(dir.Path());
  ScriptedAdo ado;
  const std::string v = "2000", d = "sales", o = "dbo";
  using N = std::optional<std::string>;
  const N null;
  // A check longer than one syscomments row arrives in two pieces.
  const std::string first = "([備考] NOT LIKE '" + std::string(3980, 'x');
  const std::string second = "%' AND [状態] <> '')";
  ado.On(mssql::DefaultsStatement(v, d, o),
         {5,
          {AdoRow{"顧客", "id", null, "1", null}, AdoRow{"顧客", "状態", "('=1')", "", null},
           AdoRow{"顧客", "合計", null, "", "([数量] * 2)"},
           AdoRow{"顧客", "備考", "(NULL)", "", null}}});
  ado.On(mssql::IndexesStatement(v, d, o),
         {9,
          {AdoRow{"顧客", "IX_顧客", "NONCLUSTERED", "", "", null, "状態", "", "1"},
           AdoRow{"顧客", "IX_顧客", "NONCLUSTERED", "", "", null, "id", "", ""},
           AdoRow{"顧客", "PK_顧客", "CLUSTERED", "1", "1", null, "id", "", ""}}});
  ado.On(mssql::ForeignKeysStatement(v, d, o),
         {8,
          {AdoRow{"注文", "FK_注文_他", "他id", "guest", "他", "id", "NO_ACTION", "CASCADE"},
           AdoRow{"注文", "FK_注文_顧客", "顧客id", null, "顧客", "id", "CASCADE", "NO_ACTION"}}});
  ado.On(mssql::ConstraintsStatement(v, d, o),
         {6,
          {AdoRow{"顧客", "CK_顧客", "CHECK", null, first, "1"},
           AdoRow{"顧客", "CK_顧客", "CHECK", null, second, "2"},
           AdoRow{"顧客", "UQ_顧客", "UNIQUE", "状態", null, "1"}}});
  ado.On(mssql::kVersion,
         {2, {AdoRow{"Microsoft SQL Server  2000 - 8.00.2039 (Intel X86) ", "Standard Edition"}}});
  ado.On(mssql::kDatabases, {1, {AdoRow{d}}});
  ado.On(mssql::OwnersStatement(d), {1, {AdoRow{o}}});
  ado.On(mssql::TablesStatement(v, d, o),
         {4, {AdoRow{"顧客", "", "", ""}, AdoRow{"注文", "", "", ""}}});
  ReaderRegistry registry;
  registry.Register(dkSqlServer, TSqlServerReader::Factory(ado.Factory()));
  TBrowser browser(common, prompts, std::move(registry));
  LogonValues logon;
  logon.kind = dkSqlServer;
  logon.sqlServer.host = "db01";
  logon.sqlServer.userName = "sa";
  prompts.logonAnswers.push_back(logon);
  browser.Connect();
  ASSERT_TRUE(browser.chkDbOK());
  ASSERT_EQ(browser.FServerVersion, "2000");
  TTreeNode* database = FindChild(browser.TreeView1().Root(), d);
  ASSERT_NE(database, nullptr);
  browser.TreeView1Change(*database);
  TTreeNode* owner = FindChild(database, o);
  ASSERT_NE(owner, nullptr);
  browser.TreeView1Change(*owner);
  const size_t before = ado.Statements().size();
  SchemaRows rows(*owner);
  browser.SetSchemaRows(&rows);
  EXPECT_EQ(FactLines(browser.TableFactsOf(*FindChild(owner, "顧客"))),
            (Lines{"has defaults indexes foreignKeys constraints", "default id = IDENTITY",
                   "default 合計 = GENERATED ALWAYS AS (([数量] * 2))", "default 状態 = ('=1')",
                   "index IX_顧客 (状態 DESC, id) method=NONCLUSTERED note=",
                   "index PK_顧客 (id) unique primary method=CLUSTERED note=",
                   "constraint CK_顧客 CHECK " + first + second,
                   "constraint UQ_顧客 UNIQUE UNIQUE (状態)"}));
  EXPECT_EQ(FactLines(browser.TableFactsOf(*FindChild(owner, "注文"))),
            (Lines{"has defaults indexes foreignKeys constraints", "ref 他id -> guest.他.id",
                   "ref 顧客id -> 顧客.id",
                   "fk FK_注文_他 (他id) -> guest.他 (id) delete=NO ACTION update=CASCADE",
                   "fk FK_注文_顧客 (顧客id) -> 顧客 (id) delete=CASCADE update=NO ACTION"}));
  EXPECT_EQ(browser.TableKindOf(*FindChild(owner, "注文")), "テーブル");
  browser.SetSchemaRows(nullptr);
  const Lines sent = ado.Statements();
  EXPECT_EQ(Lines(sent.begin() + static_cast<long>(before), sent.end()),
            (Lines{mssql::DefaultsStatement(v, d, o), mssql::IndexesStatement(v, d, o),
                   mssql::ForeignKeysStatement(v, d, o), mssql::ConstraintsStatement(v, d, o)}));
  EXPECT_EQ(ado.OpenConnections(), 0);
}
