#include "catalog/mysql/MySqlStatements.h"

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
