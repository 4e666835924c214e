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

std::vector<std::string> FactLines(const TableFacts& f) {
  std::vector<std::string> out;
  out.push_back(std::string("has") + (f.hasDefaults ? " defaults" : "") +
                (f.hasIndexes ? " indexes" : "") + (f.hasForeignKeys ? " foreignKeys" : "") +
                (f.hasConstraints ? " constraints" : ""));
  for (const auto& [column, text] : f.defaults) out.push_back("default " + column + " = " + text);
  for (const auto& [column, text] : f.references) out.push_back("ref " + column + " -> " + text);
  for (const IndexFact& i : f.indexes)
    out.push_back("index " + i.name + " (" + i.columns + ")" + (i.unique ? " unique" : "") +
                  (i.primary ? " primary" : "") + " method=" + i.method + " note=" + i.note);
  for (const ForeignKeyFact& k : f.foreignKeys)
    out.push_back("fk " + k.name + " (" + k.columns + ") -> " + k.refTable + " (" + k.refColumns +
                  ") delete=" + k.onDelete + " update=" + k.onUpdate);
  for (const ConstraintFact& c : f.constraints)
    out.push_back("constraint " + c.name + " " + c.type + " " + c.definition);
  return out;
}

}  // namespace zel::test
