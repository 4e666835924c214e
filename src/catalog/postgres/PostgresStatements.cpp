#include "catalog/postgres/PostgresStatements.h"

#include "common/Common.h"

namespace zel::pg {

std::string LiteralBody(std::string_view name) {
  std::string out;
  out.reserve(name.size() + 2);
  for (char c : name) {
    if (c == '\0') continue;  // cannot occur in a catalog name; never sent
    if (c == '\'') out += '\'';
    out += c;
  }
  return out;
}

std::string TablesStatement(std::string_view schema) {
  std::string s = "DECLARE mycursor CURSOR for ";
  s += " SELECT    a.relname,d.description FROM    pg_stat_user_tables as a      left join "
       "pg_description  as d on a.relid=d.objoid and d.objsubid=0  WHERE a.schemaname='";
  s += LiteralBody(schema);
  s += "'";
  s += " ORDER BY a.relname ";
  return s;
}

namespace {

// The column statement's select list and joins: the table's name comes as a
// ninth column when `tableColumn`.
std::string ColumnsSelect(std::string_view versionLabel, bool tableColumn) {
  std::string s =
      "select b.attnum as No, b.attname as 列名,  pg_catalog.format_type(atttypid, atttypmod) as "
      "type,case c.typname    when 'bpchar' then atttypmod - 4    when 'varchar' then atttypmod - "
      "4    when 'numeric' then (atttypmod - 4) / 65536       when 'timestamp' then null       "
      "when 'int8' then null       when 'int4' then null       when 'int2' then null       when "
      "'bytea' then null    else null   end as 長さ,   case c.typname   when 'numeric' then "
      "(atttypmod - 4) % 65536    else null   end as 小数,   case b.attnotnull     when 't' then "
      "'1'    when 'f' then ''             else ''   end as ";
  s += "\"必須\"";
  s += ",     case f.contype       when 'p' then '1'             else ''     end as 主ｷｰ,   "
       "d.description as ";
  s += "\"コメント\"";
  if (tableColumn) s += ", a.relname";
  s += "   from pg_stat_user_tables as a       inner join pg_attribute as b on a.relid = "
       "b.attrelid      inner join pg_type as c on b.attnum > 0 and b.atttypid = c.oid       left "
       " join pg_class as e on b.attrelid = e.oid       left  join pg_description as d on "
       "b.attnum = d.objsubid and e.oid = d.objoid ";
  if (versionLabel.find(" 7.") != std::string_view::npos) {
    s += "      left  join pg_constraint f on e.oid = f.conrelid and f.contype='p' ";
    s += "      and b.attnum in(";
    for (int i = 1; i <= 20; ++i) {
      if (i > 1) s += ",";
      s += "f.conkey[" + std::to_string(i) + "]";
    }
    s += ")";
  } else {
    s += "      left  join pg_constraint f on e.oid = f.conrelid and f.contype='p'  and b.attnum "
         "= any(f.conkey)";
  }
  return s;
}

}  // namespace

std::string ColumnsStatement(std::string_view versionLabel, std::string_view schema,
                             std::string_view table) {
  std::string s = ColumnsSelect(versionLabel, false);
  s += " where a.schemaname = '";
  s += LiteralBody(schema);
  s += "'";
  s += " and a.relname = '";
  s += LiteralBody(table);
  s += "'";
  s += " order by a.schemaname,a.relname,b.attnum";
  return s;
}

std::string SchemaColumnsCursor(std::string_view versionLabel, std::string_view schema) {
  // pg_stat_user_tables is also the table statement's source: the same
  // tables, and nothing it leaves out.
  std::string s = "DECLARE mycursor CURSOR for ";
  s += ColumnsSelect(versionLabel, true);
  s += " where a.schemaname = '";
  s += LiteralBody(schema);
  s += "'";
  s += " order by a.relname,b.attnum";
  return s;
}

int ServerVersion(std::string_view label) {
  constexpr int kCurrent = 99900;
  const size_t at = label.find_first_of("0123456789");
  if (at == std::string_view::npos) return kCurrent;
  int numbers[2] = {0, 0};
  size_t i = at;
  for (int n = 0; n < 2; ++n) {
    if (i >= label.size() || label[i] < '0' || label[i] > '9') break;
    for (; i < label.size() && label[i] >= '0' && label[i] <= '9'; ++i)
      numbers[n] = numbers[n] * 10 + (label[i] - '0');
    if (i < label.size() && label[i] == '.') ++i;
    else break;
  }
  // From 10 on the second number is a minor release, not a feature one.
  return numbers[0] >= 10 ? numbers[0] * 100 : numbers[0] * 100 + numbers[1];
}

std::string TableKindsCursor(int version, std::string_view schema) {
  std::string s = "DECLARE mycursor CURSOR for SELECT a.relname, c.relkind, ";
  if (version >= 1000) {
    // A partition has exactly one parent; plain inheritance children are
    // tables of their own.
    s += "case when c.relispartition then 't' else 'f' end, p.relname, pn.nspname FROM "
         "pg_stat_user_tables as a inner join pg_class as c on c.oid = a.relid left join "
         "pg_inherits as i on c.relispartition and i.inhrelid = c.oid left join pg_class as p on "
         "p.oid = i.inhparent left join pg_namespace as pn on pn.oid = p.relnamespace";
  } else {
    s += "'f', '', '' FROM pg_stat_user_tables as a inner join pg_class as c on c.oid = a.relid";
  }
  s += " WHERE a.schemaname = '";
  s += LiteralBody(schema);
  s += "' ORDER BY a.relname";
  return s;
}

std::string KindText(std::string_view relkind, bool partition, std::string_view parent) {
  if (partition) return "パーティション (" + std::string(parent) + ")";
  if (relkind == "r" || relkind == "p") return "テーブル";
  if (relkind == "f") return "外部テーブル";
  if (relkind == "m") return "マテリアライズドビュー";
  if (relkind == "v") return "ビュー";
  return {};
}

namespace {

// The schema's listed tables as "a", followed by the joins of a fact.
std::string FromListed(std::string_view joins) {
  std::string s = " FROM pg_stat_user_tables as a ";
  s += joins;
  return s;
}

std::string WhereSchema(std::string_view schema) {
  std::string s = " WHERE a.schemaname = '";
  s += LiteralBody(schema);
  s += "'";
  return s;
}

// Positions 1..n of a key, as many as an index or key can have.
constexpr const char* kKeyPositions =
    "pg_catalog.generate_series(1, pg_catalog.current_setting('max_index_keys')::int) as k(n)";

}  // namespace

FactsGiven FactsOf(int version) {
  FactsGiven g;
  g.indexes = g.foreignKeys = version >= 800;
  g.constraints = version >= 704;  // pg_get_constraintdef's pretty form
  return g;
}

std::string DefaultsCursor(int version, std::string_view schema) {
  std::string s = "DECLARE mycursor CURSOR for SELECT a.relname, b.attname, ";
  // adsrc is gone from 12 on; pg_get_expr is there from 7.4 on.
  s += version >= 704 ? "pg_catalog.pg_get_expr(d.adbin, d.adrelid)" : "d.adsrc";
  s += version >= 1000 ? ", case when b.attidentity in ('a', 'd') then 't' else 'f' end"
                       : ", 'f'";
  s += version >= 1200 ? ", case when b.attgenerated = 's' then 't' else 'f' end" : ", 'f'";
  s += FromListed(
      "inner join pg_attribute as b on b.attrelid = a.relid and b.attnum > 0 and not "
      "b.attisdropped left join pg_attrdef as d on d.adrelid = b.attrelid and d.adnum = b.attnum");
  s += WhereSchema(schema);
  s += " and (d.adrelid is not null";
  if (version >= 1000) s += " or b.attidentity in ('a', 'd')";
  s += ") ORDER BY a.relname, b.attnum";
  return s;
}

std::string IndexesCursor(int version, std::string_view schema) {
  std::string s =
      "DECLARE mycursor CURSOR for SELECT a.relname, c.relname, case when x.indisunique then 't' "
      "else 'f' end, case when x.indisprimary then 't' else 'f' end, m.amname, "
      "pg_catalog.pg_get_expr(x.indpred, x.indrelid, true), case when x.indkey[k.n - 1] <> 0 then "
      "t.attname else pg_catalog.pg_get_indexdef(x.indexrelid, k.n, true) end, ";
  // Descending keys came with 8.3, included columns with 11.
  s += version >= 803 ? "case when x.indoption[k.n - 1] & 1 = 1 then 't' else 'f' end, " : "'f', ";
  s += version >= 1100 ? "case when k.n > x.indnkeyatts then 't' else 'f' end" : "'f'";
  std::string joins =
      "inner join pg_index as x on x.indrelid = a.relid inner join pg_class as c on c.oid = "
      "x.indexrelid inner join pg_am as m on m.oid = c.relam inner join ";
  joins += kKeyPositions;
  joins +=
      " on k.n <= x.indnatts left join pg_attribute as t on t.attrelid = x.indrelid and t.attnum = "
      "x.indkey[k.n - 1]";
  s += FromListed(joins);
  s += WhereSchema(schema);
  s += " ORDER BY a.relname, c.relname, k.n";
  return s;
}

std::string ForeignKeysCursor(int version, std::string_view schema) {
  std::string s =
      "DECLARE mycursor CURSOR for SELECT a.relname, o.conname, ca.attname, fc.relname, "
      "fn.nspname, fa.attname, o.confdeltype, o.confupdtype";
  std::string joins = "inner join pg_constraint as o on o.conrelid = a.relid and o.contype = 'f'";
  // A key into a partitioned table (from 12 on) brings one constraint per
  // partition, made by the server and named by it; only the key itself is
  // the user's. Their parent link came with 11.
  if (version >= 1100)
    joins +=
        " and not exists (select 1 from pg_constraint as op where op.oid = o.conparentid and "
        "op.conrelid = o.conrelid)";
  joins += " inner join ";
  joins += kKeyPositions;
  joins +=
      " on k.n <= pg_catalog.array_upper(o.conkey, 1) inner join pg_attribute as ca on "
      "ca.attrelid = o.conrelid and ca.attnum = o.conkey[k.n] inner join pg_class as fc on fc.oid "
      "= o.confrelid inner join pg_namespace as fn on fn.oid = fc.relnamespace inner join "
      "pg_attribute as fa on fa.attrelid = o.confrelid and fa.attnum = o.confkey[k.n]";
  s += FromListed(joins);
  s += WhereSchema(schema);
  s += " ORDER BY a.relname, o.conname, k.n";
  return s;
}

std::string ConstraintsCursor(int version, std::string_view schema) {
  (void)version;
  std::string s =
      "DECLARE mycursor CURSOR for SELECT a.relname, o.conname, o.contype, "
      "pg_catalog.pg_get_constraintdef(o.oid, true)";
  s += FromListed(
      "inner join pg_constraint as o on o.conrelid = a.relid and o.contype in ('u', 'c')");
  s += WhereSchema(schema);
  s += " ORDER BY a.relname, o.conname";
  return s;
}

std::string TableNamesCursor(std::string_view schema) {
  std::string s = "DECLARE mycursor CURSOR for SELECT a.relname";
  s += FromListed("");
  s += WhereSchema(schema);
  s += " ORDER BY a.relname";
  return s;
}

std::string ActionText(std::string_view letter) {
  if (letter == "a") return "NO ACTION";
  if (letter == "r") return "RESTRICT";
  if (letter == "c") return "CASCADE";
  if (letter == "n") return "SET NULL";
  if (letter == "d") return "SET DEFAULT";
  return std::string(letter);
}

TypeCells SplitType(std::string_view t) {
  TypeCells cells;
  cells.type = TdCommon::GetToken(t, 1, '(') + TdCommon::GetToken(t, 2, ')');
  std::string inner = TdCommon::GetToken(TdCommon::GetToken(t, 2, '('), 1, ')');
  cells.length = TdCommon::GetToken(inner, 1, ',');
  cells.scale = TdCommon::GetToken(inner, 2, ',');
  return cells;
}

}  // namespace zel::pg
