#pragma once
// Gathers the rows of the schema-wide fact statements into each table's
// TableFacts: an index or foreign key arrives as one row per column in
// position order, and the 参照先 cells and the name order come at Finish.
#include <map>
#include <set>
#include <string>
#include <utility>

#include "catalog/TableFacts.h"

namespace zel {

class FactRows {
 public:
  explicit FactRows(std::map<std::string, TableFacts>& out) : out_(out) {}

  // The デフォルト値 cell of a column; an empty text is no default.
  void Default(const std::string& table, const std::string& column, const std::string& text);
  // One column of an index: the rows of one index follow each other, in
  // position order. `index` carries the index's own facts (its columns and
  // note as far as known before the columns: the predicate).
  void IndexColumn(const std::string& table, const IndexFact& index, const std::string& key,
                   bool descending, bool included);
  // One column pair of a foreign key, in key order; `refTable` is already
  // qualified where it lies in another schema.
  void ForeignKeyColumn(const std::string& table, const ForeignKeyFact& key,
                        const std::string& column, const std::string& refColumn);
  void Constraint(const std::string& table, ConstraintFact constraint);
  // Every table of `tables` says it cannot give the facts that are false.
  void NotGiven(const std::set<std::string>& tables, bool defaults, bool indexes,
                bool foreignKeys, bool constraints);
  // Orders the vectors by name, puts the included columns into the notes and
  // fills the 参照先 cells.
  void Finish();

 private:
  TableFacts& Of(const std::string& table) { return out_[table]; }

  std::map<std::string, TableFacts>& out_;
  // (table, index) -> the included columns, ", "-joined.
  std::map<std::pair<std::string, std::string>, std::string> included_;
  // (table, key) -> the referenced column of each of its columns, in order.
  std::map<std::pair<std::string, std::string>, std::vector<std::pair<std::string, std::string>>>
      pairs_;
};

// "table", or "schema.table" when `schema` is not `ownSchema`.
std::string QualifiedTable(const std::string& ownSchema, const std::string& schema,
                           const std::string& table);

}  // namespace zel
