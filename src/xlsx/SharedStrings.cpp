#include "xlsx/SharedStrings.h"

#include "xlsx/XlsxError.h"
#include "xlsx/XmlUtil.h"

namespace zel::xl {

SharedStrings::SharedStrings() {
  static const char kEmpty[] =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"0\" "
      "uniqueCount=\"0\"></sst>";
  ParseXml(doc_, kEmpty, "xl/sharedStrings.xml");
}

void SharedStrings::Parse(std::string_view xml, const std::string& partName) {
  doc_.reset();
  ParseXml(doc_, xml, partName);
  pugi::xml_node root = doc_.document_element();
  if (LocalName(root) != "sst") throw EXlsxError("the part " + partName + " is not a string table");
  prefix_ = PrefixOf(root);
  entries_ = 0;
  index_.clear();
  ForEachChild(root, "si", [&](pugi::xml_node si) {
    // Only a plain entry (one text run, perhaps with Japanese Excel's phonetic
    // settings) can stand for a plain text; rich text is never reused.
    pugi::xml_node t;
    bool plain = true;
    for (pugi::xml_node c = si.first_child(); c; c = c.next_sibling()) {
      if (c.type() != pugi::node_element) continue;
      std::string_view n = LocalName(c);
      if (n == "t" && !t)
        t = c;
      else if (n != "phoneticPr")
        plain = false;
    }
    if (plain && t) index_.emplace(t.text().get(), static_cast<uint32_t>(entries_));
    ++entries_;
  });
}

uint32_t SharedStrings::Add(const std::string& escapedText) {
  auto it = index_.find(escapedText);
  if (it != index_.end()) return it->second;
  auto id = static_cast<uint32_t>(entries_++);
  ++appended_;
  index_.emplace(escapedText, id);
  added_ += '<' + prefix_ + "si><" + prefix_ + 't';
  // Leading or trailing blanks and line breaks survive only when marked.
  bool edges = !escapedText.empty() && (escapedText.front() == ' ' || escapedText.back() == ' ' ||
                                        escapedText.find_first_of("\n\t") != std::string::npos);
  if (edges) added_ += " xml:space=\"preserve\"";
  added_ += '>';
  AppendTextEscaped(added_, escapedText);
  added_ += "</" + prefix_ + "t></" + prefix_ + "si>";
  return id;
}

std::string SharedStrings::Serialize() {
  pugi::xml_node root = doc_.document_element();
  // The total number of references is optional and would need every sheet
  // counted; the number of entries is kept right.
  if (pugi::xml_attribute c = root.attribute("count")) root.remove_attribute(c);
  SetAttr(root, "uniqueCount", "uniqueCount", std::to_string(entries_));
  std::string out = PrintXml(doc_);
  std::string close = "</" + prefix_ + "sst>";
  auto pos = out.rfind(close);
  if (pos == std::string::npos) {
    // An empty table printed as a self-closing element.
    pos = out.rfind("/>");
    out.replace(pos, 2, ">" + added_ + close);
    return out;
  }
  out.insert(pos, added_);
  return out;
}

}  // namespace zel::xl
