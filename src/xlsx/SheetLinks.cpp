// Links between the sheets of a workbook, column widths, and new empty
// worksheets: what a sheet that indexes the others needs.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "xlsx/SheetName.h"
#include "xlsx/XlsxError.h"
#include "xlsx/XlsxWorkbook.h"
#include "xlsx/XmlUtil.h"

namespace zel::xl {
namespace {

constexpr const char* kWorksheetType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";

constexpr const char* kEmptyWorksheet =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
    "<sheetViews><sheetView workbookViewId=\"0\"/></sheetViews>"
    "<sheetFormatPr defaultRowHeight=\"13.5\"/><sheetData/>"
    "<pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
    "footer=\"0.3\"/></worksheet>";

// The elements CT_Worksheet puts after <hyperlinks>; a new <hyperlinks>
// goes before the first of them that the sheet has.
bool FollowsHyperlinks(std::string_view name) {
  static constexpr std::string_view kAfter[] = {
      "printOptions", "pageMargins",      "pageSetup",       "headerFooter",  "rowBreaks",
      "colBreaks",    "customProperties", "cellWatches",     "ignoredErrors", "smartTags",
      "drawing",      "legacyDrawing",    "legacyDrawingHF", "drawingHF",     "picture",
      "oleObjects",   "controls",         "webPublishItems", "tableParts",    "extLst"};
  return std::find(std::begin(kAfter), std::end(kAfter), name) != std::end(kAfter);
}

// The elements CT_Worksheet puts before <cols>.
bool PrecedesCols(std::string_view name) {
  return name == "sheetPr" || name == "dimension" || name == "sheetViews" ||
         name == "sheetFormatPr";
}

std::string WidthText(double width) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", width);
  return buf;
}

}  // namespace

std::string SheetLocation(std::string_view sheetName) {
  std::string out = "'";
  for (char c : sheetName) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'!A1";
}

void WorksheetModel::SetHyperlink(int row, int column, std::string_view location,
                                  std::string_view display) {
  if (row < 1 || row > kMaxRows || column < 1 || column > kMaxColumns)
    throw EXlsxError("a link needs a cell on the sheet, not row " + std::to_string(row) +
                     ", column " + std::to_string(column));
  const std::string ref = ColumnName(column) + std::to_string(row);
  pugi::xml_node root = doc_.document_element();
  pugi::xml_node links = Child(root, "hyperlinks");
  if (!links) {
    pugi::xml_node before;
    for (pugi::xml_node c = root.first_child(); c && !before; c = c.next_sibling())
      if (c.type() == pugi::node_element && FollowsHyperlinks(LocalName(c))) before = c;
    links = before ? root.insert_child_before((prefix_ + "hyperlinks").c_str(), before)
                   : root.append_child((prefix_ + "hyperlinks").c_str());
  }
  std::vector<pugi::xml_node> old;
  ForEachChild(links, "hyperlink", [&](pugi::xml_node h) {
    if (std::string_view(h.attribute("ref").value()) == ref) old.push_back(h);
  });
  for (pugi::xml_node h : old) links.remove_child(h);
  pugi::xml_node link = links.append_child((prefix_ + "hyperlink").c_str());
  link.append_attribute("ref") = ref.c_str();
  link.append_attribute("location") = std::string(location).c_str();
  if (!display.empty()) link.append_attribute("display") = std::string(display).c_str();
}

void WorksheetModel::SetColumnWidth(int column, double width) {
  if (column < 1 || column > kMaxColumns)
    throw EXlsxError("there is no column number " + std::to_string(column));
  if (!(width >= 0 && width <= 255))
    throw EXlsxError("a column width lies between 0 and 255 characters");
  pugi::xml_node root = doc_.document_element();
  pugi::xml_node cols = Child(root, "cols");
  if (!cols) {
    pugi::xml_node after;
    for (pugi::xml_node c = root.first_child(); c; c = c.next_sibling())
      if (c.type() == pugi::node_element && PrecedesCols(LocalName(c))) after = c;
    cols = after ? root.insert_child_after((prefix_ + "cols").c_str(), after)
                 : root.prepend_child((prefix_ + "cols").c_str());
  }
  const auto c = static_cast<long>(column);
  pugi::xml_node own, next;
  for (pugi::xml_node n = cols.first_child(); n; n = n.next_sibling()) {
    if (n.type() != pugi::node_element || LocalName(n) != "col") continue;
    const long min = ToLong(n.attribute("min").value()), max = ToLong(n.attribute("max").value());
    if (min > c) {
      next = n;
      break;
    }
    if (max < c) continue;
    // A range shared with other columns keeps its attributes for them.
    if (min < c) {
      pugi::xml_node head = cols.insert_copy_before(n, n);
      head.attribute("max").set_value(c - 1);
    }
    if (max > c) {
      pugi::xml_node tail = cols.insert_copy_after(n, n);
      tail.attribute("min").set_value(c + 1);
    }
    n.attribute("min").set_value(c);
    n.attribute("max").set_value(c);
    own = n;
    break;
  }
  if (!own) {
    own = next ? cols.insert_child_before((prefix_ + "col").c_str(), next)
               : cols.append_child((prefix_ + "col").c_str());
    own.append_attribute("min") = c;
    own.append_attribute("max") = c;
  }
  SetAttr(own, "width", "width", WidthText(width));
  SetAttr(own, "customWidth", "customWidth", "1");
}

void XlsxWorksheet::Hyperlink(int row, int column, std::string_view location,
                              std::string_view display) {
  WorksheetModel& m = Model();
  m.SetHyperlink(row, column, location, display);
  WorksheetModel::Cell& cell = m.At(row, column);
  cell.style = book_.Styles().WithLinkFont(cell.style);
  MarkDirty();
}

void XlsxWorksheet::ColumnWidth(int column, double width) {
  Model().SetColumnWidth(column, width);
  MarkDirty();
}

IWorksheet& XlsxWorkbook::AddWorksheet(int before) {
  CheckOpen();
  auto& next = dynamic_cast<XlsxWorksheet&>(WorkSheets(before));
  const int at = IndexOf(next);

  std::string part =
      pkg_.FreePartName(XlsxPackage::ResolveTarget(bookPart_, "worksheets/sheet1.xml"));
  pkg_.SetData(part, std::string());  // claims the name until the save writes the sheet
  pkg_.SetOverride(part, kWorksheetType);
  Relationship rel{bookRels_.NewId(), next.relType_, XlsxPackage::RelativeTarget(bookPart_, part),
                   false};
  bookRels_.Add(rel);
  workbookParts_.insert(part);
  relsDirty_ = true;

  std::string name;
  for (int n = static_cast<int>(sheets_.size()) + 1;; ++n) {
    name = "Sheet" + std::to_string(n);
    if (!NameTaken(name, nullptr)) break;
  }
  // A copy of its neighbour's entry keeps the workbook's own prefixes.
  pugi::xml_node node = next.node_.parent().insert_copy_before(next.node_, next.node_);
  if (pugi::xml_attribute state = node.attribute("state")) node.remove_attribute(state);
  node.attribute("name").set_value(name.c_str());
  SetAttr(node, "sheetId", "sheetId", std::to_string(NextSheetId()));
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
    if (LocalName(a.name()) == "id" && std::string_view(a.name()) != "id")
      a.set_value(rel.id.c_str());

  auto sheet =
      std::make_unique<XlsxWorksheet>(*this, node, part, XlsxWorksheet::SheetKind::Worksheet);
  sheet->model_ = std::make_unique<WorksheetModel>();
  sheet->model_->Parse(kEmptyWorksheet, part);
  sheet->dirty_ = true;
  sheet->relType_ = next.relType_;
  XlsxWorksheet& added = *sheet;
  InsertSheet(std::move(sheet), at);
  ++foldedNames_[FoldSheetName(name)];
  ShiftSheetIndexes(at);
  bookDirty_ = true;
  sheetListChanged_ = true;
  return added;
}

}  // namespace zel::xl
