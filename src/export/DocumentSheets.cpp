#include "export/DocumentSheets.h"

#include "common/Text.h"
#include "export/SheetForm.h"
#include "xlsx/CellText.h"

namespace zel {
namespace {

const std::string kStart = "　出力開始";
const std::string kDone = "　出力正常終了";
const int kSheetNameBytes = 31;

}  // namespace

DefinitionLayout LayoutFor(const ExportSettings& settings) {
  DefinitionLayout layout;
  if (settings.templateChoice == 0) {
    auto set = [&](int id, int row, int col) {
      layout.items[static_cast<size_t>(id)] = {true, row, col};
    };
    set(eiSchemaName, 3, 3);
    set(eiTableName, 4, 3);
    set(eiTableComment, 5, 3);
    set(eiCreateDate, 3, 9);
    set(eiUpdateDate, 4, 9);
    set(eiNo, 8, 1);
    set(eiColumnName, 8, 2);
    set(eiColumnType, 8, 4);
    set(eiColumnLength, 8, 5);
    set(eiColumnDecimalLength, 8, 6);
    set(eiNotNull, 8, 7);
    set(eiPrimaryKey, 8, 8);
    set(eiColumnComment, 8, 9);
    layout.writeHeaderTexts = true;
    return layout;
  }
  for (int id = 0; id < kExportItemCount; ++id) {
    const ExportItem& item = settings.Item(id);
    layout.items[static_cast<size_t>(id)] = {item.exported, item.Row(), item.Column()};
  }
  return layout;
}

std::string MarkText(const std::string& cell) {
  return cell == "1" ? "○" : cell;
}

std::string SheetWriter::Fit(const std::string& value, const std::string& where) {
  if (value.size() <= xl::kMaxCellChars) return value;
  const std::string clean = xl::SanitizeUtf8(value);
  std::optional<std::string> cut = xl::CutToCell(clean);
  if (!cut) return clean;
  // Excel would take no more; the "…" shows the cut in the cell, the line
  // says where it happened.
  const std::string line = where + "を" + std::to_string(xl::kMaxCellChars) +
                           "文字で切り詰め（元は" + std::to_string(xl::Utf16Length(clean)) +
                           "文字）";
  browser.WriteLog(line);
  if (notice) notice(line);
  return std::move(*cut);
}

void SheetWriter::WriteTableListSheet(xl::IWorksheet& sheet, TTreeNode& schema,
                                      const std::vector<int>* rows) {
  browser.WriteLog(schema.Text() + kStart);
  if (settings.templateChoice == 0) {
    const HeaderTexts h = ReadHeaderTexts(browser.Common());
    sheet.Cells(1, 3).FormulaR1C1(h.systemName);
    sheet.Cells(2, 3).FormulaR1C1(h.subSystemName);
    sheet.Cells(3, 3).FormulaR1C1(browser.SchemaNameOf(schema));
    sheet.Cells(1, 7).FormulaR1C1(h.createEmp);
    sheet.Cells(2, 7).FormulaR1C1(h.managerEmp);
  }
  const TStringGrid& grid = browser.grdTableList();
  const int count = rows ? static_cast<int>(rows->size()) + 1 : grid.RowCount();
  FitBand(sheet, kTableListBand, 6 + count);
  for (int n = 1; n < count; ++n) {
    const int r = rows ? (*rows)[static_cast<std::size_t>(n - 1)] : n;
    sheet.Cells(7 + n, 1).FormulaR1C1(rows ? std::to_string(n) : grid.Cell(0, r));
    sheet.Cells(7 + n, 2).FormulaR1C1(grid.Cell(1, r));
    sheet.Cells(7 + n, 4).FormulaR1C1(Fit(grid.Cell(2, r), grid.Cell(1, r) + "　コメント"));
    sheet.Cells(7 + n, 7).FormulaR1C1(grid.Cell(3, r));
    sheet.Cells(7 + n, 8).FormulaR1C1(grid.Cell(4, r));
    if (processEvents) processEvents();
  }
  browser.WriteLog(schema.Text() + kDone);
}

std::string SheetWriter::WriteTableDefinitionSheet(xl::IWorksheet& sheet, TTreeNode& table) {
  browser.WriteLog(table.Text() + kStart);
  browser.LoadColumns(table);

  const DefinitionLayout layout = LayoutFor(settings);
  if (layout.writeHeaderTexts) {
    const HeaderTexts h = ReadHeaderTexts(browser.Common());
    sheet.Cells(1, 3).FormulaR1C1(h.systemName);
    sheet.Cells(2, 3).FormulaR1C1(h.subSystemName);
    sheet.Cells(1, 9).FormulaR1C1(h.createEmp);
    sheet.Cells(2, 9).FormulaR1C1(h.managerEmp);
  }

  const TableInfo* info = table.Data();
  const std::string comment = info ? info->comment : std::string();
  const std::string created = info && info->hasDates ? info->created : std::string();
  const std::string updated = info && info->hasDates ? info->updated : std::string();
  auto head = [&](int id, const std::string& value) {
    const ItemPosition& p = layout.items[static_cast<size_t>(id)];
    if (p.exported)
      sheet.Cells(p.row, p.column)
          .FormulaR1C1(Fit(value, table.Text() + "　" + std::string(ItemDef(id).label)));
  };
  head(eiDatabaseName, browser.DatabaseNameOf(table));
  head(eiSchemaName, browser.SchemaNameOf(table));
  head(eiTableName, table.Text());
  head(eiTableComment, comment);
  head(eiCreateDate, created);
  head(eiUpdateDate, updated);

  // Cut at a whole character: a lone lead byte would be no name at all. A
  // name Excel refuses gets a legal one of its own instead of failing the
  // whole document; the table-name cell above keeps the real name.
  const std::string sheetName = sheetNames.Name(table.Text(), table.Index() + 1,
                                                [&](const std::string& name) { sheet.Name(name); });
  if (sheetName != text::CutCp932(table.Text(), kSheetNameBytes)) {
    const std::string line = table.Text() + "　シート名を「" + sheetName + "」に変更";
    browser.WriteLog(line);
    if (notice) notice(line);
  }

  const TStringGrid& grid = browser.grdTableDefinition();
  KeepForm(sheet, layout, grid.RowCount() - 1);
  for (int r = 1; r < grid.RowCount(); ++r) {
    for (int id = kBodyFirst; id <= kBodyLast; ++id) {
      const ItemPosition& p = layout.items[static_cast<size_t>(id)];
      if (p.exported) {
        std::string value = grid.Cell(id - kBodyFirst, r);
        if (id == eiNotNull || id == eiPrimaryKey) value = MarkText(value);
        value = Fit(value, table.Text() + "　列 " + grid.Cell(1, r) + " の" +
                               std::string(ItemDef(id).label));
        const int row = p.row + r - 1;
        sheet.Cells(row, p.column).FormulaR1C1(value);
        sheet.Cells(row, p.column).WrapText(false);
      }
      if (processEvents) processEvents();
    }
  }
  browser.WriteLog(table.Text() + kDone);
  return sheetName;
}

}  // namespace zel
