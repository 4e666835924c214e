#pragma once
// What a definition export reads of a whole schema before its tables: the
// rows of each schema-wide statement, kept by table name until the table's
// sheet takes them. A thousand tables then cost one round trip per fact
// instead of one per table and fact. Further facts (defaults, indexes,
// constraints) get a member of their own beside `columns`.
#include <map>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "catalog/CatalogRows.h"
#include "catalog/TableFacts.h"

namespace zel {

class TTreeNode;

// The rows of one schema-wide statement, by the table they belong to, in
// the order the statement returned them.
template <typename Row>
class RowsByTable {
 public:
  void Add(const std::string& table, Row row) { rows_[table].push_back(std::move(row)); }
  // The rows of `table`, handed out once (a table the statement returned
  // nothing for has none); what is taken no longer takes memory.
  std::vector<Row> Take(const std::string& table) {
    auto it = rows_.find(table);
    if (it == rows_.end()) return {};
    std::vector<Row> out = std::move(it->second);
    rows_.erase(it);
    return out;
  }
  size_t Tables() const { return rows_.size(); }
  void Clear() { rows_.clear(); }

 private:
  std::unordered_map<std::string, std::vector<Row>> rows_;
};

// One fact of a schema: read at the first table that needs it, then served
// from memory. `read` false after the attempt: the kind has no schema-wide
// statement for it, and each table reads its own as when browsing.
template <typename Row>
struct SchemaFact {
  bool tried = false;
  bool read = false;
  RowsByTable<Row> rows;
};

struct SchemaRows {
  explicit SchemaRows(const TTreeNode& schemaNode) : schema(&schemaNode) {}
  const TTreeNode* schema;
  SchemaFact<ColumnRow> columns;
  // The detailed document's facts and table kinds, read like the columns:
  // at the first table that needs them, once.
  struct Facts {
    bool tried = false;
    bool read = false;
    std::map<std::string, TableFacts> tables;
  } facts;
  struct Kinds {
    bool tried = false;
    bool read = false;
    TableKinds tables;
  } kinds;
};

// How an export reads the catalog: "bulk", one schema-wide statement per
// fact (the default), or "per-table", exactly the statements and batch sizes
// of browsing, table after table.
enum class CatalogRead { Bulk, PerTable };
// "bulk" or "per-table"; false for any other text.
bool ParseCatalogRead(const std::string& text, CatalogRead& out);

}  // namespace zel
