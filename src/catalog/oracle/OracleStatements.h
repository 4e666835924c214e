#pragma once
// The Oracle dictionary statements of the catalog reader. Owner and table
// names go in as literals with their quotes doubled, so no name changes what
// a statement means.
#include <string>
#include <string_view>

namespace zel::ora {

inline constexpr const char* kVersionStatement =
    "SELECT product ,version  FROM PRODUCT_COMPONENT_VERSION where product like '%Oracle%'";
inline constexpr const char* kUsersStatement = "SELECT username FROM all_users ORDER BY username";

// The text to put between single quotes: every ' doubled.
std::string Literal(std::string_view name);

std::string TablesStatement(const std::string& owner);
std::string ColumnsStatement(const std::string& owner, const std::string& table);
// The column statement of every table of the owner's table list: the same
// select list and joins, the table's name as a ninth column, ordered by
// table and column.
std::string OwnerColumnsStatement(const std::string& owner);

// The detailed document's statements over every table of the owner's table
// list, ordered by table and then by name. `version` is the server's major
// version as the connect step keeps it ("19"; empty or unreadable counts as
// the newest): virtual columns came with 11, identity columns with 12.
//   defaults:    TABLE_NAME, COLUMN_NAME, DATA_DEFAULT, IDENTITY_COLUMN,
//                VIRTUAL_COLUMN
//   indexes:     TABLE_NAME, INDEX_NAME, INDEX_TYPE, UNIQUENESS, primary
//                ("1"), COLUMN_NAME, DESCEND, COLUMN_EXPRESSION
//   foreign keys: TABLE_NAME, CONSTRAINT_NAME, COLUMN_NAME, R_OWNER,
//                referenced table, referenced column, DELETE_RULE
//   constraints: TABLE_NAME, CONSTRAINT_NAME, CONSTRAINT_TYPE (U or C),
//                GENERATED, SEARCH_CONDITION, COLUMN_NAME
//   kinds:       TABLE_NAME, "M" (a materialized view's table), "X"
//                (external) or "T"
std::string DefaultsStatement(const std::string& version, const std::string& owner);
std::string IndexesStatement(const std::string& owner);
std::string ForeignKeysStatement(const std::string& owner);
std::string ConstraintsStatement(const std::string& owner);
std::string TableKindsStatement(const std::string& owner);

// Types whose length and scale the definition grid leaves empty. The whole
// type text counts: TIMESTAMP(3) is not one of them.
bool IsLargeType(std::string_view dataType);

}  // namespace zel::ora
