#include "export/SheetNames.h"

#include <exception>

#include "common/Text.h"
#include "xlsx/CellText.h"
#include "xlsx/SheetName.h"

namespace zel {
namespace {

constexpr std::size_t kSheetNameBytes = 31;
// A model workbook would need this many sheets named like one table's
// numbered names before a refusal is taken as final.
constexpr int kRenameTries = 1000;

// Length of the UTF-8 sequence starting at s[i], 0 when it is not one.
std::size_t SequenceLength(std::string_view s, std::size_t i) {
  auto c = static_cast<unsigned char>(s[i]);
  std::size_t n = c < 0x80             ? 1
                  : (c & 0xE0) == 0xC0 ? 2
                  : (c & 0xF0) == 0xE0 ? 3
                  : (c & 0xF8) == 0xF0 ? 4
                                       : 0;
  if (n == 0 || i + n > s.size()) return 0;
  return text::IsValidUtf8(s.substr(i, n)) ? n : 0;
}

void DropEndApostrophes(std::string& s) {
  std::size_t first = s.find_first_not_of('\'');
  if (first == std::string::npos) {
    s.clear();
    return;
  }
  s.erase(0, first);
  s.erase(s.find_last_not_of('\'') + 1);
}

// Fits both limits: 31 bytes of code page 932 (the document's rule) and 31
// UTF-16 units (Excel's own, which a character CP932 lacks can reach first).
std::string Fit(std::string_view s, std::size_t room) {
  return xl::CutUtf16(text::CutCp932(s, room), room);
}

}  // namespace

std::string LegalSheetName(std::string_view tableName, int position) {
  std::string clean;
  clean.reserve(tableName.size());
  for (std::size_t i = 0; i < tableName.size();) {
    std::size_t n = SequenceLength(tableName, i);
    if (n == 0 || (n == 1 && xl::ForbiddenInSheetName(static_cast<unsigned char>(tableName[i])))) {
      clean += '_';
      i += n == 0 ? 1 : n;
      continue;
    }
    clean.append(tableName, i, n);
    i += n;
  }
  DropEndApostrophes(clean);
  clean = Fit(clean, kSheetNameBytes);
  // The cut can leave an apostrophe at the new end.
  DropEndApostrophes(clean);
  if (clean.empty()) clean = std::to_string(position);
  return clean;
}

std::string NumberedSheetName(std::string_view legal, int n) {
  const std::string suffix = "~" + std::to_string(n);
  return Fit(legal, kSheetNameBytes - suffix.size()) + suffix;
}

std::string SheetNamer::Name(std::string_view tableName, int position,
                             const std::function<void(const std::string&)>& rename) {
  const std::string legal = LegalSheetName(tableName, position);
  std::string name = legal;
  int n = 1;
  auto advance = [&] {
    do name = NumberedSheetName(legal, ++n);
    while (used_.count(xl::FoldSheetName(name)));
  };
  if (used_.count(xl::FoldSheetName(name))) advance();
  std::exception_ptr first;
  for (int tries = 0;; ++tries) {
    try {
      rename(name);
      break;
    } catch (const std::exception&) {
      // Taken by a sheet named before this run (a model workbook's own
      // sheets, a copy not yet renamed): the next number. Anything else
      // fails the same way every time and is reported as it first was.
      if (!first) first = std::current_exception();
      if (tries >= kRenameTries) std::rethrow_exception(first);
      advance();
    }
  }
  used_.insert(xl::FoldSheetName(name));
  return name;
}

}  // namespace zel
