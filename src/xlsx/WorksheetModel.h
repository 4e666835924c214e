#pragma once
// One worksheet part held for editing: the cells of <sheetData> parsed once
// into rows and cells indexed by number, and the rest of the part kept as an
// XML tree. A cell write is a binary search; the part is printed again on save.
#include <pugixml.hpp>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
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

// A cell's text in 16 bytes: up to 14 bytes are kept in place, longer text
// on the heap. A worksheet holds a million of them, and almost all are short
// numbers or string indexes, which a std::string would hold in twice the room.
class CellString {
 public:
  CellString() noexcept { Reset(); }
  CellString(std::string_view s) {  // NOLINT: converts like a std::string
    Reset();
    assign(s);
  }
  CellString(const CellString& other) : CellString(other.view()) {}
  CellString(CellString&& other) noexcept {
    std::memcpy(buf_, other.buf_, sizeof buf_);
    other.Reset();
  }
  CellString& operator=(const CellString& other) {
    assign(other.view());
    return *this;
  }
  CellString& operator=(CellString&& other) noexcept {
    if (this != &other) {
      Free();
      std::memcpy(buf_, other.buf_, sizeof buf_);
      other.Reset();
    }
    return *this;
  }
  CellString& operator=(std::string_view s) {
    assign(s);
    return *this;
  }
  CellString& operator=(const std::string& s) { return *this = std::string_view(s); }
  CellString& operator=(const char* s) { return *this = std::string_view(s); }
  ~CellString() { Free(); }

  void assign(std::string_view s);
  void clear() noexcept {
    Free();
    Reset();
  }
  bool empty() const noexcept { return size() == 0; }
  std::size_t size() const noexcept {
    if (!OnHeap()) return static_cast<unsigned char>(buf_[kTag]);
    uint32_t n;
    std::memcpy(&n, buf_ + sizeof(char*), sizeof n);
    return n;
  }
  // NUL-terminated (the text itself may hold a NUL).
  const char* c_str() const noexcept {
    if (!OnHeap()) return buf_;
    const char* p;
    std::memcpy(&p, buf_, sizeof p);
    return p;
  }
  const char* data() const noexcept { return c_str(); }
  std::string_view view() const noexcept { return {c_str(), size()}; }
  operator std::string_view() const noexcept { return view(); }  // NOLINT
  std::size_t find(std::string_view s, std::size_t pos = 0) const noexcept {
    return view().find(s, pos);
  }
  std::size_t find(char c, std::size_t pos = 0) const noexcept { return view().find(c, pos); }

 private:
  static constexpr std::size_t kTag = 15;  // in-place length, or kHeap
  static constexpr unsigned char kHeap = 0xFF;
  static constexpr std::size_t kInPlace = kTag - 1;  // leaves room for the NUL
  bool OnHeap() const noexcept { return static_cast<unsigned char>(buf_[kTag]) == kHeap; }
  void Reset() noexcept {
    buf_[0] = '\0';
    buf_[kTag] = 0;
  }
  void Free() noexcept {
    if (OnHeap()) delete[] const_cast<char*>(c_str());
  }
  alignas(8) char buf_[16];
};

class WorksheetModel {
 public:
  enum class Kind : uint8_t { Empty, Number, Shared, Typed, Raw };
  struct Cell {
    // Number: its lexical form. Shared: the string index. Typed: the t
    // attribute, a NUL, then the value. Raw: the whole <c> element as read
    // (formulas, inline strings and anything else we do not rewrite).
    CellString value;
    uint16_t column = 0;  // kMaxColumns fits
    Kind kind = Kind::Empty;
    uint32_t style = 0;
  };

  WorksheetModel() = default;
  WorksheetModel(const WorksheetModel&) = delete;
  WorksheetModel& operator=(const WorksheetModel&) = delete;
  ~WorksheetModel();

  void Parse(std::string_view xml, const std::string& partName);
  std::unique_ptr<WorksheetModel> Clone() const;
  std::string Serialize();

  // The cell, created with the style Excel gives a new cell there (the row's
  // format, else the column's) when it does not exist. The reference holds
  // until the next call that adds a cell to the same row.
  Cell& At(int row, int column);
  const Cell* Find(int row, int column) const;

  bool TabSelected() const;
  void SetTabSelected(bool selected);

  // The highest shared-string index (-1 for none) and cell format index
  // the part referred to when read, checked against the workbook's tables.
  long MaxSharedIndex() const { return maxShared_; }
  uint32_t MaxStyleIndex() const { return maxStyle_; }

  // A cell held a formula when the part was read.
  bool HasFormulas() const { return hasFormulas_; }

  // True when a write replaced a formula: the calculation chain is stale then.
  bool FormulaReplaced() const { return formulaReplaced_; }
  void NoteFormulaReplaced() { formulaReplaced_ = true; }

  // Before the cell at (row, column) is overwritten: when it holds the
  // master of a shared formula, every other cell of that formula gets the
  // formula written out for itself, so none is left pointing at a master
  // that is gone.
  void UnshareFormulaAt(int row, int column);

  // Rows first..last take the form of row `model` (RowForm.cpp): its cell
  // formats in columns firstColumn..lastColumn (widened to take in any
  // merge of the model row that reaches into them), its height and row
  // format, and its merges within one row. Values already in those rows
  // stay; a merge that would overlap one already there is left out.
  void FormRows(int first, int last, int model, int firstColumn, int lastColumn);
  // The cells firstColumn..lastColumn of `row` take the format of the cell
  // (modelRow, modelColumn) and, when more than one, become one merged cell
  // (left out when it would overlap a merge already there).
  void FormCells(int row, int firstColumn, int lastColumn, int modelRow, int modelColumn);
  // The last row of the run from `start` down in which every row has a
  // cell in the columns with a format other than the one a new cell there
  // would get; start - 1 when `start` itself has none.
  int LastFormattedRow(int start, int firstColumn, int lastColumn) const;

  // An internal link on the cell (SheetLinks.cpp); one there before is replaced.
  void SetHyperlink(int row, int column, std::string_view location, std::string_view display);
  // The column's own <col> entry, split out of a range it shared, gets the width.
  void SetColumnWidth(int column, double width);

  // Rewrites the formula text of every formula cell with `edit`; returns
  // whether any changed.
  template <typename F>
  bool EditFormulas(F&& edit) {
    if (!hasFormulas_) return false;
    return EditAllFormulas(std::function<std::string(std::string_view)>(edit));
  }
  // Hands `read` the text of every formula cell, as EditFormulas would.
  void ReadFormulas(const std::function<void(std::string_view)>& read) const;

 private:
  // The cells of one row in one block: a count, a capacity and the cells
  // after them. Rows are shared between a sheet and its copies until one of
  // them writes to a row (a copy costs a pointer per row, not the cells), so
  // the block counts its owners.
  struct alignas(8) RowCells {
    std::atomic<uint32_t> refs{1};
    uint16_t count = 0, capacity = 0;
    Cell* begin() { return reinterpret_cast<Cell*>(this + 1); }
    Cell* end() { return begin() + count; }
    const Cell* begin() const { return reinterpret_cast<const Cell*>(this + 1); }
    const Cell* end() const { return begin() + count; }
  };
  static RowCells* NewCells(std::size_t capacity);
  static void Release(RowCells* cells) noexcept;
  // What a row has besides its cells, which no write changes: many rows
  // share one (Excel gives most rows the same attributes), in a table the
  // sheet and its copies share.
  struct RowInfo {
    std::string attrs;  // the row's attributes other than r and spans, escaped
    std::string tail;   // elements after the cells (an extLst), as read
    uint32_t style = 0;
    bool customFormat = false;
  };
  struct RowSlot {
    RowCells* cells;  // null for a row without cells
    uint32_t number;
    uint32_t info;  // into rowInfo_; 0 is a row with nothing but its cells
  };
  static_assert(sizeof(RowSlot) == 16);
  static_assert(sizeof(Cell) == 24);

  const RowInfo& InfoOf(const RowSlot& row) const;
  bool HasOwnFormat(const RowSlot& row, int firstColumn, int lastColumn) const;
  uint32_t DefaultStyle(const RowSlot& row, int column) const;
  void LocateNodes();
  bool EditRawFormula(Cell& cell, const std::function<std::string(std::string_view)>& edit);
  bool EditAllFormulas(const std::function<std::string(std::string_view)>& edit);
  std::vector<RowSlot>::iterator SlotOf(int row);
  // The row's cells, this sheet's own, with room for `extra` more.
  RowCells& MutableCells(RowSlot& slot, std::size_t extra);

  pugi::xml_document doc_;  // the part with <sheetData> emptied
  pugi::xml_node sheetData_, dimension_;
  std::string prefix_;
  std::vector<RowSlot> rows_;  // by number
  std::shared_ptr<const std::vector<RowInfo>> rowInfo_;
  struct ColumnStyle {
    uint32_t min, max, style;
  };
  std::vector<ColumnStyle> colStyles_;
  bool formulaReplaced_ = false;
  bool hasFormulas_ = false;  // a raw cell held a formula when read
  long maxShared_ = -1;
  uint32_t maxStyle_ = 0;
};

}  // namespace zel::xl
