#include "support/TableFactsText.h"

namespace zel::test {

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
