// Worksheet Copy: the copy gets its own part and its own copies of the parts
// the sheet owns (drawings, charts, comments, printer settings, tables),
// while parts the whole workbook shares (images, pivot caches) are referred
// to again. Sheet-local defined names are duplicated for the copy.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iterator>
#include <map>
#include <set>

#include "xlsx/FormulaRefs.h"
#include "xlsx/SheetName.h"
#include "xlsx/XlsxError.h"
#include "xlsx/XlsxWorkbook.h"
#include "xlsx/XmlUtil.h"

namespace zel::xl {
namespace {

constexpr const char* kTableType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.table+xml";

// Relationship kinds whose targets belong to the workbook, not to one sheet.
bool SharedKind(std::string_view kind) {
  static const std::set<std::string_view> shared = {"image",
                                                    "pivotCacheDefinition",
                                                    "pivotCacheRecords",
                                                    "externalLink",
                                                    "worksheet",
                                                    "chartsheet",
                                                    "sharedStrings",
                                                    "styles",
                                                    "theme",
                                                    "officeDocument",
                                                    "calcChain",
                                                    "connections",
                                                    "queryTable",
                                                    "video",
                                                    "audio",
                                                    "media"};
  return shared.count(kind) != 0;
}

// Comment shapes in VML are numbered in blocks of 1024 per drawing
// (<o:idmap data="n"/>, ids _x0000_s(n*1024+k)); a copy gets a block of its own.

// Calls f(begin, end) for the value of every data="..." of an idmap element.
template <typename F>
void ForEachIdmapData(const std::string& vml, F&& f) {
  for (std::size_t at = vml.find("idmap"); at != std::string::npos;
       at = vml.find("idmap", at + 5)) {
    if (at == 0 || (vml[at - 1] != '<' && vml[at - 1] != ':')) continue;
    std::size_t close = vml.find('>', at);
    std::size_t data = vml.find("data=\"", at);
    if (data == std::string::npos || data > close) continue;
    std::size_t begin = data + 6, end = vml.find('"', begin);
    if (end == std::string::npos) return;
    f(begin, end);
  }
}

std::string RenumberVml(const std::string& vml, long block) {
  std::string out;
  std::size_t last = 0;
  ForEachIdmapData(vml, [&](std::size_t begin, std::size_t end) {
    out.append(vml, last, begin - last);
    out += std::to_string(block);
    last = end;
  });
  out.append(vml, last, std::string::npos);
  static const std::string kShape = "_x0000_s";
  std::string result;
  last = 0;
  for (std::size_t at = out.find(kShape); at != std::string::npos; at = out.find(kShape, at + 1)) {
    std::size_t digits = at + kShape.size(), end = digits;
    while (end < out.size() && std::isdigit(static_cast<unsigned char>(out[end]))) ++end;
    if (end == digits) continue;
    long n = std::strtol(out.c_str() + digits, nullptr, 10);
    result.append(out, last, digits - last);
    result += std::to_string(block * 1024 + n % 1024);
    last = end;
  }
  result.append(out, last, std::string::npos);
  return result;
}

class PartCopier {
 public:
  PartCopier(XlsxPackage& pkg, const std::set<std::string>& workbookParts)
      : pkg_(pkg), workbookParts_(workbookParts) {}

  // The parts copied so far, each with its copy.
  const std::map<std::string, std::string>& Copied() const { return copied_; }

  // Relationships of `from` written for `to`, owned targets copied.
  void CopyRels(const std::string& from, const std::string& to) {
    Relationships src = pkg_.ReadRels(from), dst;
    for (const auto& r : src.Items()) {
      Relationship c = r;
      if (!r.external) {
        std::string target = XlsxPackage::ResolveTarget(from, r.target);
        bool shared =
            SharedKind(RelKind(r.type)) || workbookParts_.count(target) || !pkg_.Has(target);
        std::string dest = shared ? target : CopyPart(target);
        c.target = XlsxPackage::RelativeTarget(to, dest);
        auto hash = r.target.find('#');
        if (hash != std::string::npos) c.target += r.target.substr(hash);
      }
      dst.Add(std::move(c));
    }
    if (!dst.Items().empty()) pkg_.WriteRels(to, dst);
  }

 private:
  std::string CopyPart(const std::string& part) {
    auto done = copied_.find(part);
    if (done != copied_.end()) return done->second;
    std::string copy = pkg_.FreePartName(part);
    copied_[part] = copy;
    std::string data = pkg_.Data(part);
    std::string type = pkg_.ContentType(part);
    if (type == kTableType) data = FixTable(data, part);
    if (type.find("vmlDrawing") != std::string::npos || part.ends_with(".vml"))
      data = RenumberVml(data, NextVmlBlock());
    pkg_.SetData(copy, std::move(data));
    if (pkg_.HasOverride(part)) pkg_.SetOverride(copy, type);
    CopyRels(part, copy);
    return copy;
  }

  long NextVmlBlock() {
    long max = 0;
    for (const auto& name : pkg_.PartNames()) {
      if (!name.ends_with(".vml")) continue;
      const std::string& d = pkg_.Data(name);
      ForEachIdmapData(d, [&](std::size_t begin, std::size_t end) {
        for (std::size_t p = begin; p < end;) {  // a comma-separated list of blocks
          max = std::max(max, std::strtol(d.c_str() + p, nullptr, 10));
          p = d.find(',', p);
          if (p == std::string::npos || p >= end) break;
          ++p;
        }
      });
    }
    return max + 1;
  }

  // Table ids and names are unique in the workbook.
  std::string FixTable(const std::string& data, const std::string& part) {
    long maxId = 0;
    std::set<std::string> names;
    for (const auto& name : pkg_.PartNames()) {
      if (pkg_.ContentType(name) != kTableType) continue;
      pugi::xml_document d;
      if (!d.load_string(pkg_.Data(name).c_str())) continue;
      maxId =
          std::max(maxId, std::strtol(d.document_element().attribute("id").value(), nullptr, 10));
      names.insert(d.document_element().attribute("name").value());
      names.insert(d.document_element().attribute("displayName").value());
    }
    pugi::xml_document doc;
    ParseXml(doc, data, part);
    pugi::xml_node t = doc.document_element();
    t.attribute("id").set_value(std::to_string(maxId + 1).c_str());
    std::string base = t.attribute("displayName").value();
    std::string fresh;
    for (int n = 2;; ++n) {
      fresh = base + "_" + std::to_string(n);
      if (!names.count(fresh)) break;
    }
    SetAttr(t, "name", "name", fresh);
    SetAttr(t, "displayName", "displayName", fresh);
    return PrintXml(doc);
  }

  XlsxPackage& pkg_;
  const std::set<std::string>& workbookParts_;
  std::map<std::string, std::string> copied_;
};

}  // namespace

void XlsxWorkbook::IndexLocalNames() {
  if (localNamesIndexed_) return;
  localNames_.clear();
  ForEachChild(Child(bookDoc_.document_element(), "definedNames"), "definedName",
               [&](pugi::xml_node n) {
                 if (pugi::xml_attribute a = n.attribute("localSheetId"))
                   localNames_[a.as_int()].push_back(n);
               });
  localNamesIndexed_ = true;
}

void XlsxWorkbook::ShiftSheetIndexes(int insertedAt) {
  pugi::xml_node root = bookDoc_.document_element();
  // The names of the sheets from insertedAt on move up one place; a copy
  // at the end moves none.
  IndexLocalNames();
  const auto first = localNames_.lower_bound(insertedAt);
  std::vector<std::pair<int, std::vector<pugi::xml_node>>> moving(
      std::make_move_iterator(first), std::make_move_iterator(localNames_.end()));
  localNames_.erase(first, localNames_.end());
  for (auto& [place, names] : moving) {
    for (pugi::xml_node n : names) n.attribute("localSheetId").set_value(place + 1);
    localNames_[place + 1] = std::move(names);
  }
  ForEachChild(Child(root, "bookViews"), "workbookView", [&](pugi::xml_node v) {
    for (const char* name : {"activeTab", "firstSheet"}) {
      pugi::xml_attribute a = v.attribute(name);
      if (a && a.as_int() >= insertedAt) a.set_value(a.as_int() + 1);
    }
  });
}

void XlsxWorkbook::DuplicateLocalNames(int from, int to, const std::string& oldName,
                                       const std::string& newName) {
  pugi::xml_node names = Child(bookDoc_.document_element(), "definedNames");
  IndexLocalNames();
  auto found = localNames_.find(from);
  if (found == localNames_.end()) return;
  const std::vector<pugi::xml_node> local = found->second;
  for (pugi::xml_node n : local) {
    pugi::xml_node copy = names.insert_copy_after(n, n);
    copy.attribute("localSheetId").set_value(to);
    copy.text().set(RenameSheetInFormula(n.text().get(), oldName, newName).c_str());
    if (namesIndexed_) IndexName(copy);
    localNames_[to].push_back(copy);
  }
}

long long XlsxWorkbook::NextSheetId() {
  if (maxSheetId_ < 0) {
    maxSheetId_ = 0;
    for (const auto& s : sheets_)
      maxSheetId_ = std::max(maxSheetId_, s->node_.attribute("sheetId").as_llong());
  }
  return ++maxSheetId_;
}

void XlsxWorkbook::CopySheet(XlsxWorksheet& source, XlsxWorksheet& after) {
  std::shared_ptr<WorksheetModel> origin = source.CopyOrigin();
  const int sourceIndex = IndexOf(source);
  const int at = IndexOf(after) + 1;

  std::string part = pkg_.FreePartName(source.part_);
  pkg_.SetData(part, std::string());  // claims the name until the save writes the cells
  PartCopier copier(pkg_, workbookParts_);
  copier.CopyRels(source.part_, part);
  pkg_.SetOverride(part, pkg_.ContentType(source.part_));

  Relationship rel{bookRels_.NewId(), source.relType_, XlsxPackage::RelativeTarget(bookPart_, part),
                   false};
  bookRels_.Add(rel);
  workbookParts_.insert(part);
  relsDirty_ = true;

  std::string name = CopySheetName(
      source.Name(), [&](const std::string& n) { return NameTaken(n, nullptr); },
      &copyNumbers_[FoldSheetName(source.Name())]);
  // The copy's own charts show the copy's cells.
  std::vector<std::string> copiedParts;
  for (const auto& [original, copied] : copier.Copied()) copiedParts.push_back(copied);
  RenameSheetInCharts(copiedParts, source.Name(), name);
  pugi::xml_node sheetsNode = source.node_.parent();
  pugi::xml_node node = sheetsNode.insert_copy_after(source.node_, after.node_);
  node.attribute("name").set_value(name.c_str());
  SetAttr(node, "sheetId", "sheetId", std::to_string(NextSheetId()));
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
    if (LocalName(a.name()) == "id" && std::string_view(a.name()) != "id")
      a.set_value(rel.id.c_str());

  auto copy =
      std::make_unique<XlsxWorksheet>(*this, node, part, XlsxWorksheet::SheetKind::Worksheet);
  copy->origin_ = std::move(origin);
  copy->dirty_ = true;
  copy->relType_ = source.relType_;
  copy->print_ = source.print_;
  if (copy->origin_->HasFormulas()) formulaOrigins_.insert(copy->origin_);
  InsertSheet(std::move(copy), at);
  ++foldedNames_[FoldSheetName(name)];

  ShiftSheetIndexes(at);
  int shiftedSource = sourceIndex >= at ? sourceIndex + 1 : sourceIndex;
  DuplicateLocalNames(shiftedSource, at, source.Name(), name);

  bookDirty_ = true;
  sheetListChanged_ = true;
  DropCalcChain();
}

}  // namespace zel::xl
