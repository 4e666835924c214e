#pragma once
// What goes into the cells of the two documents: the table list of a schema
// and the definition of one table, copied from the grids after the catalog
// has been read again.
#include <functional>
#include <string>
#include <vector>

#include "catalog/Browser.h"
#include "xlsx/ExcelApplication.h"
#include "export/ExportSettings.h"
#include "export/SheetNames.h"

namespace zel {

// Where each item goes in a definition worksheet.
struct ItemPosition {
  bool exported = false;
  int row = 0;
  int column = 0;
};
struct DefinitionLayout {
  std::array<ItemPosition, kAllItemCount> items{};
  bool writeHeaderTexts = false;  // the built-in template's C1, C2, I1, I2
  // The detailed template: J and K of the column rows, and the index,
  // foreign key and constraint sections below them.
  bool detailed = false;
  // The column defaults or references are written: the table's facts are
  // read.
  bool NeedsFacts() const {
    return detailed || items[eiColumnDefault].exported || items[eiReferences].exported;
  }
};
// The built-in template's fixed cells, or the positions of the settings.
DefinitionLayout LayoutFor(const ExportSettings& settings);

// "1" -> "○" for the not-null and primary-key marks.
std::string MarkText(const std::string& cell);

// The table list's header block: system and subsystem names, schema,
// author and approver, in the cells of the built-in list.
void WriteListHeaderTexts(xl::IWorksheet& sheet, TBrowser& browser, TTreeNode& schema);

struct SheetWriter {
  TBrowser& browser;
  const ExportSettings& settings;
  // Lets the window repaint between rows.
  std::function<void()> processEvents;
  // Told each line about a sheet that could not take its table's name.
  std::function<void(const std::string&)> notice;
  // The names given so far to the sheets of this writer's workbook.
  SheetNamer sheetNames;

  // `rows`: only these rows of the list grid, numbered afresh (a filtered
  // document); null: every row as the grid numbers it.
  void WriteTableListSheet(xl::IWorksheet& sheet, TTreeNode& schema,
                           const std::vector<int>* rows = nullptr);
  // The value, or when it is longer than a cell holds, its visible cut, with
  // a log line and a notice saying where (table, column and item).
  std::string Fit(const std::string& value, const std::string& where);
  // Gives the name the sheet got.
  std::string WriteTableDefinitionSheet(xl::IWorksheet& sheet, TTreeNode& table);

 private:
  // The detailed sheet's sections from row `row` down (the blank row above
  // them already counted); gives the last row written.
  int WriteSections(xl::IWorksheet& sheet, int row, int closingRow, const TableFacts& facts,
                    const std::string& table);
};

}  // namespace zel
