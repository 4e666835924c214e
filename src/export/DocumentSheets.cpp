#include "export/DocumentSheets.h"

#include <algorithm>
#include <map>
#include <vector>

#include "common/Text.h"
#include "export/SheetForm.h"
#include "xlsx/CellText.h"

namespace zel {
namespace {

const std::string kStart = "　出力開始";
const std::string kDone = "　出力正常終了";
const int kSheetNameBytes = 31;

// The detailed sheet's sections. Each column of a section spans sheet
// columns: the names take A:C as the column names' area does, the column
// lists and kinds D, the rest what is left of E:K, so that a section fills
// A:K like the column rows above it.
struct SectionColumn {
  const char* heading;
  int first, last;
  bool mark;  // ○ marks, centred like 必須 and 主キー
};
constexpr SectionColumn kIndexColumns[] = {
    {"インデックス名", 1, 3, false}, {"カラム", 4, 4, false}, {"ユニーク", 5, 6, true},
    {"主キー", 7, 8, true},          {"種類", 9, 9, false},   {"備考", 10, 11, false}};
constexpr SectionColumn kForeignKeyColumns[] = {
    {"制約名", 1, 3, false},         {"カラム", 4, 4, false}, {"参照先テーブル", 5, 8, false},
    {"参照先カラム", 9, 9, false},   {"削除時", 10, 10, false}, {"更新時", 11, 11, false}};
constexpr SectionColumn kConstraintColumns[] = {
    {"制約名", 1, 3, false}, {"種類", 4, 4, false}, {"定義", 5, 11, false}};

// The cells of the detailed template whose formats the sections take: the
// heading row's bold framed cell for titles and headings, the band's text
// cells (J) and centred cells (G) for items, an inner row for items and the
// band's closing row (thin line under it) for a section's last row.
constexpr int kHeadingRow = 7, kHeadingColumn = 1;
constexpr int kTextColumn = 10, kMarkColumn = 7;
constexpr int kTitleLast = 3;  // a title spans A:C
const std::string kNone = "なし";
const std::string kNotGiven = "このサーバーでは取得できません";

std::string Mark(bool on) {
  return on ? "○" : std::string();
}

}  // namespace

DefinitionLayout LayoutFor(const ExportSettings& settings) {
  DefinitionLayout layout;
  if (settings.UsesBuiltInTemplate()) {
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
    if (settings.Detailed()) {
      set(eiColumnDefault, 8, 10);
      set(eiReferences, 8, 11);
      layout.detailed = true;
    }
    layout.writeHeaderTexts = true;
    return layout;
  }
  for (int id = 0; id < kAllItemCount; ++id) {
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

void WriteListHeaderTexts(xl::IWorksheet& sheet, TBrowser& browser, TTreeNode& schema) {
  const HeaderTexts h = ReadHeaderTexts(browser.Common());
  sheet.Cells(1, 3).FormulaR1C1(h.systemName);
  sheet.Cells(2, 3).FormulaR1C1(h.subSystemName);
  sheet.Cells(3, 3).FormulaR1C1(browser.SchemaNameOf(schema));
  sheet.Cells(1, 7).FormulaR1C1(h.createEmp);
  sheet.Cells(2, 7).FormulaR1C1(h.managerEmp);
}

void SheetWriter::WriteTableListSheet(xl::IWorksheet& sheet, TTreeNode& schema,
                                      const std::vector<int>* rows) {
  browser.WriteLog(schema.Text() + kStart);
  const bool detailed = settings.Detailed();
  if (settings.UsesBuiltInTemplate()) WriteListHeaderTexts(sheet, browser, schema);
  const TStringGrid& grid = browser.grdTableList();
  const int count = rows ? static_cast<int>(rows->size()) + 1 : grid.RowCount();
  FitBand(sheet, detailed ? kDetailedListBand : kTableListBand, 6 + count);
  // The list's rows are the schema's children in order; the kind is asked
  // of the node, by name, should the two ever differ.
  std::map<std::string, TTreeNode*> tables;
  if (detailed)
    for (int i = 0; i < schema.ChildCount(); ++i) tables[schema.Child(i)->Text()] = schema.Child(i);
  for (int n = 1; n < count; ++n) {
    const int r = rows ? (*rows)[static_cast<std::size_t>(n - 1)] : n;
    sheet.Cells(7 + n, 1).FormulaR1C1(rows ? std::to_string(n) : grid.Cell(0, r));
    sheet.Cells(7 + n, 2).FormulaR1C1(grid.Cell(1, r));
    sheet.Cells(7 + n, 4).FormulaR1C1(Fit(grid.Cell(2, r), grid.Cell(1, r) + "　コメント"));
    sheet.Cells(7 + n, 7).FormulaR1C1(grid.Cell(3, r));
    sheet.Cells(7 + n, 8).FormulaR1C1(grid.Cell(4, r));
    if (detailed) {
      auto it = tables.find(grid.Cell(1, r));
      if (it != tables.end())
        sheet.Cells(7 + n, 9).Text(Fit(browser.TableKindOf(*it->second), grid.Cell(1, r) + "　種別"));
    }
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
  const TableFacts facts = layout.NeedsFacts() ? browser.TableFactsOf(table) : TableFacts{};
  auto factOf = [](const std::map<std::string, std::string>& m, const std::string& column) {
    auto it = m.find(column);
    return it == m.end() ? std::string() : it->second;
  };
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
    // A default such as 0 or '=1'::text is the server's text, never a
    // number or a formula.
    for (int id : {eiColumnDefault, eiReferences}) {
      const ItemPosition& p = layout.items[static_cast<size_t>(id)];
      if (!p.exported) continue;
      const std::string& column = grid.Cell(1, r);
      const std::string value =
          factOf(id == eiColumnDefault ? facts.defaults : facts.references, column);
      const int row = p.row + r - 1;
      sheet.Cells(row, p.column)
          .Text(Fit(value, table.Text() + "　列 " + column + " の" + std::string(ItemDef(id).label)));
      sheet.Cells(row, p.column).WrapText(false);
    }
  }
  if (layout.detailed) {
    const FramedBand& band = kDetailedDefinitionBand;
    const int closing = std::max(band.lastRow, band.firstRow + grid.RowCount() - 2);
    const int last = WriteSections(sheet, closing + 2, closing, facts, table.Text());
    sheet.PrintArea(1, 1, last, band.lastColumn);
  }
  browser.WriteLog(table.Text() + kDone);
  return sheetName;
}

int SheetWriter::WriteSections(xl::IWorksheet& sheet, int row, int closingRow,
                               const TableFacts& facts, const std::string& table) {
  const int inner = kDetailedDefinitionBand.firstRow + 1;
  const int lastColumn = kDetailedDefinitionBand.lastColumn;
  auto section = [&](const std::string& title, bool given, const auto& columns,
                     const std::vector<std::vector<std::string>>& items) {
    sheet.FormCells(row, 1, kTitleLast, kHeadingRow, kHeadingColumn);
    sheet.Cells(row, 1).Text(title);
    ++row;
    if (!given || items.empty()) {
      sheet.FormCells(row, 1, lastColumn, closingRow, kTextColumn);
      sheet.Cells(row, 1).Text(given ? kNone : kNotGiven);
      return row++;
    }
    for (const SectionColumn& c : columns) {
      sheet.FormCells(row, c.first, c.last, kHeadingRow, kHeadingColumn);
      sheet.Cells(row, c.first).Text(c.heading);
    }
    for (size_t i = 0; i < items.size(); ++i) {
      ++row;
      const int model = i + 1 == items.size() ? closingRow : inner;
      size_t k = 0;
      for (const SectionColumn& c : columns) {
        sheet.FormCells(row, c.first, c.last, model, c.mark ? kMarkColumn : kTextColumn);
        const std::string& value = items[i][k++];
        sheet.Cells(row, c.first)
            .Text(Fit(value, table + "　" + title + " " + items[i][0] + " の" + c.heading));
      }
      if (processEvents) processEvents();
    }
    return row++;
  };

  std::vector<std::vector<std::string>> items;
  for (const IndexFact& x : facts.indexes)
    items.push_back({x.name, x.columns, Mark(x.unique), Mark(x.primary), x.method, x.note});
  section("インデックス", facts.hasIndexes, kIndexColumns, items);
  ++row;  // the blank row between sections
  items.clear();
  for (const ForeignKeyFact& x : facts.foreignKeys)
    items.push_back({x.name, x.columns, x.refTable, x.refColumns, x.onDelete, x.onUpdate});
  section("外部キー", facts.hasForeignKeys, kForeignKeyColumns, items);
  ++row;
  items.clear();
  for (const ConstraintFact& x : facts.constraints) items.push_back({x.name, x.type, x.definition});
  return section("制約", facts.hasConstraints, kConstraintColumns, items);
}

}  // namespace zel
