#pragma once
// One worksheet part held for editing: the cells of <sheetData> parsed once
// into rows and cells indexed by number, and the rest of the part kept as an
// XML tree. A cell write is a map look-up; the part is printed again on save.
#include <pugixml.hpp>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zel::xl {

inline constexpr int kMaxRows = 1048576;
inline constexpr int kMaxColumns = 16384;

// "A", "B", ... "XFD" for 1-based column numbers.
std::string ColumnName(int column);
// "C4" -> row 4, column 3; false when it is not a cell reference.
bool ParseCellRef(std::string_view ref, int& row, int& column);

class WorksheetModel {
 public:
  enum class Kind : uint8_t { Empty, Number, Shared, Typed, Raw };
  struct Cell {
    uint32_t column = 0;
    uint32_t style = 0;
    Kind kind = Kind::Empty;
    // Number: its lexical form. Shared: the string index. Typed: the t
    // attribute, a NUL, then the value. Raw: the whole <c> element as read
    // (formulas, inline strings and anything else we do not rewrite).
    std::string value;
  };
  struct Row {
    std::string attrs;  // the row's attributes other than r and spans, escaped
    std::string tail;   // elements after the cells (an extLst), as read
    uint32_t style = 0;
    bool customFormat = false;
    std::vector<Cell> cells;  // by column
  };

  void Parse(std::string_view xml, const std::string& partName);
  std::unique_ptr<WorksheetModel> Clone() const;
  std::string Serialize();

  // The cell, created with the style Excel gives a new cell there (the row's
  // format, else the column's) when it does not exist.
  Cell& At(int row, int column);
  const Cell* Find(int row, int column) const;

  bool TabSelected() const;
  void SetTabSelected(bool selected);

  // The highest shared-string index (-1 for none) and cell format index
  // the part referred to when read, checked against the workbook's tables.
  long MaxSharedIndex() const { return maxShared_; }
  uint32_t MaxStyleIndex() const { return maxStyle_; }

  // True when a write replaced a formula: the calculation chain is stale then.
  bool FormulaReplaced() const { return formulaReplaced_; }
  void NoteFormulaReplaced() { formulaReplaced_ = true; }

  // Before the cell at (row, column) is overwritten: when it holds the
  // master of a shared formula, every other cell of that formula gets the
  // formula written out for itself, so none is left pointing at a master
  // that is gone.
  void UnshareFormulaAt(int row, int column);

  // Rewrites the formula text of every formula cell with `edit`; returns
  // whether any changed.
  template <typename F>
  bool EditFormulas(F&& edit);

 private:
  uint32_t DefaultStyle(const Row& row, int column) const;
  void LocateNodes();
  bool EditRawFormula(Cell& cell, const std::function<std::string(std::string_view)>& edit);

  pugi::xml_document doc_;  // the part with <sheetData> emptied
  pugi::xml_node sheetData_, dimension_;
  std::string prefix_;
  // Rows are shared between a sheet and its copies until one of them writes
  // to a row: a copy costs a pointer per row, not the cells.
  std::map<int, std::shared_ptr<Row>> rows_;
  Row& MutableRow(int row);
  struct ColumnStyle {
    uint32_t min, max, style;
  };
  std::vector<ColumnStyle> colStyles_;
  bool formulaReplaced_ = false;
  bool hasFormulas_ = false;  // a raw cell held a formula when read
  long maxShared_ = -1;
  uint32_t maxStyle_ = 0;
};

template <typename F>
bool WorksheetModel::EditFormulas(F&& edit) {
  bool any = false;
  if (!hasFormulas_) return false;
  std::function<std::string(std::string_view)> fn = edit;
  for (auto& entry : rows_) {
    bool has = false;
    for (const auto& cell : entry.second->cells) has = has || cell.kind == Kind::Raw;
    if (!has) continue;
    for (auto& cell : MutableRow(entry.first).cells)
      if (cell.kind == Kind::Raw && EditRawFormula(cell, fn)) any = true;
  }
  return any;
}

}  // namespace zel::xl
