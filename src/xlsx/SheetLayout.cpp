// Whole-sheet layout on the engine's worksheets: row forms and print settings.
// The print settings are Excel's built-in defined names _xlnm.Print_Titles
// and _xlnm.Print_Area, local to their sheet. They are written once on save,
// under each sheet's final name and place: a workbook of a thousand sheets
// renamed one by one would otherwise rewrite every name on every rename.
#include <string>
#include <unordered_map>

#include "xlsx/FormulaRefs.h"
#include "xlsx/XlsxError.h"
#include "xlsx/XlsxWorkbook.h"
#include "xlsx/XmlUtil.h"

namespace zel::xl {
namespace {

constexpr const char* kTitles = "_xlnm.Print_Titles";
constexpr const char* kArea = "_xlnm.Print_Area";

void CheckCells(int row1, int column1, int row2, int column2, const char* what) {
  if (row1 < 1 || column1 < 1 || row2 > kMaxRows || column2 > kMaxColumns || row1 > row2 ||
      column1 > column2)
    throw EXlsxError(std::string(what) + ": rows " + std::to_string(row1) + " to " +
                     std::to_string(row2) + ", columns " + std::to_string(column1) + " to " +
                     std::to_string(column2) + " are not a range of the worksheet");
}

// Elements of CT_Workbook that follow <definedNames>.
bool AfterDefinedNames(std::string_view n) {
  return n == "calcPr" || n == "oleSize" || n == "customWorkbookViews" || n == "pivotCaches" ||
         n == "smartTagPr" || n == "smartTagTypes" || n == "webPublishing" ||
         n == "fileRecoveryPr" || n == "webPublishObjects" || n == "extLst";
}

}  // namespace

void XlsxWorksheet::FormRows(int first, int last, int model, int firstColumn, int lastColumn) {
  Model().FormRows(first, last, model, firstColumn, lastColumn);
  MarkDirty();
}

void XlsxWorksheet::FormCells(int row, int firstColumn, int lastColumn, int modelRow,
                              int modelColumn) {
  Model().FormCells(row, firstColumn, lastColumn, modelRow, modelColumn);
  MarkDirty();
}

int XlsxWorksheet::LastFormattedRow(int start, int firstColumn, int lastColumn) {
  return Model().LastFormattedRow(start, firstColumn, lastColumn);
}

void XlsxWorksheet::PrintTitleRows(int first, int last) {
  Model();
  CheckCells(first, 1, last, 1, "PrintTitleRows");
  print_.titleFirst = first;
  print_.titleLast = last;
}

void XlsxWorksheet::PrintArea(int firstRow, int firstColumn, int lastRow, int lastColumn) {
  Model();
  CheckCells(firstRow, firstColumn, lastRow, lastColumn, "PrintArea");
  print_ = {print_.titleFirst, print_.titleLast, firstRow, firstColumn, lastRow, lastColumn};
}

void XlsxWorkbook::WritePrintNames() {
  bool any = false;
  for (const auto& s : sheets_) any = any || s->print_.titleFirst || s->print_.areaRow1;
  if (!any) return;
  pugi::xml_node root = bookDoc_.document_element();
  const std::string p = PrefixOf(root);
  pugi::xml_node names = Child(root, "definedNames");
  if (!names) {
    pugi::xml_node before;
    for (pugi::xml_node c = root.first_child(); c && !before; c = c.next_sibling())
      if (c.type() == pugi::node_element && AfterDefinedNames(LocalName(c))) before = c;
    names = before ? root.insert_child_before((p + "definedNames").c_str(), before)
                   : root.append_child((p + "definedNames").c_str());
  }
  // The sheets' own print names already there (a model's, or a copy's).
  std::unordered_map<std::string, pugi::xml_node> existing;
  ForEachChild(names, "definedName", [&](pugi::xml_node n) {
    pugi::xml_attribute local = n.attribute("localSheetId");
    if (!local) return;
    existing[std::string(n.attribute("name").value()) + '#' + local.value()] = n;
  });
  auto put = [&](const char* name, int index, const std::string& text) {
    const std::string id = std::to_string(index);
    pugi::xml_node& n = existing[std::string(name) + '#' + id];
    if (!n) {
      n = names.append_child((p + "definedName").c_str());
      n.append_attribute("name") = name;
      n.append_attribute("localSheetId") = id.c_str();
    }
    n.text().set(text.c_str());
  };
  for (std::size_t i = 0; i < sheets_.size(); ++i) {
    const XlsxWorksheet& s = *sheets_[i];
    const auto& ps = s.print_;
    if (!ps.titleFirst && !ps.areaRow1) continue;
    const std::string sheet = QuoteSheetName(s.Name()) + '!';
    const int index = static_cast<int>(i);
    if (ps.titleFirst)
      put(kTitles, index,
          sheet + '$' + std::to_string(ps.titleFirst) + ":$" + std::to_string(ps.titleLast));
    if (ps.areaRow1)
      put(kArea, index,
          sheet + '$' + ColumnName(ps.areaColumn1) + '$' + std::to_string(ps.areaRow1) + ":$" +
              ColumnName(ps.areaColumn2) + '$' + std::to_string(ps.areaRow2));
  }
  bookDirty_ = true;
}

}  // namespace zel::xl
