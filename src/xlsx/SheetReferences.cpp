// References to a sheet from outside the cells: defined names and the
// formulas of charts (series values, categories, titles). They follow the
// sheet when it is renamed, and a copy's own charts refer to the copy, as in
// Excel.
#include <algorithm>

#include "xlsx/FormulaRefs.h"
#include "xlsx/SheetName.h"
#include "xlsx/XlsxWorkbook.h"
#include "xlsx/XmlUtil.h"

namespace zel::xl {
namespace {

bool IsChartType(std::string_view type) {
  return type == "application/vnd.openxmlformats-officedocument.drawingml.chart+xml" ||
         type == "application/vnd.ms-office.chartex+xml";
}

// Calls f on every formula element (c:f, cx:f, c15:f ...) below the node.
template <typename F>
void ForEachFormula(pugi::xml_node node, F&& f) {
  for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
    if (c.type() != pugi::node_element) continue;
    if (LocalName(c) == "f")
      f(c);
    else
      ForEachFormula(c, f);
  }
}

// The sheets the chart's formulas refer to, for a quick look for a sheet
// name: "\n" and each folded name followed by "\n".
std::string FormulaDigest(const pugi::xml_document& doc) {
  std::string digest = "\n";
  ForEachFormula(doc.document_element(),
                 [&](pugi::xml_node f) { AppendSheetNamesOf(f.text().get(), digest); });
  return digest;
}

}  // namespace

void XlsxWorkbook::IndexName(pugi::xml_node name) {
  std::string refs;
  AppendSheetNamesOf(name.text().get(), refs);
  for (std::size_t at = 0; at < refs.size();) {
    const std::size_t end = refs.find('\n', at);
    namesByRef_[refs.substr(at, end - at)].push_back(name);
    at = end + 1;
  }
}

void XlsxWorkbook::RenameSheetReferences(const std::string& from, const std::string& to) {
  if (!namesIndexed_) {
    namesByRef_.clear();
    ForEachChild(Child(bookDoc_.document_element(), "definedNames"), "definedName",
                 [&](pugi::xml_node n) { IndexName(n); });
    namesIndexed_ = true;
  }
  if (auto found = namesByRef_.find(FoldSheetName(from)); found != namesByRef_.end()) {
    std::vector<pugi::xml_node> names = std::move(found->second);
    namesByRef_.erase(found);
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    for (pugi::xml_node n : names) {
      std::string text = n.text().get();
      std::string renamed = RenameSheetInFormula(text, from, to);
      if (renamed != text) n.text().set(renamed.c_str());
      IndexName(n);
    }
  }
  if (!chartsIndexed_) {
    for (const std::string& part : pkg_.PartNames())
      if (IsChartType(pkg_.ContentType(part)) && chartDigests_[part].empty())
        unreadCharts_.insert(part);
    chartsIndexed_ = true;
  }
  // Only the charts not looked at yet and those seen to name the sheet:
  // thousands of copies make thousands of charts.
  std::vector<std::string> charts(unreadCharts_.begin(), unreadCharts_.end());
  if (auto found = chartsByRef_.find(FoldSheetName(from)); found != chartsByRef_.end()) {
    charts.insert(charts.end(), found->second.begin(), found->second.end());
    chartsByRef_.erase(found);
  }
  std::sort(charts.begin(), charts.end());
  charts.erase(std::unique(charts.begin(), charts.end()), charts.end());
  RenameSheetInCharts(charts, from, to);
}

void XlsxWorkbook::RenameSheetInCharts(const std::vector<std::string>& parts,
                                       const std::string& from, const std::string& to) {
  // A thousand copies of a template with a chart make a thousand charts; the
  // digest spares parsing every one of them at every rename.
  const std::string named = "\n" + FoldSheetName(from) + "\n";
  for (const std::string& part : parts) {
    if (!pkg_.Has(part) || !IsChartType(pkg_.ContentType(part))) continue;
    std::string& digest = chartDigests_[part];
    if (!digest.empty() && digest.find(named) == std::string::npos) continue;
    pugi::xml_document doc;
    ParseXml(doc, pkg_.Data(part), part);
    bool changed = false;
    ForEachFormula(doc.document_element(), [&](pugi::xml_node f) {
      std::string text = f.text().get();
      std::string renamed = RenameSheetInFormula(text, from, to);
      if (renamed == text) return;
      f.text().set(renamed.c_str());
      changed = true;
    });
    if (changed) pkg_.SetData(part, PrintXml(doc));
    digest = FormulaDigest(doc);
    unreadCharts_.erase(part);
    for (std::size_t at = 1; at < digest.size();) {
      const std::size_t end = digest.find('\n', at);
      chartsByRef_[digest.substr(at, end - at)].push_back(part);
      at = end + 1;
    }
  }
}

}  // namespace zel::xl
