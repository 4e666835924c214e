#include "common/Text.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <memory>
#include <stdexcept>

namespace zel::text {
namespace {

class Iconv {
 public:
  Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {
    if (cd_ == reinterpret_cast<iconv_t>(-1)) {
      throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    }
  }
  ~Iconv() { iconv_close(cd_); }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // Converts one whole character or a run; returns false when the input
  // cannot be converted (invalid or unrepresentable).
  bool Convert(std::string_view in, std::string& out) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char buf[64];
    char* src = const_cast<char*>(in.data());
    size_t left = in.size();
    std::string result;
    while (left > 0) {
      char* dst = buf;
      size_t room = sizeof buf;
      size_t rc = iconv(cd_, &src, &left, &dst, &room);
      result.append(buf, static_cast<size_t>(dst - buf));
      if (rc == static_cast<size_t>(-1) && errno != E2BIG) return false;
    }
    char* dst = buf;
    size_t room = sizeof buf;
    iconv(cd_, nullptr, nullptr, &dst, &room);
    result.append(buf, static_cast<size_t>(dst - buf));
    out += result;
    return true;
  }

 private:
  iconv_t cd_;
};

// Length of the UTF-8 sequence starting at s[i], or 0 when it is not valid.
size_t Utf8SeqLen(std::string_view s, size_t i) {
  auto b = static_cast<unsigned char>(s[i]);
  size_t n;
  uint32_t cp;
  if (b < 0x80) return 1;
  if (b >= 0xC2 && b <= 0xDF) {
    n = 2;
    cp = b & 0x1F;
  } else if (b >= 0xE0 && b <= 0xEF) {
    n = 3;
    cp = b & 0x0F;
  } else if (b >= 0xF0 && b <= 0xF4) {
    n = 4;
    cp = b & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (c & 0x3F);
  }
  if (n == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) return 0;
  if (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) return 0;
  return n;
}

size_t Cp932SeqLen(std::string_view s, size_t i) {
  auto b = static_cast<unsigned char>(s[i]);
  bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
  if (lead && i + 1 < s.size()) return 2;
  return 1;
}

Iconv& ToCp932() {
  thread_local Iconv cd("CP932", "UTF-8");
  return cd;
}
Iconv& FromCp932() {
  thread_local Iconv cd("UTF-8", "CP932");
  return cd;
}

const char kReplacement[] = "\xEF\xBF\xBD";

}  // namespace

bool IsValidUtf8(std::string_view bytes) {
  for (size_t i = 0; i < bytes.size();) {
    size_t n = Utf8SeqLen(bytes, i);
    if (n == 0) return false;
    i += n;
  }
  return true;
}

std::string Utf8ToCp932(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  for (size_t i = 0; i < utf8.size();) {
    size_t n = Utf8SeqLen(utf8, i);
    if (n == 0) {
      out += '?';
      ++i;
      continue;
    }
    if (n == 1) {
      out += utf8[i];
    } else if (!ToCp932().Convert(utf8.substr(i, n), out)) {
      out += '?';
    }
    i += n;
  }
  return out;
}

std::string Cp932ToUtf8(std::string_view cp932) {
  std::string out;
  out.reserve(cp932.size() * 3 / 2);
  for (size_t i = 0; i < cp932.size();) {
    auto b = static_cast<unsigned char>(cp932[i]);
    if (b < 0x80) {
      out += cp932[i];
      ++i;
      continue;
    }
    size_t n = Cp932SeqLen(cp932, i);
    if (!FromCp932().Convert(cp932.substr(i, n), out)) out += kReplacement;
    i += n;
  }
  return out;
}

std::string FromServer(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return Cp932ToUtf8(bytes);
}

std::size_t Cp932Length(std::string_view utf8) {
  std::size_t total = 0;
  for (size_t i = 0; i < utf8.size();) {
    size_t n = Utf8SeqLen(utf8, i);
    if (n <= 1) {
      total += 1;
      ++i;
      continue;
    }
    std::string one;
    total += ToCp932().Convert(utf8.substr(i, n), one) ? one.size() : 1;
    i += n;
  }
  return total;
}

std::string CutCp932(std::string_view utf8, std::size_t maxBytes) {
  std::size_t used = 0;
  size_t i = 0;
  while (i < utf8.size()) {
    size_t n = Utf8SeqLen(utf8, i);
    size_t step = n == 0 ? 1 : n;
    size_t cost = 1;
    if (n > 1) {
      std::string one;
      cost = ToCp932().Convert(utf8.substr(i, n), one) ? one.size() : 1;
    }
    if (used + cost > maxBytes) break;
    used += cost;
    i += step;
  }
  return std::string(utf8.substr(0, i));
}

std::string Trim(std::string_view s) {
  const char* blanks = " \t\r\n";
  auto b = s.find_first_not_of(blanks);
  if (b == std::string_view::npos) return {};
  auto e = s.find_last_not_of(blanks);
  return std::string(s.substr(b, e - b + 1));
}

std::string AsciiLower(std::string_view s) {
  std::string r(s);
  for (char& c : r)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return r;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && AsciiLower(a) == AsciiLower(b);
}

}  // namespace zel::text
