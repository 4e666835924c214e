#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <csignal>
#include <unistd.h>

#include "common/IniFile.h"
#include "common/Text.h"
#include "support/TestEnv.h"

using zel::IniFile;
using zel::test::ReadFile;
using zel::test::TempDir;
using zel::test::WriteFile;

TEST(IniFile, MissingFileReadsEmptyAndStaysMissing) {
  TempDir dir;
  std::string path = dir.File("Zel.ini");
  EXPECT_EQ(IniFile::Read(path, "postgre", "host"), "");
  EXPECT_FALSE(zel::test::FileExists(path));
}

TEST(IniFile, NewFileUsesCrlfAndCp932) {
  TempDir dir;
  std::string path = dir.File("Zel.ini");
  ASSERT_TRUE(IniFile::Write(path, "ExcelSet", "SystemName", "販売管理"));
  ASSERT_TRUE(IniFile::Write(path, "ExcelSet", "CreateEmp", "山田"));
  ASSERT_TRUE(IniFile::Write(path, "postgre", "port", "5432"));
  EXPECT_EQ(ReadFile(path), zel::text::Utf8ToCp932(
                                "[ExcelSet]\r\nSystemName=販売管理\r\nCreateEmp=山田\r\n"
                                "[postgre]\r\nport=5432\r\n"));
  EXPECT_EQ(IniFile::Read(path, "excelset", "SYSTEMNAME"), "販売管理");
}

TEST(IniFile, ReadsLikePrivateProfile) {
  TempDir dir;
  std::string path = dir.File("Zel.ini");
  WriteFile(path,
            "orphan=1\n; comment\n[ Sec ]\n  Key  =  spaced value  \nq=\"quoted\"\n"
            "half=\"open\n[Sec]\nKey=second section ignored\n");
  EXPECT_EQ(IniFile::Read(path, "sec", "key"), "spaced value");
  EXPECT_EQ(IniFile::Read(path, "Sec", "q"), "quoted");
  EXPECT_EQ(IniFile::Read(path, "Sec", "half"), "\"open");
  EXPECT_EQ(IniFile::Read(path, "", "orphan"), "");
  EXPECT_EQ(IniFile::Read(path, "Sec", "orphan"), "");
}

TEST(IniFile, WriteKeepsEveryOtherByte) {
  TempDir dir;
  std::string path = dir.File("Zel.ini");
  const std::string before =
      "; kept comment\n[a]\nx = 1 \n\n[b]\n;inner\ny=2\n\n\n[c]\nz=3";  // LF, no final newline
  WriteFile(path, before);
  ASSERT_TRUE(IniFile::Write(path, "A", "X", "9"));
  ASSERT_TRUE(IniFile::Write(path, "b", "new", "n"));
  ASSERT_TRUE(IniFile::Write(path, "c", "w", "4"));
  ASSERT_TRUE(IniFile::Write(path, "d", "k", "v"));
  EXPECT_EQ(ReadFile(path),
            "; kept comment\n[a]\nX=9\n\n[b]\n;inner\ny=2\nnew=n\n\n\n[c]\nz=3\nw=4\n[d]\nk=v\n");
}

TEST(IniFile, HostileFilesNeverCrashAndSurviveWrites) {
  TempDir dir;
  // Binary junk with NULs, a 1 MB line, and no trailing newline.
  std::string junk;
  for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 131) & 0xFF);
  std::string huge(1 << 20, 'k');
  std::string content = junk + "\n" + huge + "\n[s]\nkey=v" + std::string(1 << 20, 'x');
  std::string path = dir.File("Zel.ini");
  WriteFile(path, content);
  EXPECT_EQ(IniFile::Read(path, "s", "key").size(), (1u << 20) + 1);
  EXPECT_EQ(IniFile::Read(path, "nothing", "key"), "");
  ASSERT_TRUE(IniFile::Write(path, "t", "a", "b"));
  std::string after = ReadFile(path);
  ASSERT_EQ(after.substr(0, content.size()), content);
  EXPECT_EQ(after.substr(content.size()), "\n[t]\na=b\n");

  // Empty file.
  std::string empty = dir.File("empty.ini");
  WriteFile(empty, "");
  EXPECT_EQ(IniFile::Read(empty, "a", "b"), "");
  ASSERT_TRUE(IniFile::Write(empty, "a", "b", "c"));
  EXPECT_EQ(ReadFile(empty), "[a]\r\nb=c\r\n");

  // A directory where the file should be: reads empty, writes fail quietly.
  std::string asDir = dir.File("dir.ini");
  ASSERT_EQ(mkdir(asDir.c_str(), 0755), 0);
  EXPECT_EQ(IniFile::Read(asDir, "a", "b"), "");
  EXPECT_FALSE(IniFile::Write(asDir, "a", "b", "c"));
}

TEST(IniFile, UnwritableFolderLeavesOldFileIntact) {
  if (geteuid() == 0) {
    // root ignores folder permissions; a folder that does not exist stands in.
    TempDir dir;
    EXPECT_FALSE(IniFile::Write(dir.File("missing/Zel.ini"), "a", "b", "c"));
    return;
  }
  TempDir dir;
  std::string path = dir.File("Zel.ini");
  WriteFile(path, "[a]\nb=old\n");
  chmod(dir.Path().c_str(), 0555);
  EXPECT_FALSE(IniFile::Write(path, "a", "b", "new"));
  chmod(dir.Path().c_str(), 0755);
  EXPECT_EQ(ReadFile(path), "[a]\nb=old\n");
}

TEST(IniFile, FailedWriteMidwayLeavesOldFileIntact) {
  // A file size limit makes the write of the temporary file fail part way,
  // even for root: the old file must stay exactly as it was.
  TempDir dir;
  std::string path = dir.File("Zel.ini");
  const std::string old = "[a]\r\nb=old\r\n" + std::string(200, ';') + "\r\n";
  WriteFile(path, old);
  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 64;
  setrlimit(RLIMIT_FSIZE, &small);
  bool written = IniFile::Write(path, "a", "b", "new");
  setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);
  EXPECT_FALSE(written);
  EXPECT_EQ(ReadFile(path), old);
  // No temporary file is left behind.
  std::string out;
  zel::test::RunCommand("ls -A " + dir.Path(), &out);
  EXPECT_EQ(out, "Zel.ini\n");
}
