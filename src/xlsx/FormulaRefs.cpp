#include "xlsx/FormulaRefs.h"

#include <cctype>

#include "xlsx/SheetName.h"
#include "xlsx/WorksheetModel.h"

namespace zel::xl {
namespace {

// The pieces both formula walks below skip over as wholes.

// Letters, digits, "_", "." and anything beyond ASCII: the characters of a
// name, a function or a bare sheet name.
bool WordChar(char c) {
  auto u = static_cast<unsigned char>(c);
  return std::isalnum(u) || c == '_' || c == '.' || u >= 0x80;
}

std::size_t WordEnd(std::string_view f, std::size_t i) {
  while (i < f.size() && WordChar(f[i])) ++i;
  return i;
}

// The end of the run that the quote at f[i] (" for a text, ' for a sheet
// name) opens, a doubled quote standing for one; `closed` tells whether the
// closing quote was there.
std::size_t QuotedEnd(std::string_view f, std::size_t i, bool& closed) {
  const char q = f[i];
  closed = false;
  std::size_t j = i + 1;
  while (j < f.size()) {
    if (f[j] == q) {
      if (j + 1 < f.size() && f[j + 1] == q) {
        j += 2;
        continue;
      }
      closed = true;
      return j + 1;
    }
    ++j;
  }
  return j;
}

// The end of the bracketed run at f[i] == '[': an external book number or
// a structured reference, whose brackets nest.
std::size_t BracketEnd(std::string_view f, std::size_t i) {
  int depth = 0;
  for (std::size_t j = i; j < f.size(); ++j) {
    if (f[j] == '[') ++depth;
    if (f[j] == ']' && --depth == 0) return j + 1;
  }
  return f.size();
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
    if (c == '"') {  // a string literal
      bool closed = false;
      std::size_t j = QuotedEnd(f, i, closed);
      out.append(f.substr(i, j - i));
      i = j;
      afterBracket = false;
      continue;
    }
    if (c == '[') {  // external book index or structured reference
      std::size_t j = BracketEnd(f, i);
      out.append(f.substr(i, j - i));
      i = j;
      afterBracket = true;
      continue;
    }
    if (c == '\'') {  // a quoted sheet name, '' inside it
      bool closed = false;
      std::size_t j = QuotedEnd(f, i, closed);
      std::string name;
      for (std::size_t k = i + 1; k + (closed ? 1 : 0) < j; ++k) {
        name += f[k];
        if (f[k] == '\'') ++k;  // the second of a doubled apostrophe
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
    if (WordChar(c)) {
      std::size_t j = WordEnd(f, i);
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

void AppendSheetNamesOf(std::string_view f, std::string& names) {
  // The walk of RenameSheetInFormula, keeping the names it would compare.
  bool afterBracket = false;
  for (std::size_t i = 0; i < f.size();) {
    const char c = f[i];
    if (c == '"') {
      bool closed = false;
      i = QuotedEnd(f, i, closed);
      afterBracket = false;
    } else if (c == '[') {
      i = BracketEnd(f, i);
      afterBracket = true;
    } else if (c == '\'') {
      bool closed = false;
      const std::size_t j = QuotedEnd(f, i, closed);
      std::string name;
      for (std::size_t k = i + 1; k + (closed ? 1 : 0) < j; ++k) {
        name += f[k];
        if (f[k] == '\'') ++k;
      }
      const bool local = name.empty() || name[0] != '[';
      if (closed && j < f.size() && f[j] == '!' && local)
        names.append(FoldSheetName(name)).push_back('\n');
      i = j;
      afterBracket = false;
    } else if (WordChar(c)) {
      const std::size_t j = WordEnd(f, i);
      if (!afterBracket && j < f.size() && f[j] == '!')
        names.append(FoldSheetName(f.substr(i, j - i))).push_back('\n');
      i = j;
      afterBracket = false;
    } else {
      afterBracket = false;
      ++i;
    }
  }
}

namespace {

// Reads "$?letters" (1-3) at i; returns the column or 0.
int ReadColumn(std::string_view f, std::size_t& i, bool& fixed) {
  std::size_t j = i;
  fixed = j < f.size() && f[j] == '$';
  if (fixed) ++j;
  int col = 0;
  std::size_t start = j;
  while (j < f.size() && j - start < 4 && std::isalpha(static_cast<unsigned char>(f[j])))
    col = col * 26 + (std::toupper(static_cast<unsigned char>(f[j++])) - 'A' + 1);
  if (j == start || j - start > 3 || col > kMaxColumns) return 0;
  i = j;
  return col;
}

// Reads "$?digits" at i; returns the row or 0.
int ReadRow(std::string_view f, std::size_t& i, bool& fixed) {
  std::size_t j = i;
  fixed = j < f.size() && f[j] == '$';
  if (fixed) ++j;
  long row = 0;
  std::size_t start = j;
  while (j < f.size() && std::isdigit(static_cast<unsigned char>(f[j])) && j - start < 8)
    row = row * 10 + (f[j++] - '0');
  if (j == start || row < 1 || row > kMaxRows) return 0;
  i = j;
  return static_cast<int>(row);
}

}  // namespace

std::string ShiftFormula(std::string_view f, int rows, int columns) {
  std::string out;
  out.reserve(f.size() + 8);
  auto emitColumn = [&](int col, bool fixed) {
    int c = fixed ? col : col + columns;
    if (c < 1 || c > kMaxColumns) return false;
    out += (fixed ? "$" : "") + ColumnName(c);
    return true;
  };
  auto emitRow = [&](int row, bool fixed) {
    int r = fixed ? row : row + rows;
    if (r < 1 || r > kMaxRows) return false;
    out += (fixed ? "$" : "") + std::to_string(r);
    return true;
  };
  for (std::size_t i = 0; i < f.size();) {
    char c = f[i];
    if (c == '"' || c == '\'') {  // literals and quoted sheet names pass unchanged
      bool closed = false;
      std::size_t j = QuotedEnd(f, i, closed);
      out.append(f.substr(i, j - i));
      i = j;
      continue;
    }
    if (c == '[') {  // structured references and external book numbers
      std::size_t j = BracketEnd(f, i);
      out.append(f.substr(i, j - i));
      i = j;
      continue;
    }
    bool boundary = i == 0 || !WordChar(f[i - 1]);
    if (boundary && (c == '$' || std::isalpha(static_cast<unsigned char>(c)))) {
      std::size_t j = i;
      bool colFixed = false, rowFixed = false;
      int col = ReadColumn(f, j, colFixed);
      if (col) {
        std::size_t k = j;
        int row = ReadRow(f, k, rowFixed);
        bool end = k >= f.size() || (!WordChar(f[k]) && f[k] != '(' && f[k] != '!');
        if (row && end) {  // A1, $A$1
          std::size_t mark = out.size();
          if (!emitColumn(col, colFixed) || !emitRow(row, rowFixed)) {
            out.resize(mark);
            out += "#REF!";
          }
          i = k;
          continue;
        }
        bool colEnd = j < f.size() && f[j] == ':';
        if (!row && colEnd) {  // A:C whole columns
          std::size_t k2 = j + 1;
          bool fixed2 = false;
          int col2 = ReadColumn(f, k2, fixed2);
          if (col2 && (k2 >= f.size() || !WordChar(f[k2]))) {
            std::size_t mark = out.size();
            if (!emitColumn(col, colFixed) || !(out += ':', emitColumn(col2, fixed2))) {
              out.resize(mark);
              out += "#REF!";
            }
            i = k2;
            continue;
          }
        }
      }
    }
    if (boundary && (c == '$' || std::isdigit(static_cast<unsigned char>(c)))) {
      std::size_t j = i;
      bool fixed1 = false, fixed2 = false;
      int row1 = ReadRow(f, j, fixed1);
      if (row1 && j < f.size() && f[j] == ':') {  // 1:3 whole rows
        std::size_t k = j + 1;
        int row2 = ReadRow(f, k, fixed2);
        if (row2 && (k >= f.size() || !WordChar(f[k]))) {
          std::size_t mark = out.size();
          if (!emitRow(row1, fixed1) || !(out += ':', emitRow(row2, fixed2))) {
            out.resize(mark);
            out += "#REF!";
          }
          i = k;
          continue;
        }
      }
    }
    // Anything else, a whole word at a time so a name is never split.
    if (WordChar(c)) {
      std::size_t j = WordEnd(f, i);
      out.append(f.substr(i, j - i));
      i = j;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

}  // namespace zel::xl
