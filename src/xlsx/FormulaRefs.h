#pragma once
// Sheet names inside formula text (defined names, cell formulas). When a
// worksheet is renamed or a copy takes over its sheet-local names, references
// to it must follow, as Excel updates them.
#include <string>
#include <string_view>

namespace zel::xl {

// The name as a formula writes it before "!": bare when that is
// unambiguous, otherwise in apostrophes with inner apostrophes doubled.
std::string QuoteSheetName(std::string_view name);

// Replaces every reference to sheet `from` (compared without regard to case)
// by a reference to `to`. Text in double quotes, external workbook references
// ([1]Sheet1!A1) and structured references are left alone.
std::string RenameSheetInFormula(std::string_view formula, std::string_view from,
                                 std::string_view to);

// Appends the sheet names RenameSheetInFormula would compare with `from`,
// folded (FoldSheetName), each followed by a newline: a formula is changed
// by a rename only when "\n" + FoldSheetName(from) + "\n" is found in
// "\n" + names.
void AppendSheetNamesOf(std::string_view formula, std::string& names);

}  // namespace zel::xl

namespace zel::xl {

// The formula as it reads in a cell `rows` below and `columns` right of the
// cell it was written for: relative references move, $-fixed parts stay
// (what a shared formula means for the cells it covers). A reference moved
// off the sheet becomes #REF!.
std::string ShiftFormula(std::string_view formula, int rows, int columns);

}  // namespace zel::xl
