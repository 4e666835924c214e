#include "catalog/mysql/MySqlStatements.h"

#include <algorithm>

#include "common/Common.h"

namespace zel::my {

std::string TablesStatement(std::string_view schemaLiteral) {
  std::string s = " SELECT    TABLE_NAME,TABLE_COMMENT,    DATE_FORMAT(CREATE_TIME, '%Y/%c/%e'),   DATE_FORMAT(UPDATE_TIME, '%Y/%c/%e')  FROM    information_schema.tables  WHERE TABLE_SCHEMA='";
  s += schemaLiteral;
  s += "'";
  s += " ORDER BY TABLE_NAME ";
  return s;
}

std::string ColumnsStatement(std::string_view schemaLiteral, std::string_view tableLiteral) {
  std::string s =
      "SELECT    A.ORDINAL_POSITION AS No,   A.COLUMN_NAME,   A.DATA_TYPE,   IFNULL(A.NUMERIC_PRECISION, A.CHARACTER_MAXIMUM_LENGTH),   A.NUMERIC_SCALE,   CASE A.IS_NULLABLE     WHEN 'NO' then '1'     ELSE ''   END,   CASE A.COLUMN_KEY     WHEN 'PRI' then '1'     ELSE ''   END,   A.COLUMN_COMMENT,   A.COLUMN_TYPE FROM    INFORMATION_SCHEMA.COLUMNS A  WHERE      A.TABLE_NAME ='";
  s += tableLiteral;
  s += "' ";
  s += "    AND A.TABLE_SCHEMA= '";
  s += schemaLiteral;
  s += "'";
  s += "    ORDER BY A.TABLE_NAME, A.ORDINAL_POSITION ";
  return s;
}

std::string SchemaColumnsStatement(std::string_view schemaLiteral) {
  // Every column of the schema belongs to an object of its TABLES rows,
  // which the table statement lists whole.
  std::string s =
      "SELECT    A.ORDINAL_POSITION AS No,   A.COLUMN_NAME,   A.DATA_TYPE,   "
      "IFNULL(A.NUMERIC_PRECISION, A.CHARACTER_MAXIMUM_LENGTH),   A.NUMERIC_SCALE,   CASE "
      "A.IS_NULLABLE     WHEN 'NO' then '1'     ELSE ''   END,   CASE A.COLUMN_KEY     WHEN 'PRI' "
      "then '1'     ELSE ''   END,   A.COLUMN_COMMENT,   A.COLUMN_TYPE,   A.TABLE_NAME FROM    "
      "INFORMATION_SCHEMA.COLUMNS A  WHERE      A.TABLE_SCHEMA= '";
  s += schemaLiteral;
  s += "'";
  s += "    ORDER BY A.TABLE_NAME, A.ORDINAL_POSITION ";
  return s;
}

Server ServerOf(std::string_view label) {
  Server server;
  server.mariaDb = label.find("MariaDB") != std::string_view::npos;
  const size_t at = label.find_first_of("0123456789");
  if (at == std::string_view::npos) {
    server.version = 999999;
    return server;
  }
  int numbers[3] = {0, 0, 0};
  size_t i = at;
  for (int n = 0; n < 3; ++n) {
    for (; i < label.size() && label[i] >= '0' && label[i] <= '9'; ++i)
      numbers[n] = std::min(numbers[n] * 10 + (label[i] - '0'), 99);
    if (i + 1 < label.size() && label[i] == '.' && label[i + 1] >= '0' && label[i + 1] <= '9')
      ++i;
    else
      break;
  }
  server.version = numbers[0] * 10000 + numbers[1] * 100 + numbers[2];
  return server;
}

FactsGiven FactsOf(const Server& s) {
  FactsGiven g;
  const int v = s.version;
  if (s.mariaDb) {
    g.generation = v >= 100205;
    g.expressions = false;
    g.checks = (v >= 100222 && v < 100300) || v >= 100310;
    // From 10.2.1 on checks are kept; before, the server ignored them.
    g.constraints = g.checks || v < 100201;
  } else {
    g.generation = v >= 50706;
    g.expressions = v >= 80013;
    g.foreignKeys = v >= 50110;
    g.checks = v >= 80016;  // before, the server parsed checks and kept none
  }
  return g;
}

std::string TableKindsStatement(std::string_view schemaLiteral) {
  std::string s =
      "SELECT TABLE_NAME, TABLE_TYPE FROM information_schema.TABLES WHERE TABLE_SCHEMA = '";
  s += schemaLiteral;
  s += "' ORDER BY TABLE_NAME";
  return s;
}

std::string KindText(std::string_view type) {
  if (type == "BASE TABLE" || type == "SYSTEM VERSIONED") return "テーブル";
  if (type == "VIEW" || type == "SYSTEM VIEW") return "ビュー";
  return {};
}

std::string DefaultsStatement(const FactsGiven& given, std::string_view schemaLiteral) {
  std::string s =
      "SELECT A.TABLE_NAME, A.COLUMN_NAME, A.COLUMN_DEFAULT, CASE WHEN A.COLUMN_DEFAULT IS NULL "
      "THEN '1' ELSE '' END, A.EXTRA, ";
  s += given.generation ? "A.GENERATION_EXPRESSION" : "''";
  s += " FROM information_schema.COLUMNS A WHERE A.TABLE_SCHEMA = '";
  s += schemaLiteral;
  s += "' AND (A.COLUMN_DEFAULT IS NOT NULL OR A.EXTRA <> '') ORDER BY A.TABLE_NAME, "
       "A.ORDINAL_POSITION";
  return s;
}

namespace {

bool Contains(const std::string& text, std::string_view part) {
  return text.find(part) != std::string::npos;
}

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

std::string DefaultText(const Server& server, const std::string& columnDefault, bool isNull,
                        const std::string& extra, const std::string& generation) {
  const std::string lower = Lower(extra);
  if (Contains(lower, "auto_increment")) return "AUTO_INCREMENT";
  // "VIRTUAL GENERATED", "STORED GENERATED"; MariaDB before 10.2 said
  // "VIRTUAL" or "PERSISTENT". MySQL's "DEFAULT_GENERATED" is a default.
  if (Contains(lower, "virtual") || Contains(lower, "stored generated") ||
      Contains(lower, "persistent"))
    return "GENERATED ALWAYS AS (" + generation + ")";
  // MariaDB quotes a text default and gives a NULL default as the word NULL;
  // MySQL gives the default NULL as no value and a text default unquoted.
  std::string text;
  if (!isNull && !(server.mariaDb && columnDefault == "NULL")) text = columnDefault;
  const size_t onUpdate = lower.find("on update ");
  if (onUpdate != std::string::npos) {
    if (!text.empty()) text += " ";
    text += "ON UPDATE " + extra.substr(onUpdate + 10);
  }
  return text;
}

std::string IndexesStatement(const FactsGiven& given, std::string_view schemaLiteral) {
  std::string s =
      "SELECT S.TABLE_NAME, S.INDEX_NAME, S.NON_UNIQUE, S.COLUMN_NAME, S.COLLATION, S.SUB_PART, "
      "S.INDEX_TYPE, ";
  s += given.expressions ? "S.EXPRESSION" : "NULL";
  s += " FROM information_schema.STATISTICS S WHERE S.TABLE_SCHEMA = '";
  s += schemaLiteral;
  s += "' ORDER BY S.TABLE_NAME, S.INDEX_NAME, S.SEQ_IN_INDEX";
  return s;
}

std::string ForeignKeysStatement(std::string_view schemaLiteral) {
  // Left joined: a user without rights on the referencing table may see the
  // key's columns but not its rules.
  std::string s =
      "SELECT K.TABLE_NAME, K.CONSTRAINT_NAME, K.COLUMN_NAME, K.REFERENCED_TABLE_SCHEMA, "
      "K.REFERENCED_TABLE_NAME, K.REFERENCED_COLUMN_NAME, R.DELETE_RULE, R.UPDATE_RULE FROM "
      "information_schema.KEY_COLUMN_USAGE K LEFT JOIN information_schema.REFERENTIAL_CONSTRAINTS "
      "R ON R.CONSTRAINT_SCHEMA = K.CONSTRAINT_SCHEMA AND R.TABLE_NAME = K.TABLE_NAME AND "
      "R.CONSTRAINT_NAME = K.CONSTRAINT_NAME WHERE K.TABLE_SCHEMA = '";
  s += schemaLiteral;
  s += "' AND K.REFERENCED_TABLE_NAME IS NOT NULL ORDER BY K.TABLE_NAME, K.CONSTRAINT_NAME, "
       "K.ORDINAL_POSITION";
  return s;
}

std::string ChecksStatement(const Server& server, std::string_view schemaLiteral) {
  std::string s;
  if (server.mariaDb) {
    // MariaDB names a check within its table and shows checks to a user who
    // may only read; TABLE_CONSTRAINTS it shows such a user empty.
    s = "SELECT K.TABLE_NAME, K.CONSTRAINT_NAME, K.CHECK_CLAUSE FROM "
        "information_schema.CHECK_CONSTRAINTS K WHERE K.CONSTRAINT_SCHEMA = '";
    s += schemaLiteral;
    s += "' ORDER BY K.TABLE_NAME, K.CONSTRAINT_NAME";
  } else {
    // MySQL names a check within the schema; its table is in TABLE_CONSTRAINTS.
    s = "SELECT C.TABLE_NAME, C.CONSTRAINT_NAME, K.CHECK_CLAUSE FROM "
        "information_schema.TABLE_CONSTRAINTS C INNER JOIN information_schema.CHECK_CONSTRAINTS K "
        "ON K.CONSTRAINT_SCHEMA = C.CONSTRAINT_SCHEMA AND K.CONSTRAINT_NAME = C.CONSTRAINT_NAME "
        "WHERE C.TABLE_SCHEMA = '";
    s += schemaLiteral;
    s += "' AND C.CONSTRAINT_TYPE = 'CHECK' ORDER BY C.TABLE_NAME, C.CONSTRAINT_NAME";
  }
  return s;
}

ColumnRow ColumnRowOf(const ColumnFields& f) {
  using G = TdCommon;
  const std::string& y = f.columnType;
  ColumnRow row;
  row.no = f.no;
  row.name = f.name;
  row.type = G::GetToken(y, 1, '(') + G::GetToken(y, 2, ')');
  const std::string inside = G::GetToken(G::GetToken(y, 2, '('), 1, ')');
  row.comment = f.comment;
  if ((y.find("enum") != std::string::npos || y.find("set") != std::string::npos) &&
      row.comment.empty())
    row.comment = inside;
  if (G::GetToken(inside, 1, ',') == f.length) row.length = f.length;
  if (G::GetToken(inside, 2, ',') == f.scale) row.scale = f.scale;
  row.notNull = f.notNull;
  row.primaryKey = f.primaryKey;
  row.fullType = y;
  return row;
}

}  // namespace zel::my
