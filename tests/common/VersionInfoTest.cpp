#include "common/VersionInfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>

#include "support/TestEnv.h"

namespace zel {
namespace {

std::string Quote(const std::string& s) {
  return "'" + s + "'";
}

// Writes a stamp section file in the byte order of this machine.
std::string StampFile(const test::TempDir& dir, std::array<std::uint16_t, 4> parts,
                      const char* name = "stamp.bin") {
  VersionStamp stamp{kVersionMagic, {parts[0], parts[1], parts[2], parts[3]}};
  std::string path = dir.File(name);
  test::WriteFile(path, std::string(reinterpret_cast<const char*>(&stamp), sizeof stamp));
  return path;
}

class VersionInfoTest : public ::testing::Test {
 protected:
  // A copy of a real program with a version section added by objcopy.
  std::string StampedCopy(const std::string& from, std::array<std::uint16_t, 4> parts) {
    std::string out = dir.File("stamped");
    std::string cmd = "objcopy --add-section " + std::string(kVersionSectionName) + "=" +
                      Quote(StampFile(dir, parts)) + " " + Quote(from) + " " + Quote(out) + " 2>&1";
    std::string log;
    EXPECT_EQ(test::RunCommand(cmd, &log), 0) << log;
    return out;
  }
  test::TempDir dir;
};

TEST_F(VersionInfoTest, TheProgramCarriesItsVersion) {
  std::string exe = std::string(ZEL_BINARY_DIR) + "/src/app/zelmora";
  if (!test::FileExists(exe)) GTEST_SKIP() << "the program is not built here (no GUI)";
  EXPECT_EQ(FileVersionText(exe, 4), "1.0.0.42");
  EXPECT_EQ(FileVersionText(exe, 0), "1.0.0.42");
  EXPECT_EQ(FileVersionText(exe, 7), "1.0.0.42");
  EXPECT_EQ(FileVersionText(exe, 2), "1.0");

  // The version follows the file when the section is changed afterwards.
  std::string copy = dir.File("zelmora-copy");
  std::string log;
  ASSERT_EQ(test::RunCommand("objcopy --update-section " + std::string(kVersionSectionName) + "=" +
                                 Quote(StampFile(dir, {2, 3, 65535, 7})) + " " + Quote(exe) + " " +
                                 Quote(copy) + " 2>&1",
                             &log),
            0)
      << log;
  EXPECT_EQ(FileVersionText(copy, 4), "2.3.65535.7");
  EXPECT_EQ(FileVersionText(copy, 3), "2.3.65535");
  EXPECT_EQ(FileVersionText(exe, 4), "1.0.0.42");
}

TEST_F(VersionInfoTest, AddedSectionIsFoundInAnyElfFile) {
  EXPECT_EQ(FileVersionText("/bin/true", 4), "");
  std::string stamped = StampedCopy("/bin/true", {9, 8, 7, 6});
  EXPECT_EQ(FileVersionText(stamped, 4), "9.8.7.6");
  EXPECT_EQ(FileVersionText(stamped, 1), "9");
  EXPECT_EQ(FileVersionText(stamped, -1), "9.8.7.6");
}

TEST_F(VersionInfoTest, SectionWithoutTheTagOrTooShortIsNoVersion) {
  std::string bad = dir.File("bad.bin");
  test::WriteFile(bad, std::string("NOTMAGIC\1\0\2\0\3\0\4\0", 16));
  std::string shortOne = dir.File("short.bin");
  test::WriteFile(shortOne, std::string(kVersionMagic.data(), 8) + "\1\0");
  for (const std::string& section : {bad, shortOne}) {
    std::string out = dir.File("out");
    std::string log;
    ASSERT_EQ(test::RunCommand("objcopy --add-section " + std::string(kVersionSectionName) + "=" +
                                   Quote(section) + " /bin/true " + Quote(out) + " 2>&1",
                               &log),
              0)
        << log;
    EXPECT_EQ(FileVersionText(out, 4), "") << section;
  }
}

TEST_F(VersionInfoTest, JunkAndDamagedFilesReadEmptyWithoutCrashing) {
  EXPECT_EQ(FileVersionText(dir.File("missing"), 4), "");
  EXPECT_EQ(FileVersionText(dir.Path(), 4), "");
  std::string path = dir.File("junk");
  for (std::string content : {std::string(),
                              std::string("\x7f"
                                          "ELF"),
                              std::string("\x7f"
                                          "ELF\2\1\1",
                                          7),
                              std::string(100, '\xff'), std::string("MZ\x90\0", 4)}) {
    test::WriteFile(path, content);
    EXPECT_EQ(FileVersionText(path, 4), "");
  }

  // Cut a stamped program at many places and scribble over its header
  // fields: every result must be either the version or nothing.
  std::string whole = test::ReadFile(StampedCopy("/bin/true", {1, 2, 3, 4}));
  ASSERT_GT(whole.size(), 1000u);
  for (size_t cut : {size_t{20}, size_t{52}, size_t{64}, size_t{200}, whole.size() / 2,
                     whole.size() - 100, whole.size() - 1}) {
    test::WriteFile(path, whole.substr(0, cut));
    EXPECT_EQ(FileVersionText(path, 4), "") << cut;
  }
  for (size_t at = 0x20; at < 0x40; ++at) {
    for (char value : {'\0', '\xff', '\x7f'}) {
      std::string damaged = whole;
      damaged[at] = value;
      test::WriteFile(path, damaged);
      std::string v = FileVersionText(path, 4);
      EXPECT_TRUE(v.empty() || v == "1.2.3.4") << at << ": " << v;
    }
  }
}

}  // namespace
}  // namespace zel
