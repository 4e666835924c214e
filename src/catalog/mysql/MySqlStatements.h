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

// The nine fields of one row of the column statement, as read.
struct ColumnFields {
  std::string no, name, dataType, length, scale, notNull, primaryKey, comment, columnType;
};
// The definition-grid row of one column: the type without its parentheses,
// length and scale only where the catalog's numbers agree with them, and the
// allowed values of an enum or set without a comment as its comment.
ColumnRow ColumnRowOf(const ColumnFields& f);

}  // namespace zel::my
