#include "catalog/oracle/OracleStatements.h"

#include <initializer_list>

namespace zel::ora {
namespace {

std::string Join(std::initializer_list<std::string_view> pieces) {
  std::string out;
  for (std::string_view p : pieces) out += p;
  return out;
}

std::string Upper(std::string_view text) {
  std::string out(text);
  for (char& ch : out)
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 'a' + 'A');
  return out;
}

}  // namespace

std::string Literal(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (char ch : name) {
    out += ch;
    if (ch == '\'') out += '\'';
  }
  return out;
}

std::string TablesStatement(const std::string& ownerName) {
  const std::string owner = Literal(ownerName);
  // clang-format off
  return Join({" SELECT    A.TABLE_NAME,C.COMMENTS,   TO_CHAR(O.CREATED, 'YYYY/MM/DD'),   TO_CHAR(O.LAST_DDL_TIME, 'YYYY/MM/DD') FROM    ALL_TABLES A,    (SELECT * FROM ALL_TAB_COMMENTS WHERE OWNER='", owner, "') C,", "   (SELECT * FROM  ALL_OBJECTS WHERE OWNER='", owner, "' AND  OBJECT_TYPE='TABLE') O ", " WHERE A.OWNER='", owner, "'", "    AND A.OWNER=C.OWNER(+) AND A.TABLE_NAME=C.TABLE_NAME(+)", "    AND A.OWNER=O.OWNER(+) AND A.TABLE_NAME=O.OBJECT_NAME(+)", " ORDER BY A.TABLE_NAME "});
  // clang-format on
}

std::string ColumnsStatement(const std::string& ownerName, const std::string& tableName) {
  const std::string owner = Literal(ownerName), table = Literal(tableName);
  // clang-format off
  return Join({"SELECT    A.COLUMN_ID ,   A.COLUMN_NAME ,   A.DATA_TYPE,   NVL(NVL(A.DATA_PRECISION, A.CHAR_COL_DECL_LENGTH),DECODE(A.DATA_TYPE,'RAW',A.DATA_LENGTH,'')) AS DATALENGTH,   A.DATA_SCALE,   DECODE(A.NULLABLE,'N','1', '') AS NULLABLE ,   DECODE(C.CONSTRAINT_TYPE,'P','1','') AS PK,   B.COMMENTS FROM    ALL_TAB_COLUMNS A,    (SELECT * FROM ALL_COL_COMMENTS WHERE OWNER= '", owner, "' AND TABLE_NAME ='", table, "' )  B , ", "(SELECT  ", "   C.OWNER ,C.TABLE_NAME,D.COLUMN_NAME,C.CONSTRAINT_TYPE  ", " FROM ALL_CONSTRAINTS C, ALL_CONS_COLUMNS D ", "        WHERE C.OWNER= '", owner, "' AND C.TABLE_NAME ='", table, "'", "        AND D.OWNER= '", owner, "' AND D.TABLE_NAME ='", table, "'", "        AND C.OWNER=D.OWNER ", "        AND C.TABLE_NAME=D.TABLE_NAME  ", "        AND C.CONSTRAINT_NAME=D.CONSTRAINT_NAME ", "        AND C.CONSTRAINT_TYPE='P') C ", "WHERE  ", "    A.TABLE_NAME ='", table, "' ", "    AND A.OWNER= '", owner, "'", "    AND A.OWNER=B.OWNER(+) AND A.TABLE_NAME=B.TABLE_NAME(+) AND A.COLUMN_NAME=B.COLUMN_NAME (+) ", "    AND A.OWNER=C.OWNER (+) AND A.TABLE_NAME=C.TABLE_NAME(+) AND A.COLUMN_NAME=C.COLUMN_NAME (+)", "    ORDER BY A.TABLE_NAME, A.COLUMN_ID "});
  // clang-format on
}

std::string OwnerColumnsStatement(const std::string& ownerName) {
  const std::string owner = Literal(ownerName);
  // The table filters go; ALL_TABLES keeps the columns to the tables the
  // table statement lists (ALL_TAB_COLUMNS also has views and clusters).
  // clang-format off
  return Join({"SELECT    A.COLUMN_ID ,   A.COLUMN_NAME ,   A.DATA_TYPE,   NVL(NVL(A.DATA_PRECISION, A.CHAR_COL_DECL_LENGTH),DECODE(A.DATA_TYPE,'RAW',A.DATA_LENGTH,'')) AS DATALENGTH,   A.DATA_SCALE,   DECODE(A.NULLABLE,'N','1', '') AS NULLABLE ,   DECODE(C.CONSTRAINT_TYPE,'P','1','') AS PK,   B.COMMENTS,   A.TABLE_NAME FROM    ALL_TAB_COLUMNS A,    (SELECT * FROM ALL_COL_COMMENTS WHERE OWNER= '", owner, "' )  B , ", "(SELECT  ", "   C.OWNER ,C.TABLE_NAME,D.COLUMN_NAME,C.CONSTRAINT_TYPE  ", " FROM ALL_CONSTRAINTS C, ALL_CONS_COLUMNS D ", "        WHERE C.OWNER= '", owner, "'", "        AND D.OWNER= '", owner, "'", "        AND C.OWNER=D.OWNER ", "        AND C.TABLE_NAME=D.TABLE_NAME  ", "        AND C.CONSTRAINT_NAME=D.CONSTRAINT_NAME ", "        AND C.CONSTRAINT_TYPE='P') C ", "WHERE  ", "    A.TABLE_NAME IN (SELECT T.TABLE_NAME FROM ALL_TABLES T WHERE T.OWNER= '", owner, "') ", "    AND A.OWNER= '", owner, "'", "    AND A.OWNER=B.OWNER(+) AND A.TABLE_NAME=B.TABLE_NAME(+) AND A.COLUMN_NAME=B.COLUMN_NAME (+) ", "    AND A.OWNER=C.OWNER (+) AND A.TABLE_NAME=C.TABLE_NAME(+) AND A.COLUMN_NAME=C.COLUMN_NAME (+)", "    ORDER BY A.TABLE_NAME, A.COLUMN_ID "});
  // clang-format on
}

bool IsLargeType(std::string_view dataType) {
  static const std::string kLarge =
      ",LONG,CLOB,NCLOB,TIMESTAMP(6),TIMESTAMP(6) WITH TIME ZONE,INTERVAL YEAR(2) TO MONTH,";
  return kLarge.find("," + Upper(dataType) + ",") != std::string::npos;
}

}  // namespace zel::ora
