// Rows given the form of another row: how a document keeps its frame when it
// runs longer than the rows its template formatted. Done once per sheet for
// a whole range of rows, so a list of ten thousand rows costs one pass.
#include <algorithm>
#include <string>
#include <vector>

#include "xlsx/WorksheetModel.h"
#include "xlsx/XlsxError.h"
#include "xlsx/XmlUtil.h"

namespace zel::xl {
namespace {

struct Area {
  int r1, c1, r2, c2;
  bool Meets(const Area& o) const { return r1 <= o.r2 && o.r1 <= r2 && c1 <= o.c2 && o.c1 <= c2; }
};

bool ParseArea(std::string_view ref, Area& a) {
  const std::size_t colon = ref.find(':');
  if (!ParseCellRef(ref.substr(0, colon), a.r1, a.c1)) return false;
  if (colon == std::string_view::npos) {
    a.r2 = a.r1;
    a.c2 = a.c1;
    return true;
  }
  if (!ParseCellRef(ref.substr(colon + 1), a.r2, a.c2)) return false;
  if (a.r2 < a.r1) std::swap(a.r1, a.r2);
  if (a.c2 < a.c1) std::swap(a.c1, a.c2);
  return true;
}

void CheckRange(int first, int last, int limit, const char* what) {
  if (first < 1 || last > limit || first > last)
    throw EXlsxError(std::string("FormRows: the ") + what + " " + std::to_string(first) + " to " +
                     std::to_string(last) + " lie outside the worksheet");
}

}  // namespace

bool WorksheetModel::HasOwnFormat(const RowSlot& row, int firstColumn, int lastColumn) const {
  if (!row.cells) return false;
  for (const Cell& c : *row.cells) {
    const int col = c.column;
    if (col >= firstColumn && col <= lastColumn && c.style != DefaultStyle(row, col)) return true;
  }
  return false;
}

int WorksheetModel::LastFormattedRow(int start, int firstColumn, int lastColumn) const {
  auto it = std::lower_bound(rows_.begin(), rows_.end(), static_cast<uint32_t>(std::max(start, 1)),
                             [](const RowSlot& s, uint32_t v) { return s.number < v; });
  int last = start - 1;
  for (; it != rows_.end() && static_cast<int>(it->number) == last + 1; ++it) {
    if (!HasOwnFormat(*it, firstColumn, lastColumn)) break;
    last = static_cast<int>(it->number);
  }
  return last;
}

void WorksheetModel::FormRows(int first, int last, int model, int firstColumn, int lastColumn) {
  if (first > last) return;
  CheckRange(first, last, kMaxRows, "rows");
  CheckRange(model, model, kMaxRows, "rows");
  CheckRange(firstColumn, lastColumn, kMaxColumns, "columns");

  // The model row's merges that reach into the columns come along whole.
  pugi::xml_node merges = Child(doc_.document_element(), "mergeCells");
  std::vector<Area> spans, taken;
  int c1 = firstColumn, c2 = lastColumn;
  ForEachChild(merges, "mergeCell", [&](pugi::xml_node m) {
    Area a{};
    if (!ParseArea(m.attribute("ref").value(), a)) return;
    if (a.r1 == model && a.r2 == model && a.c1 <= lastColumn && a.c2 >= firstColumn)
      spans.push_back(a);
    if (a.r1 <= last && a.r2 >= first) taken.push_back(a);
  });
  for (const Area& s : spans) c1 = std::min(c1, s.c1), c2 = std::max(c2, s.c2);

  // Copied out first: forming rows inserts slots and may move the model's.
  struct Format {
    int column;
    uint32_t style;
  };
  std::vector<Format> form;
  uint32_t info = 0;
  auto slot = std::lower_bound(rows_.begin(), rows_.end(), static_cast<uint32_t>(model),
                               [](const RowSlot& s, uint32_t v) { return s.number < v; });
  if (slot != rows_.end() && static_cast<int>(slot->number) == model) {
    info = slot->info;
    if (slot->cells)
      for (const Cell& c : *slot->cells)
        if (c.column >= c1 && c.column <= c2) form.push_back({c.column, c.style});
  }

  std::string ref;
  std::size_t added = 0;
  for (int r = first; r <= last; ++r) {
    if (r == model) continue;
    for (const Format& f : form) At(r, f.column).style = f.style;
    SlotOf(r)->info = info;
    for (const Area& s : spans) {
      const Area mine{r, s.c1, r, s.c2};
      if (std::any_of(taken.begin(), taken.end(), [&](const Area& t) { return t.Meets(mine); }))
        continue;
      ref = ColumnName(s.c1) + std::to_string(r) + ':' + ColumnName(s.c2) + std::to_string(r);
      merges.append_child((prefix_ + "mergeCell").c_str()).append_attribute("ref") = ref.c_str();
      ++added;
    }
  }
  if (added) {
    std::size_t count = 0;
    ForEachChild(merges, "mergeCell", [&](pugi::xml_node) { ++count; });
    SetAttr(merges, "count", "count", std::to_string(count));
  }
}

void WorksheetModel::FormCells(int row, int firstColumn, int lastColumn, int modelRow,
                               int modelColumn) {
  CheckRange(row, row, kMaxRows, "rows");
  CheckRange(modelRow, modelRow, kMaxRows, "rows");
  CheckRange(firstColumn, lastColumn, kMaxColumns, "columns");
  CheckRange(modelColumn, modelColumn, kMaxColumns, "columns");
  const Cell* model = Find(modelRow, modelColumn);
  const uint32_t style = model ? model->style : At(modelRow, modelColumn).style;
  for (int c = firstColumn; c <= lastColumn; ++c) At(row, c).style = style;
  if (lastColumn == firstColumn) return;

  pugi::xml_node merges = Child(doc_.document_element(), "mergeCells");
  const Area mine{row, firstColumn, row, lastColumn};
  bool overlaps = false;
  std::size_t count = 0;
  ForEachChild(merges, "mergeCell", [&](pugi::xml_node m) {
    ++count;
    Area a{};
    if (ParseArea(m.attribute("ref").value(), a) && a.Meets(mine)) overlaps = true;
  });
  if (overlaps) return;
  // Only the built-in templates are formed cell by cell, and they all merge
  // cells of their own.
  if (!merges) throw EXlsxError("FormCells: the worksheet has no merged cells to add to");
  const std::string ref = ColumnName(firstColumn) + std::to_string(row) + ':' +
                          ColumnName(lastColumn) + std::to_string(row);
  merges.append_child((prefix_ + "mergeCell").c_str()).append_attribute("ref") = ref.c_str();
  SetAttr(merges, "count", "count", std::to_string(count + 1));
}

}  // namespace zel::xl
