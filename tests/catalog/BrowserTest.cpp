#include <gtest/gtest.h>

#include <functional>

#include "catalog/Browser.h"
#include "support/ScriptedPrompts.h"
#include "support/ScriptedReader.h"

using namespace zel;
using zel::test::FakeCatalog;
using zel::test::SampleCatalog;
using zel::test::ScriptedPrompts;
using zel::test::ScriptedReader;

namespace {

LogonValues Logon(int kind) {
  LogonValues v;
  v.kind = kind;
  v.postgres.host = "127.0.0.1";
  v.postgres.databaseName = "postgres";
  v.oracle.host = "orahost:1521/ORCL";
  v.mySql.host = "myhost";
  v.sqlServer.host = "sqlhost";
  return v;
}

class BrowserTest : public ::testing::Test {
 protected:
  BrowserTest() : common(&prompts) {
    catalog = SampleCatalog();
    ReaderRegistry registry;
    for (int kind : {dkOracle, dkSqlServer, dkPostgres, dkMySql})
      registry.Register(kind, ScriptedReader::Factory(catalog, &reader));
    browser = std::make_unique<TBrowser>(common, prompts, std::move(registry));
    browser->clock = [this] { return times.empty() ? std::string("12:00:00") : times.front(); };
    browser->mySqlLibraryLoaded = true;
  }

  // A reader factory whose readers are set up by the given knob.
  ReaderFactory Failing(std::function<void(ScriptedReader&)> knob) {
    return [this, knob](TBrowser& b) {
      auto r = std::make_unique<ScriptedReader>(b, catalog);
      knob(*r);
      return r;
    };
  }

  void ConnectAs(int kind) {
    prompts.logonAnswers.push_back(Logon(kind));
    browser->Connect();
  }

  TTreeNode* Find(TTreeNode* parent, const std::string& text) {
    for (int i = 0; i < parent->ChildCount(); ++i)
      if (parent->Child(i)->Text() == text) return parent->Child(i);
    return nullptr;
  }

  std::vector<std::string> Children(TTreeNode* n) {
    std::vector<std::string> out;
    for (int i = 0; i < n->ChildCount(); ++i) out.push_back(n->Child(i)->Text());
    return out;
  }

  ScriptedPrompts prompts;
  TdCommon common;
  FakeCatalog catalog;
  ScriptedReader* reader = nullptr;
  std::unique_ptr<TBrowser> browser;
  std::vector<std::string> times;
};

}  // namespace

TEST_F(BrowserTest, StartsNotConnected) {
  EXPECT_EQ(browser->FDbKind, dkNone);
  EXPECT_FALSE(browser->chkDbOK());
  EXPECT_TRUE(browser->TreeView1().Empty());
  EXPECT_TRUE(browser->Commands().connect);
  EXPECT_FALSE(browser->Commands().disconnect);
  EXPECT_FALSE(browser->Commands().tableList);
  EXPECT_FALSE(browser->Commands().definition);
  EXPECT_FALSE(browser->Commands().excelMenu);
  EXPECT_EQ(browser->ActivePage(), Page::Blank);
  EXPECT_FALSE(browser->grdTableDefinition().Visible());
}

TEST_F(BrowserTest, CancelledDialogChangesNothing) {
  browser->Connect();  // no answer queued: cancel
  EXPECT_EQ(prompts.logonDialogs, 1);
  EXPECT_EQ(browser->FDbKind, dkNone);
  EXPECT_TRUE(browser->TreeView1().Empty());
  EXPECT_TRUE(browser->Commands().connect);
  EXPECT_EQ(prompts.busyOn, 0);
}

TEST_F(BrowserTest, ConnectSucceedsAndConnectWhileConnectedDoesNothing) {
  ConnectAs(dkPostgres);
  EXPECT_EQ(browser->FDbKind, dkPostgres);
  EXPECT_TRUE(browser->chkDbOK());
  EXPECT_TRUE(browser->IsConnected());
  EXPECT_EQ(browser->lblDbType(), "FakeSQL 1.0");
  EXPECT_EQ(browser->FServerLevel, 0);
  EXPECT_EQ(browser->FTableLevel, 3);
  ASSERT_EQ(browser->TreeView1().RootCount(), 1);
  TTreeNode* root = browser->TreeView1().Root();
  EXPECT_EQ(root->Text(), "dbhost");
  EXPECT_EQ(Children(root), (std::vector<std::string>{"sales", "hr"}));
  EXPECT_TRUE(root->Child(0)->HasChildren());
  EXPECT_EQ(root->Child(0)->ImageIndex(), 1);
  EXPECT_FALSE(browser->Commands().connect);
  EXPECT_TRUE(browser->Commands().disconnect);
  // The hourglass was shown and taken away again.
  EXPECT_EQ(prompts.busyOn, 1);
  EXPECT_FALSE(prompts.busy);

  browser->Connect();
  EXPECT_EQ(prompts.logonDialogs, 1);
}

TEST_F(BrowserTest, FailedConnectLeavesNothingBehind) {
  catalog.root = "downhost";
  ReaderRegistry registry;
  registry.Register(dkPostgres, Failing([](ScriptedReader& r) { r.failConnect = true; }));
  registry.Register(dkSqlServer, Failing([](ScriptedReader& r) { r.throwOnConnect = true; }));
  browser = std::make_unique<TBrowser>(common, prompts, std::move(registry));
  for (int kind : {dkPostgres, dkSqlServer}) {
    prompts.messages.clear();
    ConnectAs(kind);
    EXPECT_EQ(browser->FDbKind, dkNone);
    EXPECT_FALSE(browser->chkDbOK());
    EXPECT_TRUE(browser->TreeView1().Empty()) << "root left behind for kind " << kind;
    EXPECT_EQ(browser->lblDbType(), "");
    EXPECT_EQ(browser->FCurrentNode(), nullptr);
    EXPECT_TRUE(browser->Commands().connect);
    EXPECT_FALSE(prompts.busy);
  }
  // The reader's own message for the refused connection; nothing for the
  // exception that escaped the connect step.
  ASSERT_EQ(prompts.messages.size(), 0u);
}

TEST_F(BrowserTest, FailedConnectShowsReaderMessageOnce) {
  ReaderRegistry registry;
  registry.Register(dkPostgres, Failing([](ScriptedReader& r) { r.failConnect = true; }));
  browser = std::make_unique<TBrowser>(common, prompts, std::move(registry));
  ConnectAs(dkPostgres);
  ASSERT_EQ(prompts.messages.size(), 1u);
  EXPECT_EQ(prompts.messages[0].text, "could not connect to server: Connection refused");
  EXPECT_EQ(prompts.messages[0].caption, "Zelmora");
}

TEST_F(BrowserTest, MissingMySqlLibraryStopsConnect) {
  browser->mySqlLibraryLoaded = false;
  ConnectAs(dkMySql);
  ASSERT_EQ(prompts.messages.size(), 1u);
  // The design's text beneath the sentence that says what it means.
  const std::string& text = prompts.messages[0].text;
  EXPECT_EQ(text.rfind("MySQL（", 0), 0u) << text;
  EXPECT_NE(text.find("MySQL のクライアントライブラリ（ドライバー）が見つからないか"),
            std::string::npos)
      << text;
  const std::string beneath = "\n\nlibmariadb.so.3 load failed.";
  ASSERT_GT(text.size(), beneath.size());
  EXPECT_EQ(text.substr(text.size() - beneath.size()), beneath) << text;
  EXPECT_EQ(browser->FDbKind, dkNone);
  EXPECT_EQ(prompts.busyOn, 0);
}

TEST_F(BrowserTest, KindWithoutReaderFailsCleanly) {
  browser = std::make_unique<TBrowser>(common, prompts, ReaderRegistry{});
  ConnectAs(dkOracle);
  EXPECT_EQ(browser->FDbKind, dkNone);
  EXPECT_EQ(prompts.messages.size(), 1u);
  EXPECT_TRUE(browser->TreeView1().Empty());
}

TEST_F(BrowserTest, DisconnectReturnsToNotConnected) {
  ConnectAs(dkPostgres);
  TTreeNode* sales = browser->TreeView1().Root()->Child(0);
  browser->TreeView1Change(*sales);
  browser->TreeView1Change(*Find(sales, "public"));
  TTreeNode* table = Find(Find(sales, "public"), "customer");
  ASSERT_NE(table, nullptr);
  browser->TreeView1Change(*table);
  EXPECT_TRUE(browser->grdTableDefinition().Visible());
  browser->Disconnect();
  EXPECT_EQ(browser->Reader(), nullptr);
  EXPECT_TRUE(browser->TreeView1().Empty());
  EXPECT_EQ(browser->FCurrentNode(), nullptr);
  EXPECT_FALSE(browser->grdTableDefinition().Visible());
  EXPECT_EQ(browser->ActivePage(), Page::Blank);
  EXPECT_EQ(browser->lblDbType(), "");
  EXPECT_FALSE(browser->chkDbOK());
  EXPECT_TRUE(browser->Commands().connect);
  EXPECT_FALSE(browser->Commands().disconnect);
  // Grid contents stay; only visibility changes.
  EXPECT_EQ(browser->grdTableDefinition().Cell(1, 1), "id");
}

TEST_F(BrowserTest, CommandStatePerLevelForEveryKind) {
  struct Case {
    int kind;
    int levels[4];
  };
  for (Case c : {Case{dkOracle, {-1, 0, 1, 2}}, Case{dkSqlServer, {0, 1, 2, 3}},
                 Case{dkPostgres, {0, 1, 2, 3}}, Case{dkMySql, {-1, 0, 1, 2}}}) {
    SCOPED_TRACE(c.kind);
    if (browser->FDbKind != dkNone) browser->Disconnect();
    ConnectAs(c.kind);
    EXPECT_EQ(browser->FServerLevel, c.levels[0]);
    EXPECT_EQ(browser->FDatabaseLevel, c.levels[1]);
    EXPECT_EQ(browser->FSchemaLevel, c.levels[2]);
    EXPECT_EQ(browser->FTableLevel, c.levels[3]);
    // Walk root -> ... -> table, checking the commands at each level.
    TTreeNode* node = browser->TreeView1().Root();
    std::vector<std::string> path = {"sales", "public", "customer"};
    if (c.kind == dkOracle || c.kind == dkMySql) path = {"public", "customer"};
    size_t step = 0;
    while (true) {
      browser->TreeView1Change(*node);
      int level = node->Level();
      const auto& cmd = browser->Commands();
      bool list = c.levels[1] <= level && level <= c.levels[2];
      bool def = c.levels[1] <= level && level <= c.levels[3];
      EXPECT_EQ(cmd.tableList, list) << "level " << level;
      EXPECT_EQ(cmd.definition, def) << "level " << level;
      EXPECT_EQ(cmd.excelMenu, list || def) << "level " << level;
      Page expected = level == c.levels[2]   ? Page::TableList
                      : level == c.levels[3] ? Page::TableDefinition
                                             : Page::Blank;
      EXPECT_EQ(browser->ActivePage(), expected) << "level " << level;
      EXPECT_EQ(browser->grdTableDefinition().Visible(), level == c.levels[3]);
      EXPECT_EQ(browser->grdTableList().Visible(), level == c.levels[2]);
      if (step == path.size()) break;
      node = Find(node, path[step++]);
      ASSERT_NE(node, nullptr);
    }
  }
}

TEST_F(BrowserTest, NamesOfNodesForAllLayouts) {
  ConnectAs(dkSqlServer);
  TTreeNode* root = browser->TreeView1().Root();
  TTreeNode* sales = root->Child(0);
  browser->TreeView1Expanding(*sales);
  TTreeNode* pub = Find(sales, "public");
  browser->TreeView1Expanding(*pub);
  TTreeNode* customer = Find(pub, "customer");
  EXPECT_EQ(browser->DatabaseNameOf(*root), "");
  EXPECT_EQ(browser->DatabaseNameOf(*sales), "sales");
  EXPECT_EQ(browser->DatabaseNameOf(*pub), "sales");
  EXPECT_EQ(browser->DatabaseNameOf(*customer), "sales");
  EXPECT_EQ(browser->SchemaNameOf(*root), "");
  EXPECT_EQ(browser->SchemaNameOf(*sales), "");
  EXPECT_EQ(browser->SchemaNameOf(*pub), "public");
  EXPECT_EQ(browser->SchemaNameOf(*customer), "public");
  browser->Disconnect();

  ConnectAs(dkOracle);
  root = browser->TreeView1().Root();
  EXPECT_EQ(root->Text(), "dbhost");
  pub = Find(root, "public");
  browser->TreeView1Expanding(*pub);
  customer = Find(pub, "customer");
  EXPECT_EQ(browser->DatabaseNameOf(*root), "dbhost");
  EXPECT_EQ(browser->DatabaseNameOf(*pub), "dbhost");
  EXPECT_EQ(browser->DatabaseNameOf(*customer), "dbhost");
  EXPECT_EQ(browser->SchemaNameOf(*root), "");
  EXPECT_EQ(browser->SchemaNameOf(*pub), "public");
  EXPECT_EQ(browser->SchemaNameOf(*customer), "public");
}

TEST_F(BrowserTest, EveryNodeShowsThePictureOfWhatItIsWhateverTheKindsLevels) {
  // 0 server (every root: the host), 1 database, 2 owner or schema, 3 table.
  for (int kind : {dkOracle, dkSqlServer, dkPostgres, dkMySql}) {
    ConnectAs(kind);
    ASSERT_TRUE(browser->chkDbOK()) << kind;
    TTreeNode* root = browser->TreeView1().Root();
    EXPECT_EQ(root->ImageIndex(), 0) << kind;
    TTreeNode* schemaParent = root;
    if (browser->FServerLevel >= 0) {
      TTreeNode* sales = Find(root, "sales");
      EXPECT_EQ(sales->ImageIndex(), 1) << kind;
      browser->TreeView1Change(*sales);  // reloaded: the picture is set again
      EXPECT_EQ(sales->ImageIndex(), 1) << kind;
      EXPECT_EQ(sales->SelectedIndex(), 1) << kind;
      schemaParent = sales;
    }
    TTreeNode* pub = Find(schemaParent, "public");
    EXPECT_EQ(pub->ImageIndex(), 2) << kind;
    browser->TreeView1Change(*pub);
    EXPECT_EQ(pub->ImageIndex(), 2) << kind;
    TTreeNode* customer = Find(pub, "customer");
    EXPECT_EQ(customer->Level(), browser->FTableLevel) << kind;
    EXPECT_EQ(customer->ImageIndex(), 3) << kind;
    EXPECT_EQ(customer->SelectedIndex(), 3) << kind;
    browser->Disconnect();
  }
}

TEST_F(BrowserTest, ReloadReplacesChildren) {
  ConnectAs(dkSqlServer);
  TTreeNode* sales = browser->TreeView1().Root()->Child(0);
  browser->TreeView1Change(*sales);
  browser->TreeView1Change(*sales);
  EXPECT_EQ(Children(sales), (std::vector<std::string>{"public", "empty"}));
  EXPECT_EQ(sales->ImageIndex(), 1);
  TTreeNode* pub = Find(sales, "public");
  browser->TreeView1Expanding(*pub);
  browser->TreeView1Change(*pub);
  EXPECT_EQ(Children(pub), (std::vector<std::string>{"customer", "orders", "items"}));
  auto& grid = browser->grdTableList();
  EXPECT_EQ(grid.RowCount(), 4);
  EXPECT_EQ(grid.Cell(0, 3), "3");
  EXPECT_EQ(grid.Cell(1, 3), "items");
  EXPECT_EQ(grid.Cell(3, 1), "2008/04/10");
  TTreeNode* customer = Find(pub, "customer");
  EXPECT_FALSE(customer->HasChildren());
  ASSERT_NE(customer->Data(), nullptr);
  EXPECT_EQ(customer->Data()->comment, "顧客マスタ");
  EXPECT_EQ(customer->ImageIndex(), 3);
}

TEST_F(BrowserTest, EmptySchemaLeavesHeaderAndOneEmptyRow) {
  ConnectAs(dkSqlServer);
  TTreeNode* sales = browser->TreeView1().Root()->Child(0);
  browser->TreeView1Change(*sales);
  browser->TreeView1Change(*Find(sales, "public"));
  EXPECT_EQ(browser->grdTableList().RowCount(), 4);
  TTreeNode* empty = Find(sales, "empty");
  browser->TreeView1Change(*empty);
  EXPECT_EQ(empty->ChildCount(), 0);
  auto& grid = browser->grdTableList();
  EXPECT_EQ(grid.RowCount(), 2);
  EXPECT_EQ(grid.Cell(0, 0), "No");
  for (int c = 0; c < 5; ++c) EXPECT_EQ(grid.Cell(c, 1), "");
}

TEST_F(BrowserTest, TableLabelsAndCommentCaption) {
  ConnectAs(dkSqlServer);
  TTreeNode* sales = browser->TreeView1().Root()->Child(0);
  browser->TreeView1Change(*sales);
  TTreeNode* pub = Find(sales, "public");
  browser->TreeView1Change(*pub);
  browser->TreeView1Change(*Find(pub, "customer"));
  EXPECT_EQ(browser->lblTableName(), "customer");
  EXPECT_EQ(browser->lblTableComment(), "顧客マスタ");
  EXPECT_TRUE(browser->lblTableCommentlabelVisible());
  EXPECT_EQ(browser->grdTableDefinition().RowCount(), 4);
  EXPECT_EQ(browser->grdTableDefinition().Cell(5, 1), "1");
  browser->TreeView1Change(*Find(pub, "orders"));
  EXPECT_EQ(browser->lblTableComment(), "");
  EXPECT_FALSE(browser->lblTableCommentlabelVisible());
  // Fewer columns than before: no stale rows survive.
  EXPECT_EQ(browser->grdTableDefinition().RowCount(), 2);
  EXPECT_EQ(browser->grdTableDefinition().Cell(1, 1), "order_no");
}

TEST_F(BrowserTest, DeletingTheCurrentNodeClearsIt) {
  ConnectAs(dkSqlServer);
  TTreeNode* sales = browser->TreeView1().Root()->Child(0);
  browser->TreeView1Change(*sales);
  TTreeNode* pub = Find(sales, "public");
  browser->TreeView1Change(*pub);
  browser->TreeView1Change(*Find(pub, "customer"));
  ASSERT_NE(browser->FCurrentNode(), nullptr);
  EXPECT_TRUE(browser->Commands().definition);
  unsigned seen = 0;
  browser->AddListener([&](unsigned changes) { seen |= changes; });
  browser->TreeView1Expanding(*pub);  // reload deletes the current table node
  EXPECT_EQ(browser->FCurrentNode(), nullptr);
  EXPECT_FALSE(browser->Commands().definition);
  EXPECT_FALSE(browser->Commands().tableList);
  EXPECT_EQ(browser->ActivePage(), Page::Blank);
  EXPECT_TRUE(seen & chCurrentNode);
  EXPECT_TRUE(seen & chCommands);
  // Deleting the whole database branch through its parent too.
  browser->TreeView1Change(*Find(pub, "orders"));
  browser->TreeView1Expanding(*sales);
  EXPECT_EQ(browser->FCurrentNode(), nullptr);
}

TEST_F(BrowserTest, SelectionIgnoredUntilCatalogReady) {
  ReaderRegistry registry;
  registry.Register(dkSqlServer, [this](TBrowser& b) {
    struct SelectingReader : ScriptedReader {
      using ScriptedReader::ScriptedReader;
      bool Connect() override {
        bool ok = ScriptedReader::Connect();
        // A view would select the first node as it appears.
        owner->TreeView1Change(*owner->TreeView1().Root()->Child(0));
        return ok;
      }
      TBrowser* owner = nullptr;
    };
    auto r = std::make_unique<SelectingReader>(b, catalog);
    r->owner = &b;
    return r;
  });
  browser = std::make_unique<TBrowser>(common, prompts, std::move(registry));
  ConnectAs(dkSqlServer);
  EXPECT_TRUE(browser->chkDbOK());
  EXPECT_EQ(browser->FCurrentNode(), nullptr);
  EXPECT_EQ(browser->TreeView1().Root()->Child(0)->ChildCount(), 0);
}

TEST_F(BrowserTest, RootExpansionOfOracleAndMySqlKeepsConnectNodes) {
  for (int kind : {dkOracle, dkMySql}) {
    if (browser->FDbKind != dkNone) browser->Disconnect();
    ConnectAs(kind);
    TTreeNode* root = browser->TreeView1().Root();
    TTreeNode* first = root->Child(0);
    browser->TreeView1Expanding(*root);
    browser->TreeView1Change(*root);
    EXPECT_EQ(root->Child(0), first);
    EXPECT_EQ(Children(root), (std::vector<std::string>{"public", "empty"}));
    // The root is the database level: both exports are possible there.
    EXPECT_TRUE(browser->Commands().tableList);
    EXPECT_TRUE(browser->Commands().definition);
  }
}

TEST_F(BrowserTest, SqlServerRootDisablesExports) {
  ConnectAs(dkSqlServer);
  browser->TreeView1Change(*browser->TreeView1().Root());
  EXPECT_FALSE(browser->Commands().tableList);
  EXPECT_FALSE(browser->Commands().definition);
  EXPECT_FALSE(browser->Commands().excelMenu);
}

TEST_F(BrowserTest, PostgresReconnectsToTheSelectedDatabase) {
  ConnectAs(dkPostgres);
  ASSERT_NE(reader, nullptr);
  EXPECT_EQ(reader->currentDatabase, "postgres");
  TTreeNode* root = browser->TreeView1().Root();
  TTreeNode* hr = root->Child(1);
  browser->TreeView1Change(*hr);
  EXPECT_EQ(reader->currentDatabase, "hr");
  EXPECT_EQ(reader->reconnects, 1);
  browser->TreeView1Change(*hr);  // same database: no reconnect
  EXPECT_EQ(reader->reconnects, 1);
  TTreeNode* staff = hr->Child(0);
  browser->TreeView1Change(*staff);
  EXPECT_EQ(reader->reconnects, 1);
  browser->TreeView1Change(*root);  // server node: no database name
  EXPECT_EQ(reader->currentDatabase, "");
  EXPECT_EQ(reader->reconnects, 2);
  // A table under another database reconnects before its columns are read.
  TTreeNode* sales = root->Child(0);
  reader->connected = true;
  browser->TreeView1Change(*sales);
  EXPECT_EQ(reader->currentDatabase, "sales");
}

TEST_F(BrowserTest, FailedPostgresReconnectDisconnectsAndEscapes) {
  ConnectAs(dkPostgres);
  TTreeNode* hr = browser->TreeView1().Root()->Child(1);
  reader->failReconnect = true;
  EXPECT_THROW(browser->TreeView1Change(*hr), std::runtime_error);
  EXPECT_FALSE(browser->IsConnected());
  EXPECT_TRUE(browser->Commands().connect);
  EXPECT_FALSE(browser->Commands().disconnect);
  EXPECT_EQ(browser->FCurrentNode(), nullptr);
  // Connect is possible again, and the dialog is shown.
  reader->failReconnect = false;
  prompts.logonAnswers.push_back(Logon(dkPostgres));
  browser->Connect();
  EXPECT_EQ(prompts.logonDialogs, 2);
  EXPECT_TRUE(browser->IsConnected());
}

TEST_F(BrowserTest, LoaderFailureKeepsRowsAddedBefore) {
  ConnectAs(dkSqlServer);
  TTreeNode* sales = browser->TreeView1().Root()->Child(0);
  browser->TreeView1Change(*sales);
  TTreeNode* pub = Find(sales, "public");
  reader->throwOnLoad = true;
  const CommandState before = browser->Commands();
  EXPECT_THROW(browser->TreeView1Change(*pub), std::runtime_error);
  EXPECT_EQ(pub->ChildCount(), 2);
  EXPECT_EQ(browser->grdTableList().RowCount(), 3);
  EXPECT_EQ(browser->FCurrentNode(), pub);
  // The page and commands keep their previous values.
  EXPECT_EQ(browser->ActivePage(), Page::Blank);
  EXPECT_EQ(browser->Commands().tableList, before.tableList);
  EXPECT_EQ(browser->Commands().definition, before.definition);
}

TEST_F(BrowserTest, LogIsNewestFirstWithTime) {
  times = {"09:05:07"};
  browser->WriteLog("Excel　出力開始");
  browser->WriteLog("second");
  ASSERT_EQ(browser->LogLines().size(), 2u);
  EXPECT_EQ(browser->LogLines()[0], "09:05:07  second");
  EXPECT_EQ(browser->LogLines()[1], "09:05:07  Excel　出力開始");
  EXPECT_EQ(browser->ActivePage(), Page::Log);
  browser->ClearLog();
  EXPECT_TRUE(browser->LogLines().empty());
  // The real clock gives hh:mm:ss.
  TBrowser plain(common, prompts, ReaderRegistry{});
  plain.WriteLog("x");
  const std::string& line = plain.LogLines()[0];
  ASSERT_EQ(line.size(), 11u);
  EXPECT_EQ(line[2], ':');
  EXPECT_EQ(line[5], ':');
  EXPECT_EQ(line.substr(8), "  x");
}

TEST_F(BrowserTest, EachLogLineSignalsARepaint) {
  int repaints = 0;
  browser->AddListener([&](unsigned changes) {
    if (changes & chLog) ++repaints;
  });
  browser->WriteLog("a");
  browser->WriteLog("b");
  EXPECT_EQ(repaints, 2);
}

TEST(Grids, SetUpAndNinthColumn) {
  TStringGrid def, list;
  SetUpTableDefinitionGrid(def);
  SetUpTableListGrid(list);
  EXPECT_EQ(def.ColCount(), 9);
  EXPECT_EQ(def.Cell(6, 0), "主ｷｰ");
  EXPECT_EQ(def.ColWidth(7), 200);
  EXPECT_EQ(def.ColWidth(8), -1);
  EXPECT_EQ(list.ColCount(), 5);
  EXPECT_EQ(list.Cell(1, 0), "テーブル名");
  EXPECT_EQ(list.ColWidth(2), 250);
  def.SetRowCount(3);
  def.SetCell(8, 2, "enum('a','b')");
  def.SetColCount(8);  // what the Oracle and SQL Server loaders do
  EXPECT_EQ(def.ColCount(), 8);
  EXPECT_EQ(def.Cell(8, 2), "");
  def.SetCell(8, 2, "lost");
  EXPECT_EQ(def.Cell(8, 2), "");
  EXPECT_EQ(TableDefinitionAlign(3), CellAlign::Right);
  EXPECT_EQ(TableDefinitionAlign(0), CellAlign::Center);
  EXPECT_EQ(TableDefinitionAlign(7), CellAlign::Left);
  EXPECT_EQ(TableListAlign(4), CellAlign::Center);
  EXPECT_EQ(TableListAlign(2), CellAlign::Left);
  EXPECT_TRUE(IsMarkColumn(5));
  EXPECT_FALSE(IsMarkColumn(7));
}
