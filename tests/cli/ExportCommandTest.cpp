// zelmora-export against the real PostgreSQL fixture: exit statuses, the
// password from the environment, --force, a folder for --all-schemas, and
// the same workbook the window's export makes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "common/IniFile.h"
#include "common/Resources.h"
#include "export/Exports.h"
#include "support/PgBrowser.h"
#include "support/PgFixture.h"
#include "support/WorkbookCheck.h"

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

  // Hidden files anywhere under dir: what a run left behind.
  std::vector<std::string> Strays() {
    std::vector<std::string> found;
    for (const auto& e : std::filesystem::recursive_directory_iterator(dir.Path()))
      if (e.path().filename().string().front() == '.') found.push_back(e.path().string());
    return found;
  }

  // Starts the command with `args`, sends `sig` once standard error shows
  // that it is writing sheets, and returns its wait status.
  int RunAndSignal(const std::vector<std::string>& args, int sig, std::string* err) {
    int fds[2];
    if (pipe(fds) != 0) return -1;
    posix_spawn_file_actions_t fa;
    posix_spawn_file_actions_init(&fa);
    posix_spawn_file_actions_addopen(&fa, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&fa, fds[1], 2);
    posix_spawn_file_actions_addclose(&fa, fds[0]);
    posix_spawn_file_actions_addclose(&fa, fds[1]);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF);
    const std::string exe = std::string(ZEL_BINARY_DIR) + "/src/cli/zelmora-export";
    std::vector<std::string> all{exe};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env{"ZELMORA_PASSWORD=" + srv.password};
    for (char** e = environ; *e; ++e)
      if (std::string(*e).rfind("ZELMORA_PASSWORD=", 0) != 0) env.emplace_back(*e);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, exe.c_str(), &fa, &attr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&fa);
    posix_spawnattr_destroy(&attr);
    close(fds[1]);
    if (rc != 0) {
      close(fds[0]);
      return -1;
    }
    bool sent = false;
    char buf[4096];
    for (ssize_t n; (n = read(fds[0], buf, sizeof buf)) > 0;) {
      err->append(buf, static_cast<std::size_t>(n));
      if (!sent && err->find("1/300 ") != std::string::npos) {
        kill(pid, sig);
        sent = true;
      }
    }
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
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
  // A model workbook that is not a workbook: told against the model before
  // a connection is tried (the wrong password never reaches the server),
  // status 1, nothing written.
  IniFile::Write(settings, "ExcelSet", "exporttype", "1");
  WriteFile(dir.File("model.xlsx"), "not a zip");
  IniFile::Write(settings, "ExcelSet", "filename", dir.File("model.xlsx"));
  EXPECT_EQ(Run("definitions " + Conn() + " --schema sales --out bad.xlsx", &out, "wrong"), 1);
  EXPECT_EQ(out, "zelmora-export: Excelファイル設定エラー。 雛形Excelファイル「" +
                     dir.File("model.xlsx") +
                     "」は Excel ブック（.xlsx）ではないか、壊れています。\n");
  EXPECT_FALSE(FileExists(dir.File("bad.xlsx")));
  // A position no dialog offers, with its key and value, likewise.
  WriteModelWorkbook(dir.File("model.xlsx"));
  IniFile::Write(settings, "ExcelSet", "no", "1,8,AAAA");
  EXPECT_EQ(Run("definitions " + Conn() + " --schema sales --out bad.xlsx", &out, "wrong"), 1);
  EXPECT_EQ(out,
            "zelmora-export: No.設定エラー。 [ExcelSet] no=1,8,AAAA：列「AAAA」は A～Z "
            "のどれでもありません。\n");
  // The table list uses no positions and no model.
  EXPECT_EQ(Run("list " + Conn() + " --schema sales --out list.xlsx", &out), 0) << out;
  // A built-in template chosen for the run leaves the broken model aside;
  // a template the command does not know is a usage error naming it.
  EXPECT_EQ(Run("definitions " + Conn() + " --schema sales --table customer --template standard "
                "--out std.xlsx",
                &out),
            0)
      << out;
  EXPECT_EQ(Run("definitions " + Conn() + " --schema sales --template own --out bad.xlsx", &out),
            2);
  EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line: " << out;
  EXPECT_NE(out.find("--template"), std::string::npos) << out;
  EXPECT_EQ(Strays(), std::vector<std::string>{});
}

TEST_F(ExportCommandTest, TheTargetIsOnlyEverARegularFileAndNeverTheModel) {
  const std::string table = "definitions " + Conn() + " --schema sales --table customer";
  std::string out;
  // A pipe stays a pipe, --force or not.
  ASSERT_EQ(mkfifo(dir.File("pipe.xlsx").c_str(), 0600), 0);
  EXPECT_EQ(Run(table + " --out pipe.xlsx --force", &out), 1);
  EXPECT_NE(out.find("pipe.xlsx は通常のファイルではありません（名前付きパイプ）"),
            std::string::npos)
      << out;
  struct stat st {};
  ASSERT_EQ(lstat(dir.File("pipe.xlsx").c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
  EXPECT_EQ(Run(table + " --out pipe.xlsx", &out), 1);
  EXPECT_NE(out.find("名前付きパイプ"), std::string::npos) << out;

  // A line break in the name would break the one-path-per-line output.
  EXPECT_EQ(Run(table + " --out " + ShellQuote("a\nb.xlsx"), &out), 2);
  EXPECT_EQ(out.find('\n'), out.size() - 1) << "one line: " << out;
  EXPECT_NE(out.find("control character"), std::string::npos) << out;

  // The model workbook itself, spelled another way.
  ASSERT_EQ(mkdir(dir.File("m").c_str(), 0755), 0);
  const std::string model(*res::Find("xlsx", "obtable2007"));
  WriteFile(dir.File("m/self.xlsx"), model);
  IniFile::Write(settings, "ExcelSet", "exporttype", "1");
  IniFile::Write(settings, "ExcelSet", "filename", dir.File("m/self.xlsx"));
  EXPECT_EQ(Run(table + " --out m/../m/./self.xlsx --force", &out), 1);
  EXPECT_NE(out.find("雛形Excelファイルそのもの"), std::string::npos) << out;
  EXPECT_EQ(ReadFile(dir.File("m/self.xlsx")), model);
  IniFile::Write(settings, "ExcelSet", "exporttype", "0");

  // A link: the file behind it is replaced, the link stays.
  ASSERT_EQ(mkdir(dir.File("real").c_str(), 0755), 0);
  WriteFile(dir.File("real/doc.xlsx"), "earlier");
  ASSERT_EQ(symlink("real/doc.xlsx", dir.File("link.xlsx").c_str()), 0);
  EXPECT_EQ(Run(table + " --out link.xlsx", &out), 1) << "an existing file needs --force";
  ASSERT_EQ(Run(table + " --out link.xlsx --force", &out), 0) << out;
  ASSERT_EQ(lstat(dir.File("link.xlsx").c_str(), &st), 0);
  EXPECT_TRUE(S_ISLNK(st.st_mode));
  WorkbookDump d = DumpWorkbook(dir.File("real/doc.xlsx"), false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.1"], "customer");
  EXPECT_EQ(Strays(), std::vector<std::string>{});
}

TEST_F(ExportCommandTest, SignalsLeaveTheEarlierFileAndNoTemporaryFile) {
  const std::string many = dbs->Create("zel_climany");
  ASSERT_EQ(Psql(srv, many,
                 "CREATE SCHEMA big; DO $$ BEGIN FOR i IN 1..300 LOOP EXECUTE format("
                 "'CREATE TABLE big.t%s (id integer PRIMARY KEY, name varchar(20))', "
                 "lpad(i::text, 3, '0')); END LOOP; END $$; ANALYZE"),
            0);
  const std::string target = dir.File("big.xlsx");
  for (int sig : {SIGTERM, SIGINT}) {
    WriteFile(target, "earlier");
    std::string err;
    // clang-format off
    const int status = RunAndSignal(
        {"definitions", "--kind", "postgresql", "--host", srv.host, "--port", srv.port,
         "--user", srv.user, "--database", many, "--settings", settings,
         "--schema", "big", "--out", target, "--force", "--read", "per-table"},
        sig, &err);
    // clang-format on
    ASSERT_NE(err.find("1/300 "), std::string::npos) << "killed while writing sheets: " << err;
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status << " " << err;
    EXPECT_EQ(ReadFile(target), "earlier") << sig;
    EXPECT_EQ(Strays(), std::vector<std::string>{}) << sig;
  }
  dbs->Drop(many);
}
