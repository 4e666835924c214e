// zelmora-export --kind mysql against the real MariaDB fixture: the
// workbooks the window makes, the exact statements the server receives,
// and the exit statuses of a refused logon.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "catalog/mysql/MySqlStatements.h"
#include "common/IniFile.h"
#include "export/Exports.h"
#include "support/MariaFixture.h"
#include "support/WorkbookCheck.h"

using namespace zel;
using namespace zel::test;

namespace {

// The server logs a statement without the blanks and semicolon around it.
std::string Trimmed(std::string s) {
  while (!s.empty() && (s.back() == ' ' || s.back() == ';')) s.pop_back();
  s.erase(0, s.find_first_not_of(' '));
  return s;
}

// The body of a '...' literal as the client library escapes it under the
// server's default mode.
std::string Escaped(const std::string& name) {
  const std::string quoted = MariaLiteral(name);
  return quoted.substr(1, quoted.size() - 2);
}

class MySqlExportCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    MariaServer srv;
    if (!MariaAvailable(srv)) return;
    schemas = new MariaSchemas(srv);
    catalog = schemas->CreateCatalog("zel_cli");
    // Its sheet would get a name of its own (a backslash is no sheet-name
    // character); the checks here want every sheet named as its table.
    MariaSql(srv, "DROP TABLE " + MariaIdent(catalog) + ".`back\\slash`");
    // The command logs on as a user of its own, so that the statements it
    // sends can be told from those of test programs running meanwhile.
    own = new MariaServer(MariaOwnUser(srv, "zel_cli"));
  }
  static void TearDownTestSuite() {
    MariaServer srv;
    if (own && MariaAvailable(srv)) DropMariaUser(srv, *own);
    delete own;
    own = nullptr;
    delete schemas;
    schemas = nullptr;
  }
  void SetUp() override {
    ZEL_SKIP_WITHOUT_MARIA(srv);
    settings = dir.File("settings.ini");
    IniFile::Write(settings, "ExcelSet", "SystemName", "販売管理");
  }

  int Run(const std::string& args, std::string* output, const std::string& password = "\x01") {
    const std::string pw = password == "\x01" ? own->password : password;
    const std::string cmd = "cd " + ShellQuote(dir.Path()) + " && ZELMORA_PASSWORD=" +
                            ShellQuote(pw) + " " + std::string(ZEL_BINARY_DIR) +
                            "/src/cli/zelmora-export " + args + " </dev/null";
    return RunCommand(cmd, output);
  }
  std::string Conn() const {
    return "--kind mysql --host " + own->host + " --port " + own->port + " --user " + own->user +
           " --settings " + ShellQuote(settings);
  }

  MariaServer srv;
  TempDir dir;
  std::string settings;
  static MariaSchemas* schemas;
  static MariaServer* own;
  static std::string catalog;
};
MariaSchemas* MySqlExportCommandTest::schemas = nullptr;
MariaServer* MySqlExportCommandTest::own = nullptr;
std::string MySqlExportCommandTest::catalog;

TEST_F(MySqlExportCommandTest, DefinitionsSendTheExactStatementsAndMatchTheWindow) {
  std::string out;
  const size_t from = GeneralLogSize(srv);
  ASSERT_EQ(Run("definitions " + Conn() + " --schema " + ShellQuote(catalog) +
                    " --read per-table --out cli.xlsx",
                &out),
            0)
      << out;
  EXPECT_NE(out.find("cli.xlsx"), std::string::npos) << out;
  const std::vector<std::string> logged = LoggedQueries(srv, from, own->user);
  auto position = [&](const std::string& statement) {
    auto it = std::find(logged.begin(), logged.end(), Trimmed(statement));
    return it == logged.end() ? -1 : static_cast<int>(it - logged.begin());
  };
  auto count = [&](const std::string& statement) {
    return std::count(logged.begin(), logged.end(), Trimmed(statement));
  };
  // Every connection switches to UTF-8 first.
  EXPECT_EQ(position("SET NAMES utf8mb4;"), 0);
  EXPECT_EQ(count("SET NAMES sjis;"), 0);
  const int version = position(my::kVersionStatement);
  const int schemata = position(my::kSchemasStatement);
  const std::string tables = my::TablesStatement(catalog);
  EXPECT_GE(version, 0);
  EXPECT_GT(schemata, version);
  // The command selects the schema, then the export reads its tables again.
  EXPECT_GT(position(tables), schemata);
  EXPECT_EQ(count(tables), 2);
  for (const char* table : {"it's", "kinds", "v_kinds", "with blank; semi", "backslash"})
    EXPECT_EQ(count(my::ColumnsStatement(catalog, Escaped(table))), 1) << table;
  EXPECT_EQ(count("SET NAMES utf8mb4;"), 2 + 2 + 5);
  EXPECT_EQ(count(my::SchemaColumnsStatement(catalog)), 0);

  // In bulk (the default), the list once and one statement for the columns,
  // everything on one connection from the logon on.
  const size_t bulkFrom = GeneralLogSize(srv);
  ASSERT_EQ(
      Run("definitions " + Conn() + " --schema " + ShellQuote(catalog) + " --out bulk.xlsx", &out),
      0)
      << out;
  EXPECT_EQ(LoggedQueries(srv, bulkFrom, own->user),
            (std::vector<std::string>{"SET NAMES utf8mb4", Trimmed(my::kVersionStatement),
                                      Trimmed(my::kSchemasStatement), Trimmed(tables),
                                      Trimmed(my::SchemaColumnsStatement(catalog))}));
  EXPECT_EQ(DumpWorkbook(dir.File("bulk.xlsx")).values, DumpWorkbook(dir.File("cli.xlsx")).values);

  // The window's export through the prompts double, same settings.
  std::filesystem::copy_file(settings, dir.File("Zel.ini"));
  MariaBrowser b(srv, "\x01", dir.Path());
  TTreeNode* schema = b.Select(b.Root(), catalog);
  ASSERT_NE(schema, nullptr);
  TExporter exporter(*b.browser);
  b.prompts.saveAnswers.push_back(dir.File("gui.xlsx"));
  exporter.DefinitionCommand();
  WorkbookDump cli = DumpWorkbook(dir.File("cli.xlsx"));
  WorkbookDump gui = DumpWorkbook(dir.File("gui.xlsx"));
  ASSERT_TRUE(cli.ok()) << cli.error;
  ASSERT_TRUE(gui.ok()) << gui.error;
  EXPECT_EQ(cli.values, gui.values);
  EXPECT_EQ(cli["sheet.count"], "5");
  EXPECT_EQ(cli["kinds!C1"], "s:販売管理");
  EXPECT_EQ(cli["kinds!C3"], "s:" + catalog);
  EXPECT_EQ(cli["kinds!B11"], "s:qty");
  EXPECT_EQ(cli["kinds!D11"], "s:int");
  EXPECT_EQ(cli["kinds!E11"], "");
  EXPECT_EQ(cli["kinds!I16"], "s:'x','y'");
  EXPECT_EQ(cli["kinds!I17"], "s:旗");
  EXPECT_EQ(SchemaProblems(dir.File("cli.xlsx")), SchemasAvailable() ? "" : "no schemas");
}

TEST_F(MySqlExportCommandTest, ListOfOneSchemaWithCommentsAndDates) {
  std::string out;
  ASSERT_EQ(Run("list " + Conn() + " --schema " + ShellQuote(catalog) + " --out list.xlsx", &out),
            0)
      << out;
  WorkbookDump d = DumpWorkbook(dir.File("list.xlsx"), false);
  ASSERT_TRUE(d.ok()) << d.error;
  std::string created;
  MariaSql(srv,
           "SELECT DATE_FORMAT(CREATE_TIME, '%Y/%c/%e') FROM information_schema.tables WHERE "
           "TABLE_SCHEMA = " + MariaLiteral(catalog) + " AND TABLE_NAME = 'kinds'",
           &created);
  // The server's Y/M/D text arrives as a date cell.
  int y = 0, m = 0, day = 0;
  ASSERT_EQ(std::sscanf(created.c_str(), "%d/%d/%d", &y, &m, &day), 3) << created;
  char iso[16];
  std::snprintf(iso, sizeof iso, "%04d-%02d-%02d", y, m, day);
  std::map<std::string, int> rowOf;
  for (int row = 8; row < 8 + 5; ++row) rowOf[d["Sheet1!B" + std::to_string(row)]] = row;
  ASSERT_EQ(rowOf.size(), 5u);
  const std::string kinds = std::to_string(rowOf["s:kinds"]);
  EXPECT_EQ(d["Sheet1!D" + kinds], "s:種類～①髙");
  EXPECT_EQ(d["Sheet1!G" + kinds], std::string("d:") + iso);
  // A view is listed with the tables, without dates.
  const std::string view = std::to_string(rowOf["s:v_kinds"]);
  EXPECT_EQ(d["Sheet1!G" + view], "");
  EXPECT_EQ(d["Sheet1!H" + view], "");
  EXPECT_FALSE(created.empty());
}

TEST_F(MySqlExportCommandTest, NamePatternsWithBracketsAndJapaneseChooseTheTables) {
  for (const char* name : {"顧客[A]", "顧客B", "注文"})
    ASSERT_EQ(
        MariaSql(srv, "CREATE TABLE " + MariaIdent(catalog) + "." + MariaIdent(name) + " (id int)"),
        0)
        << name;
  auto names = [](const WorkbookDump& d, const std::string& column) {
    std::set<std::string> found;
    for (int row = 8; d.Has("Sheet1!" + column + std::to_string(row)); ++row)
      found.insert(d["Sheet1!" + column + std::to_string(row)].substr(2));
    return found;
  };
  std::string out;
  ASSERT_EQ(Run("list " + Conn() + " --schema " + ShellQuote(catalog) +
                    " --include '顧客[[]*' --include '*s' --out l.xlsx",
                &out),
            0)
      << out;
  EXPECT_EQ(names(DumpWorkbook(dir.File("l.xlsx"), false), "B"),
            (std::set<std::string>{"顧客[A]", "kinds", "v_kinds", "it's"}));

  ASSERT_EQ(Run("definitions " + Conn() + " --schema " + ShellQuote(catalog) +
                    " --include '顧客?' --out one.xlsx",
                &out),
            0)
      << out;
  WorkbookDump one = DumpWorkbook(dir.File("one.xlsx"), false);
  EXPECT_EQ(one["sheet.count"], "1");
  EXPECT_EQ(one["sheet.1"], "顧客B");

  // Only names of the letters a to z are left: the set's "!" excludes the rest.
  ASSERT_EQ(Run("list " + Conn() + " --schema " + ShellQuote(catalog) +
                    " --exclude '*[!a-z]*' --out az.xlsx",
                &out),
            0)
      << out;
  EXPECT_EQ(names(DumpWorkbook(dir.File("az.xlsx"), false), "B"),
            (std::set<std::string>{"kinds", "backslash"}));
  EXPECT_EQ(Run("list " + Conn() + " --schema " + ShellQuote(catalog) + " --include 'KINDS'", &out),
            4)
      << "case counts: " << out;
}

TEST_F(MySqlExportCommandTest, ARefusedLogonAndAMissingSchemaHaveTheirStatuses) {
  std::string out;
  EXPECT_EQ(Run("list " + Conn() + " --schema " + ShellQuote(catalog), &out, "wrong"), 3);
  EXPECT_NE(out.find("1045 - "), std::string::npos) << out;
  EXPECT_EQ(Run("list " + Conn() + " --schema zel_no_such_schema", &out), 4);
  // The host is the database level: --database is refused before connecting.
  EXPECT_EQ(Run("list " + Conn() + " --schema s --database d", &out), 2);
}

}  // namespace
