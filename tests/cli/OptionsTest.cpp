#include <gtest/gtest.h>

#include "cli/CliPrompts.h"
#include "cli/Options.h"
#include "common/LogonValues.h"
#include "common/VersionInfo.h"
#include "support/TestEnv.h"

using namespace zel::cli;

namespace {
ParseResult Parse(std::vector<std::string> args) { return ParseOptions(args); }
}  // namespace

TEST(CliOptions, AcceptsTheDocumentedForms) {
  auto r = Parse({"definitions", "--kind", "postgresql", "--host", "db", "--port=5433", "--user", "u",
                  "--database", "sales", "--schema", "public", "--table", "t", "--out", "x.xlsx",
                  "--settings", "s.ini", "--force"});
  ASSERT_TRUE(r.options) << r.error;
  const Options& o = *r.options;
  EXPECT_EQ(o.document, Document::Definitions);
  EXPECT_EQ(o.kind, zel::dkPostgres);
  EXPECT_EQ(o.port, "5433");
  EXPECT_EQ(*o.schema, "public");
  EXPECT_EQ(*o.table, "t");
  EXPECT_TRUE(o.force);
  auto list = Parse({"list", "--kind", "sqlserver", "--auth", "windows", "--all-schemas"});
  ASSERT_TRUE(list.options) << list.error;
  EXPECT_TRUE(list.options->windowsAuth);
  EXPECT_TRUE(list.options->allSchemas);
  auto help = Parse({"--help"});
  ASSERT_TRUE(help.options);
  EXPECT_TRUE(help.options->help);
  EXPECT_NE(HelpText().find("ZELMORA_PASSWORD"), std::string::npos);
  EXPECT_NE(HelpText().find("4 nothing to export"), std::string::npos);
}

TEST(CliOptions, RejectsBadValuesWithOneLine) {
  const std::vector<std::vector<std::string>> bad = {
      {},
      {"list"},
      {"list", "--kind", "db2", "--schema", "s"},
      {"report", "--kind", "oracle", "--schema", "s"},
      {"list", "--kind", "oracle"},
      {"list", "--kind", "oracle", "--schema", "s", "--all-schemas"},
      {"list", "--kind", "postgresql", "--schema", "s", "--table", "t"},
      {"definitions", "--kind", "postgresql", "--all-schemas", "--table", "t"},
      {"list", "--kind", "postgresql", "--schema", "s", "--port", "0"},
      {"list", "--kind", "postgresql", "--schema", "s", "--port", "54x"},
      {"list", "--kind", "postgresql", "--schema", "s", "--port", "70000"},
      {"list", "--kind", "postgresql", "--schema", "s", "--auth", "windows"},
      {"list", "--kind", "sqlserver", "--schema", "s", "--auth", "kerberos"},
      {"list", "--kind", "mysql", "--schema", "s", "--database", "d"},
      {"list", "--kind", "postgresql", "--schema"},
      {"list", "--kind", "postgresql", "--schema", "s", "--schema", "t"},
      {"list", "--kind", "postgresql", "--schema", "s", "--password", "secret"},
      {"list", "--kind", "postgresql", "--schema", "s", "--bogus"},
      {"list", "--kind", "postgresql", "--schema", "s", "--force=yes"},
      {"list", "--kind", "postgresql", "--schema", ""},
  };
  for (const auto& args : bad) {
    std::string joined;
    for (const auto& a : args) joined += a + " ";
    auto r = Parse(args);
    EXPECT_FALSE(r.options) << joined;
    EXPECT_FALSE(r.error.empty()) << joined;
    EXPECT_EQ(r.error.find('\n'), std::string::npos) << joined;
  }
  // The password is never read from the command line, and saying so helps.
  EXPECT_NE(Parse({"list", "--kind", "postgresql", "--schema", "s", "--password", "x"})
                .error.find("ZELMORA_PASSWORD"),
            std::string::npos);
}

TEST(CliOptions, TemplateChoosesABuiltInForTheRun) {
  const std::vector<std::string> base = {"definitions", "--kind", "postgresql", "--schema", "s"};
  auto with = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = base;
    args.insert(args.end(), extra.begin(), extra.end());
    return Parse(args);
  };
  auto none = with({});
  ASSERT_TRUE(none.options) << none.error;
  EXPECT_FALSE(none.options->templateChoice);
  auto standard = with({"--template", "standard"});
  ASSERT_TRUE(standard.options) << standard.error;
  EXPECT_EQ(standard.options->templateChoice, 0);
  auto detailed = with({"--template=detailed"});
  ASSERT_TRUE(detailed.options) << detailed.error;
  EXPECT_EQ(detailed.options->templateChoice, 2);
  for (const std::vector<std::string>& bad :
       {std::vector<std::string>{"--template", "Detailed"}, {"--template", ""}, {"--template"},
        {"--template", "own"}, {"--template", "standard", "--template", "detailed"}}) {
    auto r = with(bad);
    EXPECT_FALSE(r.options) << bad.back();
    EXPECT_NE(r.error.find("--template"), std::string::npos) << r.error;
  }
  EXPECT_NE(HelpText().find("--template standard|detailed"), std::string::npos);
}

TEST(CliPrompts, TargetsFollowOut) {
  zel::test::TempDir dir;
  Options o;
  EXPECT_EQ(TargetPath(o, false, "a.b.xlsx"), "a.b.xlsx");
  o.out = dir.File("doc.xlsx");
  EXPECT_EQ(TargetPath(o, false, "a.b.xlsx"), dir.File("doc.xlsx"));
  EXPECT_EQ(TargetPath(o, true, "a.b.xlsx"), dir.File("doc.xlsx") + "/a.b.xlsx");
  o.out = dir.Path();  // an existing folder takes the proposed name
  EXPECT_EQ(TargetPath(o, false, "a.b.xlsx"), dir.File("a.b.xlsx"));

  // An existing file is refused without --force, and replaced with it.
  zel::test::WriteFile(dir.File("a.b.xlsx"), "old");
  CliPrompts refuse(o, "", false);
  EXPECT_FALSE(refuse.SaveFileDialog({"t", "a.b.xlsx", "", 1, "xls"}));
  EXPECT_EQ(refuse.Refused().size(), 1u);
  EXPECT_EQ(refuse.MessageBox({"Zelmora", "exists", zel::MsgIcon::Question, zel::MsgButtons::YesNo,
                               zel::MsgResult::No}),
            zel::MsgResult::No);
  o.force = true;
  CliPrompts force(o, "", false);
  EXPECT_EQ(force.SaveFileDialog({"t", "a.b.xlsx", "", 1, "xls"}), dir.File("a.b.xlsx"));
  EXPECT_EQ(force.MessageBox({"Zelmora", "exists", zel::MsgIcon::Question, zel::MsgButtons::YesNo,
                              zel::MsgResult::No}),
            zel::MsgResult::Yes);
}

TEST(CliPrompts, LogonValuesFromOptions) {
  Options o;
  o.kind = zel::dkPostgres;
  o.user = "u";
  CliPrompts p(o, "pw", false);
  auto v = p.LogonDialog();
  ASSERT_TRUE(v);
  EXPECT_EQ(v->kind, zel::dkPostgres);
  EXPECT_EQ(v->postgres.password, "pw");
  EXPECT_EQ(v->postgres.port, "5432");
  EXPECT_EQ(v->postgres.databaseName, "postgres");
  EXPECT_EQ(v->postgres.host, "localhost");
}

TEST(CliPrompts, EachKindTakesItsOwnLogonValues) {
  Options o;
  o.user = "u";
  o.host = "h";
  o.port = "3307";
  o.windowsAuth = true;
  o.kind = zel::dkMySql;
  auto my = CliPrompts(o, "pw", false).LogonDialog();
  ASSERT_TRUE(my);
  EXPECT_EQ(my->kind, zel::dkMySql);
  EXPECT_EQ(my->mySql.host, "h");
  EXPECT_EQ(my->mySql.port, "3307");
  EXPECT_EQ(my->mySql.password, "pw");
  o.kind = zel::dkSqlServer;
  auto ss = CliPrompts(o, "pw", false).LogonDialog();
  ASSERT_TRUE(ss);
  EXPECT_EQ(ss->sqlServer.host, "h");
  EXPECT_EQ(ss->sqlServer.authentication, 1);
  EXPECT_EQ(ss->sqlServer.userName, "u");
  o.kind = zel::dkOracle;
  o.host = "orahost:1521/ORCL";
  auto ora = CliPrompts(o, "p/w@x", false).LogonDialog();
  ASSERT_TRUE(ora);
  EXPECT_EQ(ora->oracle.host, "orahost:1521/ORCL");
  EXPECT_EQ(ora->oracle.password, "p/w@x");
  // A missing MySQL host means this machine, as for PostgreSQL.
  o.kind = zel::dkMySql;
  o.host.clear();
  EXPECT_EQ(CliPrompts(o, "", false).LogonDialog()->mySql.host, "localhost");
}

TEST(CliOptions, KindSpecificOptionsNameTheKindsThatTakeThem) {
  EXPECT_EQ(Parse({"list", "--kind", "db2", "--schema", "s"}).error,
            "unknown --kind 'db2' (expected postgresql, mysql, sqlserver or oracle)");
  EXPECT_EQ(Parse({"list", "--kind", "postgresql", "--schema", "s", "--auth", "sql"}).error,
            "--auth applies to sqlserver only");
  EXPECT_EQ(Parse({"list", "--kind", "oracle", "--schema", "s", "--port", "1521"}).error,
            "--port applies to postgresql and mysql only");
  EXPECT_EQ(Parse({"list", "--kind", "mysql", "--schema", "s", "--database", "d"}).error,
            "--database applies to postgresql and sqlserver only; the host is the database");
  for (const char* kind : {"postgresql", "mysql", "sqlserver", "oracle"})
    EXPECT_TRUE(Parse({"list", "--kind", kind, "--schema", "s"}).options) << kind;
}

TEST(CliOptions, VersionIsTheOneTheAboutBoxReadsFromTheFile) {
  ASSERT_TRUE(Parse({"--version"}).options);
  EXPECT_TRUE(Parse({"--version"}).options->version);
  const std::string exe = std::string(ZEL_BINARY_DIR) + "/src/cli/zelmora-export";
  std::string out;
  ASSERT_EQ(zel::test::RunCommand(exe + " --version", &out), 0);
  EXPECT_EQ(out, zel::FileVersionText(exe, 4) + "\n");
  EXPECT_EQ(out, "1.0.0.42\n");
}

TEST(CliOptions, FiltersRepeatAndIndexChoiceIsOneOfTwo) {
  auto r = Parse({"definitions", "--kind", "postgresql", "--schema", "s", "--include", "m_*",
                  "--include=t_[0-9]*", "--exclude", "*_bak", "--no-partitions", "--index-sheet"});
  ASSERT_TRUE(r.options) << r.error;
  EXPECT_EQ(r.options->include, (std::vector<std::string>{"m_*", "t_[0-9]*"}));
  EXPECT_EQ(r.options->exclude, (std::vector<std::string>{"*_bak"}));
  EXPECT_TRUE(r.options->noPartitions);
  EXPECT_EQ(r.options->indexSheet, true);
  auto off = Parse({"definitions", "--kind", "mysql", "--all-schemas", "--no-index-sheet"});
  ASSERT_TRUE(off.options) << off.error;
  EXPECT_EQ(off.options->indexSheet, false);
  EXPECT_FALSE(Parse({"list", "--kind", "mysql", "--all-schemas"}).options->indexSheet);

  const std::vector<std::pair<std::vector<std::string>, std::string>> bad = {
      {{"list", "--kind", "mysql", "--schema", "s", "--include", "t_[0-9"}, "not closed"},
      {{"list", "--kind", "mysql", "--schema", "s", "--exclude="}, "empty pattern"},
      {{"definitions", "--kind", "mysql", "--schema", "s", "--table", "t", "--exclude", "x"},
       "not with --table"},
      {{"definitions", "--kind", "mysql", "--schema", "s", "--index-sheet", "--no-index-sheet"},
       "exclude each other"},
      {{"definitions", "--kind", "mysql", "--schema", "s", "--no-partitions=1"}, "takes no value"},
      {{"list", "--kind", "mysql", "--schema", "s", "--index-sheet"}, "definitions only"},
  };
  for (const auto& [args, why] : bad) {
    auto p = Parse(args);
    EXPECT_FALSE(p.options) << args.back();
    EXPECT_NE(p.error.find(why), std::string::npos) << p.error;
  }
}
