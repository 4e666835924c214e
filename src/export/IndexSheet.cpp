#include "export/IndexSheet.h"

#include "export/DocumentSheets.h"
#include "xlsx/CellText.h"

namespace zel {
namespace {

constexpr int kFirstRow = 8;  // as the table list: header block, gap, headings in row 7

// A link's display text is an attribute: the cell's text without what XML
// cannot carry.
std::string DisplayText(const std::string& text) {
  return xl::CellTextForXml(xl::SanitizeUtf8(text));
}

}  // namespace

std::optional<CellPosition> IndexLinkCell(const ExportSettings& settings) {
  if (settings.templateChoice == 0) return CellPosition{1, 10};  // J1
  if (settings.Detailed()) return CellPosition{1, 12};            // L1
  if (settings.UsesOwnWorkbook() && settings.indexLink && settings.indexLink->exported) {
    const ExportItem& item = *settings.indexLink;
    if (item.Row() > 0 && item.Column() > 0) return CellPosition{item.Row(), item.Column()};
  }
  return std::nullopt;
}

bool IndexSheetWanted(const ExportSettings& settings, std::optional<bool> choice) {
  if (choice) return *choice;
  if (settings.indexSheet) return *settings.indexSheet;
  return settings.Detailed();
}

void WriteIndexSheet(xl::IWorksheet& sheet, TBrowser& browser, TTreeNode& schema,
                     const ExportSettings& settings, const std::vector<IndexEntry>& entries,
                     const std::function<std::string(const std::string&, const std::string&)>& fit,
                     const std::function<void()>& processEvents) {
  const bool detailed = settings.Detailed();
  sheet.Cells(1, 1).FormulaR1C1("システム名");
  sheet.Cells(2, 1).FormulaR1C1("サブシステム名");
  sheet.Cells(3, 1).FormulaR1C1("スキーマ");
  sheet.Cells(1, 5).FormulaR1C1("作成者");
  sheet.Cells(2, 5).FormulaR1C1("承認者");
  // The header texts go where the table list writes them, and only when
  // the list would (the built-in templates).
  if (settings.UsesBuiltInTemplate()) WriteListHeaderTexts(sheet, browser, schema);
  sheet.Cells(7, 1).FormulaR1C1("No.");
  sheet.Cells(7, 2).FormulaR1C1("テーブル名");
  sheet.Cells(7, 3).FormulaR1C1("コメント");
  if (detailed) sheet.Cells(7, 4).FormulaR1C1("種別");
  sheet.ColumnWidth(1, 6);
  sheet.ColumnWidth(2, 32);
  sheet.ColumnWidth(3, 48);
  if (detailed) sheet.ColumnWidth(4, 28);

  // The kinds come from one statement for the schema, also when the
  // export reads table by table.
  std::optional<SchemaRows> kinds;
  if (detailed && !browser.SchemaRowsOf(schema)) {
    kinds.emplace(schema);
    browser.SetSchemaRows(&*kinds);
  }
  struct Detach {
    TBrowser& browser;
    bool attached;
    ~Detach() {
      if (attached) browser.SetSchemaRows(nullptr);
    }
  } detach{browser, kinds.has_value()};

  int row = kFirstRow;
  for (std::size_t i = 0; i < entries.size(); ++i, ++row) {
    TTreeNode& table = *entries[i].table;
    const TableInfo* info = table.Data();
    sheet.Cells(row, 1).FormulaR1C1(std::to_string(i + 1));
    // Typed as the list types it; the link shows the name as it is.
    sheet.Cells(row, 2).FormulaR1C1(table.Text());
    sheet.Hyperlink(row, 2, xl::SheetLocation(entries[i].sheetName), DisplayText(table.Text()));
    sheet.Cells(row, 3).FormulaR1C1(
        fit(info ? info->comment : std::string(), table.Text() + "　コメント"));
    if (detailed) sheet.Cells(row, 4).FormulaR1C1(browser.TableKindOf(table));
    if (processEvents) processEvents();
  }
  sheet.PrintTitleRows(7, 7);
}

void WriteBackLink(xl::IWorksheet& sheet, const ExportSettings& settings,
                   const std::string& indexSheetName) {
  const std::optional<CellPosition> cell = IndexLinkCell(settings);
  if (!cell) return;
  sheet.Cells(cell->row, cell->column).FormulaR1C1(kBackLinkText);
  sheet.Hyperlink(cell->row, cell->column, xl::SheetLocation(indexSheetName), kBackLinkText);
}

}  // namespace zel
