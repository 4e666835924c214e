#include "xlsx/AppProps.h"

#include <pugixml.hpp>

#include <cstdlib>

#include "xlsx/XmlUtil.h"

namespace zel::xl {
namespace {

struct Group {
  pugi::xml_node countNode;  // the vt:i4 of the pair
  std::string heading;
  std::size_t first = 0, count = 0;
};

}  // namespace

std::optional<std::string> UpdateSheetTitles(std::string_view appXml,
                                             const std::vector<std::string>& before,
                                             const std::vector<std::string>& now) {
  pugi::xml_document doc;
  try {
    ParseXml(doc, appXml, "docProps/app.xml");
  } catch (...) {
    return std::nullopt;  // a damaged properties part is left as it is
  }
  pugi::xml_node root = doc.document_element();
  pugi::xml_node pairs = Child(Child(root, "HeadingPairs"), "vector");
  pugi::xml_node titles = Child(Child(root, "TitlesOfParts"), "vector");
  if (!pairs || !titles) return std::nullopt;

  std::vector<pugi::xml_node> titleNodes;
  ForEachChild(titles, "lpstr", [&](pugi::xml_node n) { titleNodes.push_back(n); });
  std::vector<Group> groups;
  std::vector<pugi::xml_node> variants;
  ForEachChild(pairs, "variant", [&](pugi::xml_node n) { variants.push_back(n); });
  std::size_t offset = 0;
  for (std::size_t i = 0; i + 1 < variants.size(); i += 2) {
    Group g;
    g.heading = Child(variants[i], "lpstr").text().get();
    g.countNode = Child(variants[i + 1], "i4");
    if (!g.countNode) return std::nullopt;
    g.first = offset;
    g.count = static_cast<std::size_t>(std::strtoul(g.countNode.text().get(), nullptr, 10));
    offset += g.count;
    groups.push_back(g);
  }
  if (offset != titleNodes.size()) return std::nullopt;  // inconsistent already: leave it

  const Group* target = nullptr;
  for (const auto& g : groups) {
    if (g.count != before.size()) continue;
    bool same = true;
    for (std::size_t k = 0; k < g.count && same; ++k)
      same = titleNodes[g.first + k].text().get() == before[k];
    if (same) {
      target = &g;
      break;
    }
  }
  if (!target) {
    for (const auto& g : groups)
      if (g.heading == "Worksheets" || g.heading == "ワークシート") target = &g;
  }
  if (!target) return std::nullopt;

  std::string lpstr =
      PrefixOf(titleNodes.empty() ? Child(variants[0], "lpstr") : titleNodes[0]) + "lpstr";
  pugi::xml_node anchor = target->first + target->count < titleNodes.size()
                              ? titleNodes[target->first + target->count]
                              : pugi::xml_node();
  for (std::size_t k = 0; k < target->count; ++k)
    titles.remove_child(titleNodes[target->first + k]);
  for (const auto& name : now) {
    pugi::xml_node n = anchor ? titles.insert_child_before(lpstr.c_str(), anchor)
                              : titles.append_child(lpstr.c_str());
    n.text().set(name.c_str());
  }
  target->countNode.text().set(std::to_string(now.size()).c_str());
  std::size_t total = titleNodes.size() - target->count + now.size();
  SetAttr(titles, "size", "size", std::to_string(total));
  return PrintXml(doc);
}

}  // namespace zel::xl
