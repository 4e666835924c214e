// The MySQL catalog reader against the real MariaDB test server: the tree,
// both grids, the statements as built, hostile names, large schemas and the
// failures a user sees.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <sstream>

#include "catalog/mysql/MySqlReader.h"
#include "catalog/mysql/MySqlStatements.h"
#include "support/MariaFixture.h"
#include "support/PgBrowser.h"

using namespace zel;
using namespace zel::test;

namespace {

my::ColumnFields Fields(const std::string& columnType, const std::string& length,
                        const std::string& scale, const std::string& comment = "") {
  return {"1", "c", "x", length, scale, "", "", comment, columnType};
}

TEST(MySqlStatements, TypeLengthScaleAndEnumRules) {
  struct Case {
    const char *fullType, *length, *scale, *type, *cellLength, *cellScale;
  } cases[] = {
      {"varchar(20)", "20", "", "varchar", "20", ""},
      {"decimal(10,2)", "10", "2", "decimal", "10", "2"},
      {"int(11)", "10", "0", "int", "", ""},
      {"int(10) unsigned", "10", "0", "int unsigned", "10", ""},
      {"text", "65535", "", "text", "", ""},
      {"datetime", "", "", "datetime", "", ""},
      {"enum('a','b')", "1", "", "enum", "", ""},
      {"tinyint(1)", "3", "0", "tinyint", "", ""},
  };
  for (const Case& c : cases) {
    ColumnRow row = my::ColumnRowOf(Fields(c.fullType, c.length, c.scale));
    EXPECT_EQ(row.type, c.type) << c.fullType;
    EXPECT_EQ(row.length, c.cellLength) << c.fullType;
    EXPECT_EQ(row.scale, c.cellScale) << c.fullType;
    EXPECT_EQ(row.fullType, c.fullType);
  }
  EXPECT_EQ(my::ColumnRowOf(Fields("enum('a','b')", "1", "")).comment, "'a','b'");
  EXPECT_EQ(my::ColumnRowOf(Fields("set('x','y')", "3", "")).comment, "'x','y'");
  EXPECT_EQ(my::ColumnRowOf(Fields("set('x','y')", "3", "", "旗")).comment, "旗");
  EXPECT_EQ(my::ColumnRowOf(Fields("int(11)", "10", "0")).comment, "");
}

TEST(MySqlStatements, NamesGoBetweenTheQuotesOfTheFixedPieces) {
  EXPECT_EQ(my::TablesStatement("s\\'x"),
            " SELECT    TABLE_NAME,TABLE_COMMENT,    DATE_FORMAT(CREATE_TIME, '%Y/%c/%e'),   "
            "DATE_FORMAT(UPDATE_TIME, '%Y/%c/%e')  FROM    information_schema.tables  WHERE "
            "TABLE_SCHEMA='s\\'x' ORDER BY TABLE_NAME ");
  const std::string columns = my::ColumnsStatement("S", "T");
  EXPECT_EQ(columns.rfind("SELECT    A.ORDINAL_POSITION AS No,", 0), 0u);
  EXPECT_NE(columns.find("INFORMATION_SCHEMA.COLUMNS A  WHERE      A.TABLE_NAME ='T'     AND "
                         "A.TABLE_SCHEMA= 'S'    ORDER BY A.TABLE_NAME, A.ORDINAL_POSITION "),
            std::string::npos)
      << columns;
}

class MySqlReaderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    MariaServer srv;
    if (!MariaAvailable(srv)) return;
    schemas = new MariaSchemas(srv);
    catalog = schemas->CreateCatalog();
    quoted = schemas->Create("zel_q'uote");
    MariaSql(srv, "CREATE TABLE " + MariaIdent(quoted) + ".inside (x int COMMENT 'q')");
    backslashed = schemas->Create("zel_bs\\q");
    plain = schemas->Create("zel_bsq");
    MariaSql(srv, "CREATE TABLE " + MariaIdent(backslashed) + ".mine (x int);" +
                      "CREATE TABLE " + MariaIdent(plain) + ".not_mine (y int);");
  }
  static void TearDownTestSuite() {
    delete schemas;
    schemas = nullptr;
  }
  void SetUp() override {
    ZEL_SKIP_WITHOUT_MARIA(srv);
  }

  std::vector<std::string> GridRow(TStringGrid& grid, int row, int columns) {
    std::vector<std::string> out;
    for (int c = 0; c < columns; ++c) out.push_back(grid.Cell(c, row));
    return out;
  }

  MariaServer srv;
  static MariaSchemas* schemas;
  static std::string catalog, quoted, backslashed, plain;
};
MariaSchemas* MySqlReaderTest::schemas = nullptr;
std::string MySqlReaderTest::catalog, MySqlReaderTest::quoted, MySqlReaderTest::backslashed,
    MySqlReaderTest::plain;

TEST_F(MySqlReaderTest, ConnectShowsTheVersionAndEverySchemaInServerOrder) {
  MariaBrowser b(srv);
  ASSERT_TRUE(b.browser->chkDbOK()) << (b.prompts.messages.empty() ? "" : b.prompts.messages[0].text);
  EXPECT_TRUE(b.prompts.messages.empty());
  std::string version;
  MariaSql(srv, "select version(),CHARSET(VERSION())", &version);
  const size_t tab = version.find('\t');
  EXPECT_EQ(b.browser->lblDbType(), "MySQL " + version.substr(0, tab));
  EXPECT_EQ(b.browser->FMySqlCharset, version.substr(tab + 1));

  TTreeNode* root = b.Root();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Text(), srv.host);
  EXPECT_EQ(root->Level(), 0);
  std::vector<std::string> tree = ChildTexts(root);
  for (const std::string& s : {std::string("information_schema"), std::string("mysql"), catalog,
                               quoted, backslashed, plain})
    EXPECT_NE(std::find(tree.begin(), tree.end(), s), tree.end()) << s;
  // The server's own order (other test programs may add schemas meanwhile,
  // so only the names both lists hold are compared).
  std::string listed;
  MariaSql(srv, "SELECT schema_name FROM information_schema.schemata", &listed);
  std::vector<std::string> server;
  std::istringstream in(listed);
  for (std::string line; std::getline(in, line);)
    if (std::find(tree.begin(), tree.end(), line) != tree.end()) server.push_back(line);
  std::vector<std::string> common;
  for (const std::string& t : tree)
    if (std::find(server.begin(), server.end(), t) != server.end()) common.push_back(t);
  EXPECT_EQ(common, server);
  TTreeNode* schema = FindChild(root, catalog);
  ASSERT_NE(schema, nullptr);
  EXPECT_EQ(schema->Level(), 1);
  EXPECT_EQ(schema->ImageIndex(), 2) << "a schema's picture, though one level higher";
  EXPECT_TRUE(schema->HasChildren());
}

TEST_F(MySqlReaderTest, TablesViewsAndColumnsMatchTheCatalogCellByCell) {
  MariaBrowser b(srv);
  TTreeNode* schema = b.Select(b.Root(), catalog);
  ASSERT_NE(schema, nullptr);
  std::string expected;
  MariaSql(srv,
           "SELECT TABLE_NAME, TABLE_COMMENT, IFNULL(DATE_FORMAT(CREATE_TIME, '%Y/%c/%e'), ''), "
           "IFNULL(DATE_FORMAT(UPDATE_TIME, '%Y/%c/%e'), '') FROM information_schema.tables "
           "WHERE TABLE_SCHEMA = " + MariaLiteral(catalog) + " ORDER BY TABLE_NAME",
           &expected);
  TStringGrid& list = b.browser->grdTableList();
  std::string seen;
  for (int r = 1; r < list.RowCount(); ++r) {
    EXPECT_EQ(list.Cell(0, r), std::to_string(r));
    seen += (r > 1 ? "\n" : "") + list.Cell(1, r) + "\t" + list.Cell(2, r) + "\t" +
            list.Cell(3, r) + "\t" + list.Cell(4, r);
  }
  // The command-line client writes a backslash as \\.
  for (size_t at = 0; (at = expected.find("\\\\", at)) != std::string::npos; ++at)
    expected.erase(at, 1);
  EXPECT_EQ(seen, expected);
  EXPECT_EQ(ChildTexts(schema).size(), 6u);

  TTreeNode* kinds = FindChild(schema, "kinds");
  ASSERT_NE(kinds, nullptr);
  ASSERT_NE(kinds->Data(), nullptr);
  EXPECT_EQ(kinds->Data()->comment, "種類～①髙");
  EXPECT_TRUE(std::regex_match(kinds->Data()->created,
                               std::regex("[0-9]{4}/[1-9][0-9]?/[1-9][0-9]?")))
      << kinds->Data()->created;
  EXPECT_EQ(kinds->Level(), 2);
  EXPECT_FALSE(kinds->HasChildren());
  TTreeNode* view = FindChild(schema, "v_kinds");
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->Data()->created, "");
  EXPECT_EQ(view->Data()->updated, "");

  b.Select(schema, "kinds");
  EXPECT_EQ(b.browser->lblTableName(), "kinds");
  EXPECT_EQ(b.browser->lblTableComment(), "種類～①髙");
  TStringGrid& grid = b.browser->grdTableDefinition();
  using Row = std::vector<std::string>;
  const std::vector<Row> rows = {
      {"1", "id", "int unsigned", "10", "", "1", "1", "番号～①髙", "int(10) unsigned"},
      {"2", "price", "decimal", "10", "2", "", "", "価格", "decimal(10,2)"},
      {"3", "name", "varchar", "20", "", "1", "1", "", "varchar(20)"},
      {"4", "qty", "int", "", "", "", "", "", "int(11)"},
      {"5", "body", "text", "", "", "", "", "", "text"},
      {"6", "made", "datetime", "", "", "", "", "", "datetime"},
      {"7", "size", "enum", "", "", "", "", "'a','b'", "enum('a','b')"},
      {"8", "size2", "enum", "", "", "", "", "大きさ", "enum('x','y')"},
      {"9", "flags", "set", "", "", "", "", "'x','y'", "set('x','y')"},
      {"10", "flags2", "set", "", "", "", "", "旗", "set('p','q')"},
      {"11", "ok", "tinyint", "", "", "", "", "", "tinyint(1)"},
  };
  ASSERT_EQ(grid.RowCount(), static_cast<int>(rows.size()) + 1);
  for (size_t i = 0; i < rows.size(); ++i)
    EXPECT_EQ(GridRow(grid, static_cast<int>(i) + 1, 9), rows[i]) << i;
  // The busy cursor came back.
  EXPECT_FALSE(b.prompts.busy);
}

TEST_F(MySqlReaderTest, QuotesBackslashesAndBlanksInNamesKeepTheirMeaning) {
  MariaBrowser b(srv);
  TTreeNode* schema = b.Select(b.Root(), catalog);
  ASSERT_NE(schema, nullptr);
  for (const auto& [table, comment] :
       {std::pair{"it's", "quote"}, std::pair{"back\\slash", "backslash"},
        std::pair{"with blank; semi", "blank"}, std::pair{"backslash", "no backslash"}}) {
    ASSERT_NE(b.Select(schema, table), nullptr) << table;
    TStringGrid& grid = b.browser->grdTableDefinition();
    ASSERT_EQ(grid.RowCount(), 2) << table;
    EXPECT_EQ(grid.Cell(7, 1), comment) << table;
  }
  // A schema whose name holds a quote, and one with a backslash that must
  // not read as its neighbour without one.
  TTreeNode* q = b.Select(b.Root(), quoted);
  ASSERT_NE(q, nullptr);
  EXPECT_EQ(ChildTexts(q), std::vector<std::string>{"inside"});
  b.Select(q, "inside");
  EXPECT_EQ(b.browser->grdTableDefinition().Cell(7, 1), "q");
  TTreeNode* bs = b.Select(b.Root(), backslashed);
  ASSERT_NE(bs, nullptr);
  EXPECT_EQ(ChildTexts(bs), std::vector<std::string>{"mine"});
  EXPECT_EQ(ChildTexts(b.Select(b.Root(), plain)), std::vector<std::string>{"not_mine"});
}

TEST_F(MySqlReaderTest, SixHundredTablesAndFiveHundredTwentyColumnsAreAllRead) {
  const std::string many = schemas->CreateMany("zel_600", 600);
  const std::string wide = schemas->Create("zel_wide");
  std::string cols;
  for (int i = 1; i <= 520; ++i)
    cols += (i > 1 ? ", c" : "c") + std::to_string(i) + " int COMMENT 'col " + std::to_string(i) + "'";
  ASSERT_EQ(MariaSql(srv, "CREATE TABLE " + MariaIdent(wide) + ".w (" + cols + ")"), 0);

  MariaBrowser b(srv);
  TTreeNode* m = b.Select(b.Root(), many);
  ASSERT_NE(m, nullptr);
  ASSERT_EQ(m->ChildCount(), 600);
  EXPECT_EQ(m->Child(599)->Text(), "t600");
  EXPECT_EQ(b.browser->grdTableList().RowCount(), 601);
  EXPECT_EQ(b.browser->grdTableList().Cell(1, 600), "t600");
  EXPECT_EQ(b.browser->grdTableList().Cell(0, 600), "600");

  TTreeNode* w = b.Select(b.Root(), wide);
  ASSERT_NE(w, nullptr);
  b.Select(w, "w");
  TStringGrid& grid = b.browser->grdTableDefinition();
  ASSERT_EQ(grid.RowCount(), 521);
  EXPECT_EQ(grid.Cell(0, 520), "520");
  EXPECT_EQ(grid.Cell(1, 520), "c520");
  EXPECT_EQ(grid.Cell(7, 520), "col 520");
}

TEST_F(MySqlReaderTest, CommentsArriveAsTheServerHoldsThem) {
  // MariaDB keeps comments in utf8mb3: a four-byte character is already "?"
  // on the server; the three-byte ones arrive unchanged.
  const std::string s = schemas->Create("zel_emoji");
  ASSERT_EQ(MariaSql(srv, "CREATE TABLE " + MariaIdent(s) +
                              ".t (x int COMMENT '列～①髙😀') COMMENT '表～①髙😀'"),
            0);
  std::string table, column;
  MariaSql(srv, "SELECT TABLE_COMMENT FROM information_schema.tables WHERE TABLE_SCHEMA = " +
                    MariaLiteral(s), &table);
  MariaSql(srv, "SELECT COLUMN_COMMENT FROM information_schema.columns WHERE TABLE_SCHEMA = " +
                    MariaLiteral(s), &column);
  ASSERT_EQ(table.rfind("表～①髙", 0), 0u) << table;
  MariaBrowser b(srv);
  TTreeNode* node = b.Select(b.Root(), s);
  ASSERT_NE(node, nullptr);
  EXPECT_EQ(b.browser->grdTableList().Cell(2, 1), table);
  b.Select(node, "t");
  EXPECT_EQ(b.browser->lblTableComment(), table);
  EXPECT_EQ(b.browser->grdTableDefinition().Cell(7, 1), column);
  EXPECT_EQ(column.rfind("列～①髙", 0), 0u) << column;
}

TEST_F(MySqlReaderTest, AWrongPasswordShowsTheServersRefusalAndStaysDisconnected) {
  MariaBrowser b(srv, "wrong password");
  EXPECT_FALSE(b.browser->chkDbOK());
  EXPECT_EQ(b.browser->FDbKind, dkNone);
  EXPECT_EQ(b.browser->TreeView1().Root(), nullptr);
  EXPECT_EQ(b.browser->lblDbType(), "");
  ASSERT_EQ(b.prompts.messages.size(), 1u);
  EXPECT_EQ(b.prompts.messages[0].caption, "Zelmora");
  EXPECT_NE(b.prompts.messages[0].text.find("\n\n1045 - "), std::string::npos)
      << "the client's text beneath the sentence: " << b.prompts.messages[0].text;
  EXPECT_TRUE(b.browser->Commands().connect);
}

TEST_F(MySqlReaderTest, APortThatIsNotAWholeNumberIsRefusedWithAClearMessage) {
  for (const char* port : {"33o6", "", "-1", "70000", "3306 "}) {
    MariaBrowser b(srv, "\x01", "", port);
    EXPECT_FALSE(b.browser->chkDbOK()) << port;
    EXPECT_EQ(b.browser->TreeView1().Root(), nullptr);
    ASSERT_EQ(b.prompts.messages.size(), 1u) << port;
    EXPECT_EQ(b.prompts.messages[0].text, std::string("MySQL のポート番号「") + port +
                                              "」は 1 から 65535 までの整数ではありません。");
  }
}

}  // namespace
