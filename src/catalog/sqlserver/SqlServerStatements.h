#pragma once
// The SQL Server catalog statements, and the rules that turn the server's
// answers into the version class and the definition grid's cells.
#include <string>

namespace zel::mssql {

inline constexpr const char* kVersion = "SELECT @@VERSION,SERVERPROPERTY('edition') ";
inline constexpr const char* kDatabases = "select name from sysdatabases";

// [name] with "]" doubled: a database name as the first part of a
// three-part name.
std::string Bracketed(const std::string& name);
// N'name' with "'" doubled: Unicode, so that no character is lost in the
// server's code page.
std::string UnicodeLiteral(const std::string& name);

std::string OwnersStatement(const std::string& database);
// Empty for a class that has no statement.
std::string TablesStatement(const std::string& versionClass, const std::string& database,
                            const std::string& owner);
std::string ColumnsStatement(const std::string& versionClass, const std::string& database,
                             const std::string& owner, const std::string& table);
// The column statement of every table the owner's table statement lists:
// the same select list and joins, the table's name as a ninth column,
// ordered by table and column.
std::string OwnerColumnsStatement(const std::string& versionClass, const std::string& database,
                                  const std::string& owner);

// The detailed document's statements, each over every table the owner's
// table statement lists, ordered by table and then by name; empty for a
// class that has none. 2005 and later read the catalog views; 2000 its
// system tables, which give the same columns (no filtered or included
// index columns, only CASCADE and NO ACTION, long texts in several rows of
// pieces in order).
//   defaults:    TABLENAME, COLUMNNAME, default definition, identity ("1"),
//                computed definition
//   indexes:     TABLENAME, INDEXNAME, type_desc, unique ("1"), primary
//                ("1"), filter, COLUMNNAME, included ("1"), descending ("1")
//   foreign keys: TABLENAME, CONSTRAINTNAME, COLUMNNAME, referenced schema
//                (NULL when the same), table, column, delete and update
//                actions
//   constraints: TABLENAME, CONSTRAINTNAME, "UNIQUE"/"CHECK", COLUMNNAME,
//                definition
std::string DefaultsStatement(const std::string& versionClass, const std::string& database,
                              const std::string& owner);
std::string IndexesStatement(const std::string& versionClass, const std::string& database,
                             const std::string& owner);
std::string ForeignKeysStatement(const std::string& versionClass, const std::string& database,
                                 const std::string& owner);
std::string ConstraintsStatement(const std::string& versionClass, const std::string& database,
                                 const std::string& owner);

// From the first column of the version statement.
struct ServerVersion {
  std::string product;       // the text before the first "-"
  std::string versionClass;  // "2000", "2005" or "2008"
};
ServerVersion ClassifyVersion(const std::string& version);

// Cell i of a column row as the definition grid shows it, from the row's
// raw column i and its type name (column 2).
std::string ColumnCell(int i, const std::string& raw, const std::string& typeName);

}  // namespace zel::mssql
