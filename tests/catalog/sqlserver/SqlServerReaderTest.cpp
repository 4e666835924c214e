// The SQL Server reader through the scripted client, with rows shaped as
// SQL Server returns them: the exact statements of each server generation,
// the label and version class, the length and scale rules, quoting of names,
// connection strings, and what a failing statement leaves behind.
#include <gtest/gtest.h>

#include "catalog/Browser.h"
#include "catalog/sqlserver/SqlServerReader.h"
#include "catalog/sqlserver/SqlServerStatements.h"
#include "common/IniFile.h"
#include "db/odbc/OdbcError.h"
#include "support/PgBrowser.h"
#include "support/ScriptedAdo.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

using namespace zel;
using namespace zel::test;

namespace {

const char* const k2005 =
    "Microsoft SQL Server 2005 - 9.00.1399.06 (Intel X86) \n\tOct 14 2005 00:33:37 \n\t"
    "Copyright (c) 1988-2005 Microsoft Corporation\n\tDeveloper Edition on Windows NT 5.1 "
    "(Build 2600: Service Pack 2)\n";
const char* const k2000 =
    "Microsoft SQL Server  2000 - 8.00.2039 (Intel X86) \n\tMay  3 2005 23:18:38 \n\t"
    "Copyright (c) 1988-2003 Microsoft Corporation\n\tStandard Edition on Windows NT 5.2 "
    "(Build 3790: Service Pack 2)\n";
const char* const k2019 =
    "Microsoft SQL Server 2019 (RTM) - 15.0.2000.5 (X64) \n\tSep 24 2019 13:48:23 \n\t"
    "Copyright (C) 2019 Microsoft Corporation\n\tDeveloper Edition (64-bit) on Linux (Ubuntu "
    "20.04.6 LTS) <X64>";

AdoRow R(std::initializer_list<std::optional<std::string>> cells) { return AdoRow(cells); }

class SqlServerReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { common.SetProgramFolder(dir.Path()); }

  LogonValues Logon(int authentication = 0) const {
    LogonValues v;
    v.kind = dkSqlServer;
    v.sqlServer.host = "db01\\SQL2019";
    v.sqlServer.userName = "sa";
    v.sqlServer.password = "p;w";
    v.sqlServer.authentication = authentication;
    return v;
  }

  // Connects to a server answering with `version` and these databases.
  void Connect(const std::string& version, std::vector<std::string> databases = {"master", "sales"},
               LogonValues values = {}) {
    if (values.kind == dkNone) values = Logon();
    ado.On(mssql::kVersion, {2, {R({version, "Developer Edition (64-bit)"})}});
    AdoAnswer dbs{1, {}};
    for (const std::string& d : databases) dbs.rows.push_back(R({d}));
    ado.On(mssql::kDatabases, dbs);
    ReaderRegistry registry;
    registry.Register(dkSqlServer, TSqlServerReader::Factory(ado.Factory()));
    browser = std::make_unique<TBrowser>(common, prompts, std::move(registry));
    prompts.logonAnswers.push_back(values);
    browser->Connect();
  }

  TTreeNode* Select(TTreeNode* parent, const std::string& text) {
    TTreeNode* n = FindChild(parent, text);
    if (n) browser->TreeView1Change(*n);
    return n;
  }
  TTreeNode* Root() { return browser->TreeView1().Root(); }
  const TStringGrid& Definition() { return browser->grdTableDefinition(); }
  std::vector<std::string> GridRow(const TStringGrid& g, int row) {
    std::vector<std::string> out;
    for (int c = 0; c < g.ColCount(); ++c) out.push_back(g.Cell(c, row));
    return out;
  }

  TempDir dir;
  ScriptedPrompts prompts;
  TdCommon common{&prompts};
  ScriptedAdo ado;
  std::unique_ptr<TBrowser> browser;
};

}  // namespace

TEST(SqlServerVersion, ClassFromProductTextOrMajorNumber) {
  struct Case {
    const char* version;
    const char* product;
    const char* versionClass;
  };
  const Case cases[] = {
      {k2000, "Microsoft SQL Server  2000 ", "2000"},
      {k2005, "Microsoft SQL Server 2005 ", "2005"},
      {"Microsoft SQL Server 2008 R2 (RTM) - 10.50.1600.1 (X64) \n\tApr  2 2010", 
       "Microsoft SQL Server 2008 R2 (RTM) ", "2008"},
      // No year in the product text: the major number decides.
      {"Microsoft SQL Server Yukon - 9.00.1399.06 (Intel X86)", "Microsoft SQL Server Yukon ",
       "2005"},
      {"SQL Server - 8.00.194 (Intel X86)", "SQL Server ", "2000"},
      {"SQL Server - \t10.0.1600.22 (X64)", "SQL Server ", "2008"},
      // Later generations answer the 2005/2008 statements.
      {k2019, "Microsoft SQL Server 2019 (RTM) ", "2008"},
      {"Microsoft SQL Server 2022 (RTM-CU16) (KB5048033) - 16.0.4165.4 (X64) \n\tNov  6 2024",
       "Microsoft SQL Server 2022 (RTM", "2008"},
      {"Microsoft SQL Azure (RTM) - 12.0.2000.8 \n\tOct 13 2025 13:23:45 ",
       "Microsoft SQL Azure (RTM) ", "2008"},
      {"Microsoft SQL Server 2012 - 11.0.2100.60 (X64)", "Microsoft SQL Server 2012 ", "2008"},
  };
  for (const Case& c : cases) {
    mssql::ServerVersion v = mssql::ClassifyVersion(c.version);
    EXPECT_EQ(v.product, c.product) << c.version;
    EXPECT_EQ(v.versionClass, c.versionClass) << c.version;
  }
  // "80" and " 9x" are not 8 or 9: whole text after trimming, not a prefix.
  EXPECT_EQ(mssql::ClassifyVersion("X - 80.1").versionClass, "2008");
}

TEST(SqlServerColumns, LengthAndScaleRules) {
  struct Case {
    const char* type;
    const char* length;
    const char* scale;
    const char* shownLength;
    const char* shownScale;
  };
  const Case cases[] = {
      {"varchar", "-1", "", "MAX", ""},       {"nvarchar", "-1", "", "MAX", ""},
      {"VarBinary", "-1", "", "MAX", ""},     {"varchar", "50", "", "50", ""},
      {"int", "10", "", "", ""},              {"bigint", "19", "0", "", ""},
      {"smallint", "5", "0", "", ""},         {"decimal", "10", "2", "10", "2"},
      {"numeric", "18", " 4 \t", "18", "4"},  {"datetime2", "27", "7", "", "7"},
      {"datetimeoffset", "34", "7", "", "7"}, {"", "16", "3", "", ""},
      {"ntext", "1073741823", "", "1073741823", ""}, {"nchar", "10", "", "10", ""},
      {"xml", "-1", "", "", ""},              {"text", "-1", "", "", ""},
      {"char", "-1", "", "-1", ""},  // only the three variable types say MAX
  };
  for (const Case& c : cases) {
    EXPECT_EQ(mssql::ColumnCell(3, c.length, c.type), c.shownLength) << c.type;
    EXPECT_EQ(mssql::ColumnCell(4, c.scale, c.type), c.shownScale) << c.type;
    EXPECT_EQ(mssql::ColumnCell(2, c.type, c.type), c.type);
  }
}

TEST(SqlServerStatements, NamesAreQuotedSafely) {
  EXPECT_EQ(mssql::Bracketed("a]b"), "[a]]b]");
  EXPECT_EQ(mssql::Bracketed("販売 DB"), "[販売 DB]");
  EXPECT_EQ(mssql::UnicodeLiteral("o'x"), "N'o''x'");
  EXPECT_EQ(mssql::UnicodeLiteral("顧客'; DROP TABLE x --"), "N'顧客''; DROP TABLE x --'");
  // A generation without statements gets none rather than a wrong one.
  EXPECT_EQ(mssql::TablesStatement("", "d", "o"), "");
  EXPECT_EQ(mssql::ColumnsStatement("7", "d", "o", "t"), "");
}

TEST_F(SqlServerReaderTest, ConnectShowsProductAndEditionAndListsEveryDatabase) {
  Connect(k2005, {"master", "tempdb", "model", "msdb", "販売管理", "a]b"});
  ASSERT_TRUE(browser->chkDbOK());
  EXPECT_EQ(browser->lblDbType(), "Microsoft SQL Server 2005 \n\rDeveloper Edition (64-bit)");
  EXPECT_EQ(browser->FServerVersion, "2005");
  ASSERT_NE(Root(), nullptr);
  EXPECT_EQ(Root()->Text(), "db01\\SQL2019");
  EXPECT_EQ(ChildTexts(Root()),
            (std::vector<std::string>{"master", "tempdb", "model", "msdb", "販売管理", "a]b"}));
  const TTreeNode* db = Root()->Child(4);
  EXPECT_EQ(db->ImageIndex(), 1);
  EXPECT_EQ(db->SelectedIndex(), 1);
  EXPECT_TRUE(db->HasChildren());
  EXPECT_EQ(ado.Statements(), (std::vector<std::string>{
                                  "SELECT @@VERSION,SERVERPROPERTY('edition') ",
                                  "select name from sysdatabases"}));
  EXPECT_EQ(ado.ConnectionStrings(),
            (std::vector<std::string>{"Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;"
                                      "Password=p;w;Data Source=db01\\SQL2019"}));
  EXPECT_EQ(ado.OpenConnections(), 0);  // closed at the end of the step
}

TEST_F(SqlServerReaderTest, FailedLoginShowsTheProviderMessageAndLeavesNoTree) {
  ado.FailConnects(
      "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Login failed for user 'sa'.", "28000",
      18456);
  Connect(k2005);
  EXPECT_FALSE(browser->chkDbOK());
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].caption, "Zelmora");
  EXPECT_EQ(
      prompts.messages[0].text,
      "SQL Server（ホスト「db01\\SQL2019」）に接続できませんでした。ユーザー名またはパスワード"
      "が正しくないか、このユーザーには接続が許されていないようです。\n\n"
      "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Login failed for user 'sa'.");
  EXPECT_EQ(browser->TreeView1().Root(), nullptr);

  // The other causes by the driver's state and SQL Server's message number;
  // a failure without either gets the general sentence.
  const std::pair<std::pair<const char*, long>, const char*> causes[] = {
      {{"42000", 4060}, "データベースが見つからないか"},
      {{"08001", 0}, "サーバーに届かないか"},
      {{"08001", -1}, "証明書が信頼されていない"},
      {{"IM002", 0}, "クライアントライブラリ（ドライバー）が見つからない"},
      {{"", 0}, "原因は下のメッセージをご覧ください。"}};
  for (const auto& [code, sentence] : causes) {
    prompts.messages.clear();
    ado.FailConnects("driver text", code.first, code.second);
    Connect(k2005);
    ASSERT_EQ(prompts.messages.size(), 1u);
    EXPECT_NE(prompts.messages[0].text.find(sentence), std::string::npos)
        << code.first << " " << code.second << ": " << prompts.messages[0].text;
  }
}

TEST_F(SqlServerReaderTest, WindowsAuthenticationSendsNoUserOrPassword) {
  for (int index : {1, -1}) {
    ado.Clear();
    prompts.messages.clear();
    Connect(k2019, {"sales"}, Logon(index));
    ASSERT_TRUE(browser->chkDbOK()) << index;
    ado.On("sysusers B", {1, {R({"dbo"})}});
    Select(Root(), "sales");
    EXPECT_EQ(ado.ConnectionStrings(),
              (std::vector<std::string>{
                  "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Data "
                  "Source=db01\\SQL2019",
                  "Provider=SQLOLEDB.1;Integrated Security=SSPI;Persist Security Info=False;Data "
                  "Source=db01\\SQL2019;Initial Catalog=sales"}))
        << index;
    AdoLogon last = ado.LastLogon();
    EXPECT_TRUE(last.integratedSecurity);
    EXPECT_EQ(last.userId, "");
    EXPECT_EQ(last.password, "");
    browser->Disconnect();
  }
}

TEST_F(SqlServerReaderTest, OwnersOfADatabaseOnceWithItsNameBracketed) {
  Connect(k2005, {"販売]DB"});
  ado.On("sysusers B", {1, {R({"dbo"}), R({"山田"}), R({"o'neil"})}});
  TTreeNode* db = Select(Root(), "販売]DB");
  ASSERT_NE(db, nullptr);
  Select(Root(), "販売]DB");  // a second selection reads them again, not twice
  EXPECT_EQ(ChildTexts(db), (std::vector<std::string>{"dbo", "山田", "o'neil"}));
  EXPECT_EQ(db->Child(1)->ImageIndex(), 2);
  EXPECT_TRUE(db->Child(1)->HasChildren());
  const std::string owners =
      "SELECT distinct B.NAME AS OWNER  FROM [販売]]DB].dbo.sysobjects A JOIN sysusers B ON A.UID "
      "= B.UID  WHERE A.TYPE='U' AND A.STATUS >= 0  ORDER BY B.NAME ";
  std::vector<std::string> statements = ado.Statements();
  ASSERT_EQ(statements.size(), 4u);
  EXPECT_EQ(statements[2], owners);
  EXPECT_EQ(statements[3], owners);
  // Every operation connects anew, with the node's database, and closes.
  EXPECT_EQ(ado.Connects(), 3);
  EXPECT_EQ(ado.ConnectionStrings().back(),
            "Provider=SQLOLEDB.1;Persist Security Info=False;User ID=sa;Password=p;w;Data "
            "Source=db01\\SQL2019;Initial Catalog=販売]DB");
  EXPECT_EQ(ado.OpenConnections(), 0);
}

TEST_F(SqlServerReaderTest, TablesOnLaterServersWithDatesAndQuotedOwner) {
  Connect(k2019, {"sales"});
  ado.On("sysusers B ON A.UID = B.UID  WHERE", {1, {R({"o'brien"})}});
  ado.On("AS TABLENAME", {4,
                          {R({"受注", "受注ヘッダ", "2024/01/05", "2024/03/01"}),
                           R({"顧客", std::nullopt, "2023/12/24", "2023/12/24"})}});
  TTreeNode* owner = Select(Select(Root(), "sales"), "o'brien");
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(ado.Statements().back(),
            "SELECT A.NAME AS TABLENAME,s.value,  REPLACE(CONVERT(CHAR(10), crdate, 23),'-','/'), "
            "REPLACE(CONVERT(CHAR(10), refdate, 23),'-','/') FROM [sales].dbo.sysobjects A  JOIN "
            "[sales].dbo.sysusers B ON A.UID = B.UID  left join sys.extended_properties s    on "
            "s.major_id=a.id and s.minor_id=0 and s.name = 'MS_Description' WHERE A.TYPE='U' AND "
            "A.STATUS >= 0  AND B.NAME=N'o''brien' ORDER BY A.NAME ");
  ASSERT_EQ(owner->ChildCount(), 2);
  const TTreeNode* t = owner->Child(0);
  EXPECT_EQ(t->Text(), "受注");
  EXPECT_EQ(t->ImageIndex(), 3);
  EXPECT_FALSE(t->HasChildren());
  ASSERT_NE(t->Data(), nullptr);
  EXPECT_EQ(t->Data()->comment, "受注ヘッダ");
  EXPECT_EQ(t->Data()->created, "2024/01/05");
  EXPECT_EQ(t->Data()->updated, "2024/03/01");
  const TStringGrid& list = browser->grdTableList();
  EXPECT_EQ(list.RowCount(), 3);
  EXPECT_EQ(GridRow(list, 2), (std::vector<std::string>{"2", "顧客", "", "2023/12/24", "2023/12/24"}));
  EXPECT_EQ(browser->ActivePage(), Page::TableList);
  EXPECT_EQ(ado.OpenConnections(), 0);
}

TEST_F(SqlServerReaderTest, TablesOn2000UseSysproperties) {
  Connect(k2000, {"sales"});
  ado.On("sysusers B ON A.UID = B.UID  WHERE", {1, {R({"dbo"})}});
  ado.On("AS TABLENAME", {4, {R({"T1", "", "2004/01/01", "2004/01/01"})}});
  Select(Select(Root(), "sales"), "dbo");
  EXPECT_EQ(ado.Statements().back(),
            "SELECT A.NAME AS TABLENAME,s.value, REPLACE(CONVERT(CHAR(10), crdate, 23),'-','/'), "
            "REPLACE(CONVERT(CHAR(10), refdate, 23),'-','/') FROM [sales].dbo.sysobjects A  JOIN "
            "[sales].dbo.sysusers B ON A.UID = B.UID  left join [sales].dbo.sysproperties s on "
            "s.id=a.id and s.smallid=0 and s.name = 'MS_Description' WHERE A.TYPE='U' AND A.STATUS "
            ">= 0  AND B.NAME=N'dbo' ORDER BY A.NAME ");
}

TEST_F(SqlServerReaderTest, ATableWithTwoTablePropertiesIsListedOnce) {
  Connect(k2019, {"sales"});
  ado.On("sysusers B ON A.UID = B.UID  WHERE", {1, {R({"dbo"})}});
  // The server's join: one row per table-level property the statement lets
  // through. Orders carries a description and a second property.
  ado.OnStatement([](const std::string& sql) -> std::optional<AdoAnswer> {
    if (sql.find("AS TABLENAME") == std::string::npos) return std::nullopt;
    const bool onlyDescription = sql.find("s.name = 'MS_Description'") != std::string::npos;
    AdoAnswer a{4, {R({"Orders", "注文", "2024/01/01", "2024/01/02"})}};
    if (!onlyDescription) a.rows.push_back(R({"Orders", "v2", "2024/01/01", "2024/01/02"}));
    a.rows.push_back(R({"Items", std::nullopt, "2024/01/01", "2024/01/02"}));
    return a;
  });
  TTreeNode* owner = Select(Select(Root(), "sales"), "dbo");
  EXPECT_EQ(ChildTexts(owner), (std::vector<std::string>{"Orders", "Items"}));
  EXPECT_EQ(browser->grdTableList().RowCount(), 3);
}

TEST_F(SqlServerReaderTest, ColumnsOnLaterServersWithEveryCellRule) {
  Connect(k2019, {"sales"});
  ado.On("sysusers B ON A.UID = B.UID  WHERE", {1, {R({"dbo"})}});
  ado.On("AS TABLENAME", {4, {R({"顧客", "顧客マスタ", "2024/01/01", "2024/01/02"})}});
  // colid, name, first system type name, prec, scale text, NN, PK, comment
  ado.On("Col.Colid", {8,
                       {R({"1", "id", "int", "10", "", "1", "1", std::nullopt}),
                        R({"2", "氏名", "nvarchar", "-1", "", "1", std::nullopt, "お客様の氏名"}),
                        R({"3", "code", "varchar", "50", "", "", std::nullopt, ""}),
                        R({"4", "price", "decimal", "10", "2", "", std::nullopt, std::nullopt}),
                        R({"5", "at", "datetime2", "27", "7", "", std::nullopt, std::nullopt}),
                        R({"6", "geo", std::nullopt, "-1", "3", "", std::nullopt, std::nullopt})}});
  TTreeNode* table = Select(Select(Select(Root(), "sales"), "dbo"), "顧客");
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(ado.Statements().back(),
            " select Col.Colid,Col.name as '名称' ,(Select top 1 name From systypes Where "
            "systypes.xtype = Col.xtype) as '型'   ,Col.prec as '桁数' ,case isnull(Col.xscale,0) "
            "when 0 then ''  else cast( Col.scale as varchar(10) )  end '小数部'  ,case "
            "Col.isnullable  when 0 then '1'  else ''  end 'NN' ,pk.PK as 主ｷｰ ,ex.value  as "
            "'colcomment' From [sales].dbo.syscolumns as col  inner join [sales].dbo.sysobjects as "
            "obj on col.id = obj.id  inner join sysusers u on obj.uid=U.uid  left join "
            "sys.extended_properties as ex  on  col.id = ex.major_id and ex.minor_id = col.colid "
            "and ex.name = 'MS_Description'    left join (select k.id,k.colid,'1' as PK from "
            "[sales].dbo.sysindexes i        inner join [sales].dbo.sysindexkeys k on k.id = i.id "
            "and k.indid = i.indid      where i.name in (        select name        from "
            "[sales].dbo.sysobjects      where xtype = 'PK'         and parent_obj = i.id     )) "
            "pk  on col.id = pk.id and col.colid = pk.colid  Where obj.name = N'顧客' and "
            "u.name=N'dbo'");
  const TStringGrid& g = Definition();
  EXPECT_EQ(g.ColCount(), 8);  // from the result: the ninth column is gone
  ASSERT_EQ(g.RowCount(), 7);
  using V = std::vector<std::string>;
  EXPECT_EQ(GridRow(g, 1), (V{"1", "id", "int", "", "", "1", "1", ""}));
  EXPECT_EQ(GridRow(g, 2), (V{"2", "氏名", "nvarchar", "MAX", "", "1", "", "お客様の氏名"}));
  EXPECT_EQ(GridRow(g, 3), (V{"3", "code", "varchar", "50", "", "", "", ""}));
  EXPECT_EQ(GridRow(g, 4), (V{"4", "price", "decimal", "10", "2", "", "", ""}));
  EXPECT_EQ(GridRow(g, 5), (V{"5", "at", "datetime2", "", "7", "", "", ""}));
  EXPECT_EQ(GridRow(g, 6), (V{"6", "geo", "", "", "", "", "", ""}));
  EXPECT_EQ(browser->lblTableComment(), "顧客マスタ");
  EXPECT_EQ(prompts.busyOn, prompts.busyOff);
  EXPECT_FALSE(prompts.busy);
  EXPECT_EQ(ado.OpenConnections(), 0);
}

TEST_F(SqlServerReaderTest, ColumnsOn2000ByUserTypeInColumnOrder) {
  Connect(k2000, {"売上"});
  ado.On("sysusers B ON A.UID = B.UID  WHERE", {1, {R({"dbo"})}});
  ado.On("AS TABLENAME", {4, {R({"it's", "", "2004/01/01", "2004/01/01"})}});
  ado.On("c.colid as No", {8, {R({"1", "n", "numeric", "9", "0", "1", "1", "番号"})}});
  Select(Select(Select(Root(), "売上"), "dbo"), "it's");
  EXPECT_EQ(ado.Statements().back(),
            "select c.colid as No ,c.name as 列名,ty.name as 型, c.prec as 長さ, c.scale as 小数, "
            "CASE WHEN c.isnullable = 1 THEN '' ELSE '1' END 必須,pk.PK as 主ｷｰ, s.value as "
            "コメント    from [売上].dbo.sysobjects t      inner join [売上].dbo.sysusers u ON "
            "t.UID = u.UID    inner join [売上].dbo.syscolumns c  on t.id = c.id     left join "
            "(select k.id,k.colid,'1' as PK from [売上].dbo.sysindexes i        inner join "
            "[売上].dbo.sysindexkeys k on k.id = i.id and k.indid = i.indid      where i.name in ( "
            "       select name        from [売上].dbo.sysobjects      where xtype = 'PK'       "
            "  and parent_obj = i.id     )) pk  on t.id = pk.id and c.colid = pk.colid   left join "
            "[売上].dbo.systypes ty on c.xusertype = ty.xusertype   LEFT OUTER JOIN         "
            "[売上].dbo.sysproperties s   ON              s.id = c.id       and s.smallid=c.colid  "
            "    AND s.name = 'MS_Description' where t.type = 'U'   and t.status > 0     and "
            "t.name =N'it''s'   and u.name=N'dbo' order by t.name,c.colid");
  EXPECT_EQ(GridRow(Definition(), 1),
            (std::vector<std::string>{"1", "n", "numeric", "9", "0", "1", "1", "番号"}));
}

TEST_F(SqlServerReaderTest, AFailingStatementEscapesWithTheProviderMessageAndEarlierRowsStay) {
  Connect(k2019, {"sales"});
  ado.On("sysusers B ON A.UID = B.UID  WHERE", {1, {R({"dbo"})}});
  AdoAnswer tables{4,
                   {R({"A", "", "2024/01/01", "2024/01/01"}), R({"B", "", "2024/01/01", "2024/01/01"}),
                    R({"C", "", "2024/01/01", "2024/01/01"})}};
  tables.error = "[FreeTDS][SQL Server]Transaction (Process ID 52) was deadlocked";
  tables.failAfter = 2;
  ado.On("AS TABLENAME", tables);
  TTreeNode* db = Select(Root(), "sales");
  TTreeNode* owner = FindChild(db, "dbo");
  ASSERT_NE(owner, nullptr);
  try {
    browser->TreeView1Change(*owner);
    FAIL() << "the failure did not escape";
  } catch (const OdbcError& e) {
    EXPECT_STREQ(e.what(), "[FreeTDS][SQL Server]Transaction (Process ID 52) was deadlocked");
  }
  EXPECT_EQ(ChildTexts(owner), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(browser->grdTableList().RowCount(), 3);
  EXPECT_EQ(browser->grdTableList().Cell(1, 2), "B");

  // The next operation closes what the failure left open and goes on.
  ado.On("Col.Colid", {8, {R({"1", "x", "int", "10", "", "1", std::nullopt, std::nullopt})}});
  Select(owner, "A");
  EXPECT_EQ(Definition().Cell(1, 1), "x");
  EXPECT_EQ(ado.OpenConnections(), 0);

  // A column statement that fails on opening escapes the same way.
  AdoAnswer bad;
  bad.error = "[Microsoft][ODBC Driver 18 for SQL Server][SQL Server]Invalid object name 'x'.";
  ado.Clear();
  ado.On("Col.Colid", bad);
  try {
    browser->TreeView1Change(*FindChild(owner, "B"));
    FAIL() << "the failure did not escape";
  } catch (const OdbcError& e) {
    EXPECT_STREQ(e.what(), bad.error.c_str());
  }
  EXPECT_FALSE(prompts.busy);  // the cursor is back
}

TEST_F(SqlServerReaderTest, TheCertificateIsTrustedWhenZelIniSaysSo) {
  Connect(k2019);
  EXPECT_FALSE(ado.LastLogon().trustServerCertificate);
  EXPECT_EQ(ado.LastLogon().odbcDriver, "");
  browser->Disconnect();
  IniFile::Write(dir.File("Zel.ini"), "sqlserver", "TrustServerCertificate", "0");
  Connect(k2019);
  EXPECT_FALSE(ado.LastLogon().trustServerCertificate);
  browser->Disconnect();
  IniFile::Write(dir.File("Zel.ini"), "sqlserver", "TrustServerCertificate", "1");
  Connect(k2019);
  EXPECT_TRUE(ado.LastLogon().trustServerCertificate);
  // The dialog's own values still go as they are.
  EXPECT_EQ(ado.LastLogon().userId, "sa");
  EXPECT_EQ(ado.LastLogon().password, "p;w");
}
