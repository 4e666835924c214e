// Model workbooks come from users: a small file that inflates to gigabytes,
// entry names that are paths out of the package, repeated entries, broken
// references and entity declarations are refused with a clear message, fast
// and without holding the inflated data; large honest workbooks still open.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <map>
#include <sstream>
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

// One entry of a zip written byte by byte, so a test can say what libzip
// would never write: repeated names, paths, sizes that lie.
struct RawEntry {
  std::string name;
  std::string stored;  // the bytes as they stand in the file
  bool deflated = false;
  uint32_t crc = 0;
  uint64_t size = 0;  // declared uncompressed size
};

RawEntry Stored(const std::string& name, const std::string& data) {
  return {name, data, false,
          static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(data.data()),
                                      static_cast<uInt>(data.size()))),
          data.size()};
}

std::string RawDeflate(const std::string& data, int flush = Z_FINISH, z_stream* keep = nullptr) {
  z_stream local{};
  z_stream& z = keep ? *keep : local;
  if (!keep) deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, static_cast<uLong>(data.size())) + 64, '\0');
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, flush);
  out.resize(out.size() - z.avail_out);
  if (!keep) deflateEnd(&z);
  return out;
}

RawEntry Deflated(const std::string& name, const std::string& data) {
  RawEntry e = Stored(name, data);
  e.stored = RawDeflate(data);
  e.deflated = true;
  return e;
}

// An entry whose data inflates to `mib` MiB of blanks while the file holds
// about a kilobyte per MiB: the same fully flushed block again and again.
RawEntry Inflating(const std::string& name, uint64_t mib) {
  const std::string chunk(1 << 20, ' ');
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  const std::string block = RawDeflate(chunk, Z_FULL_FLUSH, &z);
  const std::string tail = RawDeflate("", Z_FINISH, &z);
  deflateEnd(&z);
  const uLong one = crc32(0, reinterpret_cast<const Bytef*>(chunk.data()), 1u << 20);
  RawEntry e{name, {}, true, 0, mib << 20};
  uLong crc = 0;
  for (uint64_t i = 0; i < mib; ++i) {
    e.stored += block;
    crc = crc32_combine(crc, one, 1 << 20);
  }
  e.stored += tail;
  e.crc = static_cast<uint32_t>(crc);
  return e;
}

void Put16(std::string& s, uint32_t v) {
  s += static_cast<char>(v & 0xFF);
  s += static_cast<char>((v >> 8) & 0xFF);
}
void Put32(std::string& s, uint32_t v) {
  Put16(s, v & 0xFFFF);
  Put16(s, v >> 16);
}

void WriteRawZip(const std::string& path, const std::vector<RawEntry>& entries) {
  std::string file, central;
  for (const RawEntry& e : entries) {
    const auto offset = static_cast<uint32_t>(file.size());
    auto common = [&](std::string& s) {
      Put16(s, 20);      // version needed
      Put16(s, 0x0800);  // names in UTF-8
      Put16(s, e.deflated ? 8 : 0);
      Put16(s, 0);     // time
      Put16(s, 0x21);  // 1980-01-01
      Put32(s, e.crc);
      Put32(s, static_cast<uint32_t>(e.stored.size()));
      Put32(s, static_cast<uint32_t>(e.size));
      Put16(s, static_cast<uint32_t>(e.name.size()));
      Put16(s, 0);  // extra
    };
    Put32(file, 0x04034b50);
    common(file);
    file += e.name;
    file += e.stored;
    Put32(central, 0x02014b50);
    Put16(central, 20);  // made by
    common(central);
    Put16(central, 0);  // comment
    Put16(central, 0);  // disk
    Put16(central, 0);  // internal attributes
    Put32(central, 0);  // external attributes
    Put32(central, offset);
    central += e.name;
  }
  const auto cdOffset = static_cast<uint32_t>(file.size());
  file += central;
  Put32(file, 0x06054b50);
  Put16(file, 0);
  Put16(file, 0);
  Put16(file, static_cast<uint32_t>(entries.size()));
  Put16(file, static_cast<uint32_t>(entries.size()));
  Put32(file, static_cast<uint32_t>(central.size()));
  Put32(file, cdOffset);
  Put16(file, 0);
  std::ofstream(path, std::ios::binary) << file;
}

// The definition template's parts, with some replaced, dropped or added.
std::vector<RawEntry> Template(const std::map<std::string, std::string>& replace = {},
                               const std::vector<RawEntry>& add = {}) {
  TempDir dir;
  std::string tmp = dir.File("tpl.xlsx");
  test::WriteFile(tmp, std::string(*res::Find("xlsx", "obtable2007")));
  std::vector<RawEntry> parts;
  std::string list = test::ZipPartList(tmp);
  for (std::size_t at = 0, nl; (nl = list.find('\n', at)) != std::string::npos; at = nl + 1) {
    std::string name = list.substr(at, nl - at);
    auto r = replace.find(name);
    if (r == replace.end())
      parts.push_back(Deflated(name, test::ReadZipPart(tmp, name)));
    else if (!r->second.empty())
      parts.push_back(Deflated(name, r->second));
  }
  parts.insert(parts.end(), add.begin(), add.end());
  return parts;
}

std::string OpenError(const std::string& path) {
  auto app = CreateExcelEngine();
  try {
    app->Workbooks().Open(path);
  } catch (const EXlsxError& e) {
    return e.what();
  }
  return "opened";
}

#define EXPECT_CONTAINS(text, part) \
  EXPECT_NE(std::string(text).find(part), std::string::npos) << (text)

// Peak resident memory since the last reset, in MiB (Linux: VmHWM, reset
// through clear_refs).
void ResetPeakMemory() {
  std::ofstream("/proc/self/clear_refs") << "5";
}
long PeakMemoryMib() {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6)) / 1024;
  return -1;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

const char* const kSheetHead =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">";

}  // namespace

TEST(PackageLimits, AnInflatingWorkbookIsRefusedBeforeItIsInflated) {
  TempDir dir;
  // 1.5 GB of worksheet in a file of about 1.5 MB.
  WriteRawZip(dir.File("bomb.xlsx"), Template({{"xl/worksheets/sheet1.xml", ""}},
                                              {Inflating("xl/worksheets/sheet1.xml", 1536)}));
  struct stat st {};
  ASSERT_EQ(stat(dir.File("bomb.xlsx").c_str(), &st), 0);
  EXPECT_LT(st.st_size, 3 << 20);

  ResetPeakMemory();
  const long before = PeakMemoryMib();
  auto t0 = std::chrono::steady_clock::now();
  std::string e = OpenError(dir.File("bomb.xlsx"));
  auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
          .count();
  EXPECT_CONTAINS(e, "xl/worksheets/sheet1.xml");
  EXPECT_CONTAINS(e, "1536 MB");
  EXPECT_CONTAINS(e, "256 MB a part");
  EXPECT_LT(ms, 1000);
  if (before > 0) {
    EXPECT_LT(PeakMemoryMib() - before, 64);
  }

  // Parts each below the limit that together exceed what a model holds.
  WriteRawZip(dir.File("many.xlsx"),
              Template({}, {Inflating("xl/media/a.bin", 200), Inflating("xl/media/b.bin", 200),
                            Inflating("xl/media/c.bin", 200)}));
  EXPECT_CONTAINS(OpenError(dir.File("many.xlsx")), "512 MB a model workbook may hold in all");

  // A size that lies: inflating stops at the declared size.
  RawEntry liar = Inflating("xl/media/liar.bin", 8);
  liar.size = 1000;
  WriteRawZip(dir.File("liar.xlsx"), Template({}, {liar}));
  EXPECT_CONTAINS(OpenError(dir.File("liar.xlsx")), "xl/media/liar.bin");
}

TEST(PackageLimits, EntryNamesThatAreRepeatedOrLeaveThePackage) {
  TempDir dir;
  const std::string sheet = test::ReadZipPart(
      [&] {
        std::string p = dir.File("t.xlsx");
        test::WriteFile(p, std::string(*res::Find("xlsx", "obtable2007")));
        return p;
      }(),
      "xl/worksheets/sheet1.xml");
  WriteRawZip(dir.File("twice.xlsx"), Template({}, {Stored("xl/worksheets/sheet1.xml", sheet)}));
  EXPECT_CONTAINS(OpenError(dir.File("twice.xlsx")), "xl/worksheets/sheet1.xml twice");
  // Part names compare without regard to case.
  WriteRawZip(dir.File("case.xlsx"), Template({}, {Stored("XL/Worksheets/Sheet1.xml", sheet)}));
  EXPECT_CONTAINS(OpenError(dir.File("case.xlsx")), "twice");

  for (const char* name : {"../evil.xml", "xl/../../evil.xml", "/etc/evil.xml", "xl\\evil.xml",
                           "xl/./evil.xml", "xl//evil.xml"}) {
    SCOPED_TRACE(name);
    WriteRawZip(dir.File("path.xlsx"), Template({}, {Stored(name, "<x/>")}));
    std::string e = OpenError(dir.File("path.xlsx"));
    EXPECT_CONTAINS(e, std::string("zip entry name \"") + name + "\"");
  }
}

TEST(PackageLimits, BrokenReferencesAndEntityDeclarations) {
  TempDir dir;
  const std::string rels =
      "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
      "2006/relationships\"><Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/"
      "officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet1.xml\"/>"
      "<Relationship Id=\"rId2\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/"
      "relationships/styles\" Target=\"styles.xml\"/><Relationship Id=\"rId3\" "
      "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings\" "
      "Target=\"sharedStrings.xml\"/>";
  WriteRawZip(
      dir.File("outside.xlsx"),
      Template({{"xl/_rels/workbook.xml.rels",
                 rels + "<Relationship Id=\"rId4\" Type=\"http://schemas.openxmlformats.org/"
                        "officeDocument/2006/relationships/theme\" "
                        "Target=\"../../../etc/passwd\"/></Relationships>"}}));
  std::string e = OpenError(dir.File("outside.xlsx"));
  EXPECT_CONTAINS(e, "../../../etc/passwd");
  EXPECT_CONTAINS(e, "outside the package");

  WriteRawZip(
      dir.File("missing.xlsx"),
      Template({{"xl/_rels/workbook.xml.rels",
                 rels + "<Relationship Id=\"rId4\" Type=\"http://schemas.openxmlformats.org/"
                        "officeDocument/2006/relationships/theme\" "
                        "Target=\"theme/theme1.xml\"/></Relationships>"}}));
  e = OpenError(dir.File("missing.xlsx"));
  EXPECT_CONTAINS(e, "xl/theme/theme1.xml, which is missing");

  auto sheetWith = [](const std::string& cells) {
    return std::string(kSheetHead) + "<sheetData><row r=\"1\">" + cells +
           "</row></sheetData></worksheet>";
  };
  WriteRawZip(
      dir.File("sst.xlsx"),
      Template({{"xl/worksheets/sheet1.xml", sheetWith("<c r=\"A1\" t=\"s\"><v>999</v></c>")}}));
  EXPECT_CONTAINS(OpenError(dir.File("sst.xlsx")), "shared string 999");
  WriteRawZip(
      dir.File("sst2.xlsx"),
      Template({{"xl/worksheets/sheet1.xml", sheetWith("<c r=\"A1\" t=\"s\"><v>x</v></c>")}}));
  EXPECT_CONTAINS(OpenError(dir.File("sst2.xlsx")), "not an index");
  WriteRawZip(dir.File("style.xlsx"),
              Template({{"xl/worksheets/sheet1.xml", sheetWith("<c r=\"A1\" s=\"999\"/>")}}));
  EXPECT_CONTAINS(OpenError(dir.File("style.xlsx")), "cell format 999");

  // A second document element behind the first: new strings would go into
  // the one nobody reads.
  WriteRawZip(dir.File("tworoots.xlsx"),
              Template({{"xl/sharedStrings.xml",
                         "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/"
                         "main\"></sst><sst><si><t>x</t></si></sst>"}}));
  EXPECT_CONTAINS(OpenError(dir.File("tworoots.xlsx")), "content after the document element");

  // A billion laughs: refused at once, never expanded.
  std::string laughs = "<?xml version=\"1.0\"?><!DOCTYPE worksheet [<!ENTITY a \"ha\">";
  for (int i = 1; i < 10; ++i) {
    std::string prev(1, static_cast<char>('a' + i - 1)), cur(1, static_cast<char>('a' + i));
    laughs += "<!ENTITY " + cur + " \"" + [&] {
      std::string r;
      for (int k = 0; k < 10; ++k) r += "&" + prev + ";";
      return r;
    }() + "\">";
  }
  laughs +=
      "]><worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>&j;</t></is></c></row>"
      "</sheetData></worksheet>";
  WriteRawZip(dir.File("laughs.xlsx"), Template({{"xl/worksheets/sheet1.xml", laughs}}));
  auto t0 = std::chrono::steady_clock::now();
  e = OpenError(dir.File("laughs.xlsx"));
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(1));
  EXPECT_CONTAINS(e, "xl/worksheets/sheet1.xml");
  EXPECT_CONTAINS(e, "<!DOCTYPE>");
}

TEST(PackageLimits, LargeHonestWorkbooksOpenWithBoundedMemory) {
  TempDir dir;
  // Every row a worksheet can have, one number in each: about 40 MB of XML.
  std::string big = std::string(kSheetHead) + "<dimension ref=\"A1:A1048576\"/><sheetData>";
  big.reserve(48u << 20);
  for (int r = 1; r <= 1048576; ++r) {
    std::string n = std::to_string(r);
    big += "<row r=\"" + n + "\"><c r=\"A" + n + "\"><v>" + n + "</v></c></row>";
  }
  big += "</sheetData></worksheet>";
  const long inflatedMib = static_cast<long>(big.size() >> 20);
  WriteRawZip(dir.File("rows.xlsx"), Template({{"xl/worksheets/sheet1.xml", big}}));
  big = std::string();

  ResetPeakMemory();
  const long before = PeakMemoryMib();
  {
    auto app = CreateExcelEngine();
    IWorkbook& book = app->Workbooks().Open(dir.File("rows.xlsx"));
    book.WorkSheets(1).Cells(1048576, 2).FormulaR1C1("last");
    EXPECT_THROW(book.WorkSheets(1).Cells(1048577, 1).FormulaR1C1("x"), EXlsxError);
    book.Close(true);
  }
  const long used = PeakMemoryMib() - before;
  RecordProperty("rows_peak_mib", std::to_string(used));
  RecordProperty("rows_inflated_mib", std::to_string(inflatedMib));
  // The rows are read a slice at a time; while they are read the part's
  // bytes and the cell model (a row of one small cell costs about 64 bytes)
  // are held, and on save the model and the printed part. Reading the whole
  // part as one tree took 13 times its size here, a map of rows 7 times.
  if (!kSanitized && before > 0) {
    EXPECT_LT(used, 3 * inflatedMib) << used << " MiB";
  }
  const std::string saved = test::ReadZipPart(dir.File("rows.xlsx"), "xl/worksheets/sheet1.xml");
  EXPECT_NE(saved.find("<c r=\"B1048576\" t=\"s\">"), std::string::npos);
  EXPECT_NE(saved.find("<v>1048575</v>"), std::string::npos);
}

TEST(PackageLimits, TenThousandWorksheets) {
  TempDir dir;
  const int n = 10000;
  std::string book =
      "<?xml version=\"1.0\"?><workbook xmlns=\"http://schemas.openxmlformats.org/"
      "spreadsheetml/2006/main\" xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/"
      "2006/relationships\"><sheets>";
  std::string rels =
      "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/package/"
      "2006/relationships\"><Relationship Id=\"rS\" Type=\"http://schemas.openxmlformats.org/"
      "officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>";
  std::string types =
      "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
      "content-types\"><Default Extension=\"rels\" ContentType=\"application/"
      "vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
      "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
      "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
      "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/><Override "
      "PartName=\"/xl/styles.xml\" ContentType=\"application/"
      "vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/></Types>";
  std::vector<RawEntry> parts = {
      Deflated("[Content_Types].xml", types),
      Deflated("_rels/.rels",
               "<?xml version=\"1.0\"?><Relationships xmlns=\"http://schemas.openxmlformats.org/"
               "package/2006/relationships\"><Relationship Id=\"rId1\" "
               "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
               "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>")};
  for (int i = 1; i <= n; ++i) {
    std::string k = std::to_string(i);
    book += "<sheet name=\"S" + k + "\" sheetId=\"" + k + "\" r:id=\"r" + k + "\"/>";
    rels += "<Relationship Id=\"r" + k +
            "\" Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
            "worksheet\" Target=\"worksheets/sheet" +
            k + ".xml\"/>";
    parts.push_back(Deflated("xl/worksheets/sheet" + k + ".xml",
                             std::string(kSheetHead) + "<sheetData><row r=\"1\"><c r=\"A1\"><v>" +
                                 k + "</v></c></row></sheetData></worksheet>"));
  }
  parts.push_back(Deflated("xl/workbook.xml", book + "</sheets></workbook>"));
  parts.push_back(Deflated("xl/_rels/workbook.xml.rels", rels + "</Relationships>"));
  TempDir tpl;
  std::string t = tpl.File("t.xlsx");
  test::WriteFile(t, std::string(*res::Find("xlsx", "obtable2007")));
  parts.push_back(Deflated("xl/styles.xml", test::ReadZipPart(t, "xl/styles.xml")));
  WriteRawZip(dir.File("many.xlsx"), parts);

  auto t0 = std::chrono::steady_clock::now();
  auto app = CreateExcelEngine();
  IWorkbook& wb = app->Workbooks().Open(dir.File("many.xlsx"));
  EXPECT_EQ(wb.sheets().count(), n);
  EXPECT_EQ(wb.WorkSheets(n).Name(), "S10000");
  wb.WorkSheets(n).Name("last");
  wb.WorkSheets(1).Copy(wb.WorkSheets(n));
  EXPECT_EQ(wb.WorkSheets(n + 1).Name(), "S1 (2)");
  wb.WorkSheets(1).Select();
  wb.Close(true);
  // Generous: the machine may be shared; a hang or a quadratic walk is what it catches.
  EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::seconds(240));
  auto back = CreateExcelEngine();
  IWorkbook& again = back->Workbooks().Open(dir.File("many.xlsx"));
  EXPECT_EQ(again.sheets().count(), n + 1);
  EXPECT_EQ(again.WorkSheets(n).Name(), "last");
  again.Close(false);
}

TEST(PackageLimits, ThousandsOfWrittenSheetsAreHeldInAFractionOfTheirSize) {
  TempDir dir;
  const std::string path = dir.File("defs.xlsx");
  test::WriteFile(path, std::string(*res::Find("xlsx", "obtable2007")));
  const int n = 2500;
  ResetPeakMemory();
  const long before = PeakMemoryMib();
  {
    auto app = CreateExcelEngine();
    IWorkbook& book = app->Workbooks().Open(path);
    for (int i = 1; i < n; ++i) book.WorkSheets(1).Copy(book.WorkSheets(book.sheets().count()));
    // A definition document: every sheet written in turn, 20 columns of 8 cells.
    for (int s = 1; s <= n; ++s) {
      IWorksheet& ws = book.WorkSheets(s);
      const std::string name = "table_" + std::to_string(s);
      ws.Cells(4, 3).FormulaR1C1(name);
      for (int r = 8; r < 28; ++r)
        for (int c = 1; c <= 8; ++c)
          ws.Cells(r, c).FormulaR1C1(c == 2 ? "column_" + std::to_string(r) : std::to_string(c));
      ws.Name(name);
    }
    // A sheet set aside long ago is read again and written to.
    book.WorkSheets(10).Cells(40, 2).FormulaR1C1("written again");
    book.Close(true);
  }
  const long used = PeakMemoryMib() - before;
  std::string listing;
  ASSERT_EQ(test::RunCommand("unzip -l '" + path + "' 'xl/worksheets/*'", &listing), 0);
  // The last line of the listing: the total of the sizes, the number of parts.
  std::istringstream total(listing.substr(listing.rfind('\n', listing.size() - 2) + 1));
  long bytes = 0, parts = 0;
  total >> bytes >> parts;
  EXPECT_EQ(parts, n);
  const long printedMib = bytes >> 20;
  RecordProperty("sheets_peak_mib", std::to_string(used));
  RecordProperty("sheets_printed_mib", std::to_string(printedMib));
  // Holding every sheet until the save took almost three times the printed
  // parts; the packed parts and a few live sheets take a small part of it.
  EXPECT_GT(printedMib, 30);
  if (!kSanitized && before > 0) {
    EXPECT_LT(used, printedMib / 2) << used << " MiB for " << printedMib << " MiB of sheets";
  }
  const std::string again = test::ReadZipPart(path, "xl/worksheets/sheet10.xml");
  EXPECT_NE(again.find("<c r=\"B40\""), std::string::npos);
  EXPECT_NE(again.find("<c r=\"H27\""), std::string::npos);
}
