// zelmora-export against the real PostgreSQL fixture: exit statuses, the
// password from the environment, --force, a folder for --all-schemas, and
// the same workbook the window's export makes.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/WorkbookCheck.h"
#include "common/IniFile.h"
#include "export/Exports.h"
#include "support/PgBrowser.h"
#include "support/PgFixture.h"

using namespace zel;
using namespace zel::test;

namespace {

class ExportCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    PgServer srv;
    if (!PgAvailable(srv)) return;
    dbs = new PgDatabases(srv);
    catalogDb = dbs->CreateCatalog();
  }
  static void TearDownTestSuite() {
    delete dbs;
    dbs = nullptr;
  }
  void SetUp() override {
    ZEL_SKIP_WITHOUT_PG(srv);
    settings = dir.File("settings.ini");
    IniFile::Write(settings, "ExcelSet", "SystemName", "販売管理");
    IniFile::Write(settings, "ExcelSet", "CreateEmp", "山田");
  }

  // Runs the command in dir with the password in the environment.
  int Run(const std::string& args, std::string* output, const std::string& password = "\x01") {
    std::string pw = password == "\x01" ? srv.password : password;
    std::string cmd = "cd " + ShellQuote(dir.Path()) + " && ZELMORA_PASSWORD=" + ShellQuote(pw) +
                      " " + std::string(ZEL_BINARY_DIR) + "/src/cli/zelmora-export " + args +
                      " </dev/null";
    return RunCommand(cmd, output);
  }
  std::string Conn(bool withSettings = true) const {
    return "--kind postgresql --host " + srv.host + " --port " + srv.port + " --user " + srv.user +
           " --database " + catalogDb + (withSettings ? " --settings " + ShellQuote(settings) : "");
  }

  PgServer srv;
  TempDir dir;
  std::string settings;
  static PgDatabases* dbs;
  static std::string catalogDb;
};
PgDatabases* ExportCommandTest::dbs = nullptr;
std::string ExportCommandTest::catalogDb;

}  // namespace

TEST_F(ExportCommandTest, WritesTheSameWorkbookAsTheWindow) {
  std::string out;
  ASSERT_EQ(Run("definitions " + Conn() + " --schema sales --out cli.xlsx", &out), 0) << out;
  EXPECT_NE(out.find("1/3 customer"), std::string::npos) << out;
  EXPECT_NE(out.find("3/3 order_line"), std::string::npos) << out;
  EXPECT_NE(out.find("cli.xlsx"), std::string::npos) << out;

  // The window's export through the prompts double, same settings.
  std::filesystem::copy_file(settings, dir.File("Zel.ini"));
  PgBrowser b(srv, catalogDb, "", dir.Path());
  TTreeNode* sales = b.Select(b.Database(catalogDb), "sales");
  ASSERT_NE(sales, nullptr);
  TExporter exporter(*b.browser);
  b.prompts.saveAnswers.push_back(dir.File("gui.xlsx"));
  exporter.DefinitionCommand();

  WorkbookDump cli = DumpWorkbook(dir.File("cli.xlsx"));
  WorkbookDump gui = DumpWorkbook(dir.File("gui.xlsx"));
  ASSERT_TRUE(cli.ok()) << cli.error;
  ASSERT_TRUE(gui.ok()) << gui.error;
  EXPECT_EQ(cli.values, gui.values);
  EXPECT_EQ(cli["sheet.count"], "3");
  EXPECT_EQ(cli["customer!C1"], "s:販売管理");
}

TEST_F(ExportCommandTest, ListOfOneSchemaAndDefaultName) {
  std::string out;
  ASSERT_EQ(Run("list " + Conn() + " --schema sales", &out), 0) << out;
  std::string expected = dir.File(catalogDb + ".sales.list.xlsx");
  EXPECT_TRUE(FileExists(expected)) << out;
  WorkbookDump d = DumpWorkbook(expected, false);
  EXPECT_EQ(d["Sheet1!B8"], "s:customer");
  EXPECT_EQ(d["Sheet1!C1"], "s:販売管理");
}

TEST_F(ExportCommandTest, ExistingFileNeedsForce) {
  WriteFile(dir.File("t.xlsx"), "keep me");
  std::string out;
  EXPECT_EQ(Run("definitions " + Conn() + " --schema sales --table customer --out t.xlsx", &out),
            1);
  EXPECT_NE(out.find("already exists"), std::string::npos) << out;
  EXPECT_EQ(ReadFile(dir.File("t.xlsx")), "keep me");
  ASSERT_EQ(
      Run("definitions " + Conn() + " --schema sales --table customer --out t.xlsx --force", &out),
      0)
      << out;
  WorkbookDump d = DumpWorkbook(dir.File("t.xlsx"), false);
  EXPECT_EQ(d["sheet.count"], "1");
  EXPECT_EQ(d["sheet.1"], "customer");
}

TEST_F(ExportCommandTest, AllSchemasIntoAFolder) {
  std::string out;
  ASSERT_EQ(Run("list " + Conn() + " --all-schemas --out lists", &out), 0) << out;
  int files = 0;
  for (const auto& e : std::filesystem::directory_iterator(dir.File("lists"))) {
    (void)e;
    ++files;
  }
  EXPECT_EQ(files, 4);
  EXPECT_TRUE(FileExists(dir.File("lists/" + catalogDb + ".other.list.xlsx")));
  // Every path written is on standard output.
  EXPECT_NE(out.find("lists/" + catalogDb + ".sales.list.xlsx"), std::string::npos)
      << out;

  // A folder name with a quote and blanks is made as it stands.
  ASSERT_EQ(Run("list " + Conn() + " --all-schemas --out " + ShellQuote("it's a dir/sub"), &out), 0)
      << out;
  EXPECT_TRUE(FileExists(dir.File("it's a dir/sub/" + catalogDb + ".sales.list.xlsx")));
  // A file where the folder should be is an export failure, not a crash.
  WriteFile(dir.File("plainfile"), "x");
  EXPECT_EQ(Run("list " + Conn() + " --all-schemas --out plainfile", &out), 1);
  EXPECT_NE(out.find("cannot create folder"), std::string::npos) << out;

  // The definitions of all schemas: one schema holds a table whose name is no
  // sheet name Excel allows; its sheet takes a legal name, standard error
  // says which, and every workbook is written and listed.
  EXPECT_EQ(Run("definitions " + Conn() + " --all-schemas --out docs", &out), 0) << out;
  EXPECT_TRUE(FileExists(dir.File("docs/" + catalogDb + ".sales.xlsx")));
  EXPECT_NE(out.find("docs/" + catalogDb + ".other.xlsx"), std::string::npos) << out;
  EXPECT_NE(out.find("docs/" + catalogDb + ".it's; odd  schema.xlsx\n"), std::string::npos)
      << out;
  EXPECT_NE(out.find("tab 'x'; y\\z　シート名を「tab 'x'; y_z」に変更\n"), std::string::npos)
      << out;
}

TEST_F(ExportCommandTest, ExitStatuses) {
  std::string out;
  EXPECT_EQ(Run("--help", &out), 0);
  EXPECT_NE(out.find("Usage: zelmora-export"), std::string::npos);
  EXPECT_EQ(Run("list --kind postgresql", &out), 2);
  EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line: " << out;
  EXPECT_EQ(Run("list " + Conn() + " --schema sales --port nope", &out), 2);
  // The read-ahead connections are gone: any use says what replaced them.
  for (const char* arg : {"--connections=8", "--connections 1", "--connections"}) {
    EXPECT_EQ(Run("definitions " + Conn() + " --schema sales " + arg, &out), 2) << arg;
    EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line: " << out;
    EXPECT_NE(out.find("--read"), std::string::npos) << out;
  }
  for (const char* read : {"--read=", "--read bulky", "--read PER-TABLE", "--read"}) {
    EXPECT_EQ(Run("definitions " + Conn() + " --schema sales " + read, &out), 2) << read;
    EXPECT_NE(out.find("--read"), std::string::npos) << out;
  }
  // Wrong password: the server's message and status 3.
  EXPECT_EQ(Run("list " + Conn() + " --schema sales", &out, "wrong"), 3);
  EXPECT_NE(out.find("password authentication failed"), std::string::npos) << out;
  EXPECT_EQ(Run("list " + Conn() + " --schema no_such_schema", &out), 4);
  EXPECT_EQ(Run("definitions " + Conn() + " --schema sales --table nope", &out), 4);
  EXPECT_EQ(Run("list --kind oracle --host h --schema s", &out), 3);
  // A settings file that is not there is a usage error, not an empty one.
  EXPECT_EQ(Run("list " + Conn(false) + " --schema sales --settings /nonexistent.ini", &out), 2);
  // A model workbook that is not a workbook: the run fails, status 1.
  IniFile::Write(settings, "ExcelSet", "exporttype", "1");
  WriteFile(dir.File("model.xlsx"), "not a zip");
  IniFile::Write(settings, "ExcelSet", "filename", dir.File("model.xlsx"));
  EXPECT_EQ(Run("definitions " + Conn() + " --schema sales --out bad.xlsx", &out), 1);
  EXPECT_NE(out.find("zelmora-export: "), std::string::npos) << out;
  // The target keeps the unfilled copy of the model, as the window leaves it.
  EXPECT_EQ(ReadFile(dir.File("bad.xlsx")), "not a zip");
}
