#include "export/SheetForm.h"

#include <algorithm>

#include "export/DocumentSheets.h"

namespace zel {

void FitBand(xl::IWorksheet& sheet, const FramedBand& band, int lastRow) {
  if (lastRow > band.lastRow) {
    // The band's last row carries its closing line: the new last row takes
    // that form, and the rows between take the form of an inner row.
    sheet.FormRows(lastRow, lastRow, band.lastRow, 1, band.lastColumn);
    const int inner = std::max(band.firstRow, band.lastRow - 1);
    if (inner != band.firstRow || band.lastRow == band.firstRow)
      sheet.FormRows(band.lastRow, lastRow - 1, inner, 1, band.lastColumn);
    else
      sheet.FormRows(band.lastRow + 1, lastRow - 1, band.lastRow, 1, band.lastColumn);
  }
  sheet.PrintTitleRows(1, band.firstRow - 1);
  sheet.PrintArea(1, 1, std::max(lastRow, band.lastRow), band.lastColumn);
}

void ContinueModelFrame(xl::IWorksheet& sheet, int startRow, int firstColumn, int lastColumn,
                        int lastRow) {
  if (startRow < 1 || firstColumn < 1 || firstColumn > lastColumn || lastRow <= startRow) return;
  const int framed = sheet.LastFormattedRow(startRow, firstColumn, lastColumn);
  if (framed < startRow || framed >= lastRow) return;
  sheet.FormRows(framed + 1, lastRow, startRow, firstColumn, lastColumn);
}

void KeepForm(xl::IWorksheet& sheet, const DefinitionLayout& layout, int rows) {
  if (layout.writeHeaderTexts) {
    const FramedBand& band = layout.detailed ? kDetailedDefinitionBand : kDefinitionBand;
    FitBand(sheet, band, band.firstRow + rows - 1);
    return;
  }
  int start = 0, first = 0, last = 0, end = 0;
  for (int id = 0; id < kAllItemCount; ++id) {
    const ItemPosition& p = layout.items[static_cast<size_t>(id)];
    if (!p.exported || ItemDef(id).group != ItemGroup::Body) continue;
    start = start ? std::min(start, p.row) : p.row;
    first = first ? std::min(first, p.column) : p.column;
    last = std::max(last, p.column);
    end = std::max(end, p.row + rows - 1);
  }
  ContinueModelFrame(sheet, start, first, last, end);
}

}  // namespace zel
