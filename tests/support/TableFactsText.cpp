#include "support/TableFactsText.h"

namespace zel::test {
namespace {

std::string Shown(std::string text) {
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at))
    text.replace(at, 1, " | ");
  return text;
}

}  // namespace

std::string FactsText(const TableFacts& f) {
  std::string s = "given";
  for (bool has : {f.hasDefaults, f.hasIndexes, f.hasForeignKeys, f.hasConstraints})
    s += has ? " 1" : " 0";
  s += "\n";
  for (const auto& [column, text] : f.defaults) s += "D " + column + " = " + text + "\n";
  for (const auto& [column, text] : f.references) s += "R " + column + " = " + Shown(text) + "\n";
  for (const IndexFact& i : f.indexes)
    s += "I " + i.name + " | " + i.columns + " | " + (i.unique ? "U" : "-") +
         (i.primary ? "P" : "-") + " | " + i.method + " | " + i.note + "\n";
  for (const ForeignKeyFact& k : f.foreignKeys)
    s += "F " + k.name + " | " + k.columns + " | " + k.refTable + " | " + k.refColumns + " | " +
         k.onDelete + " | " + k.onUpdate + "\n";
  for (const ConstraintFact& c : f.constraints)
    s += "C " + c.name + " | " + c.type + " | " + c.definition + "\n";
  return s;
}

}  // namespace zel::test
