#pragma once
// One open .xlsx workbook of the engine: the package, workbook.xml with its
// sheet list and defined names, the string table, the styles and a model per
// worksheet. Parts are rewritten on save only when something changed them.
#include <pugixml.hpp>

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "xlsx/ExcelApplication.h"
#include "xlsx/SharedStrings.h"
#include "xlsx/StyleSheet.h"
#include "xlsx/WorksheetModel.h"
#include "xlsx/XlsxPackage.h"

namespace zel::xl {

class XlsxWorkbook;

class XlsxWorksheet : public IWorksheet {
 public:
  enum class SheetKind { Worksheet, Chartsheet, Other };

  XlsxWorksheet(XlsxWorkbook& book, pugi::xml_node node, std::string part, SheetKind kind)
      : book_(book), node_(node), part_(std::move(part)), kind_(kind) {}

  void Copy(IWorksheet& after) override;
  std::string Name() const override;
  void Name(std::string_view name) override;
  void Select() override;
  void SetFormulaR1C1(int row, int column, std::string_view text) override;
  void SetText(int row, int column, std::string_view text) override;
  void SetWrapText(int row, int column, bool wrap) override;
  void FormRows(int first, int last, int model, int firstColumn, int lastColumn) override;
  void FormCells(int row, int firstColumn, int lastColumn, int modelRow, int modelColumn) override;
  int LastFormattedRow(int start, int firstColumn, int lastColumn) override;
  void PrintTitleRows(int first, int last) override;
  void PrintArea(int firstRow, int firstColumn, int lastRow, int lastColumn) override;
  void Hyperlink(int row, int column, std::string_view location, std::string_view display) override;
  void ColumnWidth(int column, double width) override;

  const std::string& Part() const { return part_; }
  SheetKind Kind() const { return kind_; }
  bool Hidden() const;

 private:
  friend class XlsxWorkbook;
  // The model to read or change, brought back first when it was set aside.
  WorksheetModel& Model();
  // The same without a change in view: copies may go on sharing the
  // snapshot taken for them.
  WorksheetModel& LiveModel();
  // Typed input, or with `literal` the text itself whatever it looks like.
  void Put(int row, int column, std::string_view text, bool literal);
  // After a change: the part is printed from the model on save, so the
  // bytes it was read from are let go now rather than held beside it.
  void MarkDirty();
  // The worksheet's cells as a copy of it starts out: shared by every copy
  // taken while the sheet stays unchanged.
  std::shared_ptr<WorksheetModel> CopyOrigin();
  bool MayHoldFormulas() const;
  bool IsTabSelected() const;

  XlsxWorkbook& book_;
  pugi::xml_node node_;  // <sheet> in workbook.xml
  std::string part_;
  SheetKind kind_;
  // A worksheet's cells are in one of three places: its own model; the
  // model shared by the copies of a sheet not written to since (origin_,
  // cloned on the first touch); or, for a sheet the work has moved on from,
  // its printed part packed in the package (parked_), read again on a touch.
  std::unique_ptr<WorksheetModel> model_;
  std::shared_ptr<WorksheetModel> origin_;
  std::shared_ptr<WorksheetModel> copySource_;  // handed to copies while unchanged
  bool parked_ = false;
  bool parkedTabSelected_ = false, parkedFormulas_ = false;
  // Set aside with formulas: the sheet names they refer to, folded, each
  // between newlines. A rename brings back only the sheets it changes.
  std::string parkedRefs_;
  bool live_ = false;           // in the workbook's list of recently touched sheets
  bool formulaListed_ = false;  // in the workbook's list of sheets with formulas
  std::size_t position_ = 0;    // in the workbook's tab order
  uint64_t touched_ = 0;        // when last touched, by the workbook's count
  std::string relType_;         // of the workbook's relationship to the part
  // Print titles and area, written as defined names on save (SheetLayout.cpp)
  // under the sheet's name and place at that time; 0 where not set.
  struct PrintSetup {
    int titleFirst = 0, titleLast = 0;
    int areaRow1 = 0, areaColumn1 = 0, areaRow2 = 0, areaColumn2 = 0;
  } print_;
  bool dirty_ = false;
};

class XlsxWorkbook : public IWorkbook, private ISheets {
 public:
  // Throws EXlsxError for every input it cannot work on.
  static std::unique_ptr<XlsxWorkbook> Open(const std::string& path);

  IWorksheet& WorkSheets(int index) override;
  ISheets& sheets() override { return *this; }
  IWorksheet& AddWorksheet(int before) override;
  void Close(bool saveChanges) override;

  // Writes the workbook to `path` (atomically) as an ordinary workbook
  // (.xlsx), whatever flavour it was opened as; Close(true) saves to the
  // path it was opened from.
  void SaveAs(const std::string& path);
  const std::string& Path() const { return path_; }
  // Of the sheet at a 0-based position among all sheets, in tab order.
  XlsxWorksheet::SheetKind SheetKindAt(int index) const;
  bool Closed() const { return closed_; }
  // Deflate level of the saved package (tests and the benchmark tune it).
  void SetCompressionLevel(int level) { pkg_.SetCompressionLevel(level); }
  // How many worksheets touched since the workbook was opened keep their
  // models in memory; the least recently touched beyond that are printed
  // and packed until touched again (at least 1).
  void SetLiveSheetLimit(std::size_t limit) { liveLimit_ = std::max<std::size_t>(limit, 1); }
  // Worksheets whose models are set aside now (tests look).
  std::size_t ParkedSheetCount() const;

 private:
  friend class XlsxWorksheet;
  XlsxWorkbook() = default;
  int count() const override { return static_cast<int>(sheets_.size()); }

  void Load(const std::string& path);
  void CheckRelationships();
  void CheckIndexes();
  void CheckOpen() const;
  int IndexOf(const XlsxWorksheet& sheet) const;  // 0-based among all sheets
  bool NameTaken(std::string_view name, const XlsxWorksheet* except) const;
  SharedStrings& Strings();
  StyleSheet& Styles();
  void CopySheet(XlsxWorksheet& source, XlsxWorksheet& after);
  void RenameSheet(XlsxWorksheet& sheet, const std::string& name);
  void SelectSheet(XlsxWorksheet& sheet);
  void ShiftSheetIndexes(int insertedAt);
  void DuplicateLocalNames(int from, int to, const std::string& oldName,
                           const std::string& newName);
  // Defined names and charts that refer to a renamed sheet.
  void RenameSheetReferences(const std::string& from, const std::string& to);
  void RenameSheetInCharts(const std::vector<std::string>& parts, const std::string& from,
                           const std::string& to);
  void MakeOrdinaryWorkbook();
  void ClearOtherTabSelection(const XlsxWorksheet& except);
  void DropCalcChain();
  void WriteAppProps();
  void WritePrintNames();
  std::vector<std::string> WorksheetNames() const;
  void IndexSheets();
  // Puts a new sheet at a 0-based place in the tab order. Copies go to the
  // end nearly always, where nothing else has to be renumbered.
  void InsertSheet(std::unique_ptr<XlsxWorksheet> sheet, int at);
  // Notes a worksheet whose formulas a rename may have to edit.
  void NoteFormulas(XlsxWorksheet& sheet);
  // An id above every sheet's. Sheets are only ever added, so the highest is
  // looked for once and then counted on: a scan at every copy made a
  // 10,000-sheet workbook quadratic.
  long long NextSheetId();
  long long maxSheetId_ = -1;
  // Brings a worksheet's model into memory and notes the touch; sets aside
  // the least recently touched one when too many are held.
  void Materialize(XlsxWorksheet& sheet);
  void Touch(XlsxWorksheet& sheet);
  void Park(XlsxWorksheet& sheet);

  XlsxPackage pkg_;
  std::string path_;
  std::string bookPart_;  // "xl/workbook.xml"
  pugi::xml_document bookDoc_;
  Relationships bookRels_;
  std::vector<std::unique_ptr<XlsxWorksheet>> sheets_;  // tab order
  // Look-ups that would otherwise scan every sheet on every call: the
  // worksheets by number, the sheet names folded for comparison (with their
  // count), the next number to try for copies of a name, and the parts the
  // workbook itself refers to.
  std::vector<XlsxWorksheet*> worksheets_;
  std::unordered_map<std::string, int> foldedNames_;
  std::unordered_map<std::string, int> copyNumbers_;
  std::set<std::string> workbookParts_;
  std::vector<std::string> originalNames_;
  // The defined names by the sheets they refer to (folded names, as
  // AppendSheetNamesOf gives them), so that a rename edits only its own
  // among the thousands of sheet-local names of copies. Built at the first
  // rename; a save writes names of its own and drops it. An entry may name a
  // node that no longer refers to the sheet: it is left unchanged then.
  std::unordered_map<std::string, std::vector<pugi::xml_node>> namesByRef_;
  bool namesIndexed_ = false;
  // The sheet-local names by their sheet's place, for the same reason: a
  // copy duplicates its source's and shifts those behind it. Built at the
  // first copy and dropped by a save like the index above.
  std::map<int, std::vector<pugi::xml_node>> localNames_;
  bool localNamesIndexed_ = false;
  void IndexLocalNames();
  void IndexName(pugi::xml_node name);
  // Chart parts with the sheet names their formulas refer to, folded,
  // each between newlines (empty until looked at); the charts not looked
  // at yet; and the charts by the sheets they were seen to refer to (an
  // entry may be out of date: the chart is looked at and passed over).
  std::map<std::string, std::string> chartDigests_;
  std::set<std::string> unreadCharts_;
  std::unordered_map<std::string, std::vector<std::string>> chartsByRef_;
  bool chartsIndexed_ = false;
  SharedStrings strings_;
  StyleSheet styles_;
  std::string stringsPart_, stylesPart_;
  bool stringsLoaded_ = false, stylesLoaded_ = false;
  bool date1904_ = false;
  bool bookDirty_ = false, relsDirty_ = false, sheetListChanged_ = false;
  bool dropCalcChain_ = false;
  bool closed_ = false;
  // Where formulas a rename may have to edit are, besides live_: the
  // worksheets read with formulas, the models that copies share, and the
  // sheets set aside, by the sheets their formulas refer to (an entry may be
  // out of date: the sheet is looked at and passed over). A sheet only takes
  // in formulas while it is live (a model read or cloned on a touch), so a
  // rename looks at these, not at every sheet of a workbook grown to
  // thousands. Worksheets that no longer hold formulas are dropped from the
  // first list at the next rename; a model no copy shares from the second.
  std::vector<XlsxWorksheet*> formulaSheets_;
  std::set<std::weak_ptr<WorksheetModel>, std::owner_less<std::weak_ptr<WorksheetModel>>>
      formulaOrigins_;
  std::unordered_map<std::string, std::vector<XlsxWorksheet*>> parkedByRef_;
  // Recently touched worksheets that hold their models (a handful).
  std::vector<XlsxWorksheet*> live_;
  XlsxWorksheet* lastTouched_ = nullptr;
  uint64_t touches_ = 0;
  std::size_t liveLimit_ = 16;
};

}  // namespace zel::xl
