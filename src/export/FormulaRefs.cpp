#include "export/FormulaRefs.h"

#include <cctype>

#include "export/SheetName.h"
#include "export/WorksheetModel.h"

namespace zel::xl {
namespace {

bool BareChar(unsigned char c) {
  return std::isalnum(c) || c == '_' || c == '.' || c >= 0x80;
}

// Letters-then-digits (A1, XFD10) or R1C1-like names would read as references.
bool LooksLikeReference(std::string_view s) {
  int r = 0, c = 0;
  if (ParseCellRef(s, r, c)) return true;
  if (s.empty()) return false;
  char f = static_cast<char>(std::toupper(static_cast<unsigned char>(s[0])));
  return f == 'R' || f == 'C';
}

}  // namespace

std::string QuoteSheetName(std::string_view name) {
  bool bare = !name.empty() && !std::isdigit(static_cast<unsigned char>(name[0])) &&
              !LooksLikeReference(name);
  for (unsigned char c : name)
    if (!(std::isalnum(c) || c == '_' || c == '.') || c >= 0x80) bare = false;
  if (bare) return std::string(name);
  std::string out = "'";
  for (char c : name) {
    if (c == '\'') out += '\'';
    out += c;
  }
  return out + "'";
}

std::string RenameSheetInFormula(std::string_view f, std::string_view from, std::string_view to) {
  std::string out;
  out.reserve(f.size());
  bool afterBracket = false;  // the sheet of [1]Sheet1! is in another workbook
  for (std::size_t i = 0; i < f.size();) {
    char c = f[i];
    if (c == '"') {  // a string literal, "" inside it
      std::size_t j = i + 1;
      while (j < f.size()) {
        if (f[j] == '"') {
          if (j + 1 < f.size() && f[j + 1] == '"') {
            j += 2;
            continue;
          }
          ++j;
          break;
        }
        ++j;
      }
      out.append(f.substr(i, j - i));
      i = j;
      afterBracket = false;
      continue;
    }
    if (c == '[') {  // external book index or structured reference, nested
      int depth = 0;
      std::size_t j = i;
      for (; j < f.size(); ++j) {
        if (f[j] == '[') ++depth;
        if (f[j] == ']' && --depth == 0) {
          ++j;
          break;
        }
      }
      out.append(f.substr(i, j - i));
      i = j;
      afterBracket = true;
      continue;
    }
    if (c == '\'') {  // a quoted sheet name, '' inside it
      std::string name;
      std::size_t j = i + 1;
      bool closed = false;
      while (j < f.size()) {
        if (f[j] == '\'') {
          if (j + 1 < f.size() && f[j + 1] == '\'') {
            name += '\'';
            j += 2;
            continue;
          }
          closed = true;
          ++j;
          break;
        }
        name += f[j++];
      }
      bool local = name.empty() || name[0] != '[';
      if (closed && j < f.size() && f[j] == '!' && local && SameSheetName(name, from)) {
        out += QuoteSheetName(to);
      } else {
        out.append(f.substr(i, j - i));
      }
      i = j;
      afterBracket = false;
      continue;
    }
    if (BareChar(static_cast<unsigned char>(c))) {
      std::size_t j = i;
      while (j < f.size() && BareChar(static_cast<unsigned char>(f[j]))) ++j;
      std::string_view word = f.substr(i, j - i);
      if (!afterBracket && j < f.size() && f[j] == '!' && SameSheetName(word, from)) {
        out += QuoteSheetName(to);
      } else {
        out.append(word);
      }
      i = j;
      afterBracket = false;
      continue;
    }
    out += c;
    afterBracket = false;
    ++i;
  }
  return out;
}

}  // namespace zel::xl
