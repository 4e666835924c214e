// The Oracle catalog reader through the real client over the fake OCI
// library: the statements as whole texts, what lands in the tree, the grids
// and the labels, how failures are shown, which objects stay open, quoted
// and Japanese names, and the owner's one column statement filling a grid as
// the table's own statement does.
#include <gtest/gtest.h>

#include <thread>

#include "catalog/oracle/OracleReader.h"
#include "catalog/oracle/OracleStatements.h"
#include "db/oracle/oci.h"
#include "support/FakeOci.h"
#include "support/OraBrowser.h"
#include "support/PgBrowser.h"

using namespace zel;
using namespace zel::test;

namespace {

class OracleReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { ScriptSampleCatalog(oci); }
  void Connect() { b.Connect("scott", kSamplePassword, "orahost:1521/ORCL"); }
  TTreeNode* Scott() { return FindChild(b.Root(), "SCOTT"); }
  std::vector<std::string> Row(const TStringGrid& grid, int row) {
    std::vector<std::string> out;
    for (int c = 0; c < grid.ColCount(); ++c) out.push_back(grid.Cell(c, row));
    return out;
  }

  FakeOci oci;  // first: outlives the browser's sessions
  OraBrowser b;
};

using Cells = std::vector<std::string>;

}  // namespace

TEST_F(OracleReaderTest, ConnectShowsVersionAndEveryUserAndClosesWhatItOpened) {
  Connect();
  ASSERT_TRUE(b.browser->chkDbOK());
  EXPECT_TRUE(b.prompts.messages.empty());
  EXPECT_EQ(oci.Statements(), (std::vector<std::string>{kOraVersionStatement, kOraUsersStatement}));
  EXPECT_EQ(oci.Logons(), (std::vector<std::string>{"scott\tp/w@x\torahost:1521/ORCL"}));
  EXPECT_EQ(b.browser->lblDbType(), "Oracle Database 19c Enterprise Edition");
  EXPECT_EQ(b.browser->FServerVersion, "19");
  TTreeNode* root = b.Root();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Text(), "orahost:1521/ORCL");
  EXPECT_EQ(root->ImageIndex(), 0);
  EXPECT_EQ(ChildTexts(root), (std::vector<std::string>{"HR", "SCOTT", "販売"}));
  for (int i = 0; i < root->ChildCount(); ++i) {
    EXPECT_EQ(root->Child(i)->ImageIndex(), 2);  // owners: the owner picture
    EXPECT_EQ(root->Child(i)->SelectedIndex(), 2);
    EXPECT_TRUE(root->Child(i)->HasChildren());
  }
  EXPECT_EQ(oci.Sessions(), 0);
  EXPECT_EQ(oci.Live(), 0);
}

TEST_F(OracleReaderTest, VersionWithoutRowKeepsLabelAndVersionAndStillListsUsers) {
  oci.Query(kOraVersionStatement, {}, 2);
  b.browser->FServerVersion = "before";
  Connect();
  ASSERT_TRUE(b.browser->chkDbOK());
  EXPECT_EQ(b.browser->lblDbType(), "");
  EXPECT_EQ(b.browser->FServerVersion, "before");
  EXPECT_EQ(ChildTexts(b.Root()).size(), 3u);
}

TEST_F(OracleReaderTest, WrongPasswordIsShownAndLeavesTheProgramDisconnected) {
  b.Connect("scott", "wrong", "orahost:1521/ORCL");
  ASSERT_EQ(b.prompts.messages.size(), 1u);
  EXPECT_EQ(b.prompts.messages[0].text,
            "Oracle（接続文字列「orahost:1521/ORCL」）に接続できませんでした。ユーザー名または"
            "パスワードが正しくないか、このユーザーには接続が許されていないようです。\n\n"
            "ORA-01017: invalid username/password; logon denied");
  EXPECT_EQ(b.prompts.messages[0].caption, "Zelmora");
  EXPECT_EQ(b.prompts.messages[0].icon, MsgIcon::Information);
  EXPECT_FALSE(b.browser->chkDbOK());
  EXPECT_FALSE(b.browser->IsConnected());
  EXPECT_EQ(b.browser->TreeView1().RootCount(), 0);
  EXPECT_TRUE(b.browser->Commands().connect);
  EXPECT_TRUE(oci.Statements().empty());
  EXPECT_EQ(oci.Live(), 0);
}

TEST_F(OracleReaderTest, FailingVersionStatementFailsTheConnect) {
  oci.Error(kOraVersionStatement, "ORA-00942: table or view does not exist");
  Connect();
  EXPECT_FALSE(b.browser->chkDbOK());
  ASSERT_EQ(b.prompts.MessageTexts(),
            (std::vector<std::string>{"Oracle（接続文字列「orahost:1521/ORCL」）に接続できませんで"
                                      "した。原因は下のメッセージをご覧ください。\n\n"
                                      "ORA-00942: table or view does not exist"}));
  EXPECT_EQ(b.browser->TreeView1().RootCount(), 0);
  EXPECT_EQ(oci.Sessions(), 0);
}

TEST_F(OracleReaderTest, MissingClientLibraryIsReportedAtConnect) {
  oci::SetLibraryFileName("/opt/none/libclntsh.so");
  Connect();
  EXPECT_EQ(b.prompts.MessageTexts(),
            (std::vector<std::string>{
                "Oracle（接続文字列「orahost:1521/ORCL」）に接続できませんでした。Oracle のクライ"
                "アントライブラリ（ドライバー）が見つからないか、読み込めませんでした。インストー"
                "ルされているかを確かめてください。\n\n/opt/none/libclntsh.so load failed."}));
  EXPECT_FALSE(b.browser->chkDbOK());
  EXPECT_EQ(b.browser->TreeView1().RootCount(), 0);
}

TEST_F(OracleReaderTest, OwnerListsItsTablesWithCommentsAndDates) {
  Connect();
  const size_t before = oci.Statements().size();
  TTreeNode* scott = b.Select(b.Root(), "SCOTT");
  ASSERT_NE(scott, nullptr);
  EXPECT_TRUE(b.prompts.messages.empty());
  std::vector<std::string> sent = oci.Statements();
  ASSERT_EQ(sent.size(), before + 1);
  EXPECT_EQ(sent.back(), OraTablesStatement("SCOTT"));
  EXPECT_EQ(ChildTexts(scott), (std::vector<std::string>{"DEPT", "EMP", "NO_OBJ"}));
  const TTreeNode* dept = scott->Child(0);
  ASSERT_NE(dept->Data(), nullptr);
  EXPECT_EQ(dept->Data()->comment, "部署マスタ～①髙");
  EXPECT_EQ(dept->Data()->created, "2020/01/02");
  EXPECT_EQ(dept->Data()->updated, "2024/05/06");
  EXPECT_EQ(dept->ImageIndex(), 3);  // the table picture, though one level higher
  EXPECT_FALSE(dept->HasChildren());
  EXPECT_EQ(scott->Child(1)->Data()->comment, "");
  const TStringGrid& list = b.browser->grdTableList();
  ASSERT_EQ(list.RowCount(), 4);
  EXPECT_EQ(Row(list, 1), (Cells{"1", "DEPT", "部署マスタ～①髙", "2020/01/02", "2024/05/06"}));
  EXPECT_EQ(Row(list, 2), (Cells{"2", "EMP", "", "2021/03/04", "2021/03/05"}));
  EXPECT_EQ(Row(list, 3), (Cells{"3", "NO_OBJ", "x", "", ""}));
  EXPECT_EQ(b.browser->ActivePage(), Page::TableList);
  EXPECT_EQ(oci.Sessions(), 0);
  EXPECT_EQ(oci.Live(), 0);
  // Expanding after selecting reads again and still shows each table once.
  b.browser->TreeView1Expanding(*scott);
  EXPECT_EQ(scott->ChildCount(), 3);
  EXPECT_EQ(b.browser->grdTableList().RowCount(), 4);
}

TEST_F(OracleReaderTest, FailingTableStatementIsShownWithTheClassName) {
  Connect();
  oci.Error(OraTablesStatement("HR"), "ORA-00942: table or view does not exist");
  TTreeNode* hr = b.Select(b.Root(), "HR");
  ASSERT_NE(hr, nullptr);
  ASSERT_EQ(b.prompts.messages.size(), 1u);
  const MessageBoxRequest& m = b.prompts.messages[0];
  EXPECT_EQ(m.text,
            "EOleException error raised, with message : ORA-00942: table or view does not exist");
  EXPECT_EQ(m.caption, "Zelmora");
  EXPECT_EQ(m.icon, MsgIcon::None);
  EXPECT_EQ(m.buttons, MsgButtons::Ok);
  EXPECT_EQ(hr->ChildCount(), 0);
  EXPECT_TRUE(b.browser->IsConnected());
  EXPECT_EQ(oci.Sessions(), 0);
}

TEST_F(OracleReaderTest, ColumnsShowLengthAndScaleByType) {
  Connect();
  b.Select(b.Root(), "SCOTT");
  TTreeNode* emp = b.Select(Scott(), "EMP");
  ASSERT_NE(emp, nullptr);
  EXPECT_TRUE(b.prompts.messages.empty()) << b.prompts.messages[0].text;
  EXPECT_EQ(oci.Statements().back(), OraColumnsStatement("SCOTT", "EMP"));
  const TStringGrid& def = b.browser->grdTableDefinition();
  EXPECT_EQ(def.ColCount(), 8);
  ASSERT_EQ(def.RowCount(), 10);
  EXPECT_EQ(Row(def, 1), (Cells{"1", "EMPNO", "NUMBER", "10", "2", "1", "1", "社員番号"}));
  EXPECT_EQ(Row(def, 2), (Cells{"2", "ENAME", "VARCHAR2", "30", "", "1", "", "氏名"}));
  EXPECT_EQ(Row(def, 3), (Cells{"3", "BADGE", "RAW", "16", "", "", "", ""}));
  EXPECT_EQ(Row(def, 4), (Cells{"4", "HIREDATE", "DATE", "", "", "", "", ""}));
  EXPECT_EQ(Row(def, 5), (Cells{"5", "RESUME", "CLOB", "", "", "", "", "経歴"}));
  EXPECT_EQ(Row(def, 6), (Cells{"6", "UPDATED_AT", "TIMESTAMP(6)", "", "", "", "", ""}));
  EXPECT_EQ(Row(def, 7), (Cells{"7", "CREATED_AT", "TIMESTAMP(3)", "", "3", "", "", ""}));
  EXPECT_EQ(Row(def, 8),
            (Cells{"8", "SEEN_AT", "TIMESTAMP(6) WITH TIME ZONE", "", "", "", "", ""}));
  EXPECT_EQ(Row(def, 9), (Cells{"9", "TERM", "INTERVAL YEAR(2) TO MONTH", "", "", "", "", ""}));
  EXPECT_EQ(b.browser->lblTableName(), "EMP");
  EXPECT_FALSE(b.browser->lblTableCommentlabelVisible());
  EXPECT_FALSE(b.prompts.busy);
  EXPECT_GT(b.prompts.busyOn, 0);
}

TEST_F(OracleReaderTest, ColumnReadKeepsItsObjectsUntilTheNextOperation) {
  Connect();
  b.Select(b.Root(), "SCOTT");
  b.Select(Scott(), "DEPT");
  auto* reader = dynamic_cast<TOracleReader*>(b.browser->Reader());
  ASSERT_NE(reader, nullptr);
  EXPECT_NE(reader->FOraSession, nullptr);
  EXPECT_NE(reader->FOraDatabase, nullptr);
  ASSERT_NE(reader->FOraDynaset, nullptr);
  EXPECT_EQ(reader->FOraDynaset->RecordCount(), 3);
  EXPECT_EQ(oci.Sessions(), 1);
  // The next operation replaces them: still one session, the old one gone.
  b.Select(Scott(), "EMP");
  EXPECT_EQ(oci.Sessions(), 1);
  EXPECT_EQ(reader->FOraDynaset->RecordCount(), 9);
  EXPECT_EQ(oci.Logons().size(), 4u);
  b.browser->Disconnect();
  EXPECT_EQ(oci.Sessions(), 0);
  EXPECT_EQ(oci.Live(), 0);
}

TEST_F(OracleReaderTest, FailingColumnStatementIsShownAndNothingEscapes) {
  Connect();
  b.Select(b.Root(), "SCOTT");
  oci.Error(OraColumnsStatement("SCOTT", "DEPT"), "ORA-01031: insufficient privileges");
  EXPECT_NO_THROW(b.Select(Scott(), "DEPT"));
  EXPECT_EQ(b.prompts.MessageTexts(),
            (std::vector<std::string>{
                "EOleException error raised, with message : ORA-01031: insufficient privileges"}));
  EXPECT_EQ(b.browser->grdTableDefinition().RowCount(), 2);
  EXPECT_FALSE(b.prompts.busy);
}

TEST_F(OracleReaderTest, SelectingOrExpandingTheRootReadsNothing) {
  Connect();
  const auto statements = oci.Statements();
  const auto logons = oci.Logons();
  b.browser->TreeView1Change(*b.Root());
  b.browser->TreeView1Expanding(*b.Root());
  EXPECT_EQ(oci.Statements(), statements);
  EXPECT_EQ(oci.Logons(), logons);
  EXPECT_EQ(ChildTexts(b.Root()), (std::vector<std::string>{"HR", "SCOTT", "販売"}));
  EXPECT_TRUE(b.prompts.messages.empty());
}

TEST_F(OracleReaderTest, QuotesInNamesCannotChangeAStatement) {
  oci.Query(kOraUsersStatement, {{"O'NEIL"}, {"X' OR '1'='1"}});
  oci.Query(OraTablesStatement("O''NEIL"), {{"IT'S", std::nullopt, std::nullopt, std::nullopt}});
  oci.Query(OraColumnsStatement("O''NEIL", "IT''S"),
            {{"1", "A'B", "CHAR", "1", std::nullopt, std::nullopt, std::nullopt, std::nullopt}});
  Connect();
  TTreeNode* oneil = b.Select(b.Root(), "O'NEIL");
  ASSERT_NE(oneil, nullptr);
  TTreeNode* its = b.Select(oneil, "IT'S");
  ASSERT_NE(its, nullptr) << (b.prompts.messages.empty() ? "" : b.prompts.messages[0].text);
  EXPECT_EQ(b.browser->grdTableDefinition().Cell(1, 1), "A'B");
  oci.Query(OraTablesStatement("X'' OR ''1''=''1"), {}, 4);
  b.Select(b.Root(), "X' OR '1'='1");
  EXPECT_TRUE(b.prompts.messages.empty()) << b.prompts.messages[0].text;
  EXPECT_EQ(oci.Statements().back(), OraTablesStatement("X'' OR ''1''=''1"));
}

TEST_F(OracleReaderTest, JapaneseNamesRoundTrip) {
  oci.Query(OraTablesStatement("販売"), {{"顧客", "顧客マスタ～①髙", "2024/01/01", "2024/02/02"}});
  oci.Query(OraColumnsStatement("販売", "顧客"),
            {{"1", "顧客名", "NVARCHAR2", "40", std::nullopt, "1", "1", "名前（全角）"}});
  Connect();
  TTreeNode* hanbai = b.Select(b.Root(), "販売");
  ASSERT_NE(hanbai, nullptr);
  TTreeNode* kokyaku = b.Select(hanbai, "顧客");
  ASSERT_NE(kokyaku, nullptr) << (b.prompts.messages.empty() ? "" : b.prompts.messages[0].text);
  EXPECT_EQ(b.browser->lblTableComment(), "顧客マスタ～①髙");
  EXPECT_EQ(Row(b.browser->grdTableDefinition(), 1),
            (Cells{"1", "顧客名", "NVARCHAR2", "40", "", "1", "1", "名前（全角）"}));
}

TEST_F(OracleReaderTest, TheOwnersColumnStatementFillsTheGridAsTheTablesOwnDoes) {
  Connect();
  TTreeNode* scott = b.Select(b.Root(), "SCOTT");
  TTreeNode* emp = b.Select(Scott(), "EMP");
  ASSERT_NE(emp, nullptr);
  const TStringGrid serial = b.browser->grdTableDefinition();
  const size_t logonsBefore = oci.Logons().size();

  auto* reader = b.browser->Reader();
  RowsByTable<ColumnRow> rows;
  ASSERT_TRUE(reader->ReadSchemaColumns(*scott, rows));
  EXPECT_EQ(rows.Tables(), 3u);
  EXPECT_EQ(oci.Logons().size(), logonsBefore + 1);
  EXPECT_EQ(oci.Statements().back(), ora::OwnerColumnsStatement("SCOTT"));
  EXPECT_EQ(oci.Sessions(), 0) << "nothing held after the owner's statement";
  TdCommon::ClearGrid(b.browser->grdTableDefinition(), 2);
  reader->FillColumns(*b.browser, *emp, rows.Take("EMP"));
  const TStringGrid& filled = b.browser->grdTableDefinition();
  ASSERT_EQ(filled.RowCount(), serial.RowCount());
  ASSERT_EQ(filled.ColCount(), serial.ColCount());
  for (int r = 0; r < serial.RowCount(); ++r)
    EXPECT_EQ(Row(filled, r), Row(serial, r)) << "row " << r;
  EXPECT_TRUE(rows.Take("EMP").empty()) << "handed out once";
  EXPECT_FALSE(b.prompts.busy);
}
