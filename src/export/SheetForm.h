#pragma once
// A document keeps its form at any length: rows written past the frame its
// template formatted take the frame's row form, and the heading rows repeat
// on every printed page. Applied once per sheet, before its rows are
// written, so typed input (dates, wrapping) works on the frame's formats.
#include "xlsx/ExcelApplication.h"

namespace zel {

struct DefinitionLayout;

// A built-in template's framed band: rows firstRow..lastRow over columns
// 1..lastColumn, under heading rows 1..firstRow - 1.
struct FramedBand {
  int firstRow;
  int lastRow;
  int lastColumn;
};
inline constexpr FramedBand kTableListBand{8, 67, 8};
inline constexpr FramedBand kDefinitionBand{8, 67, 9};
// The detailed (詳細) templates: the same bands one column (list: I 種別)
// or two columns (definition: J デフォルト値, K 参照先) wider.
inline constexpr FramedBand kDetailedListBand{8, 67, 9};
inline constexpr FramedBand kDetailedDefinitionBand{8, 67, 11};

// Rows past the band up to lastRow continue it, the last one closing it with
// the band's bottom line; print titles are the heading rows and the print
// area runs to the band's end or lastRow, whichever is further.
void FitBand(xl::IWorksheet& sheet, const FramedBand& band, int lastRow);

// A user's model sheet: rows past its formatted body frame, from startRow in
// the columns firstColumn..lastColumn, take the form of startRow up to
// lastRow. A body without a format of its own, or no rows, leaves the sheet
// as it is.
void ContinueModelFrame(xl::IWorksheet& sheet, int startRow, int firstColumn, int lastColumn,
                        int lastRow);

// Before a definition sheet's `rows` body rows: the built-in band (the
// layout writes the header texts; the detailed one when the layout is) or
// the model's body frame, from the layout's body items.
void KeepForm(xl::IWorksheet& sheet, const DefinitionLayout& layout, int rows);

}  // namespace zel
