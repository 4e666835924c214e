#pragma once
// pugixml helpers that respect namespace prefixes: some producers write
// SpreadsheetML with a prefix (<x:worksheet>), so elements are matched by
// their local name and new elements take the prefix of their parent.
#include <pugixml.hpp>

#include <string>
#include <string_view>

namespace zel::xl {

// Parses a part; throws EXlsxError naming the part when it is not well-formed.
void ParseXml(pugi::xml_document& doc, std::string_view data, const std::string& partName);

// The document printed without indentation, declaration kept as parsed.
std::string PrintXml(const pugi::xml_document& doc);

std::string_view LocalName(const char* qualified);
std::string_view LocalName(const pugi::xml_node& node);
// "x:" for <x:worksheet>, "" without a prefix.
std::string PrefixOf(const pugi::xml_node& node);

pugi::xml_node Child(const pugi::xml_node& parent, std::string_view local);
pugi::xml_attribute Attr(const pugi::xml_node& node, std::string_view local);
// The element's children with that local name, in order.
template <typename F>
void ForEachChild(const pugi::xml_node& parent, std::string_view local, F&& f) {
  for (pugi::xml_node c = parent.first_child(); c; c = c.next_sibling())
    if (c.type() == pugi::node_element && LocalName(c) == local) f(c);
}

// Sets an attribute found by local name, or adds it under `qualified`.
void SetAttr(pugi::xml_node node, std::string_view local, const std::string& qualified,
             const std::string& value);

// An attribute's whole decimal number; -1 when the text is not one.
long ToLong(const char* s);
// An xsd:boolean that says yes: "1" or "true".
bool IsTrue(std::string_view v);

// Escapes text for an attribute value in double quotes.
void AppendAttrEscaped(std::string& out, std::string_view value);
void AppendTextEscaped(std::string& out, std::string_view value);

}  // namespace zel::xl
