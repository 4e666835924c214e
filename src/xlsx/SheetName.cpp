#include "xlsx/SheetName.h"

#include <locale.h>
#include <wctype.h>

#include <climits>
#include <cstdint>

#include "common/Text.h"
#include "xlsx/CellText.h"
#include "xlsx/XlsxError.h"

namespace zel::xl {
namespace {

locale_t Utf8Locale() {
  static locale_t loc = [] {
    locale_t l = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(nullptr));
    return l ? l : newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(nullptr));
  }();
  return loc;
}

}  // namespace

void CheckSheetName(std::string_view name) {
  const std::string shown(name);
  if (!text::IsValidUtf8(name)) throw EXlsxError("the worksheet name is not valid UTF-8 text");
  if (name.empty()) throw EXlsxError("a worksheet name cannot be empty");
  std::size_t len = Utf16Length(name);
  if (len > kMaxSheetNameChars) {
    throw EXlsxError("the worksheet name \"" + shown + "\" is longer than 31 characters (" +
                     std::to_string(len) + ")");
  }
  for (unsigned char c : name) {
    if (!ForbiddenInSheetName(c)) continue;
    if (c < 0x20 || c == 0x7F)
      throw EXlsxError("the worksheet name \"" + shown + "\" contains a control character");
    throw EXlsxError("the worksheet name \"" + shown + "\" contains the character '" +
                     std::string(1, static_cast<char>(c)) +
                     "', which is not allowed (: \\ / ? * [ ])");
  }
  if (name.front() == '\'' || name.back() == '\'')
    throw EXlsxError("the worksheet name \"" + shown + "\" begins or ends with an apostrophe");
}

bool ForbiddenInSheetName(unsigned char c) {
  switch (c) {
    case ':':
    case '\\':
    case '/':
    case '?':
    case '*':
    case '[':
    case ']':
    case 0x7F:
      return true;
    default:
      return c < 0x20;
  }
}

std::string FoldSheetName(std::string_view name) {
  bool ascii = true;
  for (unsigned char c : name) ascii = ascii && c < 0x80;
  if (ascii) {
    std::string up(name);
    for (char& c : up)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return up;
  }
  std::string out;
  out.reserve(name.size());
  mbstate_t st{};
  locale_t loc = Utf8Locale();
  locale_t old = uselocale(loc);
  const char* p = name.data();
  std::size_t left = name.size();
  while (left > 0) {
    wchar_t wc;
    std::size_t n = mbrtowc(&wc, p, left, &st);
    if (n == static_cast<std::size_t>(-1) || n == static_cast<std::size_t>(-2) || n == 0) {
      out += *p;  // not decodable: compared byte for byte
      ++p, --left;
      st = mbstate_t{};
      continue;
    }
    wchar_t up = static_cast<wchar_t>(towupper_l(static_cast<wint_t>(wc), loc));
    char buf[MB_LEN_MAX];
    mbstate_t ost{};
    std::size_t m = wcrtomb(buf, up, &ost);
    if (m == static_cast<std::size_t>(-1))
      out.append(p, n);
    else
      out.append(buf, m);
    p += n, left -= n;
  }
  uselocale(old);
  return out;
}

bool SameSheetName(std::string_view a, std::string_view b) {
  return a == b || FoldSheetName(a) == FoldSheetName(b);
}

std::string CopySheetName(std::string_view base,
                          const std::function<bool(const std::string&)>& taken, int* next) {
  for (int n = next && *next > 2 ? *next : 2;; ++n) {
    std::string suffix = " (" + std::to_string(n) + ")";
    std::string head = CutUtf16(base, kMaxSheetNameChars - suffix.size());
    // A cut could leave an apostrophe at the end of the head; it is inside
    // the name then, which Excel allows.
    std::string candidate = head + suffix;
    if (!taken(candidate)) {
      if (next) *next = n + 1;
      return candidate;
    }
  }
}

}  // namespace zel::xl
