#pragma once
// Worksheet names for the tables of a definition document. A table whose
// name Excel would refuse as a tab name (too long once cut and then equal to
// another, a forbidden character, an apostrophe at an end) still gets its
// sheet: under a legal name derived from its own, unique in the workbook.
// The table-name cell always keeps the real name.
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace zel {

// The name as Excel would accept it, without regard to other sheets:
// \ / ? * [ ] : and control characters (and bytes that are no UTF-8) become
// "_", apostrophes at either end are dropped, and the whole is cut to 31
// bytes of code page 932 at a whole character. `position` (the table's
// number) stands in for a name that is left empty.
std::string LegalSheetName(std::string_view tableName, int position);

// `legal` with "~n" behind it, the head shortened (at a whole character) so
// the whole still fits 31 bytes of code page 932.
std::string NumberedSheetName(std::string_view legal, int n);

// The names given to the sheets of one workbook, so each table's name is
// unique without regard to case.
class SheetNamer {
 public:
  // The name for a table's sheet. `rename` is the worksheet's Name setter;
  // a name it refuses (one already taken by a sheet this namer did not
  // name) is tried again with the next number.
  std::string Name(std::string_view tableName, int position,
                   const std::function<void(const std::string&)>& rename);

 private:
  std::unordered_set<std::string> used_;  // folded as Excel compares
};

}  // namespace zel
