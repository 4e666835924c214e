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

// Types whose length and scale the definition grid leaves empty. The whole
// type text counts: TIMESTAMP(3) is not one of them.
bool IsLargeType(std::string_view dataType);

}  // namespace zel::ora
