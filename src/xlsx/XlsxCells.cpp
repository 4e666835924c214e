// Typed input and cell formats on the engine's worksheets.
#include <string>

#include "xlsx/CellText.h"
#include "xlsx/TypedInput.h"
#include "xlsx/XlsxError.h"
#include "xlsx/XlsxWorkbook.h"

namespace zel::xl {
namespace {

bool HoldsFormula(const WorksheetModel::Cell& cell) {
  if (cell.kind != WorksheetModel::Kind::Raw) return false;
  std::string_view v = cell.value;
  for (std::size_t at = v.find('f'); at != std::string::npos; at = v.find('f', at + 1)) {
    if (at == 0 || (v[at - 1] != '<' && v[at - 1] != ':')) continue;
    char next = at + 1 < v.size() ? v[at + 1] : '\0';
    if (next == '>' || next == ' ' || next == '/') return true;
  }
  return false;
}

}  // namespace

void XlsxWorksheet::SetFormulaR1C1(int row, int column, std::string_view text) {
  Put(row, column, text, false);
}

void XlsxWorksheet::SetText(int row, int column, std::string_view text) {
  Put(row, column, text, true);
}

void XlsxWorksheet::Put(int row, int column, std::string_view text, bool literal) {
  WorksheetModel& m = Model();
  m.UnshareFormulaAt(row, column);
  WorksheetModel::Cell& cell = m.At(row, column);
  if (HoldsFormula(cell)) m.NoteFormulaReplaced();
  StyleSheet& styles = book_.Styles();
  TypedValue v = ClassifyInput(text, book_.date1904_);
  // A cell formatted as text keeps what is typed as text, as in Excel.
  if (v.kind != InputKind::Empty && (literal || styles.IsTextFormat(cell.style)))
    v.kind = InputKind::Text;
  switch (v.kind) {
    case InputKind::Empty:
      cell.kind = WorksheetModel::Kind::Empty;
      cell.value.clear();
      break;
    case InputKind::Number:
      cell.kind = WorksheetModel::Kind::Number;
      cell.value = std::move(v.text);
      break;
    case InputKind::Date:
      cell.kind = WorksheetModel::Kind::Number;
      cell.value = std::to_string(v.serial);
      cell.style = styles.WithShortDate(cell.style);
      break;
    case InputKind::Text:
      cell.kind = WorksheetModel::Kind::Shared;
      cell.value = std::to_string(book_.Strings().Add(CellTextForXml(text)));
      break;
  }
  MarkDirty();
}

void XlsxWorksheet::SetWrapText(int row, int column, bool wrap) {
  WorksheetModel::Cell& cell = Model().At(row, column);
  cell.style = book_.Styles().WithWrap(cell.style, wrap);
  MarkDirty();
}

}  // namespace zel::xl
