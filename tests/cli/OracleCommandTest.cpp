// zelmora-export --kind oracle as a separate process that finds the fake
// Oracle client by its library name (LD_LIBRARY_PATH) and reads its script
// from ZFO_SCRIPT: the workbooks, the logon values as given, the options
// Oracle refuses, a refused logon and the missing library.
#include <gtest/gtest.h>

#include "common/IniFile.h"
#include "support/FakeOci.h"
#include "support/OraBrowser.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"

using namespace zel;
using namespace zel::test;

namespace {

class OracleCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ScriptSampleCatalog(oci);
    oci.Error(OraTablesStatement("HR"), "ORA-00942: table or view does not exist");
    WriteFile(dir.File("script.txt"), oci.ScriptText());
    settings = dir.File("settings.ini");
    IniFile::Write(settings, "ExcelSet", "SystemName", "販売管理");
  }

  // withClient: the fake client is on the library path.
  int Run(const std::string& args, std::string* output, bool withClient = true,
          const std::string& password = kSamplePassword) {
    std::string env = "ZELMORA_PASSWORD=" + ShellQuote(password) +
                      " ZFO_SCRIPT=" + ShellQuote(dir.File("script.txt")) +
                      " ZFO_LOG=" + ShellQuote(dir.File("log.txt"));
    if (withClient) env += " LD_LIBRARY_PATH=" + ShellQuote(FakeOci::Folder());
    return RunCommand("cd " + ShellQuote(dir.Path()) + " && " + env + " " +
                          std::string(ZEL_BINARY_DIR) + "/src/cli/zelmora-export " + args +
                          " --settings " + ShellQuote(settings) + " </dev/null",
                      output);
  }
  std::vector<std::string> Log() {
    std::vector<std::string> lines;
    std::string text = FileExists(dir.File("log.txt")) ? ReadFile(dir.File("log.txt")) : "";
    for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
         start = end + 1)
      lines.push_back(text.substr(start, end - start));
    return lines;
  }

  FakeOci oci;  // only to write the script
  TempDir dir;
  std::string settings;
  const std::string conn = "--kind oracle --host orahost:1521/ORCL --user scott";
};

}  // namespace

TEST_F(OracleCommandTest, WritesTheListAndTheDefinitionsOfAnOwner) {
  std::string out;
  ASSERT_EQ(Run("list " + conn + " --schema SCOTT --out list.xlsx", &out), 0) << out;
  EXPECT_NE(out.find("list.xlsx"), std::string::npos) << out;
  WorkbookDump l = DumpWorkbook(dir.File("list.xlsx"), false);
  ASSERT_TRUE(l.ok()) << l.error;
  EXPECT_EQ(l["Sheet1!C1"], "s:販売管理");
  EXPECT_EQ(l["Sheet1!C3"], "s:SCOTT");
  EXPECT_EQ(l["Sheet1!B8"], "s:DEPT");
  EXPECT_EQ(l["Sheet1!B10"], "s:NO_OBJ");
  // The password with "/" and "@" reached the logon whole, beside the user.
  std::vector<std::string> log = Log();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log[0], "logon\tscott\tp/w@x\torahost:1521/ORCL");
  EXPECT_EQ(log[1], std::string("exec\t") + kOraVersionStatement);

  ASSERT_EQ(Run("definitions " + conn + " --schema SCOTT --table EMP --out emp.xlsx", &out), 0)
      << out;
  WorkbookDump d = DumpWorkbook(dir.File("emp.xlsx"), false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.count"], "1");
  EXPECT_EQ(d["EMP!C4"], "s:EMP");
  EXPECT_EQ(d["EMP!E8"], "n:10");
  EXPECT_EQ(d["EMP!D12"], "s:CLOB");
  EXPECT_FALSE(d.Has("EMP!E12"));
}

TEST_F(OracleCommandTest, FailuresAndRefusedOptions) {
  std::string out;
  // The host is the database: --database and --port have no place.
  EXPECT_EQ(Run("list " + conn + " --schema SCOTT --database ORCL", &out), 2);
  EXPECT_NE(out.find("--database applies to"), std::string::npos) << out;
  EXPECT_EQ(Run("list " + conn + " --schema SCOTT --port 1521", &out), 2);
  EXPECT_FALSE(FileExists(dir.File("log.txt"))) << "refused before any logon";

  EXPECT_EQ(Run("list " + conn + " --schema SCOTT", &out, true, "wrong"), 3);
  EXPECT_NE(out.find("ORA-01017: invalid username/password; logon denied"), std::string::npos)
      << out;

  EXPECT_EQ(Run("list " + conn + " --schema SCOTT", &out, false), 3);
  EXPECT_NE(out.find("libclntsh.so load failed."), std::string::npos) << out;

  // An owner whose tables cannot be read: Oracle's message, and the run
  // fails although the window's export would write the empty list.
  EXPECT_EQ(Run("list " + conn + " --schema HR --out hr.xlsx", &out), 1);
  EXPECT_NE(out.find("EOleException error raised, with message : ORA-00942"), std::string::npos)
      << out;
}
