#pragma once
// The PostgreSQL catalog statements, built from their fixed pieces with the
// names of tree nodes put between single quotes.
#include <string>
#include <string_view>

namespace zel::pg {

inline constexpr int kBatchSize = 20;
inline constexpr const char* kVersionCursor = "DECLARE mycursor CURSOR for select version()";
inline constexpr const char* kVersionFetch = "FETCH 1 in mycursor";
inline constexpr const char* kDatabasesCursor =
    "DECLARE mycursor2 CURSOR for select datname from pg_database";
inline constexpr const char* kDatabasesFetch = "FETCH 20 in mycursor2";
inline constexpr const char* kSchemasCursor =
    "DECLARE mycursor CURSOR for SELECT distinct schemaname FROM pg_stat_user_tables";
inline constexpr const char* kFetch = "FETCH 20 in mycursor";
// An export's larger batches: of its table list, and of a schema's columns
// (some ten megabytes of rows at a time, whatever the schema's size). Each
// FETCH is a round trip: a list of 10,000 tables, or 2,500 tables of 20
// columns, comes in one.
inline constexpr int kListBatchSize = 10000;
inline constexpr const char* kListFetch = "FETCH 10000 in mycursor";
inline constexpr int kColumnBatchSize = 50000;
inline constexpr const char* kColumnFetch = "FETCH 50000 in mycursor";

// The body of a string literal for the name: quotes doubled, so that no name
// can end the literal early. Backslashes stay as they are; the reader turns
// standard_conforming_strings on, under which they carry no meaning.
std::string LiteralBody(std::string_view name);

std::string TablesStatement(std::string_view schema);
// versionLabel is the text of lblDbType ("PostgreSQL 15.4"): servers of the
// 7 series get the primary-key join without any().
std::string ColumnsStatement(std::string_view versionLabel, std::string_view schema,
                             std::string_view table);
// The column statement of every table of the schema, as a cursor to fetch
// from: the same select list and joins, the table's name as a ninth column,
// ordered by table and column number.
std::string SchemaColumnsCursor(std::string_view versionLabel, std::string_view schema);

// The server's version from lblDbType's text ("PostgreSQL 9.6.24" -> 906,
// "PostgreSQL 15.4" -> 1500); a text without one counts as a current server.
int ServerVersion(std::string_view versionLabel);

// What each table of the schema's list is: name, relkind, whether it is a
// partition, and its parent's name and schema (servers before 10 know no
// partitions and give empty texts for them).
std::string TableKindsCursor(int version, std::string_view schema);
// The 種別 text of one row of TableKindsCursor.
std::string KindText(std::string_view relkind, bool partition, std::string_view parent);

// The detailed document's facts of every table the schema's list shows, each
// a cursor ordered by table. Servers before 8.0 have neither
// generate_series nor the key arrays these need for indexes and foreign
// keys: FactsGiven tells what a version can give.
struct FactsGiven {
  bool defaults = true, indexes = true, foreignKeys = true, constraints = true;
};
FactsGiven FactsOf(int version);
// Table, column, default text, identity ('t'/'f'), generated ('t'/'f'):
// columns with a default, an identity or a generation expression.
std::string DefaultsCursor(int version, std::string_view schema);
// Table, index, unique, primary, method, predicate, key text (the column's
// name, or the expression), descending, included: one row per index column
// in position order.
std::string IndexesCursor(int version, std::string_view schema);
// Table, constraint, column, referenced table, its schema, referenced column,
// confdeltype, confupdtype: one row per column pair in key order.
std::string ForeignKeysCursor(int version, std::string_view schema);
// Table, constraint, contype ('u' or 'c'), definition.
std::string ConstraintsCursor(int version, std::string_view schema);
// The names of the tables the schema's list shows (for servers that cannot
// give every fact, whose tables must each say so).
std::string TableNamesCursor(std::string_view schema);
// The referential action of a confdeltype/confupdtype letter.
std::string ActionText(std::string_view letter);

// Splits a format_type text such as "numeric(10,2)" or
// "character varying(20)[]" into type, length and scale cells.
struct TypeCells {
  std::string type, length, scale;
};
TypeCells SplitType(std::string_view formatType);

}  // namespace zel::pg
