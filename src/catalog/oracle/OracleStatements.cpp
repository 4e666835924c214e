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

namespace {

// The tables the owner's table statement lists.
std::string Listed(const std::string& column, const std::string& owner) {
  return Join({column, " IN (SELECT T.TABLE_NAME FROM ALL_TABLES T WHERE T.OWNER= '", owner, "')"});
}

int Major(const std::string& version) {
  int major = 0;
  size_t i = 0;
  for (; i < version.size() && i < 4 && version[i] >= '0' && version[i] <= '9'; ++i)
    major = major * 10 + (version[i] - '0');
  return i == 0 ? 1000 : major;
}

}  // namespace

// clang-format off
std::string DefaultsStatement(const std::string& version, const std::string& ownerName) {
  const std::string owner = Literal(ownerName);
  const int major = Major(version);
  // Before 11 there are neither virtual nor identity columns, and the
  // hidden columns of ALL_TAB_COLS have no flag to leave them out by.
  if (major < 11)
    return Join({"SELECT A.TABLE_NAME, A.COLUMN_NAME, A.DATA_DEFAULT, 'NO' AS IDENTITY_COLUMN, 'NO' AS VIRTUAL_COLUMN FROM ALL_TAB_COLUMNS A WHERE A.OWNER= '", owner, "' AND ", Listed("A.TABLE_NAME", owner), " AND A.DEFAULT_LENGTH > 0 ORDER BY A.TABLE_NAME, A.COLUMN_ID"});
  const std::string identity = major < 12 ? "'NO' AS IDENTITY_COLUMN" : "A.IDENTITY_COLUMN";
  const std::string identityTest = major < 12 ? "" : " OR A.IDENTITY_COLUMN = 'YES'";
  return Join({"SELECT A.TABLE_NAME, A.COLUMN_NAME, A.DATA_DEFAULT, ", identity, ", A.VIRTUAL_COLUMN FROM ALL_TAB_COLS A WHERE A.OWNER= '", owner, "' AND ", Listed("A.TABLE_NAME", owner), " AND A.HIDDEN_COLUMN = 'NO' AND (A.DEFAULT_LENGTH > 0 OR A.VIRTUAL_COLUMN = 'YES'", identityTest, ") ORDER BY A.TABLE_NAME, A.COLUMN_ID"});
}

std::string IndexesStatement(const std::string& ownerName) {
  const std::string owner = Literal(ownerName);
  // Outer joins in the (+) form: the expression is a LONG.
  return Join({"SELECT I.TABLE_NAME, I.INDEX_NAME, I.INDEX_TYPE, I.UNIQUENESS, DECODE(P.CONSTRAINT_NAME, NULL, '', '1') AS PK, C.COLUMN_NAME, C.DESCEND, E.COLUMN_EXPRESSION FROM ALL_INDEXES I, ALL_IND_COLUMNS C, ALL_IND_EXPRESSIONS E, (SELECT OWNER, TABLE_NAME, CONSTRAINT_NAME, INDEX_NAME FROM ALL_CONSTRAINTS WHERE OWNER= '", owner, "' AND CONSTRAINT_TYPE = 'P') P WHERE I.TABLE_OWNER= '", owner, "' AND ", Listed("I.TABLE_NAME", owner), " AND C.INDEX_OWNER = I.OWNER AND C.INDEX_NAME = I.INDEX_NAME AND E.INDEX_OWNER(+) = C.INDEX_OWNER AND E.INDEX_NAME(+) = C.INDEX_NAME AND E.COLUMN_POSITION(+) = C.COLUMN_POSITION AND P.OWNER(+) = I.TABLE_OWNER AND P.TABLE_NAME(+) = I.TABLE_NAME AND P.INDEX_NAME(+) = I.INDEX_NAME ORDER BY I.TABLE_NAME, I.INDEX_NAME, C.COLUMN_POSITION"});
}

std::string ForeignKeysStatement(const std::string& ownerName) {
  const std::string owner = Literal(ownerName);
  // The referenced side outer-joined: a key into a table this user cannot
  // see still shows, with what is known of it.
  return Join({"SELECT C.TABLE_NAME, C.CONSTRAINT_NAME, CC.COLUMN_NAME, C.R_OWNER, R.TABLE_NAME AS R_TABLE_NAME, RC.COLUMN_NAME AS R_COLUMN_NAME, C.DELETE_RULE FROM ALL_CONSTRAINTS C JOIN ALL_CONS_COLUMNS CC ON CC.OWNER = C.OWNER AND CC.CONSTRAINT_NAME = C.CONSTRAINT_NAME AND CC.TABLE_NAME = C.TABLE_NAME LEFT JOIN ALL_CONSTRAINTS R ON R.OWNER = C.R_OWNER AND R.CONSTRAINT_NAME = C.R_CONSTRAINT_NAME LEFT JOIN ALL_CONS_COLUMNS RC ON RC.OWNER = C.R_OWNER AND RC.CONSTRAINT_NAME = C.R_CONSTRAINT_NAME AND RC.POSITION = CC.POSITION WHERE C.OWNER= '", owner, "' AND C.CONSTRAINT_TYPE = 'R' AND ", Listed("C.TABLE_NAME", owner), " ORDER BY C.TABLE_NAME, C.CONSTRAINT_NAME, CC.POSITION"});
}

std::string ConstraintsStatement(const std::string& ownerName) {
  const std::string owner = Literal(ownerName);
  // SEARCH_CONDITION is a LONG: the joins take the (+) form and the NOT NULL
  // checks are told apart by the reader, not here.
  return Join({"SELECT C.TABLE_NAME, C.CONSTRAINT_NAME, C.CONSTRAINT_TYPE, C.GENERATED, C.SEARCH_CONDITION, CC.COLUMN_NAME FROM ALL_CONSTRAINTS C, ALL_CONS_COLUMNS CC WHERE C.OWNER= '", owner, "' AND C.CONSTRAINT_TYPE IN ('U', 'C') AND ", Listed("C.TABLE_NAME", owner), " AND CC.OWNER(+) = C.OWNER AND CC.CONSTRAINT_NAME(+) = C.CONSTRAINT_NAME AND CC.TABLE_NAME(+) = C.TABLE_NAME ORDER BY C.TABLE_NAME, C.CONSTRAINT_NAME, CC.POSITION"});
}

std::string TableKindsStatement(const std::string& ownerName) {
  const std::string owner = Literal(ownerName);
  return Join({"SELECT T.TABLE_NAME, DECODE(M.MVIEW_NAME, NULL, DECODE(X.TABLE_NAME, NULL, 'T', 'X'), 'M') AS KIND FROM ALL_TABLES T, ALL_MVIEWS M, ALL_EXTERNAL_TABLES X WHERE T.OWNER= '", owner, "' AND M.OWNER(+) = T.OWNER AND M.CONTAINER_NAME(+) = T.TABLE_NAME AND X.OWNER(+) = T.OWNER AND X.TABLE_NAME(+) = T.TABLE_NAME ORDER BY T.TABLE_NAME"});
}

// clang-format on

bool IsLargeType(std::string_view dataType) {
  static const std::string kLarge =
      ",LONG,CLOB,NCLOB,TIMESTAMP(6),TIMESTAMP(6) WITH TIME ZONE,INTERVAL YEAR(2) TO MONTH,";
  return kLarge.find("," + Upper(dataType) + ",") != std::string::npos;
}

}  // namespace zel::ora
