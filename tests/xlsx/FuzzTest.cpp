// Bounded fuzzing with fixed seeds: the workbook opener on mutated template
// and model workbooks (a clear EXlsxError or a workbook that works, never a
// crash, another exception or a leak), and catalog text of every kind
// written through the typed input (the saved workbook stays valid against
// the schemas and readable by openpyxl).
#include <gtest/gtest.h>
#include <zip.h>

#include <chrono>
#include <random>
#include <vector>

#include "common/Resources.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"
#include "xlsx/ExcelApplication.h"
#include "xlsx/XlsxError.h"

using namespace zel;
using namespace zel::xl;
using zel::test::TempDir;

namespace {

using Parts = std::vector<std::pair<std::string, std::string>>;

Parts ReadParts(const std::string& path) {
  Parts parts;
  std::string list = test::ZipPartList(path);
  for (std::size_t at = 0, nl; (nl = list.find('\n', at)) != std::string::npos; at = nl + 1) {
    std::string name = list.substr(at, nl - at);
    parts.push_back({name, test::ReadZipPart(path, name)});
  }
  return parts;
}

bool WriteZip(const std::string& path, const Parts& parts) {
  int err = 0;
  zip_t* za = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &err);
  if (!za) return false;
  for (const auto& [name, data] : parts) {
    zip_source_t* s = zip_source_buffer(za, data.data(), data.size(), 0);
    if (!s || zip_file_add(za, name.c_str(), s, ZIP_FL_ENC_UTF_8 | ZIP_FL_OVERWRITE) < 0) {
      if (s) zip_source_free(s);
      zip_discard(za);
      return false;
    }
  }
  return zip_close(za) == 0;
}

// Markup-aware damage: bytes that matter to XML and to the engine's
// numbers, pieces repeated or cut, and fragments the engine must refuse.
void MutateXml(std::string& s, std::mt19937& rng) {
  static const char* const tokens[] = {"<",
                                       ">",
                                       "\"",
                                       "&",
                                       "/",
                                       "0",
                                       "9",
                                       "-1",
                                       "99999999999",
                                       "&#0;",
                                       "&amp;",
                                       "<c r=\"A1\" t=\"s\"><v>9999</v></c>",
                                       "<row r=\"0\"/>",
                                       "<row r=\"1048577\"/>",
                                       "<c r=\"XFE1\"/>",
                                       " s=\"4294967295\"",
                                       " t=\"s\"",
                                       "<f t=\"shared\" si=\"0\" ref=\"A1:B9\">A1</f>",
                                       "<v>",
                                       "</row>",
                                       "</sheetData>",
                                       "x:",
                                       "<!DOCTYPE x [<!ENTITY a \"b\">]>",
                                       "<![CDATA[</row>]]>",
                                       "<!-- </row> -->",
                                       "\xff\xfe",
                                       "\xc3",
                                       "r:id=\"rId99\"",
                                       "Target=\"../../x\"",
                                       "_x0000_",
                                       "'",
                                       "!"};
  std::uniform_int_distribution<int> count(1, 6), op(0, 4), byte(0, 255),
      token(0, std::size(tokens) - 1);
  for (int n = count(rng); n > 0 && !s.empty(); --n) {
    std::size_t at = std::uniform_int_distribution<std::size_t>(0, s.size() - 1)(rng);
    switch (op(rng)) {
      case 0:
        s[at] = static_cast<char>(byte(rng));
        break;
      case 1:
        s.erase(at, 1 + byte(rng) % 32);
        break;
      case 2:
        s.insert(at, s.substr(at, 1 + byte(rng) * 4));
        break;
      default:
        s.insert(at, tokens[token(rng)]);
    }
  }
}

enum class Outcome { Refused, Worked };

// Opens the file and, when that works, does what an export does to it and
// opens the saved result again. Any exception but EXlsxError fails the test.
Outcome OpenAndUse(const std::string& path, std::string& message) {
  try {
    auto app = CreateExcelEngine();
    IWorkbook& book = app->Workbooks().Open(path);
    IWorksheet& first = book.WorkSheets(1);
    first.Copy(book.WorkSheets(1));
    first.Cells(3, 3).FormulaR1C1("schema");
    first.Cells(8, 2).FormulaR1C1("=not a formula");
    first.Cells(8, 9).FormulaR1C1("2008/04/10");
    first.Cells(8, 9).WrapText(false);
    first.Name("renamed");
    first.Select();
    book.Close(true);
  } catch (const EXlsxError& e) {
    message = e.what();
    return Outcome::Refused;
  }
  // What was saved must open again.
  auto app = CreateExcelEngine();
  IWorkbook& again = app->Workbooks().Open(path);
  again.Close(false);
  return Outcome::Worked;
}

void FuzzOpener(const Parts& original, unsigned seed, int maxCases, const TempDir& dir) {
  std::mt19937 rng(seed);
  const std::string path = dir.File("fuzz.xlsx");
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  int cases = 0, refused = 0, worked = 0;
  for (; cases < maxCases && std::chrono::steady_clock::now() < deadline; ++cases) {
    Parts parts = original;
    std::uniform_int_distribution<std::size_t> pick(0, parts.size() - 1);
    for (int n = 1 + cases % 2; n > 0; --n) MutateXml(parts[pick(rng)].second, rng);
    if (cases % 50 == 0) {  // now and then the zip itself
      ASSERT_TRUE(WriteZip(path, parts));
      std::string bytes = test::ReadFile(path);
      for (int i = 0; i < 4; ++i)
        bytes[std::uniform_int_distribution<std::size_t>(0, bytes.size() - 1)(rng)] ^=
            static_cast<char>(1 + rng() % 255);
      test::WriteFile(path, bytes);
    } else {
      ASSERT_TRUE(WriteZip(path, parts));
    }
    std::string message;
    Outcome o{};
    // ZEL_FUZZ_KEEP=FILE keeps each case's input there, to study the one that fails.
    if (getenv("ZEL_FUZZ_KEEP")) test::WriteFile(getenv("ZEL_FUZZ_KEEP"), test::ReadFile(path));
    try {
      o = OpenAndUse(path, message);
    } catch (const std::exception& e) {
      FAIL() << "case " << cases << ": " << typeid(e).name() << ": " << e.what();
    }
    if (o == Outcome::Refused) {
      ++refused;
      EXPECT_FALSE(message.empty()) << "case " << cases;
    } else {
      ++worked;
    }
  }
  EXPECT_GE(cases, 50);  // a few thousand in a plain build; the deadline bounds slow ones
  EXPECT_GT(refused, 0);
  EXPECT_GT(worked, 0);
  ::testing::Test::RecordProperty("cases", cases);
}

}  // namespace

TEST(Fuzz, MutatedTemplatesOpenOrAreRefused) {
  TempDir dir;
  std::string tpl = dir.File("tpl.xlsx");
  test::WriteFile(tpl, std::string(*res::Find("xlsx", "obtable2007")));
  FuzzOpener(ReadParts(tpl), 17, 2000, dir);
}

TEST(Fuzz, MutatedModelWorkbooksOpenOrAreRefused) {
  TempDir dir;
  std::string model = dir.File("model.xlsx");
  std::string out;
  ASSERT_EQ(test::RunCommand("/usr/bin/python3 " + std::string(ZEL_SOURCE_DIR) +
                                 "/tests/support/make_model_workbook.py '" + model + "'",
                             &out),
            0)
      << out;
  FuzzOpener(ReadParts(model), 4711, 1500, dir);
}

TEST(Fuzz, HostileCatalogTextKeepsTheWorkbookValid) {
  TempDir dir;
  const std::string path = dir.File("text.xlsx");
  test::WriteFile(path, std::string(*res::Find("xlsx", "obtable2007")));
  std::mt19937 rng(99);
  // Control characters, broken UTF-8 (lone continuation bytes, overlong
  // forms, surrogates, beyond U+10FFFF, cut sequences), Japanese, XML
  // specials and the escape syntax itself.
  static const char* const pieces[] = {"\x01",
                                       "\x08",
                                       "\x0b",
                                       "\x0c",
                                       "\x1f",
                                       "\x7f",
                                       "\t",
                                       "\r",
                                       "\n",
                                       "\r\n",
                                       "\x80",
                                       "\xbf",
                                       "\xc0\xaf",
                                       "\xe0\x80\xaf",
                                       "\xed\xa0\x80",
                                       "\xf4\x90\x80\x80",
                                       "\xf8\x88\x80\x80\x80",
                                       "\xe3\x81",
                                       "\xff",
                                       "顧客",
                                       "😀",
                                       "～①髙",
                                       "<",
                                       ">",
                                       "&",
                                       "\"",
                                       "'",
                                       "]]>",
                                       "_x0041_",
                                       "_x005F_",
                                       "=SUM(A1)",
                                       "-",
                                       "007",
                                       "2008/04/10",
                                       " ",
                                       "\xef\xbf\xbe",
                                       "\xc2\x85"};
  std::uniform_int_distribution<int> piece(0, std::size(pieces) - 1), len(1, 12);
  auto app = CreateExcelEngine();
  IWorkbook& book = app->Workbooks().Open(path);
  IWorksheet& sheet = book.WorkSheets(1);
  int cells = 0;
  for (int row = 8; row < 8 + 300; ++row) {
    for (int col = 1; col <= 9; ++col, ++cells) {
      std::string text;
      for (int i = len(rng); i > 0; --i) text += pieces[piece(rng)];
      sheet.Cells(row, col).FormulaR1C1(text);
      sheet.Cells(row, col).WrapText(false);
    }
  }
  // Comments of 40,000 characters (more than a cell holds), and one of
  // broken bytes only.
  std::string longComment;
  while (longComment.size() < 40000) longComment += pieces[piece(rng)];
  sheet.Cells(5, 3).FormulaR1C1(longComment);
  sheet.Cells(6, 3).FormulaR1C1(std::string(40000, 'c'));
  sheet.Cells(7, 3).FormulaR1C1(std::string(40000, '\xff'));
  book.Close(true);

  test::WorkbookDump d = test::DumpWorkbook(path, false);
  ASSERT_TRUE(d.ok()) << d.error;
  // "s:", the cut text and the "…" that shows the cut.
  EXPECT_EQ(d["Sheet1!C6"], "s:" + std::string(32766, 'c') + "…");
  EXPECT_TRUE(d.Has("Sheet1!I307"));
  if (test::SchemasAvailable()) {
    EXPECT_EQ(test::SchemaProblems(path), "");
  }
  RecordProperty("cells", cells);
}
