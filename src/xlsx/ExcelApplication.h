#pragma once
// The spreadsheet application as the exports drive it: application ->
// workbooks -> workbook -> worksheets -> cells, with the members the export
// algorithms call and nothing more. The real engine (CreateExcelEngine)
// works on .xlsx files in process; tests substitute doubles.
//
//   auto app = CreateExcelEngine();
//   app->Visible(false);
//   app->Workbooks().Open(path);
//   IWorkbook& book = app->Workbooks(1);
//   book.WorkSheets(1).Cells(8, 1).FormulaR1C1("1");
//   book.WorkSheets(1).Select();
//   book.Close(true);
//   app->Quit();
//
// Every member reports failure by throwing (EXlsxError from the engine).
#include <memory>
#include <string>
#include <string_view>

namespace zel::xl {

class IWorksheet;

// A cell handle, as cheap as the row and column it names.
class ExcelCell {
 public:
  ExcelCell(IWorksheet& sheet, int row, int column) : sheet_(sheet), row_(row), column_(column) {}
  // Typed input (see TypedInput.h): a number, a date, the literal text, or
  // nothing for the empty text. Never a formula.
  void FormulaR1C1(std::string_view text);
  // The text as it is, even where typed input would read a number or a
  // date ("0", "-1", "2024/01/01"); nothing for the empty text.
  void Text(std::string_view text);
  void WrapText(bool wrap);

 private:
  IWorksheet& sheet_;
  int row_, column_;
};

class IWorksheet {
 public:
  virtual ~IWorksheet() = default;
  ExcelCell Cells(int row, int column) { return ExcelCell(*this, row, column); }
  // Inserts a copy of this worksheet directly behind `after` (named
  // argument After).
  virtual void Copy(IWorksheet& after) = 0;
  virtual std::string Name() const = 0;
  virtual void Name(std::string_view name) = 0;
  // The workbook opens on this worksheet when saved.
  virtual void Select() = 0;

  virtual void SetFormulaR1C1(int row, int column, std::string_view text) = 0;
  virtual void SetText(int row, int column, std::string_view text) = 0;
  virtual void SetWrapText(int row, int column, bool wrap) = 0;

  // Whole-sheet layout, done once for a range instead of cell by cell.
  // Rows first..last take the form of row `model` in the columns: cell
  // formats, height, merges within the row (WorksheetModel::FormRows).
  virtual void FormRows(int first, int last, int model, int firstColumn, int lastColumn) = 0;
  // The cells firstColumn..lastColumn of `row` take the format of one model
  // cell and, when more than one, are merged into one
  // (WorksheetModel::FormCells).
  virtual void FormCells(int row, int firstColumn, int lastColumn, int modelRow,
                         int modelColumn) = 0;
  // The end of the run of formatted rows from `start` down in the columns;
  // start - 1 when `start` has no format of its own.
  virtual int LastFormattedRow(int start, int firstColumn, int lastColumn) = 0;
  // Rows first..last repeat at the top of every printed page.
  virtual void PrintTitleRows(int first, int last) = 0;
  // What prints of the sheet.
  virtual void PrintArea(int firstRow, int firstColumn, int lastRow, int lastColumn) = 0;

  // A link in the cell to a place in the workbook (`location` as Excel
  // writes it, e.g. 'Sheet 1'!A1; see SheetLocation); the cell looks like a
  // link. The cell's value is written separately.
  virtual void Hyperlink(int row, int column, std::string_view location,
                         std::string_view display) = 0;
  // The column's width in characters, as Excel's column width.
  virtual void ColumnWidth(int column, double width) = 0;
};

// 'name'!A1 with the name's apostrophes doubled: a link target Excel and
// other readers take whatever characters the sheet's name holds.
std::string SheetLocation(std::string_view sheetName);

class ISheets {
 public:
  virtual ~ISheets() = default;
  virtual int count() const = 0;
};

class IWorkbook {
 public:
  virtual ~IWorkbook() = default;
  // 1-based, worksheets only (chart sheets are not worksheets).
  virtual IWorksheet& WorkSheets(int index) = 0;
  // Every sheet of the workbook, worksheets and others.
  virtual ISheets& sheets() = 0;
  // A new empty worksheet, placed before worksheet `before` (1-based), under
  // a name of its own that no sheet has yet.
  virtual IWorksheet& AddWorksheet(int before) = 0;
  // true: saves in place, in the file's format, then closes. false: discards.
  virtual void Close(bool saveChanges) = 0;
};

class IWorkbooks {
 public:
  virtual ~IWorkbooks() = default;
  virtual IWorkbook& Open(const std::string& path) = 0;
  virtual IWorkbook& Item(int index) = 0;  // 1-based
  virtual int Count() const = 0;
};

class IExcelApplication {
 public:
  virtual ~IExcelApplication() = default;
  virtual std::string Version() = 0;
  // Ends the application: open workbooks are discarded.
  virtual void Quit() = 0;
  virtual void Visible(bool visible) = 0;
  virtual IWorkbooks& Workbooks() = 0;
  IWorkbook& Workbooks(int index) { return Workbooks().Item(index); }
};

// The in-process engine. Its Version is "12.0": it writes the Excel 2007
// Open XML format.
std::unique_ptr<IExcelApplication> CreateExcelEngine();

inline void ExcelCell::FormulaR1C1(std::string_view text) {
  sheet_.SetFormulaR1C1(row_, column_, text);
}
inline void ExcelCell::Text(std::string_view text) {
  sheet_.SetText(row_, column_, text);
}
inline void ExcelCell::WrapText(bool wrap) {
  sheet_.SetWrapText(row_, column_, wrap);
}

}  // namespace zel::xl
