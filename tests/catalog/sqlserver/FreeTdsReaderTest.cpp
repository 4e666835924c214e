// The SQL Server reader as the window runs it -- logon values from the
// dialog, the real ADO pair over unixODBC and FreeTDS -- against the
// stand-in server: the exact statements each server generation receives,
// the grids filled from its answers, and the driver's messages.
#include <gtest/gtest.h>

#include "catalog/Browser.h"
#include "catalog/sqlserver/SqlServerReader.h"
#include "db/odbc/OdbcError.h"
#include "support/FakeTds.h"
#include "support/PgBrowser.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

using namespace zel;
using namespace zel::test;

namespace {

// Everything a user could type; "}" followed by ";" aside, which Debian's
// FreeTDS cannot carry at all.
const std::string kPassword = "p;w}}x d={'パス'} \"q\"";

const char* const kVersion = "SELECT @@VERSION,SERVERPROPERTY('edition') ";
const char* const kDatabases = "select name from sysdatabases";
const char* const kOwners =
    "SELECT distinct B.NAME AS OWNER  FROM [販売].dbo.sysobjects A JOIN sysusers B ON A.UID = "
    "B.UID  WHERE A.TYPE='U' AND A.STATUS >= 0  ORDER BY B.NAME ";

// The statements of each generation, piece by piece as designed, with the
// database bracketed and the names as Unicode literals.
std::string Tables(bool sql2000) {
  const std::string d = "[販売]";
  if (sql2000)
    return "SELECT A.NAME AS TABLENAME,s.value, REPLACE(CONVERT(CHAR(10), crdate, 23),'-','/'), "
           "REPLACE(CONVERT(CHAR(10), refdate, 23),'-','/') FROM " +
           d + ".dbo.sysobjects A " + " JOIN " + d + ".dbo.sysusers B ON A.UID = B.UID " +
           " left join " + d + ".dbo.sysproperties s on s.id=a.id and s.smallid=0" +
           " and s.name = 'MS_Description'" + " WHERE A.TYPE='U' AND A.STATUS >= 0 " +
           " AND B.NAME=N'dbo'" + " ORDER BY A.NAME ";
  return "SELECT A.NAME AS TABLENAME,s.value,  REPLACE(CONVERT(CHAR(10), crdate, 23),'-','/'), "
         "REPLACE(CONVERT(CHAR(10), refdate, 23),'-','/') FROM " +
         d + ".dbo.sysobjects A " + " JOIN " + d + ".dbo.sysusers B ON A.UID = B.UID " +
         " left join sys.extended_properties s " + "   on s.major_id=a.id and s.minor_id=0" +
         " and s.name = 'MS_Description'" + " WHERE A.TYPE='U' AND A.STATUS >= 0 " +
         " AND B.NAME=N'dbo'" + " ORDER BY A.NAME ";
}

std::string Columns(bool sql2000, const std::string& table) {
  const std::string d = "[販売]";
  const std::string pk = std::string("   left join (select k.id,k.colid,'1' as PK from ") + d +
                         ".dbo.sysindexes i   " + "     inner join " + d +
                         ".dbo.sysindexkeys k on k.id = i.id and k.indid = i.indid  " +
                         "    where i.name in (   " + "     select name    " + "    from " + d +
                         ".dbo.sysobjects " + "     where xtype = 'PK'  " +
                         "       and parent_obj = i.id  ";
  if (sql2000)
    return "select c.colid as No ,c.name as 列名,ty.name as 型, c.prec as 長さ, c.scale as 小数, "
           "CASE WHEN c.isnullable = 1 THEN '' ELSE '1' END 必須,pk.PK as 主ｷｰ, s.value as "
           "コメント    from " +
           d + ".dbo.sysobjects t   " + "   inner join " + d + ".dbo.sysusers u ON t.UID = u.UID " +
           "   inner join " + d + ".dbo.syscolumns c  on t.id = c.id  " + pk +
           "   )) pk  on t.id = pk.id and c.colid = pk.colid " + "  left join " + d +
           ".dbo.systypes ty on c.xusertype = ty.xusertype  " + " LEFT OUTER JOIN    " + "     " +
           d + ".dbo.sysproperties s  " + " ON         " + "     s.id = c.id  " +
           "     and s.smallid=c.colid " + "     AND s.name = 'MS_Description'" +
           " where t.type = 'U'" + "   and t.status > 0  " + "   and t.name =N'" + table + "'" +
           "   and u.name=N'dbo'" + " order by t.name,c.colid";
  return " select Col.Colid,Col.name as '名称' ,(Select top 1 name From systypes Where "
         "systypes.xtype = Col.xtype) as '型'   ,Col.prec as '桁数' ,case isnull(Col.xscale,0) "
         "when 0 then ''  else cast( Col.scale as varchar(10) )  end '小数部'  ,case "
         "Col.isnullable  when 0 then '1'  else ''  end 'NN' ,pk.PK as 主ｷｰ ,ex.value  as "
         "'colcomment' From " +
         d + ".dbo.syscolumns as col " + " inner join " + d +
         ".dbo.sysobjects as obj on col.id = obj.id " + " inner join sysusers u on obj.uid=U.uid " +
         " left join sys.extended_properties as ex " +
         " on  col.id = ex.major_id and ex.minor_id = col.colid and ex.name = 'MS_Description' " +
         pk + "   )) pk  on col.id = pk.id and col.colid = pk.colid " + " Where obj.name = N'" +
         table + "'" + " and u.name=N'dbo'";
}

class FreeTdsReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEL_REQUIRE_FAKE_TDS();
    tds = std::make_unique<FakeTds>(kPassword);
    ASSERT_TRUE(tds->Running()) << tds->Error();
    common.SetProgramFolder(dir.Path());
  }

  // A server answering with `version` and the databases master and 販売,
  // whose owner dbo holds 顧客 and 注文.
  void Script(const std::string& dbmsVer, const std::string& version, const std::string& edition,
              bool sql2000) {
    tds->ClearRules();
    tds->ClearLog();
    tds->SetServerVersion(dbmsVer);
    tds->OnExact(kVersion, {{"", ""}, {{version, edition}}});
    tds->OnExact(kDatabases, {{"name"}, {{"master"}, {"販売"}}});
    tds->OnExact(kOwners, {{"OWNER"}, {{"dbo"}}});
    tds->OnExact(Tables(sql2000), {{"TABLENAME", "value", "", ""},
                                   {{"顧客", "顧客マスタ", "2004/01/01", "2005/02/03"},
                                    {"注文", std::nullopt, "2004/01/02", "2004/01/02"}}});
  }

  // Logs on through the dialog's values, as the window does.
  void Connect(const std::string& password) {
    LogonValues values;
    values.kind = dkSqlServer;
    values.sqlServer.host = tds->Host();
    values.sqlServer.userName = "sa";
    values.sqlServer.password = password;
    ReaderRegistry registry;
    registry.Register(dkSqlServer, TSqlServerReader::Factory());
    browser = std::make_unique<TBrowser>(common, prompts, std::move(registry));
    prompts.logonAnswers.push_back(values);
    browser->Connect();
  }

  TTreeNode* Select(TTreeNode* parent, const std::string& text) {
    TTreeNode* n = parent ? FindChild(parent, text) : nullptr;
    if (n) browser->TreeView1Change(*n);
    return n;
  }
  std::vector<std::string> Row(const TStringGrid& g, int row) {
    std::vector<std::string> out;
    for (int c = 0; c < g.ColCount(); ++c) out.push_back(g.Cell(c, row));
    return out;
  }
  TempDir dir;
  ScriptedPrompts prompts;
  TdCommon common{&prompts};
  std::unique_ptr<FakeTds> tds;
  std::unique_ptr<TBrowser> browser;
};

}  // namespace

TEST_F(FreeTdsReaderTest, Sql2000FromLogonToColumnsWithTheExactStatements) {
  Script("08.00.2039",
         "Microsoft SQL Server  2000 - 8.00.2039 (Intel X86) \n\tMay  3 2005 23:18:38 \n",
         "Standard Edition", true);
  tds->OnExact(Columns(true, "顧客"),
               {{"No", "列名", "型", "長さ", "小数", "必須", "主ｷｰ", "コメント"},
                {{"1", "id", "int", "10", "0", "1", "1", std::nullopt},
                 {"2", "氏名", "nvarchar", "50", "", "", std::nullopt, "お客様の氏名"},
                 {"3", "残高", "decimal", "12", " 2 ", "", std::nullopt, ""}}});
  Connect(kPassword);
  ASSERT_TRUE(browser->chkDbOK()) << testing::PrintToString(prompts.MessageTexts());
  EXPECT_EQ(browser->FServerVersion, "2000");
  EXPECT_EQ(browser->lblDbType(), "Microsoft SQL Server  2000 \n\rStandard Edition");
  EXPECT_EQ(ChildTexts(browser->TreeView1().Root()), (std::vector<std::string>{"master", "販売"}));

  TTreeNode* owner = Select(Select(browser->TreeView1().Root(), "販売"), "dbo");
  ASSERT_NE(owner, nullptr);
  EXPECT_EQ(ChildTexts(owner), (std::vector<std::string>{"顧客", "注文"}));
  const TStringGrid& list = browser->grdTableList();
  ASSERT_EQ(list.RowCount(), 3);
  EXPECT_EQ(Row(list, 1),
            (std::vector<std::string>{"1", "顧客", "顧客マスタ", "2004/01/01", "2005/02/03"}));
  EXPECT_EQ(Row(list, 2), (std::vector<std::string>{"2", "注文", "", "2004/01/02", "2004/01/02"}));

  ASSERT_NE(Select(owner, "顧客"), nullptr);
  const TStringGrid& def = browser->grdTableDefinition();
  ASSERT_EQ(def.RowCount(), 4);
  EXPECT_EQ(Row(def, 1), (std::vector<std::string>{"1", "id", "int", "", "", "1", "1", ""}));
  EXPECT_EQ(Row(def, 2),
            (std::vector<std::string>{"2", "氏名", "nvarchar", "50", "", "", "", "お客様の氏名"}));
  EXPECT_EQ(Row(def, 3), (std::vector<std::string>{"3", "残高", "decimal", "12", "2", "", "", ""}));

  EXPECT_EQ(tds->Statements(), (std::vector<std::string>{kVersion, kDatabases, kOwners,
                                                         Tables(true), Columns(true, "顧客")}));
  // Every operation logs on anew; the loads name the node's database.
  EXPECT_EQ(tds->Logins(),
            (std::vector<std::string>{"user=sa database=", "user=sa database=販売",
                                      "user=sa database=販売", "user=sa database=販売"}));
  EXPECT_TRUE(tds->AllConnectionsClosed());
}

TEST_F(FreeTdsReaderTest, Sql2019And2022GetThe2005FormAndLongCommentsComeWhole) {
  struct Server {
    const char* dbmsVer;
    const char* version;
  };
  const Server servers[] = {
      {"15.00.2000",
       "Microsoft SQL Server 2019 (RTM) - 15.0.2000.5 (X64) \n\tSep 24 2019 13:48:23"},
      {"16.00.1000",
       "Microsoft SQL Server 2022 (RTM) - 16.0.1000.6 (X64) \n\tOct  8 2022 05:58:25"},
  };
  std::string longComment;
  for (int i = 0; i < 900; ++i) longComment += "長い説明です";  // 5,400 characters
  for (const Server& server : servers) {
    Script(server.dbmsVer, server.version, "Developer Edition (64-bit)", false);
    tds->OnExact(Columns(false, "注文"),
                 {{"Colid", "名称", "型", "桁数", "小数部", "NN", "主ｷｰ", "colcomment"},
                  {{"1", "注文番号", "bigint", "19", "", "1", "1", "番号"},
                   {"2", "備考", "nvarchar", "-1", "", "", std::nullopt, longComment},
                   {"3", "登録日時", "datetime2", "27", "7", "", std::nullopt, std::nullopt}}});
    prompts.messages.clear();
    Connect(kPassword);
    ASSERT_TRUE(browser->chkDbOK()) << server.version;
    EXPECT_EQ(browser->FServerVersion, "2008") << server.version;
    TTreeNode* owner = Select(Select(browser->TreeView1().Root(), "販売"), "dbo");
    ASSERT_NE(Select(owner, "注文"), nullptr) << server.version;
    const TStringGrid& def = browser->grdTableDefinition();
    ASSERT_EQ(def.RowCount(), 4);
    EXPECT_EQ(Row(def, 1),
              (std::vector<std::string>{"1", "注文番号", "bigint", "", "", "1", "1", "番号"}));
    EXPECT_EQ(Row(def, 2),
              (std::vector<std::string>{"2", "備考", "nvarchar", "MAX", "", "", "", longComment}));
    EXPECT_EQ(Row(def, 3),
              (std::vector<std::string>{"3", "登録日時", "datetime2", "", "7", "", "", ""}));
    EXPECT_EQ(tds->Statements(), (std::vector<std::string>{kVersion, kDatabases, kOwners,
                                                           Tables(false), Columns(false, "注文")}))
        << server.version;
    EXPECT_TRUE(tds->AllConnectionsClosed());
    browser->Disconnect();
  }
}

TEST_F(FreeTdsReaderTest, TheDriversMessagesReachTheUser) {
  Script("15.00.2000", "Microsoft SQL Server 2019 (RTM) - 15.0.2000.5 (X64)", "Express Edition",
         false);
  // A wrong password: the connect step shows the server's refusal.
  Connect("wrong");
  EXPECT_FALSE(browser->chkDbOK());
  ASSERT_EQ(prompts.messages.size(), 1u);
  // The driver's own text stands beneath the sentence that explains it.
  EXPECT_NE(prompts.messages[0].text.find("\n[FreeTDS][SQL Server]Login failed for user 'sa'."),
            std::string::npos)
      << prompts.messages[0].text;
  EXPECT_EQ(browser->TreeView1().Root(), nullptr);
  EXPECT_EQ(tds->Logins(), (std::vector<std::string>{"user=sa database="}));
  tds->ClearLog();  // a refused login is never disconnected

  // A failing column statement escapes with the server's message; the
  // next operation logs on again and goes on.
  tds->Fail("Col\\.Colid", 208, "Invalid object name 'syscolumns'.");
  Connect(kPassword);
  ASSERT_TRUE(browser->chkDbOK());
  TTreeNode* owner = Select(Select(browser->TreeView1().Root(), "販売"), "dbo");
  ASSERT_NE(owner, nullptr);
  try {
    Select(owner, "顧客");
    FAIL() << "the failure did not escape";
  } catch (const OdbcError& e) {
    EXPECT_STREQ(e.what(), "[FreeTDS][SQL Server]Invalid object name 'syscolumns'.");
  }
  EXPECT_FALSE(prompts.busy);
  const size_t before = tds->Statements().size();
  browser->TreeView1Change(*owner);
  EXPECT_EQ(ChildTexts(owner), (std::vector<std::string>{"顧客", "注文"}));
  ASSERT_EQ(tds->Statements().size(), before + 1);
  EXPECT_EQ(tds->Statements().back(), Tables(false));
  EXPECT_TRUE(tds->AllConnectionsClosed());
}
