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
