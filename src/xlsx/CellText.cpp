#include "xlsx/CellText.h"

#include <cstdint>

namespace zel::xl {
namespace {

// Decodes one UTF-8 sequence at s[i]; returns its length, or 0 when the bytes
// there are not a valid, shortest-form encoding of a scalar value.
std::size_t Decode(std::string_view s, std::size_t i, uint32_t& cp) {
  auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    cp = b0;
    return 1;
  }
  std::size_t n;
  uint32_t min;
  if ((b0 & 0xE0) == 0xC0) {
    n = 2, cp = b0 & 0x1F, min = 0x80;
  } else if ((b0 & 0xF0) == 0xE0) {
    n = 3, cp = b0 & 0x0F, min = 0x800;
  } else if ((b0 & 0xF8) == 0xF0) {
    n = 4, cp = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (std::size_t k = 1; k < n; ++k) {
    auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (b & 0x3F);
  }
  if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
  return n;
}

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// "_xHHHH_" starting at s[i].
bool IsEscapeAt(std::string_view s, std::size_t i) {
  if (i + 7 > s.size() || s[i] != '_' || s[i + 1] != 'x' || s[i + 6] != '_') return false;
  return IsHex(s[i + 2]) && IsHex(s[i + 3]) && IsHex(s[i + 4]) && IsHex(s[i + 5]);
}

bool XmlCannotHold(uint32_t cp) {
  if (cp < 0x20) return cp != 0x09 && cp != 0x0A;  // CR too: parsers fold it into LF
  return cp == 0xFFFE || cp == 0xFFFF;
}

void AppendUtf8(std::string& out, uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

}  // namespace

std::string SanitizeUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    uint32_t cp;
    std::size_t n = Decode(bytes, i, cp);
    if (n == 0) {
      out += "\xEF\xBF\xBD";
      ++i;
    } else {
      out.append(bytes.substr(i, n));
      i += n;
    }
  }
  return out;
}

std::size_t Utf16Length(std::string_view utf8) {
  std::size_t units = 0;
  for (unsigned char c : utf8) {
    if ((c & 0xC0) != 0x80) units += 1;
    if ((c & 0xF8) == 0xF0) units += 1;  // a 4-byte sequence needs a surrogate pair
  }
  return units;
}

std::string CutUtf16(std::string_view utf8, std::size_t maxUnits) {
  std::size_t units = 0;
  for (std::size_t i = 0; i < utf8.size();) {
    auto c = static_cast<unsigned char>(utf8[i]);
    std::size_t len = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : 4;
    std::size_t need = len == 4 ? 2 : 1;
    if (units + need > maxUnits) return std::string(utf8.substr(0, i));
    units += need;
    i += len;
  }
  return std::string(utf8);
}

std::optional<std::string> CutToCell(std::string_view utf8) {
  if (utf8.size() <= kMaxCellChars || Utf16Length(utf8) <= kMaxCellChars) return std::nullopt;
  return CutUtf16(utf8, kMaxCellChars - 1) + "\u2026";
}

std::string EscapeOoxml(std::string_view utf8) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size();) {
    uint32_t cp;
    std::size_t n = Decode(utf8, i, cp);
    if (n == 0) {  // callers sanitize first; never let a stray byte through
      out += "\xEF\xBF\xBD";
      ++i;
      continue;
    }
    if (XmlCannotHold(cp)) {
      out += "_x";
      for (int shift = 12; shift >= 0; shift -= 4) out += hex[(cp >> shift) & 0xF];
      out += '_';
    } else if (cp == '_' && IsEscapeAt(utf8, i)) {
      out += "_x005F_";
    } else {
      out.append(utf8.substr(i, n));
    }
    i += n;
  }
  return out;
}

std::string UnescapeOoxml(std::string_view escaped) {
  std::string out;
  out.reserve(escaped.size());
  for (std::size_t i = 0; i < escaped.size();) {
    if (IsEscapeAt(escaped, i)) {
      auto cp =
          static_cast<uint32_t>(std::stoul(std::string(escaped.substr(i + 2, 4)), nullptr, 16));
      AppendUtf8(out, cp >= 0xD800 && cp <= 0xDFFF ? 0xFFFD : cp);
      i += 7;
    } else {
      out += escaped[i++];
    }
  }
  return out;
}

std::string CellTextForXml(std::string_view input) {
  std::string clean = SanitizeUtf8(input);
  if (auto cut = CutToCell(clean)) clean = std::move(*cut);
  return EscapeOoxml(clean);
}

}  // namespace zel::xl
