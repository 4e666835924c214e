// The detailed document's facts and table kinds as the MySQL reader reads
// them from the MariaDB test server: one statement per fact for the whole
// schema, on one connection.
#include <gtest/gtest.h>
#include <unistd.h>

#include "catalog/Browser.h"
#include "catalog/SchemaRows.h"
#include "catalog/mysql/MySqlReader.h"
#include "catalog/mysql/MySqlStatements.h"
#include "support/MariaFixture.h"
#include "support/PgFixture.h"
#include "support/TableFactsText.h"

using namespace zel;
using namespace zel::test;

namespace {

class MySqlFactsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    MariaServer srv;
    if (!MariaAvailable(srv)) return;
    schemas = new MariaSchemas(srv);
    // The schema's own name carries a quote, a semicolon, blanks and brackets.
    shop = schemas->Create("zel_f'a; [b]");
    master = schemas->Create("zel_fo");
    std::string sql = ReadFile(FixturePath("mysql/facts.sql"));
    for (size_t at; (at = sql.find("@S@")) != std::string::npos;) sql.replace(at, 3, shop);
    for (size_t at; (at = sql.find("@O@")) != std::string::npos;) sql.replace(at, 3, master);
    if (MariaSql(srv, sql) != 0) ADD_FAILURE() << "facts fixture failed";
    // Users of the program's own, so that their statements can be told from
    // those of other test programs: one with every right, one that may only
    // read.
    reader = new MariaServer(MariaOwnUser(srv, "zel_mfr"));
    own = new MariaServer(srv);
    own->user = "zel_mfa_" + std::to_string(getpid());
    own->password = "all pw;3'";
    const std::string account = "'" + own->user + "'@'" + srv.host + "'";
    MariaSql(srv, "DROP USER IF EXISTS " + account + "; CREATE USER " + account +
                      " IDENTIFIED BY " + MariaLiteral(own->password) +
                      "; GRANT ALL PRIVILEGES ON *.* TO " + account + ";");
  }
  static void TearDownTestSuite() {
    MariaServer srv;
    for (MariaServer** user : {&own, &reader}) {
      if (*user && MariaAvailable(srv)) DropMariaUser(srv, **user);
      delete *user;
      *user = nullptr;
    }
    delete schemas;
    schemas = nullptr;
  }
  void SetUp() override { ZEL_SKIP_WITHOUT_MARIA(srv); }

  MariaServer srv;
  static MariaSchemas* schemas;
  // The body of a '...' literal as the client library escapes it.
  static std::string Escaped(const std::string& name) {
    const std::string quoted = MariaLiteral(name);
    return quoted.substr(1, quoted.size() - 2);
  }

  static MariaServer *own, *reader;
  static std::string shop, master;
};
MariaSchemas* MySqlFactsTest::schemas = nullptr;
MariaServer* MySqlFactsTest::own = nullptr;
MariaServer* MySqlFactsTest::reader = nullptr;
std::string MySqlFactsTest::shop, MySqlFactsTest::master;

}  // namespace

TEST(MySqlFactStatements, ServerVersionsAndCellTexts) {
  const my::Server maria = my::ServerOf("MySQL 10.11.6-MariaDB-0+deb12u1-log");
  EXPECT_TRUE(maria.mariaDb);
  EXPECT_EQ(maria.version, 101106);
  const my::Server mysql = my::ServerOf("MySQL 8.0.36");
  EXPECT_FALSE(mysql.mariaDb);
  EXPECT_EQ(mysql.version, 80036);
  EXPECT_GT(my::ServerOf("MySQL ").version, 110000);

  // What each server keeps where.
  auto given = [](const char* label) {
    const my::FactsGiven g = my::FactsOf(my::ServerOf(label));
    return std::string(g.generation ? "G" : "-") + (g.expressions ? "E" : "-") +
           (g.foreignKeys ? "F" : "-") + (g.checks ? "C" : "-") + (g.constraints ? "U" : "-");
  };
  EXPECT_EQ(given("MySQL 8.0.36"), "GEFCU");
  EXPECT_EQ(given("MySQL 8.0.15"), "GEF-U");
  EXPECT_EQ(given("MySQL 8.0.12"), "G-F-U");
  EXPECT_EQ(given("MySQL 5.7.44"), "G-F-U");
  EXPECT_EQ(given("MySQL 5.6.51"), "--F-U");
  EXPECT_EQ(given("MySQL 5.0.96"), "----U");
  EXPECT_EQ(given("MySQL 10.11.6-MariaDB"), "G-FCU");
  EXPECT_EQ(given("MySQL 10.3.9-MariaDB"), "G-F--");  // keeps checks, shows none
  EXPECT_EQ(given("MySQL 10.2.22-MariaDB"), "G-FCU");
  EXPECT_EQ(given("MySQL 10.1.48-MariaDB"), "--F-U");  // ignored checks

  // Defaults as each server gives them: MariaDB quotes texts and says NULL
  // for a NULL default; MySQL gives NULL as no value and texts bare.
  const my::Server s56 = my::ServerOf("MySQL 5.6.51");
  EXPECT_EQ(my::DefaultText(maria, "NULL", false, "", ""), "");
  EXPECT_EQ(my::DefaultText(maria, "'NULL'", false, "", ""), "'NULL'");
  EXPECT_EQ(my::DefaultText(mysql, "NULL", false, "", ""), "NULL");
  EXPECT_EQ(my::DefaultText(mysql, "", true, "", ""), "");
  EXPECT_EQ(my::DefaultText(mysql, "", false, "", ""), "");
  EXPECT_EQ(my::DefaultText(mysql, "CURRENT_TIMESTAMP", false,
                            "DEFAULT_GENERATED on update CURRENT_TIMESTAMP", ""),
            "CURRENT_TIMESTAMP ON UPDATE CURRENT_TIMESTAMP");
  EXPECT_EQ(my::DefaultText(mysql, "", true, "on update CURRENT_TIMESTAMP(3)", ""),
            "ON UPDATE CURRENT_TIMESTAMP(3)");
  EXPECT_EQ(my::DefaultText(mysql, "(rand())", false, "DEFAULT_GENERATED", ""), "(rand())");
  EXPECT_EQ(my::DefaultText(mysql, "", true, "VIRTUAL GENERATED", "(`a` + 1)"),
            "GENERATED ALWAYS AS ((`a` + 1))");
  EXPECT_EQ(my::DefaultText(s56, "", true, "auto_increment", ""), "AUTO_INCREMENT");
  EXPECT_EQ(my::DefaultText(maria, "", true, "PERSISTENT", "a + 1"),
            "GENERATED ALWAYS AS (a + 1)");
  EXPECT_EQ(my::KindText("BASE TABLE"), "テーブル");
  EXPECT_EQ(my::KindText("SYSTEM VERSIONED"), "テーブル");
  EXPECT_EQ(my::KindText("VIEW"), "ビュー");
  EXPECT_EQ(my::KindText("SEQUENCE"), "");
}

TEST_F(MySqlFactsTest, EveryFactOfTheSchemaFromOneStatementEach) {
  MariaBrowser b(*own);
  TTreeNode* node = b.Select(b.Root(), shop);
  ASSERT_NE(node, nullptr);
  size_t from = GeneralLogSize(srv);
  std::map<std::string, TableFacts> facts;
  ASSERT_TRUE(b.browser->Reader()->ReadSchemaFacts(*node, facts));

  // One connection, one statement per fact.
  const my::Server server = my::ServerOf(b.browser->lblDbType());
  const my::FactsGiven given = my::FactsOf(server);
  const std::string literal = Escaped(shop);
  const std::vector<std::string> statements = {
      "SET NAMES utf8mb4", my::DefaultsStatement(given, literal),
      my::IndexesStatement(given, literal), my::ForeignKeysStatement(literal),
      my::ChecksStatement(server, literal)};
  EXPECT_EQ(LoggedQueries(srv, from, own->user), statements);
  EXPECT_EQ(PeakConnections(srv, from, own->user), 1u);

  const std::string region = master + ".region";
  // MariaDB's quoted texts and NULL, a timestamp's ON UPDATE, auto_increment,
  // virtual and stored generated columns; a key into another schema and one
  // into the table itself; prefix, descending, fulltext indexes; the unique
  // indexes as unique constraints, with the check.
  EXPECT_EQ(FactsText(facts["customer"]),
            "given 1 1 1 1\n"
            "D code = '=1'\n"
            "D created = current_timestamp() ON UPDATE current_timestamp()\n"
            "D id = AUTO_INCREMENT\n"
            "D null_text = 'NULL'\n"
            "D price = 0.00\n"
            "D remark = 'it''s'\n"
            "D stored_total = GENERATED ALWAYS AS (`price` * `qty` + 1)\n"
            "D total = GENERATED ALWAYS AS (`price` * `qty`)\n"
            "D zero = 0\n"
            "R parent_id = customer.id\n"
            "R region_code = " + region + ".code\n"
            "R region_sub = " + region + ".sub\n"
            "I PRIMARY | id | UP | BTREE | \n"
            "I customer_code_key | code | U- | BTREE | \n"
            "I fk_parent | parent_id | -- | BTREE | \n"
            "I fk_region | region_code, region_sub | -- | BTREE | \n"
            "I ft_body | body | -- | FULLTEXT | \n"
            "I ix_prefix | remark(5), created DESC | -- | BTREE | \n"
            "I uq_pair | region_sub DESC, region_code | U- | BTREE | \n"
            "F fk_parent | parent_id | customer | id | SET NULL | RESTRICT\n"
            "F fk_region | region_code, region_sub | " + region + " | code, sub | CASCADE | RESTRICT\n"
            "C customer_code_key | UNIQUE | UNIQUE (code)\n"
            "C customer_price_check | CHECK | CHECK (`price` >= 0)\n"
            "C uq_pair | UNIQUE | UNIQUE (region_sub DESC, region_code)\n");
  // A column in two keys names both targets, in the keys' name order.
  EXPECT_EQ(FactsText(facts["ord"]),
            "given 1 1 1 1\n"
            "R alt_customer = customer.id\n"
            "R customer_id = customer.id | customer.id\n"
            "I PRIMARY | ord_no | UP | BTREE | \n"
            "I ord_again_fk | customer_id | -- | BTREE | \n"
            "I ord_alt_fk | alt_customer | -- | BTREE | \n"
            "F ord_again_fk | customer_id | customer | id | RESTRICT | RESTRICT\n"
            "F ord_alt_fk | alt_customer | customer | id | NO ACTION | CASCADE\n"
            "F ord_customer_fk | customer_id | customer | id | RESTRICT | RESTRICT\n");
  EXPECT_EQ(FactsText(facts["tab 'x'; [y] z"]),
            "given 1 1 1 1\n"
            "D col \"q\" = 7\n"
            "R 顧客 = customer.id\n"
            "I PRIMARY | col \"q\" | UP | BTREE | \n"
            "I k'ey; [1] | 顧客 | -- | BTREE | \n"
            "F k'ey; [1] | 顧客 | customer | id | RESTRICT | RESTRICT\n");
  // A column's own check carries the column's name.
  EXPECT_EQ(FactsText(facts["注文明細"]),
            "given 1 1 1 1\n"
            "D 行 = AUTO_INCREMENT\n"
            "I PRIMARY | 行 | UP | BTREE | \n"
            "C 金額 | CHECK | CHECK (`金額` > 0)\n");
  // A spatial key's cell size is no prefix; a memory table's hash index.
  EXPECT_EQ(FactsText(facts["place"]), "given 1 1 1 1\nI sp | p | -- | SPATIAL | \n");
  EXPECT_EQ(FactsText(facts["hashed"]), "given 1 1 1 1\nI ix_hash | h | -- | HASH | \n");
  EXPECT_EQ(facts.size(), 7u);  // the view's columns give defaults too
  EXPECT_EQ(facts.count("region"), 0u);

  // Through the browser during an export: read at the first table, then
  // served from memory.
  from = GeneralLogSize(srv);
  SchemaRows rows(*node);
  b.browser->SetSchemaRows(&rows);
  for (int i = 0; i < node->ChildCount(); ++i) {
    TTreeNode& table = *node->Child(i);
    EXPECT_EQ(FactsText(b.browser->TableFactsOf(table)), FactsText(facts[table.Text()]))
        << table.Text();
  }
  b.browser->SetSchemaRows(nullptr);
  EXPECT_EQ(LoggedQueries(srv, from, own->user), statements);

  // A user who may only read: MariaDB hides the keys' rules from it, nothing
  // else.
  MariaBrowser rb(*reader);
  TTreeNode* readNode = rb.Select(rb.Root(), shop);
  ASSERT_NE(readNode, nullptr);
  std::map<std::string, TableFacts> readFacts;
  ASSERT_TRUE(rb.browser->Reader()->ReadSchemaFacts(*readNode, readFacts));
  ASSERT_EQ(readFacts.size(), facts.size());
  for (auto& [table, f] : facts) {
    for (ForeignKeyFact& key : f.foreignKeys) key.onDelete = key.onUpdate = "";
    EXPECT_EQ(FactsText(readFacts[table]), FactsText(f)) << table;
  }
}

TEST_F(MySqlFactsTest, TableKindsOfTheListInOneStatement) {
  MariaBrowser b(*own);
  TTreeNode* node = b.Select(b.Root(), shop);
  ASSERT_NE(node, nullptr);
  const size_t from = GeneralLogSize(srv);
  TableKinds kinds;
  ASSERT_TRUE(b.browser->Reader()->ReadTableKinds(*node, kinds));
  EXPECT_EQ(kinds, (TableKinds{{"customer", "テーブル"},
                               {"customer_view", "ビュー"},
                               {"hashed", "テーブル"},
                               {"ord", "テーブル"},
                               {"place", "テーブル"},
                               {"tab 'x'; [y] z", "テーブル"},
                               {"注文明細", "テーブル"}}));
  EXPECT_EQ(LoggedQueries(srv, from, own->user),
            (std::vector<std::string>{"SET NAMES utf8mb4",
                                      my::TableKindsStatement(Escaped(shop))}));
  EXPECT_EQ(static_cast<size_t>(node->ChildCount()), kinds.size());
}
