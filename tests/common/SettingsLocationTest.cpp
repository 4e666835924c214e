// Where Zel.ini lives: beside a program in a folder of its own, in the
// user's configuration folder for an installed one.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <optional>

#include "common/Common.h"
#include "common/SettingsLocation.h"
#include "support/TestEnv.h"

namespace zel {
namespace {

// Sets (or, with nullopt, removes) an environment variable for one test.
class EnvOverride {
 public:
  EnvOverride(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  ~EnvOverride() {
    if (saved_)
      setenv(name_, saved_->c_str(), 1);
    else
      unsetenv(name_);
  }
  EnvOverride(const EnvOverride&) = delete;
  EnvOverride& operator=(const EnvOverride&) = delete;

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

class SettingsLocation : public ::testing::Test {
 protected:
  test::TempDir home, config, program;
  EnvOverride homeVar{"HOME", home.Path()};
  EnvOverride xdgVar{"XDG_CONFIG_HOME", config.Path()};
};

TEST_F(SettingsLocation, AProgramInAWritableFolderKeepsItsFileBesideIt) {
  TdCommon common;
  common.SetProgramFolder(program.Path());
  EXPECT_EQ(common.SettingsPath("Zel.ini"), program.File("Zel.ini"));
  common.WriteSetting("Zel.ini", "postgre", "host", "db1");
  EXPECT_NE(test::ReadFile(program.File("Zel.ini")).find("host=db1"), std::string::npos);
  EXPECT_FALSE(test::FileExists(config.File("zelmora")));
}

TEST_F(SettingsLocation, AProgramThatCannotWriteItsFolderUsesTheConfigurationFolder) {
  // Root writes anywhere: a folder that does not exist cannot be written by
  // anybody and stands in for a read-only one.
  const std::string missing = program.File("installed/bin");
  TdCommon common;
  common.SetProgramFolder(missing);
  const std::string expected = config.Path() + "/zelmora/Zel.ini";
  EXPECT_EQ(common.SettingsPath("Zel.ini"), expected);
  common.WriteSetting("Zel.ini", "mysql", "port", "3307");
  EXPECT_EQ(common.ReadSetting("Zel.ini", "mysql", "port"), "3307");
  EXPECT_TRUE(test::FileExists(expected));
  EXPECT_FALSE(test::FileExists(missing));  // the program's folder is never made
  struct stat st {};
  ASSERT_EQ(stat((config.Path() + "/zelmora").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0077, 0u);  // it holds scrambled passwords

  if (geteuid() != 0) {
    // A real read-only folder, where the test user is not root.
    const std::string readOnly = program.File("ro");
    ASSERT_EQ(mkdir(readOnly.c_str(), 0555), 0);
    common.SetProgramFolder(readOnly);
    common.WriteSetting("Zel.ini", "mysql", "host", "h");
    EXPECT_FALSE(test::FileExists(readOnly + "/Zel.ini"));
    EXPECT_EQ(common.ReadSetting("Zel.ini", "mysql", "host"), "h");
  }
}

TEST_F(SettingsLocation, SystemProgramFoldersAreNeverWrittenEvenByRoot) {
  EXPECT_EQ(SettingsFilePath("/usr/bin/", "Zel.ini"), config.Path() + "/zelmora/Zel.ini");
  EXPECT_EQ(SettingsFilePath("/usr/local/bin/", "Zel.ini"), config.Path() + "/zelmora/Zel.ini");
}

TEST_F(SettingsLocation, AnExistingFileBesideTheProgramIsUsedWhereverItLies) {
  test::WriteFile(program.File("Zel.ini"), "[postgre]\r\nhost=kept\r\n");
  EXPECT_EQ(SettingsFilePath(program.Path() + "/", "Zel.ini"), program.File("Zel.ini"));
  TdCommon common;
  common.SetProgramFolder(program.Path());
  EXPECT_EQ(common.ReadSetting("Zel.ini", "postgre", "host"), "kept");
  if (geteuid() != 0) {
    // Beside a read-only program the file is still the one read, and a
    // write that cannot be made is dropped without a word.
    ASSERT_EQ(chmod(program.Path().c_str(), 0555), 0);
    common.WriteSetting("Zel.ini", "postgre", "host", "changed");
    chmod(program.Path().c_str(), 0755);
    EXPECT_EQ(common.ReadSetting("Zel.ini", "postgre", "host"), "kept");
  }
  EXPECT_FALSE(test::FileExists(config.File("zelmora")));
}

TEST_F(SettingsLocation, TheConfigurationFolderFollowsXdgConfigHomeThenHome) {
  const std::string missing = program.File("nowhere");
  EXPECT_EQ(SettingsFilePath(missing + "/", "Zel.ini"), config.Path() + "/zelmora/Zel.ini");
  {
    EnvOverride unset("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_EQ(SettingsFilePath(missing + "/", "Zel.ini"), home.Path() + "/.config/zelmora/Zel.ini");
    TdCommon common;
    common.SetProgramFolder(missing);
    common.WriteSetting("Zel.ini", "lastlogin", "dbtype", "2");
    EXPECT_TRUE(test::FileExists(home.Path() + "/.config/zelmora/Zel.ini"));
  }
  {
    // A relative XDG_CONFIG_HOME is to be ignored.
    EnvOverride relative("XDG_CONFIG_HOME", std::string("rel/config"));
    EXPECT_EQ(SettingsFilePath(missing + "/", "Zel.ini"), home.Path() + "/.config/zelmora/Zel.ini");
  }
  {
    // With no configuration folder at all the file beside the program is
    // the answer, and writes fail quietly.
    EnvOverride noXdg("XDG_CONFIG_HOME", std::nullopt);
    EnvOverride noHome("HOME", std::nullopt);
    EXPECT_EQ(SettingsFilePath(missing + "/", "Zel.ini"), missing + "/Zel.ini");
    TdCommon common;
    common.SetProgramFolder(missing);
    common.WriteSetting("Zel.ini", "a", "b", "c");
    EXPECT_FALSE(test::FileExists(missing));
  }
}

}  // namespace
}  // namespace zel
