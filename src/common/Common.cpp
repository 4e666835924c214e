#include "common/Common.h"

#include <unistd.h>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

#include "common/IniFile.h"
#include "common/SettingsLocation.h"
#include "common/Text.h"

namespace zel {
namespace {

// 4 rows of 16; every character occurs once, so the column rule holds
// trivially. No blank, quote, '=', ';' or '[': a stored value never needs
// quoting and never looks like a comment or a section.
constexpr std::string_view kTable =
    "Kq7ZbT2mXe9RwJ4h"
    "Vn5LcY8uGs3PdA6k"
    "Fz1NtB0yHr-QjM_x"
    "Ug#Eo%SiWfCpDvIa";
static_assert(kTable.size() == 64);

int ColumnOf(char c) {
  size_t pos = kTable.find(c);
  return pos == std::string_view::npos ? -1 : static_cast<int>(pos % 16);
}

}  // namespace

std::string ExecutablePath() {
  std::vector<char> buf(4096);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) return {};
  return std::string(buf.data(), static_cast<size_t>(n));
}

std::string ExecutableFolder() {
  std::string path = ExecutablePath();
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string("./") : path.substr(0, slash + 1);
}

TdCommon::TdCommon(IPrompts* prompts) : prompts_(prompts), folder_(ExecutableFolder()) {}

void TdCommon::ShowMessageBox(const std::string& text) const {
  if (!prompts_) return;
  prompts_->MessageBox({"Zelmora", text, MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok});
}

void TdCommon::SetProgramFolder(std::string folder) {
  if (folder.empty()) folder = "./";
  if (folder.back() != '/') folder += '/';
  folder_ = std::move(folder);
}

std::string TdCommon::SettingsPath(const std::string& fileName) const {
  if (!settingsFile_.empty() && fileName == SettingsFileName()) return settingsFile_;
  if (!fileName.empty() && fileName[0] == '/') return fileName;
  return SettingsFilePath(folder_, fileName);
}

std::string TdCommon::ReadSetting(const std::string& fileName, std::string_view section,
                                  std::string_view key) const {
  return IniFile::Read(SettingsPath(fileName), section, key);
}

void TdCommon::WriteSetting(const std::string& fileName, std::string_view section,
                            std::string_view key, std::string_view value) const {
  // Failures are not reported: the value is simply not kept.
  const std::string path = SettingsPath(fileName);
  // The configuration folder is made on first write; the program's own
  // folder never is.
  const std::string config = ConfigFolder();
  if (!config.empty() && path.rfind(config, 0) == 0 && !MakeParentFolder(path)) return;
  IniFile::Write(path, section, key, value);
}

void TdCommon::ClearGrid(TStringGrid& grid, int rowCount) {
  for (int r = 1; r < grid.RowCount(); ++r)
    for (int c = 0; c < grid.ColCount(); ++c) grid.SetCell(c, r, {});
  grid.SetRowCount(rowCount);
}

int TdCommon::StrToIntOrZero(std::string_view text) {
  std::string t = text::Trim(text);
  std::string_view v = t;
  if (!v.empty() && v[0] == '+') v.remove_prefix(1);
  if (v.empty() || v[0] == '+' || (v[0] == '-' && t[0] == '+')) return 0;
  int value = 0;
  auto [ptr, ec] = std::from_chars(v.data(), v.data() + v.size(), value);
  if (ec != std::errc() || ptr != v.data() + v.size()) return 0;
  return value;
}

int TdCommon::ColumnLetterToIndex(std::string_view text) {
  if (text.empty()) return 0;
  return static_cast<unsigned char>(text[0]) - 64;
}

std::string TdCommon::GetToken(std::string_view text, int index, char separator) {
  if (text.find(separator) == std::string_view::npos) return index == 1 ? std::string(text) : "";
  size_t pos = 0;
  bool held = true;
  int passed = 0;
  while (held && passed < index - 1) {
    size_t sep = text.find(separator, pos);
    if (sep == std::string_view::npos) {
      held = false;
    } else {
      pos = sep + 1;
      ++passed;
    }
  }
  if (!held) return {};
  std::string_view rest = text.substr(pos);
  size_t sep = rest.find(separator);
  return std::string(sep == std::string_view::npos ? rest : rest.substr(0, sep));
}

std::string_view TdCommon::ScrambleTable() { return kTable; }

std::string TdCommon::ScrambleBytes(std::string_view bytes) {
  // A zero byte ends the password, as it would in the C string it came from.
  if (size_t nul = bytes.find('\0'); nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  static thread_local std::mt19937 gen(std::random_device{}());
  int s = std::uniform_int_distribution<int>(1, 254)(gen);
  std::string out;
  out.reserve(2 * bytes.size() + 2);
  out += kTable[static_cast<size_t>(s / 16)];
  int k = s;
  for (char ch : bytes) {
    int b = static_cast<unsigned char>(ch);
    k = (k * 29 + 17) % 256;
    int x = b ^ k;
    int r = x % 4;
    out += kTable[static_cast<size_t>(16 * r + x / 16)];
    out += kTable[static_cast<size_t>(16 * r + x % 16)];
  }
  out += kTable[static_cast<size_t>(s % 16)];
  return out;
}

std::string TdCommon::UnscrambleBytes(std::string_view stored) {
  // A stored text is always 2 + 2n characters; anything else was damaged
  // outside the program and yields no password rather than a wrong one.
  if (stored.size() < 2 || stored.size() % 2 != 0) return {};
  for (char c : stored)
    if (ColumnOf(c) < 0) return {};
  int s = ColumnOf(stored.front()) * 16 + ColumnOf(stored.back());
  size_t n = stored.size() / 2 - 1;
  std::string out;
  out.reserve(n);
  int k = s;
  for (size_t i = 1; i <= n; ++i) {
    k = (k * 29 + 17) % 256;
    int hi = ColumnOf(stored[2 * i - 1]);
    int lo = ColumnOf(stored[2 * i]);
    out += static_cast<char>((hi * 16 + lo) ^ k);
  }
  return out;
}

// The password's own UTF-8 bytes are scrambled: taken through CP932, a
// character it lacks (ä, 한, an emoji) would come back as "?" and the saved
// password would silently be another one. Bytes that are not UTF-8 come
// from a file written in CP932 and are read as such.
std::string TdCommon::ScramblePassword(std::string_view password) { return ScrambleBytes(password); }

std::string TdCommon::UnscramblePassword(std::string_view stored) {
  return text::FromServer(UnscrambleBytes(stored));
}

std::string TdCommon::VariantToStrDef(const TVariant& value, const std::string& defaultText) {
  switch (value.kind) {
    case TVariant::Kind::Empty:
    case TVariant::Kind::Null:
      return defaultText;
    case TVariant::Kind::Text:
      return value.text;
    case TVariant::Kind::Integer:
      return std::to_string(value.integer);
    case TVariant::Kind::Real: {
      if (!std::isfinite(value.real)) return defaultText;
      char buf[64];
      auto [ptr, ec] = std::to_chars(buf, buf + sizeof buf, value.real);
      if (ec != std::errc()) return defaultText;
      return std::string(buf, ptr);
    }
  }
  return defaultText;
}

std::string TdCommon::CleanFileName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char c : name) {
    switch (c) {
      case '\\': case '/': case ':': case '?': case '"': case '<': case '>': case '|':
        break;
      default:
        out += c;
    }
  }
  return out;
}

}  // namespace zel
