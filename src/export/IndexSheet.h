#pragma once
// The 目次 sheet of a definition document: the first sheet, listing the
// tables in the order of their sheets, each name a link to its sheet, and
// on every table sheet a link back.
#include <optional>
#include <string>
#include <vector>

#include "catalog/Browser.h"
#include "export/ExportSettings.h"
#include "xlsx/ExcelApplication.h"

namespace zel {

inline constexpr const char* kIndexSheetName = "目次";
inline constexpr const char* kBackLinkText = "目次へ";

struct CellPosition {
  int row = 0;
  int column = 0;
};

// Where a table sheet's "目次へ" goes: J1 with 標準, L1 with 詳細, the
// indexlink item with the own workbook; nothing when that item is unset or
// not exported.
std::optional<CellPosition> IndexLinkCell(const ExportSettings& settings);

// Whether a definition document gets the 目次: `choice` (the command line)
// over the settings' IndexSheet over the template's default (on with 詳細).
bool IndexSheetWanted(const ExportSettings& settings, std::optional<bool> choice = std::nullopt);

struct IndexEntry {
  TTreeNode* table;
  std::string sheetName;  // the name the table's sheet really got
};

// Fills the 目次 sheet: the header block of the table list, then one row
// per entry (No., table name linked to its sheet, comment; with 詳細 the
// 種別 too). `fit` cuts a text that a cell cannot hold.
void WriteIndexSheet(xl::IWorksheet& sheet, TBrowser& browser, TTreeNode& schema,
                     const ExportSettings& settings, const std::vector<IndexEntry>& entries,
                     const std::function<std::string(const std::string&, const std::string&)>& fit,
                     const std::function<void()>& processEvents);

// The "目次へ" of one table sheet, when the settings give it a cell.
void WriteBackLink(xl::IWorksheet& sheet, const ExportSettings& settings,
                   const std::string& indexSheetName);

}  // namespace zel
