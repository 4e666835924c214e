#include "xlsx/XmlUtil.h"

#include <cstdlib>
#include <cstring>

#include "xlsx/XlsxError.h"

namespace zel::xl {
namespace {

struct StringWriter : pugi::xml_writer {
  std::string out;
  void write(const void* data, size_t size) override {
    out.append(static_cast<const char*>(data), size);
  }
};

}  // namespace

void ParseXml(pugi::xml_document& doc, std::string_view data, const std::string& partName) {
  // Whitespace-only text is kept so that a part we rewrite keeps the text of
  // <t xml:space="preserve"> </t> and its own layout.
  pugi::xml_parse_result r = doc.load_buffer(
      data.data(), data.size(),
      pugi::parse_default | pugi::parse_ws_pcdata | pugi::parse_declaration | pugi::parse_doctype,
      pugi::encoding_auto);
  if (!r) {
    throw EXlsxError("the workbook part " + partName + " is not well-formed XML (" +
                     r.description() + " at byte " + std::to_string(r.offset) + ")");
  }
  // Office parts never carry a document type; one that does may declare
  // entities meant to be expanded without end. pugixml expands none, and
  // the part is refused rather than read with its references as text.
  // pugixml reads on past the end of the document element; a second root
  // or text behind it would be printed again on save, and new content put
  // into the wrong one.
  int roots = 0;
  for (pugi::xml_node n = doc.first_child(); n; n = n.next_sibling()) {
    if (n.type() == pugi::node_doctype)
      throw EXlsxError("the workbook part " + partName +
                       " holds a document type declaration (<!DOCTYPE>), which workbooks "
                       "never have");
    bool text = n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata;
    if ((n.type() == pugi::node_element && ++roots > 1) ||
        (text &&
         std::string_view(n.value()).find_first_not_of(" \t\r\n") != std::string_view::npos))
      throw EXlsxError("the workbook part " + partName +
                       " is not well-formed XML (content after the document element)");
  }
  if (!doc.document_element())
    throw EXlsxError("the workbook part " + partName + " holds no XML element");
  // A part read as UTF-16 is written back as UTF-8; its declaration must say so.
  pugi::xml_node decl = doc.first_child();
  if (decl.type() == pugi::node_declaration && decl.attribute("encoding"))
    decl.attribute("encoding").set_value("UTF-8");
}

std::string PrintXml(const pugi::xml_document& doc) {
  StringWriter w;
  doc.save(w, "", pugi::format_raw, pugi::encoding_utf8);
  return std::move(w.out);
}

std::string_view LocalName(const char* qualified) {
  const char* colon = std::strchr(qualified, ':');
  return colon ? std::string_view(colon + 1) : std::string_view(qualified);
}

std::string_view LocalName(const pugi::xml_node& node) {
  return LocalName(node.name());
}

std::string PrefixOf(const pugi::xml_node& node) {
  const char* name = node.name();
  const char* colon = std::strchr(name, ':');
  return colon ? std::string(name, static_cast<size_t>(colon - name) + 1) : std::string();
}

pugi::xml_node Child(const pugi::xml_node& parent, std::string_view local) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element && LocalName(c) == local) return c;
  return {};
}

pugi::xml_attribute Attr(const pugi::xml_node& node, std::string_view local) {
  for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute())
    if (LocalName(a.name()) == local) return a;
  return {};
}

void SetAttr(pugi::xml_node node, std::string_view local, const std::string& qualified,
             const std::string& value) {
  pugi::xml_attribute a = Attr(node, local);
  if (!a) a = node.append_attribute(qualified.c_str());
  a.set_value(value.c_str());
}

long ToLong(const char* s) {
  char* end = nullptr;
  long v = std::strtol(s, &end, 10);
  return end != s && *end == '\0' ? v : -1;
}

bool IsTrue(std::string_view v) {
  return v == "1" || v == "true";
}

void AppendAttrEscaped(std::string& out, std::string_view value) {
  for (char c : value) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\t':
        out += "&#9;";
        break;
      case '\n':
        out += "&#10;";
        break;
      case '\r':
        out += "&#13;";
        break;
      default:
        out += c;
    }
  }
}

void AppendTextEscaped(std::string& out, std::string_view value) {
  for (char c : value) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      default:
        out += c;
    }
  }
}

}  // namespace zel::xl
