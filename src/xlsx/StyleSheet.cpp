#include "xlsx/StyleSheet.h"

#include <cstdlib>
#include <vector>

#include "xlsx/XlsxError.h"
#include "xlsx/XmlUtil.h"

namespace zel::xl {
namespace {

constexpr uint32_t kShortDateFmt = 14;  // built-in m/d/yyyy, shown in the user's locale
constexpr uint32_t kTextFmt = 49;       // built-in "@"

uint32_t ToIndex(const char* s) {
  return static_cast<uint32_t>(std::strtoul(s, nullptr, 10));
}

}  // namespace

void StyleSheet::Parse(std::string_view xml, const std::string& partName) {
  doc_.reset();
  ParseXml(doc_, xml, partName);
  pugi::xml_node root = doc_.document_element();
  if (LocalName(root) != "styleSheet")
    throw EXlsxError("the part " + partName + " is not a style sheet");
  prefix_ = PrefixOf(root);
  ForEachChild(Child(root, "numFmts"), "numFmt", [&](pugi::xml_node n) {
    customFormats_[ToIndex(n.attribute("numFmtId").value())] = n.attribute("formatCode").value();
  });
  cellXfs_ = Child(root, "cellXfs");
  xfs_.clear();
  ForEachChild(cellXfs_, "xf", [&](pugi::xml_node n) { xfs_.push_back(n); });
  present_ = true;
}

void StyleSheet::CreateDefault() {
  static const char kMinimal[] =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
      "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
      "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
      "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
      "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
      "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
      "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/>"
      "</cellStyleXfs>"
      "<cellXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" "
      "xfId=\"0\"/></cellXfs>"
      "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
      "</styleSheet>";
  Parse(kMinimal, "xl/styles.xml");
  changed_ = true;
}

pugi::xml_node StyleSheet::Xf(uint32_t xf) const {
  return xf < xfs_.size() ? xfs_[xf] : pugi::xml_node();
}

uint32_t StyleSheet::NumFmtId(uint32_t xf) const {
  pugi::xml_node n = Xf(xf);
  return n ? ToIndex(n.attribute("numFmtId").value()) : 0;
}

bool StyleSheet::IsGeneral(uint32_t xf) const {
  uint32_t id = NumFmtId(xf);
  if (id == 0) return true;
  auto it = customFormats_.find(id);
  return it != customFormats_.end() && (it->second == "General" || it->second == "general");
}

bool StyleSheet::IsTextFormat(uint32_t xf) const {
  uint32_t id = NumFmtId(xf);
  if (id == kTextFmt) return true;
  auto it = customFormats_.find(id);
  return it != customFormats_.end() && it->second == "@";
}

bool StyleSheet::WrapsText(uint32_t xf) const {
  pugi::xml_node n = Xf(xf);
  return n && IsTrue(Attr(Child(n, "alignment"), "wrapText").value());
}

uint32_t StyleSheet::Clone(uint32_t xf) {
  if (!present_) CreateDefault();
  if (!cellXfs_) {
    cellXfs_ = doc_.document_element().append_child((prefix_ + "cellXfs").c_str());
  }
  pugi::xml_node source = Xf(xf);
  pugi::xml_node copy;
  if (source) {
    copy = cellXfs_.append_copy(source);
  } else {
    copy = cellXfs_.append_child((prefix_ + "xf").c_str());
    for (const char* a : {"numFmtId", "fontId", "fillId", "borderId", "xfId"})
      copy.append_attribute(a) = "0";
  }
  xfs_.push_back(copy);
  SetAttr(cellXfs_, "count", "count", std::to_string(xfs_.size()));
  changed_ = true;
  return static_cast<uint32_t>(xfs_.size() - 1);
}

uint32_t StyleSheet::WithWrap(uint32_t xf, bool wrap) {
  if (WrapsText(xf) == wrap) return xf;
  auto& cache = wrap ? wrap_ : noWrap_;
  auto it = cache.find(xf);
  if (it != cache.end()) return it->second;
  uint32_t id = Clone(xf);
  pugi::xml_node copy = Xf(id);
  pugi::xml_node align = Child(copy, "alignment");
  if (wrap) {
    if (!align) {
      // <alignment> is the first child of <xf>.
      align = copy.prepend_child((prefix_ + "alignment").c_str());
    }
    SetAttr(align, "wrapText", "wrapText", "1");
  } else {
    align.remove_attribute(Attr(align, "wrapText"));
  }
  SetAttr(copy, "applyAlignment", "applyAlignment", "1");
  cache[xf] = id;
  return id;
}

uint32_t StyleSheet::WithShortDate(uint32_t xf) {
  if (!IsGeneral(xf)) return xf;
  auto it = shortDate_.find(xf);
  if (it != shortDate_.end()) return it->second;
  uint32_t id = Clone(xf);
  pugi::xml_node copy = Xf(id);
  SetAttr(copy, "numFmtId", "numFmtId", std::to_string(kShortDateFmt));
  SetAttr(copy, "applyNumberFormat", "applyNumberFormat", "1");
  shortDate_[xf] = id;
  return id;
}

uint32_t StyleSheet::WithLinkFont(uint32_t xf) {
  auto it = linkFont_.find(xf);
  if (it != linkFont_.end()) return it->second;
  uint32_t id = Clone(xf);
  pugi::xml_node copy = Xf(id);
  pugi::xml_node root = doc_.document_element();
  pugi::xml_node fonts = Child(root, "fonts");
  if (!fonts) {
    // <fonts> follows <numFmts> and precedes everything else of the sheet.
    pugi::xml_node numFmts = Child(root, "numFmts");
    fonts = numFmts ? root.insert_child_after((prefix_ + "fonts").c_str(), numFmts)
                    : root.prepend_child((prefix_ + "fonts").c_str());
  }
  std::vector<pugi::xml_node> list;
  ForEachChild(fonts, "font", [&](pugi::xml_node f) { list.push_back(f); });
  const uint32_t fontId = ToIndex(copy.attribute("fontId").value());
  pugi::xml_node font = fontId < list.size() ? fonts.append_copy(list[fontId])
                                             : fonts.append_child((prefix_ + "font").c_str());
  // The children of <font> may come in any order.
  for (const char* name : {"u", "color"})
    while (pugi::xml_node old = Child(font, name)) font.remove_child(old);
  font.prepend_child((prefix_ + "u").c_str());
  font.append_child((prefix_ + "color").c_str()).append_attribute("rgb") = "FF0563C1";
  SetAttr(fonts, "count", "count", std::to_string(list.size() + 1));
  SetAttr(copy, "fontId", "fontId", std::to_string(list.size()));
  SetAttr(copy, "applyFont", "applyFont", "1");
  linkFont_[xf] = id;
  return id;
}

std::string StyleSheet::Serialize() const {
  return PrintXml(doc_);
}

}  // namespace zel::xl
