// The settings reader and writer on random and mutated files (fixed seeds,
// bounded): never a crash, a written key reads back, and a key nobody
// writes keeps its bytes.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "common/IniFile.h"
#include "common/Text.h"
#include "support/TestEnv.h"

using zel::IniFile;
using zel::test::ReadFile;
using zel::test::TempDir;
using zel::test::WriteFile;

namespace {

// Lines a settings file may hold, and some it should not.
std::string RandomLine(std::mt19937& rng) {
  static const char* const pieces[] = {"[postgre]",
                                       "[ExcelSet]",
                                       "[",
                                       "]",
                                       "[]",
                                       "[ a ]",
                                       "key=value",
                                       "host = db ",
                                       "=",
                                       "==",
                                       "x=\"quoted\"",
                                       "x=\"half",
                                       "; comment",
                                       "\t",
                                       " ",
                                       "販売=管理",
                                       "\x82\xa0\x82",
                                       "\xff\xfe",
                                       std::string("nul\0byte", 8).c_str(),
                                       "port=5432",
                                       "[ExcelSet",
                                       "k=v=w"};
  std::string line;
  std::uniform_int_distribution<int> kind(0, 3), piece(0, std::size(pieces) - 1), byte(0, 255),
      len(0, 40);
  switch (kind(rng)) {
    case 0:
      for (int i = len(rng); i > 0; --i) line += static_cast<char>(byte(rng));
      break;
    default:
      for (int i = 1 + len(rng) % 3; i > 0; --i) line += pieces[piece(rng)];
  }
  return line;
}

std::string RandomEnd(std::mt19937& rng) {
  static const char* const ends[] = {"\r\n", "\n", "\r", "\n\r", ""};
  return ends[std::uniform_int_distribution<int>(0, 4)(rng)];
}

// Flips, deletes and repeats bytes.
void Mutate(std::string& s, std::mt19937& rng) {
  std::uniform_int_distribution<int> count(1, 8), op(0, 3), byte(0, 255);
  for (int n = count(rng); n > 0 && !s.empty(); --n) {
    std::size_t at = std::uniform_int_distribution<std::size_t>(0, s.size() - 1)(rng);
    switch (op(rng)) {
      case 0:
        s[at] = static_cast<char>(byte(rng));
        break;
      case 1:
        s.erase(at, 1 + byte(rng) % 8);
        break;
      case 2:
        s.insert(at, s.substr(at, 1 + byte(rng) % 16));
        break;
      default:
        s.insert(at, 1, "[]=\r\n\"; "[byte(rng) % 8]);
    }
  }
}

const char kWhole[] =
    "[ExcelSet]\r\nexporttype=1\r\nfilename=/home/u/model.xlsx\r\n"
    "SystemName=\x94\xcc\x94\x84\x8a\xc7\x97\x9d\r\n[postgre]\r\nhost=db\r\n"
    "port=5432\r\nsavepassword=1\r\n";

}  // namespace

TEST(IniFuzz, RandomAndMutatedFilesNeverCrashAndKeepUntouchedKeys) {
  TempDir dir;
  const std::string path = dir.File("Zel.ini");
  std::mt19937 rng(20261209);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  int cases = 0;
  for (; cases < 3000 && std::chrono::steady_clock::now() < deadline; ++cases) {
    std::string junk;
    if (cases % 2 == 0) {
      for (int i = std::uniform_int_distribution<int>(0, 30)(rng); i > 0; --i)
        junk += RandomLine(rng) + RandomEnd(rng);
    } else {
      junk = kWhole;
      Mutate(junk, rng);
    }
    // A key no random line names, its line whole; the junk goes on after it.
    const std::string kept =
        "zzkeep_" + std::to_string(cases) + "=the value " + std::to_string(cases) + " \xe5\x80\xa4";
    const std::string keptCp932 = zel::text::Utf8ToCp932(kept);
    std::string tail;
    for (int i = std::uniform_int_distribution<int>(0, 5)(rng); i > 0; --i)
      tail += RandomLine(rng) + RandomEnd(rng);
    const std::string content = junk + "\r\n[zzkept]\r\n" + keptCp932 + "\r\n" + tail;
    WriteFile(path, content);
    SCOPED_TRACE("case " + std::to_string(cases));

    // Reads of whatever may be there.
    for (const char* section : {"postgre", "ExcelSet", "", "[", "zzkept"})
      for (const char* key : {"host", "port", "", "=", "key"})
        (void)IniFile::Read(path, section, key);
    const std::string keptValue = IniFile::Read(path, "zzkept", "zzkeep_" + std::to_string(cases));
    ASSERT_EQ(keptValue, "the value " + std::to_string(cases) + " 値");

    // Writes elsewhere read back and leave the kept line as it was.
    const std::string value = "v" + std::to_string(cases) + " 管理";
    const char* section = cases % 3 == 0 ? "postgre" : cases % 3 == 1 ? "ExcelSet" : "fresh";
    ASSERT_TRUE(IniFile::Write(path, section, "host", value));
    EXPECT_EQ(IniFile::Read(path, section, "host"), value);
    const std::string after = ReadFile(path);
    ASSERT_NE(after.find("[zzkept]\r\n" + keptCp932 + "\r\n"), std::string::npos);
    EXPECT_EQ(IniFile::Read(path, "zzkept", "zzkeep_" + std::to_string(cases)), keptValue);
  }
  EXPECT_GE(cases, 100);  // about 2,000 here; writes wait for the disk
  RecordProperty("cases", cases);
}
