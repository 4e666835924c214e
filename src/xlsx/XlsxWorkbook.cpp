#include "xlsx/XlsxWorkbook.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <thread>

#include "xlsx/AppProps.h"
#include "xlsx/FormulaRefs.h"
#include "xlsx/SheetName.h"
#include "xlsx/XlsxError.h"
#include "xlsx/XmlUtil.h"

namespace zel::xl {
namespace {

constexpr const char* kRelBase =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
constexpr const char* kSstType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
constexpr const char* kStylesType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";

bool IsWorkbookType(std::string_view t) {
  return t == "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml" ||
         t == "application/vnd.ms-excel.sheet.macroEnabled.main+xml" ||
         t == "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml" ||
         t == "application/vnd.ms-excel.template.macroEnabled.main+xml";
}

// The strict flavour of ECMA-376 puts its namespaces and relationship types
// under this root instead of schemas.openxmlformats.org.
bool IsStrict(std::string_view uri) {
  return uri.starts_with("http://purl.oclc.org/ooxml/");
}

std::string NamespaceOf(pugi::xml_node element) {
  const std::string prefix = PrefixOf(element);
  const std::string attr =
      prefix.empty() ? std::string("xmlns") : "xmlns:" + prefix.substr(0, prefix.size() - 1);
  return element.attribute(attr.c_str()).value();
}

}  // namespace

std::unique_ptr<XlsxWorkbook> XlsxWorkbook::Open(const std::string& path) {
  std::unique_ptr<XlsxWorkbook> book(new XlsxWorkbook());
  book->Load(path);
  return book;
}

void XlsxWorkbook::Load(const std::string& path) {
  path_ = path;
  pkg_.Load(path);
  CheckRelationships();
  Relationships rootRels = pkg_.ReadRels("");
  const Relationship* main = rootRels.ByType("officeDocument");
  if (!main || main->external)
    throw EXlsxError(path + ": is a zip file but not an Excel workbook (no main document)",
                     EXlsxError::Kind::NotWorkbook);
  if (IsStrict(main->type))
    throw EXlsxError(path +
                         ": is saved as \"Strict Open XML\"; save it in Excel as an ordinary "
                         "Excel workbook (.xlsx)",
                     EXlsxError::Kind::Strict);
  bookPart_ = XlsxPackage::ResolveTarget("", main->target);
  if (!pkg_.Has(bookPart_))
    throw EXlsxError(path + ": is damaged: its main document " + bookPart_ + " is missing");
  std::string type = pkg_.ContentType(bookPart_);
  if (type.find("sheet.binary") != std::string::npos)
    throw EXlsxError(path +
                         ": the binary .xlsb format cannot be opened; save the model workbook "
                         "as .xlsx",
                     EXlsxError::Kind::Binary);
  if (!IsWorkbookType(type))
    throw EXlsxError(path + ": is not an Excel workbook (its main document is " +
                         (type.empty() ? std::string("of no known type") : type) + ")",
                     EXlsxError::Kind::NotWorkbook);

  ParseXml(bookDoc_, pkg_.Data(bookPart_), bookPart_);
  bookRels_ = pkg_.ReadRels(bookPart_);
  pugi::xml_node root = bookDoc_.document_element();
  if (LocalName(root) != "workbook")
    throw EXlsxError(path + ": " + bookPart_ + " is not a workbook");
  // Parts of the strict flavour beside transitional ones are a workbook
  // Excel refuses; every part this engine writes is transitional.
  if (IsStrict(NamespaceOf(root)))
    throw EXlsxError(path +
                         ": is saved as \"Strict Open XML\"; save it in Excel as an ordinary "
                         "Excel workbook (.xlsx)",
                     EXlsxError::Kind::Strict);
  std::string_view d1904 = Attr(Child(root, "workbookPr"), "date1904").value();
  date1904_ = d1904 == "1" || d1904 == "true";

  int worksheets = 0;
  ForEachChild(Child(root, "sheets"), "sheet", [&](pugi::xml_node n) {
    std::string name = n.attribute("name").value();
    pugi::xml_attribute rid;
    for (pugi::xml_attribute a = n.first_attribute(); a; a = a.next_attribute())
      if (LocalName(a.name()) == "id" && std::string_view(a.name()) != "id") rid = a;
    const Relationship* rel = rid ? bookRels_.ById(rid.value()) : nullptr;
    if (!rel || rel->external)
      throw EXlsxError(path + ": is damaged: the sheet \"" + name + "\" has no part");
    std::string part = XlsxPackage::ResolveTarget(bookPart_, rel->target);
    if (!pkg_.Has(part))
      throw EXlsxError(path + ": is damaged: the part " + part + " of sheet \"" + name +
                       "\" is missing");
    std::string_view kind = RelKind(rel->type);
    auto k = kind == "worksheet"    ? XlsxWorksheet::SheetKind::Worksheet
             : kind == "chartsheet" ? XlsxWorksheet::SheetKind::Chartsheet
                                    : XlsxWorksheet::SheetKind::Other;
    auto sheet = std::make_unique<XlsxWorksheet>(*this, n, part, k);
    sheet->relType_ = rel->type;
    ++foldedNames_[FoldSheetName(name)];
    if (k == XlsxWorksheet::SheetKind::Worksheet) {
      // Every worksheet is read now, so a damaged one is reported at once
      // rather than halfway through an export.
      sheet->model_ = std::make_unique<WorksheetModel>();
      sheet->model_->Parse(pkg_.Data(part), part);
      if (sheet->model_->HasFormulas()) NoteFormulas(*sheet);
      ++worksheets;
    }
    sheet->position_ = sheets_.size();
    sheets_.push_back(std::move(sheet));
  });
  if (worksheets == 0) throw EXlsxError(path + ": the workbook has no worksheet");
  IndexSheets();
  originalNames_ = WorksheetNames();
  for (const auto& r : bookRels_.Items())
    if (!r.external) workbookParts_.insert(XlsxPackage::ResolveTarget(bookPart_, r.target));

  if (const Relationship* r = bookRels_.ByType("sharedStrings"))
    stringsPart_ = XlsxPackage::ResolveTarget(bookPart_, r->target);
  if (const Relationship* r = bookRels_.ByType("styles"))
    stylesPart_ = XlsxPackage::ResolveTarget(bookPart_, r->target);
  // The string table and the styles are read now for the same reason.
  Strings();
  Styles();
  CheckIndexes();
}

void XlsxWorkbook::CheckRelationships() {
  // Every relationship must lead to a part of this package: a target that
  // climbs out of it or names a part that is not there is a damaged file,
  // better refused now than copied along with every worksheet.
  for (const std::string& rels : pkg_.PartNames()) {
    const std::size_t folder = rels.rfind("_rels/");
    if (!rels.ends_with(".rels") || folder == std::string::npos ||
        (folder != 0 && rels[folder - 1] != '/'))
      continue;
    const std::string source =
        rels.substr(0, folder) + rels.substr(folder + 6, rels.size() - folder - 6 - 5);
    if (!source.empty() && !pkg_.Has(source)) continue;  // an orphan nobody reads
    Relationships list;
    list.Parse(pkg_.Data(rels), rels);
    for (const auto& r : list.Items()) {
      if (r.external) continue;
      std::string target;
      try {
        target = XlsxPackage::ResolveTarget(source, r.target);
      } catch (const EXlsxError& e) {
        throw EXlsxError(path_ + ": is damaged: " + e.what());
      }
      if (!pkg_.Has(target))
        throw EXlsxError(path_ + ": is damaged: the relationship " + r.id + " of " +
                         (source.empty() ? std::string("the package") : source) +
                         " points at the part " + target + ", which is missing");
    }
  }
}

void XlsxWorkbook::CheckIndexes() {
  const std::size_t strings = strings_.Count();
  const std::size_t formats = styles_.Present() ? styles_.FormatCount() : 1;
  for (const auto& sheet : sheets_) {
    if (!sheet->model_) continue;
    const WorksheetModel& m = *sheet->model_;
    if (m.MaxSharedIndex() >= 0 && static_cast<std::size_t>(m.MaxSharedIndex()) >= strings)
      throw EXlsxError(path_ + ": is damaged: the worksheet \"" + sheet->Name() +
                       "\" refers to the shared string " + std::to_string(m.MaxSharedIndex()) +
                       ", but the string table holds " + std::to_string(strings));
    if (m.MaxStyleIndex() >= formats)
      throw EXlsxError(path_ + ": is damaged: the worksheet \"" + sheet->Name() +
                       "\" refers to the cell format " + std::to_string(m.MaxStyleIndex()) +
                       ", but the workbook has " + std::to_string(formats));
  }
}

void XlsxWorkbook::CheckOpen() const {
  if (closed_) throw EXlsxError("the workbook " + path_ + " has been closed");
}

SharedStrings& XlsxWorkbook::Strings() {
  if (!stringsLoaded_) {
    if (!stringsPart_.empty() && pkg_.Has(stringsPart_))
      strings_.Parse(pkg_.Data(stringsPart_), stringsPart_);
    stringsLoaded_ = true;
  }
  return strings_;
}

StyleSheet& XlsxWorkbook::Styles() {
  if (!stylesLoaded_) {
    if (!stylesPart_.empty() && pkg_.Has(stylesPart_))
      styles_.Parse(pkg_.Data(stylesPart_), stylesPart_);
    stylesLoaded_ = true;
  }
  return styles_;
}

void XlsxWorkbook::IndexSheets() {
  worksheets_.clear();
  for (auto& s : sheets_)
    if (s->kind_ == XlsxWorksheet::SheetKind::Worksheet) worksheets_.push_back(s.get());
}

void XlsxWorkbook::InsertSheet(std::unique_ptr<XlsxWorksheet> sheet, int at) {
  const auto place = static_cast<std::size_t>(at);
  XlsxWorksheet* added = sheet.get();
  sheets_.insert(sheets_.begin() + at, std::move(sheet));
  for (std::size_t i = place; i < sheets_.size(); ++i) sheets_[i]->position_ = i;
  if (place + 1 < sheets_.size())
    IndexSheets();
  else if (added->kind_ == XlsxWorksheet::SheetKind::Worksheet)
    worksheets_.push_back(added);
}

void XlsxWorkbook::NoteFormulas(XlsxWorksheet& sheet) {
  if (sheet.formulaListed_) return;
  sheet.formulaListed_ = true;
  formulaSheets_.push_back(&sheet);
}

IWorksheet& XlsxWorkbook::WorkSheets(int index) {
  CheckOpen();
  if (index < 1 || index > static_cast<int>(worksheets_.size()))
    throw EXlsxError("the workbook has no worksheet number " + std::to_string(index) + " (it has " +
                     std::to_string(worksheets_.size()) + ")");
  return *worksheets_[static_cast<std::size_t>(index - 1)];
}

XlsxWorksheet::SheetKind XlsxWorkbook::SheetKindAt(int index) const {
  CheckOpen();
  if (index < 0 || index >= static_cast<int>(sheets_.size()))
    throw EXlsxError("the workbook has no sheet at position " + std::to_string(index + 1));
  return sheets_[static_cast<std::size_t>(index)]->kind_;
}

int XlsxWorkbook::IndexOf(const XlsxWorksheet& sheet) const {
  const std::size_t i = sheet.position_;
  if (i < sheets_.size() && sheets_[i].get() == &sheet) return static_cast<int>(i);
  throw EXlsxError("the worksheet does not belong to this workbook");
}

std::vector<std::string> XlsxWorkbook::WorksheetNames() const {
  std::vector<std::string> names;
  for (const auto& s : sheets_)
    if (s->kind_ == XlsxWorksheet::SheetKind::Worksheet) names.push_back(s->Name());
  return names;
}

bool XlsxWorkbook::NameTaken(std::string_view name, const XlsxWorksheet* except) const {
  std::string folded = FoldSheetName(name);
  auto it = foldedNames_.find(folded);
  int count = it == foldedNames_.end() ? 0 : it->second;
  if (except && FoldSheetName(except->Name()) == folded) --count;
  return count > 0;
}

void XlsxWorkbook::RenameSheet(XlsxWorksheet& sheet, const std::string& name) {
  CheckSheetName(name);
  std::string old = sheet.Name();
  if (old == name) return;
  if (NameTaken(name, &sheet))
    throw EXlsxError("a sheet named \"" + name + "\" already exists in the workbook");
  sheet.node_.attribute("name").set_value(name.c_str());
  if (--foldedNames_[FoldSheetName(old)] <= 0) foldedNames_.erase(FoldSheetName(old));
  ++foldedNames_[FoldSheetName(name)];
  // References to the sheet follow it, as in Excel.
  RenameSheetReferences(old, name);
  auto edit = [&](std::string_view f) { return RenameSheetInFormula(f, old, name); };
  // Copies that share a model would all be edited alike: it is edited
  // once, for all of them (they are printed from it anyway). Nothing else
  // is brought back or set aside for it, so it comes first.
  for (auto it = formulaOrigins_.begin(); it != formulaOrigins_.end();) {
    if (std::shared_ptr<WorksheetModel> origin = it->lock()) {
      origin->EditFormulas(edit);
      ++it;
    } else {
      it = formulaOrigins_.erase(it);
    }
  }
  const std::string folded = FoldSheetName(old);
  const std::string refersToOld = "\n" + folded + "\n";
  std::vector<XlsxWorksheet*> visit(formulaSheets_);
  for (XlsxWorksheet* s : live_)
    if (!s->formulaListed_) visit.push_back(s);
  if (auto found = parkedByRef_.find(folded); found != parkedByRef_.end()) {
    visit.insert(visit.end(), found->second.begin(), found->second.end());
    parkedByRef_.erase(found);
  }
  // In tab order, as a walk over every sheet would go: bringing back a
  // sheet set aside may set aside another, and the order decides which.
  std::sort(visit.begin(), visit.end(),
            [](const auto* a, const auto* b) { return a->position_ < b->position_; });
  visit.erase(std::unique(visit.begin(), visit.end()), visit.end());
  for (XlsxWorksheet* s : visit) {
    if (!s->model_ && s->origin_) continue;  // edited with its origin above
    if (!s->model_) {
      if (!s->MayHoldFormulas() || s->parkedRefs_.find(refersToOld) == std::string::npos) continue;
      s->LiveModel();
    }
    if (s->model_->EditFormulas(edit)) s->MarkDirty();
  }
  std::erase_if(formulaSheets_, [](XlsxWorksheet* s) {
    if (s->MayHoldFormulas()) return false;
    s->formulaListed_ = false;
    return true;
  });
  bookDirty_ = true;
  sheetListChanged_ = true;
}

void XlsxWorkbook::SelectSheet(XlsxWorksheet& sheet) {
  if (sheet.Hidden())
    throw EXlsxError("the worksheet \"" + sheet.Name() + "\" is hidden and cannot be selected");
  int index = IndexOf(sheet);
  ClearOtherTabSelection(sheet);
  WorksheetModel& m = sheet.Model();
  if (!m.TabSelected()) {
    m.SetTabSelected(true);
    sheet.MarkDirty();
  }
  pugi::xml_node root = bookDoc_.document_element();
  pugi::xml_node views = Child(root, "bookViews");
  if (!views) {
    std::string p = PrefixOf(root);
    views = root.insert_child_before((p + "bookViews").c_str(), Child(root, "sheets"));
    views.append_child((p + "workbookView").c_str());
  }
  pugi::xml_node view = Child(views, "workbookView");
  SetAttr(view, "activeTab", "activeTab", std::to_string(index));
  if (ToLong(Attr(view, "firstSheet").value()) > index)
    SetAttr(view, "firstSheet", "firstSheet", std::to_string(index));
  bookDirty_ = true;
}

void XlsxWorkbook::ClearOtherTabSelection(const XlsxWorksheet& except) {
  for (auto& s : sheets_) {
    if (s.get() == &except) continue;
    if (s->kind_ == XlsxWorksheet::SheetKind::Worksheet) {
      if (s->IsTabSelected()) {
        s->Model().SetTabSelected(false);
        s->MarkDirty();
      }
      continue;
    }
    // Chart sheets carry the same flag in their own sheet views.
    const std::string& data = pkg_.Data(s->part_);
    if (data.find("tabSelected") == std::string::npos) continue;
    pugi::xml_document doc;
    ParseXml(doc, data, s->part_);
    bool changed = false;
    ForEachChild(Child(doc.document_element(), "sheetViews"), "sheetView", [&](pugi::xml_node v) {
      if (pugi::xml_attribute a = v.attribute("tabSelected")) {
        v.remove_attribute(a);
        changed = true;
      }
    });
    if (changed) pkg_.SetData(s->part_, PrintXml(doc));
  }
}

void XlsxWorkbook::DropCalcChain() {
  dropCalcChain_ = true;
}

void XlsxWorkbook::WriteAppProps() {
  Relationships rootRels = pkg_.ReadRels("");
  const Relationship* r = rootRels.ByType("extended-properties");
  if (!r) return;
  std::string part = XlsxPackage::ResolveTarget("", r->target);
  if (!pkg_.Has(part)) return;
  if (auto updated = UpdateSheetTitles(pkg_.Data(part), originalNames_, WorksheetNames()))
    pkg_.SetData(part, *updated);
}

void XlsxWorkbook::SaveAs(const std::string& path) {
  CheckOpen();
  std::vector<XlsxWorksheet*> dirty, fromOrigin;
  for (auto& s : sheets_) {
    if (s->origin_ && !s->model_) fromOrigin.push_back(s.get());
    if (!s->model_) continue;
    if (s->model_->FormulaReplaced()) dropCalcChain_ = true;
    if (s->dirty_) dirty.push_back(s.get());
  }
  // Each sheet prints its own part; two threads share the work.
  std::vector<std::string> printed(dirty.size());
  std::exception_ptr failure;
  auto print = [&](std::size_t first, std::exception_ptr& error) {
    try {
      for (std::size_t i = first; i < dirty.size(); i += 2)
        printed[i] = dirty[i]->model_->Serialize();
    } catch (...) {
      error = std::current_exception();
    }
  };
  std::exception_ptr otherFailure;
  std::thread second(print, 1, std::ref(otherFailure));
  print(0, failure);
  second.join();
  if (failure) std::rethrow_exception(failure);
  if (otherFailure) std::rethrow_exception(otherFailure);
  for (std::size_t i = 0; i < dirty.size(); ++i)
    pkg_.SetData(dirty[i]->part_, std::move(printed[i]));
  // Copies never touched since are printed as the model they share, once
  // for all of them.
  std::map<const WorksheetModel*, std::shared_ptr<const PackedPart>> packedOrigins;
  for (XlsxWorksheet* s : fromOrigin) {
    std::shared_ptr<const PackedPart>& packed = packedOrigins[s->origin_.get()];
    if (!packed) packed = pkg_.Pack(s->origin_->Clone()->Serialize());
    pkg_.SetPacked(s->part_, packed);
  }
  if (strings_.Changed()) {
    if (stringsPart_.empty()) {
      stringsPart_ = pkg_.FreePartName(XlsxPackage::ResolveTarget(bookPart_, "sharedStrings.xml"));
      bookRels_.Add({bookRels_.NewId(), std::string(kRelBase) + "sharedStrings",
                     XlsxPackage::RelativeTarget(bookPart_, stringsPart_), false});
      relsDirty_ = true;
    }
    pkg_.SetOverride(stringsPart_, kSstType);
    pkg_.SetData(stringsPart_, strings_.Serialize());
  }
  if (styles_.Changed()) {
    if (stylesPart_.empty()) {
      stylesPart_ = pkg_.FreePartName(XlsxPackage::ResolveTarget(bookPart_, "styles.xml"));
      bookRels_.Add({bookRels_.NewId(), std::string(kRelBase) + "styles",
                     XlsxPackage::RelativeTarget(bookPart_, stylesPart_), false});
      relsDirty_ = true;
    }
    pkg_.SetOverride(stylesPart_, kStylesType);
    pkg_.SetData(stylesPart_, styles_.Serialize());
  }
  if (dropCalcChain_) {
    // Excel rebuilds a missing chain; a stale one makes it report damage.
    while (const Relationship* r = bookRels_.ByType("calcChain")) {
      pkg_.Remove(XlsxPackage::ResolveTarget(bookPart_, r->target));
      std::string id = r->id;
      bookRels_.RemoveById(id);
      relsDirty_ = true;
    }
  }
  MakeOrdinaryWorkbook();
  if (sheetListChanged_) WriteAppProps();
  WritePrintNames();
  namesIndexed_ = false;
  namesByRef_.clear();
  localNamesIndexed_ = false;
  localNames_.clear();
  if (bookDirty_) pkg_.SetData(bookPart_, PrintXml(bookDoc_));
  if (relsDirty_) pkg_.WriteRels(bookPart_, bookRels_);
  pkg_.Save(path);
}

void XlsxWorkbook::Close(bool saveChanges) {
  CheckOpen();
  if (saveChanges) SaveAs(path_);
  closed_ = true;
  // The sheet objects stay: callers may still hold them, and every member
  // reports the closed workbook instead of touching freed memory.
  for (auto& s : sheets_) {
    s->model_.reset();
    s->origin_.reset();
    s->copySource_.reset();
  }
  live_.clear();
  lastTouched_ = nullptr;
}

std::size_t XlsxWorkbook::ParkedSheetCount() const {
  return static_cast<std::size_t>(
      std::count_if(sheets_.begin(), sheets_.end(), [](const auto& s) { return s->parked_; }));
}

void XlsxWorkbook::Materialize(XlsxWorksheet& sheet) {
  if (!sheet.model_) {
    if (sheet.origin_) {
      sheet.model_ = sheet.origin_->Clone();
      sheet.origin_.reset();
    } else if (sheet.parked_) {
      auto model = std::make_unique<WorksheetModel>();
      model->Parse(pkg_.Read(sheet.part_), sheet.part_);
      sheet.model_ = std::move(model);
      sheet.parked_ = false;
      std::string().swap(sheet.parkedRefs_);
    } else {
      throw EXlsxError("internal error: the worksheet \"" + sheet.Name() + "\" lost its cells");
    }
  }
  Touch(sheet);
}

void XlsxWorkbook::Touch(XlsxWorksheet& sheet) {
  sheet.touched_ = ++touches_;
  lastTouched_ = &sheet;
  if (!sheet.live_) {
    sheet.live_ = true;
    live_.push_back(&sheet);
  }
  // A document is written sheet after sheet: the sheets the work has moved
  // on from are printed and packed now instead of all being held until the
  // save. The sheet just touched is the newest and stays.
  while (live_.size() > liveLimit_) {
    auto oldest = std::min_element(live_.begin(), live_.end(), [](const auto* a, const auto* b) {
      return a->touched_ < b->touched_;
    });
    XlsxWorksheet* s = *oldest;
    live_.erase(oldest);
    s->live_ = false;
    Park(*s);
  }
}

void XlsxWorkbook::Park(XlsxWorksheet& sheet) {
  if (!sheet.model_) return;
  WorksheetModel& m = *sheet.model_;
  if (sheet.dirty_) {
    if (m.FormulaReplaced()) dropCalcChain_ = true;
    pkg_.SetPacked(sheet.part_, pkg_.Pack(m.Serialize()));
    sheet.dirty_ = false;  // the package holds its part now, as read from a file
  }
  sheet.parkedTabSelected_ = m.TabSelected();
  sheet.parkedFormulas_ = m.HasFormulas();
  sheet.parkedRefs_.clear();
  if (sheet.parkedFormulas_) {
    sheet.parkedRefs_.push_back('\n');
    m.ReadFormulas([&](std::string_view f) { AppendSheetNamesOf(f, sheet.parkedRefs_); });
    const std::string& refs = sheet.parkedRefs_;
    for (std::size_t at = 1; at < refs.size();) {
      const std::size_t end = refs.find('\n', at);
      parkedByRef_[refs.substr(at, end - at)].push_back(&sheet);
      at = end + 1;
    }
  }
  sheet.model_.reset();
  sheet.parked_ = true;
}

// ---------------------------------------------------------------- worksheet

bool XlsxWorksheet::Hidden() const {
  std::string_view state = node_.attribute("state").value();
  return state == "hidden" || state == "veryHidden";
}

WorksheetModel& XlsxWorksheet::Model() {
  WorksheetModel& m = LiveModel();
  copySource_.reset();
  return m;
}

WorksheetModel& XlsxWorksheet::LiveModel() {
  book_.CheckOpen();
  if (kind_ != SheetKind::Worksheet)
    throw EXlsxError("the sheet \"" + Name() + "\" is not a worksheet");
  if (!model_ || book_.lastTouched_ != this) book_.Materialize(*this);
  return *model_;
}

std::shared_ptr<WorksheetModel> XlsxWorksheet::CopyOrigin() {
  book_.CheckOpen();
  if (kind_ != SheetKind::Worksheet)
    throw EXlsxError("the sheet \"" + Name() + "\" is not a worksheet");
  // A copy never touched is what a copy of it would be.
  if (!model_ && origin_) return origin_;
  if (!copySource_) {
    std::shared_ptr<WorksheetModel> snapshot = LiveModel().Clone();
    snapshot->SetTabSelected(false);
    copySource_ = std::move(snapshot);
  }
  return copySource_;
}

bool XlsxWorksheet::MayHoldFormulas() const {
  if (model_) return model_->HasFormulas();
  if (origin_) return origin_->HasFormulas();
  return parkedFormulas_;
}

bool XlsxWorksheet::IsTabSelected() const {
  if (model_) return model_->TabSelected();
  if (origin_) return origin_->TabSelected();
  return parkedTabSelected_;
}

void XlsxWorksheet::MarkDirty() {
  copySource_.reset();
  if (dirty_) return;
  dirty_ = true;
  book_.pkg_.SetData(part_, std::string());
}

std::string XlsxWorksheet::Name() const {
  return node_.attribute("name").value();
}

void XlsxWorksheet::Name(std::string_view name) {
  book_.CheckOpen();
  book_.RenameSheet(*this, std::string(name));
}

void XlsxWorksheet::Select() {
  book_.CheckOpen();
  book_.SelectSheet(*this);
}

void XlsxWorksheet::Copy(IWorksheet& after) {
  book_.CheckOpen();
  auto* target = dynamic_cast<XlsxWorksheet*>(&after);
  if (!target || &target->book_ != &book_)
    throw EXlsxError("Copy: After must be a worksheet of the same workbook");
  book_.CopySheet(*this, *target);
}

}  // namespace zel::xl
