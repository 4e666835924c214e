#include "common/IniFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <vector>

#include "common/Text.h"

namespace zel {
namespace {

struct Line {
  std::string_view body;  // without the line end
  std::string_view end;   // "\r\n", "\n", "\r" or empty on the last line
};

// An editor that saves UTF-8 may put a byte-order mark first; the file's
// text is then UTF-8, not the code page.
constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool HasUtf8Bom(std::string_view data) {
  return data.starts_with(kUtf8Bom);
}

// Text of the program (UTF-8) as the file holds it, and back.
std::string ToFile(std::string_view text, bool utf8) {
  return utf8 ? std::string(text) : text::Utf8ToCp932(text);
}
std::string FromFile(std::string_view text, bool utf8) {
  return utf8 ? std::string(text) : text::Cp932ToUtf8(text);
}

// The lines of the file, a leading byte-order mark not part of the first.
std::vector<Line> SplitLines(std::string_view data) {
  std::vector<Line> lines;
  size_t pos = HasUtf8Bom(data) ? kUtf8Bom.size() : 0;
  while (pos < data.size()) {
    size_t nl = data.find_first_of("\r\n", pos);
    if (nl == std::string_view::npos) {
      lines.push_back({data.substr(pos), {}});
      break;
    }
    size_t endLen = (data[nl] == '\r' && nl + 1 < data.size() && data[nl + 1] == '\n') ? 2 : 1;
    lines.push_back({data.substr(pos, nl - pos), data.substr(nl, endLen)});
    pos = nl + endLen;
  }
  return lines;
}

// Section name when the line is a section header.
std::optional<std::string> SectionOf(std::string_view body) {
  std::string t = text::Trim(body);
  if (t.empty() || t[0] != '[') return std::nullopt;
  size_t close = t.find(']');
  std::string name = t.substr(1, close == std::string::npos ? std::string::npos : close - 1);
  return text::Trim(name);
}

struct KeyValue {
  std::string key;
  std::string value;
};

std::optional<KeyValue> KeyOf(std::string_view body) {
  std::string t = text::Trim(body);
  if (t.empty() || t[0] == ';' || t[0] == '[') return std::nullopt;
  size_t eq = t.find('=');
  if (eq == std::string::npos) return std::nullopt;
  KeyValue kv{text::Trim(std::string_view(t).substr(0, eq)),
              text::Trim(std::string_view(t).substr(eq + 1))};
  if (kv.value.size() >= 2 && kv.value.front() == '"' && kv.value.back() == '"')
    kv.value = kv.value.substr(1, kv.value.size() - 2);
  return kv;
}

std::optional<std::string> Slurp(const std::string& path) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream ss;
  ss << in.rdbuf();
  if (in.bad()) return std::nullopt;
  return ss.str();
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool WriteAtomically(const std::string& path, const std::string& data) {
  std::string tmpl = FolderOf(path) + "/.Zel.ini.XXXXXX";
  std::vector<char> name(tmpl.begin(), tmpl.end());
  name.push_back('\0');
  int fd = mkstemp(name.data());
  if (fd < 0) return false;
  const char* p = data.data();
  size_t left = data.size();
  bool ok = true;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    p += n;
    left -= static_cast<size_t>(n);
  }
  if (ok && fsync(fd) != 0) ok = false;
  struct stat st {};
  if (ok && stat(path.c_str(), &st) == 0) fchmod(fd, st.st_mode & 07777);
  if (::close(fd) != 0) ok = false;
  if (ok && std::rename(name.data(), path.c_str()) != 0) ok = false;
  if (!ok) ::unlink(name.data());
  return ok;
}

}  // namespace

std::string IniFile::Read(const std::string& path, std::string_view section, std::string_view key) {
  auto data = Slurp(path);
  if (!data) return {};
  const bool utf8 = HasUtf8Bom(*data);
  const std::string wantSection = ToFile(section, utf8);
  const std::string wantKey = ToFile(key, utf8);
  bool inSection = false;
  for (const Line& line : SplitLines(*data)) {
    if (auto s = SectionOf(line.body)) {
      inSection = text::EqualsNoCase(*s, wantSection);
      continue;
    }
    if (!inSection) continue;
    if (auto kv = KeyOf(line.body); kv && text::EqualsNoCase(kv->key, wantKey))
      return FromFile(kv->value, utf8);
  }
  return {};
}

bool IniFile::Write(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value) {
  struct stat st {};
  std::string data;
  if (stat(path.c_str(), &st) == 0) {
    auto existing = Slurp(path);
    if (!existing) return false;  // a directory or unreadable file is never replaced
    data = std::move(*existing);
  }
  const bool utf8 = HasUtf8Bom(data);
  const std::string wantSection = ToFile(section, utf8);
  const std::string wantKey = ToFile(key, utf8);
  const std::string newLine = wantKey + "=" + ToFile(value, utf8);

  std::string eol = "\r\n";
  if (size_t nl = data.find('\n'); nl != std::string::npos && (nl == 0 || data[nl - 1] != '\r'))
    eol = "\n";

  const std::vector<Line> lines = SplitLines(data);
  // Where the section starts and where its last non-blank line ends.
  std::optional<size_t> sectionLine;
  size_t lastContent = 0;
  std::optional<size_t> keyLine;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (auto s = SectionOf(lines[i].body)) {
      if (sectionLine) break;
      if (text::EqualsNoCase(*s, wantSection)) {
        sectionLine = i;
        lastContent = i;
      }
      continue;
    }
    if (!sectionLine) continue;
    if (!text::Trim(lines[i].body).empty()) lastContent = i;
    if (auto kv = KeyOf(lines[i].body); kv && text::EqualsNoCase(kv->key, wantKey)) {
      keyLine = i;
      break;
    }
  }

  std::string out;
  out.reserve(data.size() + newLine.size() + wantSection.size() + 8);
  auto offsetOf = [&](size_t lineIndex) {
    return static_cast<size_t>(lines[lineIndex].body.data() - data.data());
  };
  if (keyLine) {
    size_t start = offsetOf(*keyLine);
    out.append(data, 0, start);
    out += newLine;
    out.append(data, start + lines[*keyLine].body.size());
  } else if (sectionLine) {
    const Line& last = lines[lastContent];
    size_t after = offsetOf(lastContent) + last.body.size();
    out.append(data, 0, after);
    if (last.end.empty()) {
      out += eol;
      out += newLine;
    } else {
      out += last.end;
      out += newLine;
      out += last.end;
      after += last.end.size();
    }
    out.append(data, after);
  } else {
    out = data;
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out += eol;
    out += "[" + wantSection + "]" + eol + newLine + eol;
  }
  return WriteAtomically(path, out);
}

}  // namespace zel
