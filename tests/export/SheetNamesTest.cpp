// Tables whose names Excel refuses as tab names still get their sheets:
// the derivation of a legal, unique name, and a definition export of a real
// PostgreSQL schema and of a real MariaDB schema holding every kind of
// such name.
#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "common/IniFile.h"
#include "common/Text.h"
#include "export/Exports.h"
#include "export/SheetNames.h"
#include "support/MariaFixture.h"
#include "support/PgBrowser.h"
#include "support/PgFixture.h"
#include "support/WorkbookCheck.h"
#include "xlsx/CellText.h"
#include "xlsx/SheetName.h"

using namespace zel;
using namespace zel::test;

namespace {

std::string Repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}

void ExpectLegal(const std::string& name) {
  EXPECT_NO_THROW(xl::CheckSheetName(name)) << name;
  EXPECT_LE(text::Cp932Length(name), 31u) << name;
}

}  // namespace

TEST(SheetNames, AcceptedNamesAreKeptAndRefusedOnesMadeLegal) {
  // What Excel accepts stays as it is (cut to 31 bytes, as always).
  EXPECT_EQ(LegalSheetName("customer", 1), "customer");
  EXPECT_EQ(LegalSheetName("顧客 (旧) 'x' ~2", 1), "顧客 (旧) 'x' ~2");
  EXPECT_EQ(LegalSheetName(std::string(40, 'a'), 1), std::string(31, 'a'));
  EXPECT_EQ(LegalSheetName(Repeat("表", 20), 1), Repeat("表", 15));

  EXPECT_EQ(LegalSheetName("a\\b/c?d*e[f]g:h", 1), "a_b_c_d_e_f_g_h");
  EXPECT_EQ(LegalSheetName("tab\there\x01\x7f", 1), "tab_here__");
  EXPECT_EQ(LegalSheetName("'quoted'", 1), "quoted");
  EXPECT_EQ(LegalSheetName("''x''", 1), "x");
  EXPECT_EQ(LegalSheetName("it's", 1), "it's");  // inside the name is fine
  EXPECT_EQ(LegalSheetName("''", 7), "7");
  EXPECT_EQ(LegalSheetName("", 12), "12");
  EXPECT_EQ(LegalSheetName("bad\xff\xfe", 1), "bad__");
  // A cut that would leave an apostrophe at the end drops it.
  EXPECT_EQ(LegalSheetName(std::string(30, 'a') + "'b", 1), std::string(30, 'a'));
  // Characters CP932 lacks count one byte there but two UTF-16 units in
  // Excel: the name fits both.
  std::string emoji = LegalSheetName(Repeat("😀", 20), 1);
  EXPECT_EQ(xl::Utf16Length(emoji), 30u);
  for (const std::string& n : {LegalSheetName("a:b", 1), LegalSheetName("'", 3), emoji})
    ExpectLegal(n);
}

TEST(SheetNames, NumberedNamesFitAtAWholeCharacter) {
  EXPECT_EQ(NumberedSheetName("history", 2), "history~2");
  EXPECT_EQ(NumberedSheetName(std::string(31, 'a'), 2), std::string(29, 'a') + "~2");
  EXPECT_EQ(NumberedSheetName(std::string(31, 'a'), 10), std::string(28, 'a') + "~10");
  // 15 full-width characters (30 bytes) + "~2" would be 32: one goes, and
  // the cut never splits a character.
  EXPECT_EQ(NumberedSheetName(Repeat("表", 15), 2), Repeat("表", 14) + "~2");
  ExpectLegal(NumberedSheetName(Repeat("表", 15), 123));
}

TEST(SheetNames, DuplicatesWithoutRegardToCaseAndNamesTakenElsewhere) {
  SheetNamer namer;
  std::vector<std::string> given;
  auto rename = [&](const std::string& n) { given.push_back(n); };
  EXPECT_EQ(namer.Name("History", 1, rename), "History");
  EXPECT_EQ(namer.Name("history", 2, rename), "history~2");
  EXPECT_EQ(namer.Name("HISTORY", 3, rename), "HISTORY~3");
  EXPECT_EQ(namer.Name("history~2", 4, rename), "history~2~2");
  // Long names equal in their first 31 bytes.
  EXPECT_EQ(namer.Name(std::string(31, 'x') + "_one", 5, rename), std::string(31, 'x'));
  EXPECT_EQ(namer.Name(std::string(31, 'x') + "_two", 6, rename), std::string(29, 'x') + "~2");
  EXPECT_EQ(given.size(), 6u);

  // A name the workbook already holds (a model workbook's own sheet) is
  // refused by the rename; the next number is taken.
  SheetNamer other;
  std::set<std::string> taken = {"表紙", "表紙~2"};
  auto refusing = [&](const std::string& n) {
    if (taken.count(n)) throw std::runtime_error("a sheet named " + n + " already exists");
  };
  EXPECT_EQ(other.Name("表紙", 1, refusing), "表紙~3");
  // A rename that always fails is reported with its first message.
  auto broken = [](const std::string&) {
    throw std::runtime_error("the workbook has been closed");
  };
  try {
    other.Name("x", 2, broken);
    ADD_FAILURE() << "no failure";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "the workbook has been closed");
  }
}

namespace {

// Every kind of name Excel refuses as a tab name, and some it accepts.
std::vector<std::string> HostileNames() {
  return {
      "History",
      "history",
      std::string(31, 'L') + "_first",
      std::string(31, 'L') + "_second",
      "a/b\\c",
      "what?",
      "star*",
      "[bracket]",
      "colon:",
      "'quoted'",
      "''",
      "tab\there",
      "plain",
      Repeat("表", 20),
      Repeat("表", 15) + "裏",
  };
}

// Runs the definition export of `schema` (selected in `browser`) and checks
// that every table got a legal, unique sheet named after it where Excel
// allows, that the renamed ones are logged, and that the table-name cell
// keeps the real name. The tree gives the order, which differs per server.
void ExportAndCheckHostile(TBrowser& browser, ScriptedPrompts& prompts, TTreeNode& schema,
                           const std::string& target) {
  const size_t count = HostileNames().size();
  ASSERT_EQ(schema.ChildCount(), static_cast<int>(count));
  TExporter exporter(browser);
  std::vector<std::string> notices;
  exporter.OnNotice = [&](const std::string& line) { notices.push_back(line); };
  prompts.saveAnswers.push_back(target);
  exporter.DefinitionCommand();
  ASSERT_TRUE(prompts.messages.empty()) << prompts.messages[0].text;
  ASSERT_EQ(exporter.Runs().size(), 1u);
  EXPECT_TRUE(exporter.Runs()[0].saved);

  WorkbookDump d = DumpWorkbook(target, false);
  ASSERT_TRUE(d.ok()) << d.error;
  ASSERT_EQ(d["sheet.count"], std::to_string(count));
  std::set<std::string> folded;
  int renamed = 0;
  for (int i = 1; i <= schema.ChildCount(); ++i) {
    const std::string table = schema.Child(i - 1)->Text();
    const std::string sheet = d["sheet." + std::to_string(i)];
    SCOPED_TRACE(table + " -> " + sheet);
    ExpectLegal(sheet);
    EXPECT_TRUE(folded.insert(xl::FoldSheetName(sheet)).second) << "not unique";
    EXPECT_EQ(d[sheet + "!C4"], "s:" + table);
    EXPECT_EQ(d[sheet + "!B8"], "s:id");
    if (sheet != text::CutCp932(table, 31)) ++renamed;
  }
  // Accepted names unchanged; each of the others named in one log line.
  const std::vector<std::string> accepted = {"plain", Repeat("表", 15), std::string(31, 'L')};
  for (const auto& a : accepted) EXPECT_TRUE(d.Has(a + "!C4")) << a;
  // Of History and history, the one that comes second is numbered.
  EXPECT_TRUE(d.Has("History!C4") != d.Has("history!C4"));
  EXPECT_TRUE(d.Has("History~2!C4") || d.Has("history~2!C4"));
  EXPECT_TRUE(d.Has(Repeat("表", 14) + "~2!C4"));
  EXPECT_TRUE(d.Has(std::string(29, 'L') + "~2!C4"));
  EXPECT_EQ(renamed, 11);
  EXPECT_EQ(notices.size(), 11u);
  int logged = 0;
  for (const auto& line : browser.LogLines())
    if (line.find("シート名を「") != std::string::npos) ++logged;
  EXPECT_EQ(logged, 11);
  EXPECT_TRUE(d.Has("a_b_c!C4"));
  EXPECT_TRUE(d.Has("tab_here!C4"));
  EXPECT_TRUE(d.Has("quoted!C4"));
  if (SchemasAvailable()) {
    EXPECT_EQ(SchemaProblems(target), "");
  }
}

class HostileNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEL_SKIP_WITHOUT_PG(srv);
    dbs = std::make_unique<PgDatabases>(srv);
    db = dbs->Create("zel_hostile");
  }

  PgServer srv;
  TempDir dir;
  std::unique_ptr<PgDatabases> dbs;
  std::string db;
};

}  // namespace

TEST_F(HostileNamesTest, EveryTableGetsAUniqueLegalSheet) {
  std::string sql = "CREATE SCHEMA hostile;";
  for (const auto& n : HostileNames()) {
    std::string quoted;
    for (char c : n) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    sql += "CREATE TABLE hostile.\"" + quoted + "\" (id integer primary key);";
  }
  ASSERT_EQ(Psql(srv, db, sql), 0);

  auto b = std::make_unique<PgBrowser>(srv, db, "", dir.Path());
  ASSERT_TRUE(b->browser->chkDbOK());
  TTreeNode* schema = b->Select(b->Database(db), "hostile");
  ASSERT_NE(schema, nullptr);
  ExportAndCheckHostile(*b->browser, b->prompts, *schema, dir.File("hostile.xlsx"));
}

TEST(HostileNamesMariaTest, EveryTableGetsAUniqueLegalSheet) {
  MariaServer srv;
  ZEL_SKIP_WITHOUT_MARIA(srv);
  TempDir dir;
  MariaSchemas schemas(srv);
  const std::string name = schemas.Create("zel_hostile");
  std::string sql;
  for (const auto& n : HostileNames())
    sql += "CREATE TABLE " + MariaIdent(name) + "." + MariaIdent(n) + " (id int primary key);";
  ASSERT_EQ(MariaSql(srv, sql), 0);

  auto b = std::make_unique<MariaBrowser>(srv, "\x01", dir.Path());
  ASSERT_TRUE(b->browser->chkDbOK());
  TTreeNode* schema = b->Select(b->Root(), name);
  ASSERT_NE(schema, nullptr);
  ExportAndCheckHostile(*b->browser, b->prompts, *schema, dir.File("hostile.xlsx"));
}
