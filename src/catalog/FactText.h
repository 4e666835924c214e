#pragma once
// Small rules shared by the readers that fill TableFacts from schema-wide
// statements: the rows come ordered by table and by name, one row per
// column of a key, and are folded into one fact per name.
#include <algorithm>
#include <string>
#include <vector>

namespace zel::facts {

// Appends `item` to a list joined by `separator`.
void AddItem(std::string& list, const std::string& item, const char* separator = ", ");

// The fact of that name in `items`, added at the end when there is none yet.
template <typename Fact>
Fact& Named(std::vector<Fact>& items, const std::string& name) {
  auto it =
      std::find_if(items.rbegin(), items.rend(), [&](const Fact& f) { return f.name == name; });
  if (it != items.rend()) return *it;
  items.emplace_back();
  items.back().name = name;
  return items.back();
}

// Blanks, tabs and line breaks taken off the end (Oracle keeps the text
// after a DEFAULT up to the next keyword, blanks included).
std::string TrimEnd(const std::string& text);

// Whether a default says only NULL ("NULL", "(NULL)", "((null))" ...): the
// document leaves such a cell empty, as for no default.
bool IsNullDefault(const std::string& text);

}  // namespace zel::facts
