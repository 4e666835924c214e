#pragma once
// The MySQL catalog statements, built from their fixed pieces with the
// names of tree nodes put between single quotes. The names arrive already
// escaped for the statement's own connection (TMySQL5::EscapeString).
#include <string>
#include <string_view>

#include "catalog/CatalogRows.h"

namespace zel::my {

inline constexpr const char* kVersionStatement = "select version(),CHARSET(VERSION())";
inline constexpr const char* kSchemasStatement = "SELECT schema_name FROM information_schema.schemata";

std::string TablesStatement(std::string_view schemaLiteral);
std::string ColumnsStatement(std::string_view schemaLiteral, std::string_view tableLiteral);
// The column statement of every table of the schema: the same select list,
// the table's name as a tenth column, ordered by table and position.
std::string SchemaColumnsStatement(std::string_view schemaLiteral);

// The server as lblDbType names it ("MySQL 8.0.36", "MySQL
// 10.11.6-MariaDB-0+deb12u1"): which product, and its version as
// major * 10000 + minor * 100 + patch. A text without a version counts as
// a current server.
struct Server {
  bool mariaDb = false;
  int version = 0;
};
Server ServerOf(std::string_view versionLabel);

// What information_schema can give of the detailed document's facts.
struct FactsGiven {
  bool generation = true;  // COLUMNS.GENERATION_EXPRESSION
  bool expressions = true;  // STATISTICS.EXPRESSION (functional key parts)
  bool foreignKeys = true;  // REFERENTIAL_CONSTRAINTS
  bool checks = true;  // CHECK_CONSTRAINTS
  // False where the server keeps check constraints but no table shows them.
  bool constraints = true;
};
FactsGiven FactsOf(const Server& server);

// Every statement lists the schema's own rows, ordered by table: all of
// them belong to objects its TABLES rows list, which the table statement
// lists whole.
// Table, type: what each object of the list is.
std::string TableKindsStatement(std::string_view schemaLiteral);
// The 種別 text of a TABLE_TYPE.
std::string KindText(std::string_view tableType);
// Table, column, COLUMN_DEFAULT, whether it is NULL ('1'), EXTRA,
// GENERATION_EXPRESSION: the columns with a default or an EXTRA.
std::string DefaultsStatement(const FactsGiven& given, std::string_view schemaLiteral);
// The デフォルト値 text of one row of DefaultsStatement.
std::string DefaultText(const Server& server, const std::string& columnDefault, bool isNull,
                        const std::string& extra, const std::string& generation);
// Table, index, NON_UNIQUE, column, COLLATION, SUB_PART, INDEX_TYPE,
// EXPRESSION: one row per key part in order.
std::string IndexesStatement(const FactsGiven& given, std::string_view schemaLiteral);
// Table, constraint, column, referenced schema, table and column, delete and
// update rule: one row per column pair in key order.
std::string ForeignKeysStatement(std::string_view schemaLiteral);
// Table, constraint, check clause: the check constraints, where the server
// has CHECK_CONSTRAINTS. The unique constraints are the unique indexes other
// than the primary key, and come from IndexesStatement.
std::string ChecksStatement(const Server& server, std::string_view schemaLiteral);

// The nine fields of one row of the column statement, as read.
struct ColumnFields {
  std::string no, name, dataType, length, scale, notNull, primaryKey, comment, columnType;
};
// The definition-grid row of one column: the type without its parentheses,
// length and scale only where the catalog's numbers agree with them, and the
// allowed values of an enum or set without a comment as its comment.
ColumnRow ColumnRowOf(const ColumnFields& f);

}  // namespace zel::my
