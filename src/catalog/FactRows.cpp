#include "catalog/FactRows.h"

#include <algorithm>

namespace zel {
namespace {

template <typename Fact>
void ByName(std::vector<Fact>& facts) {
  std::stable_sort(facts.begin(), facts.end(),
                   [](const Fact& a, const Fact& b) { return a.name < b.name; });
}

void Append(std::string& list, const std::string& item, const char* separator) {
  if (!list.empty()) list += separator;
  list += item;
}

}  // namespace

void FactRows::Default(const std::string& table, const std::string& column,
                       const std::string& text) {
  if (text.empty()) return;
  Of(table).defaults[column] = text;
}

void FactRows::IndexColumn(const std::string& table, const IndexFact& index,
                           const std::string& key, bool descending, bool included) {
  std::vector<IndexFact>& indexes = Of(table).indexes;
  if (indexes.empty() || indexes.back().name != index.name) {
    indexes.push_back(index);
    indexes.back().columns.clear();
  }
  if (included) {
    Append(included_[{table, index.name}], key, ", ");
    return;
  }
  Append(indexes.back().columns, descending ? key + " DESC" : key, ", ");
}

void FactRows::ForeignKeyColumn(const std::string& table, const ForeignKeyFact& key,
                                const std::string& column, const std::string& refColumn) {
  std::vector<ForeignKeyFact>& keys = Of(table).foreignKeys;
  if (keys.empty() || keys.back().name != key.name) {
    keys.push_back(key);
    keys.back().columns.clear();
    keys.back().refColumns.clear();
  }
  Append(keys.back().columns, column, ", ");
  Append(keys.back().refColumns, refColumn, ", ");
  pairs_[{table, key.name}].emplace_back(column, refColumn);
}

void FactRows::Constraint(const std::string& table, ConstraintFact constraint) {
  Of(table).constraints.push_back(std::move(constraint));
}

void FactRows::NotGiven(const std::set<std::string>& tables, bool defaults, bool indexes,
                        bool foreignKeys, bool constraints) {
  for (const std::string& table : tables) {
    TableFacts& f = Of(table);
    if (defaults) f.hasDefaults = false;
    if (indexes) f.hasIndexes = false;
    if (foreignKeys) f.hasForeignKeys = false;
    if (constraints) f.hasConstraints = false;
  }
}

void FactRows::Finish() {
  for (auto& [table, facts] : out_) {
    for (IndexFact& index : facts.indexes) {
      auto inc = included_.find({table, index.name});
      if (inc != included_.end()) Append(index.note, "INCLUDE (" + inc->second + ")", " ");
    }
    ByName(facts.indexes);
    ByName(facts.foreignKeys);
    ByName(facts.constraints);
    // A column in several keys names each target, in the keys' name order.
    for (const ForeignKeyFact& key : facts.foreignKeys) {
      auto it = pairs_.find({table, key.name});
      if (it == pairs_.end()) continue;
      for (const auto& [column, refColumn] : it->second)
        Append(facts.references[column], key.refTable + "." + refColumn, "\n");
    }
  }
  included_.clear();
  pairs_.clear();
}

std::string QualifiedTable(const std::string& ownSchema, const std::string& schema,
                           const std::string& table) {
  return schema.empty() || schema == ownSchema ? table : schema + "." + table;
}

}  // namespace zel
