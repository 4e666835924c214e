#pragma once
// The facts of a table beyond its column rows that the detailed definition
// document shows: column defaults, the columns a foreign key points at, the
// indexes, foreign keys and unique/check constraints, and what kind of
// object the table list shows. Readers fill them from one schema-wide
// statement per fact; the document writer only formats them.
#include <map>
#include <string>
#include <vector>

namespace zel {

struct IndexFact {
  std::string name;
  std::string columns;  // key columns in order, ", "-separated; expressions as the server prints them, " DESC" where descending
  bool unique = false;   // every unique index, the primary key's included
  bool primary = false;
  std::string method;  // btree, hash, gin ...; CLUSTERED / NONCLUSTERED ...
  std::string note;    // "WHERE ..." of a partial index, "INCLUDE (...)"; joined by " " when both
};

struct ForeignKeyFact {
  std::string name;
  std::string columns;     // ", "-separated, in key order
  std::string refTable;    // "table", or "schema.table" when in another schema
  std::string refColumns;  // ", "-separated, in key order
  std::string onDelete;    // the referential actions as the server names them
  std::string onUpdate;
};

struct ConstraintFact {
  std::string name;
  std::string type;        // "UNIQUE" or "CHECK"
  std::string definition;  // the definition text as the server prints it
};

struct TableFacts {
  // Column name -> the text of the document's デフォルト値 cell (already in
  // its final form: the server's default text, "AUTO_INCREMENT",
  // "IDENTITY", "GENERATED ALWAYS AS (...)"; absent when there is none).
  std::map<std::string, std::string> defaults;
  // Column name -> the 参照先 cell: "table.column" (or
  // "schema.table.column" for another schema), several joined by "\n".
  std::map<std::string, std::string> references;
  std::vector<IndexFact> indexes;          // ordered by name
  std::vector<ForeignKeyFact> foreignKeys;  // ordered by name
  std::vector<ConstraintFact> constraints;  // ordered by name
  // False when this server cannot give the fact (the document then says
  // "このサーバーでは取得できません" in that section).
  bool hasDefaults = true, hasIndexes = true, hasForeignKeys = true, hasConstraints = true;
};

// The 種別 cell of the detailed table list: "テーブル" (a partitioned parent
// too), "パーティション (" + parent + ")", "外部テーブル",
// "マテリアライズドビュー" or "ビュー"; empty when not known.
using TableKinds = std::map<std::string, std::string>;  // table name -> 種別

}  // namespace zel
