// The statements of the detailed document's facts as whole texts, one per
// kind, fact and server form: one statement per fact for the whole schema,
// restricted to what the table statement lists, names quoted as in every
// other statement.
#include <gtest/gtest.h>

#include "catalog/mysql/MySqlStatements.h"
#include "catalog/postgres/PostgresStatements.h"

namespace zel {
namespace {

TEST(FactStatements, PostgresEveryFactAndServerForm) {
  // Partitions and their parents from 10 on.
  EXPECT_EQ(
      pg::TableKindsCursor(1500, "it's"),
      R"sql(DECLARE mycursor CURSOR for SELECT a.relname, c.relkind, case when c.relispartition then 't' else 'f' end, p.relname, pn.nspname FROM pg_stat_user_tables as a inner join pg_class as c on c.oid = a.relid left join pg_inherits as i on c.relispartition and i.inhrelid = c.oid left join pg_class as p on p.oid = i.inhparent left join pg_namespace as pn on pn.oid = p.relnamespace WHERE a.schemaname = 'it''s' ORDER BY a.relname)sql");
  EXPECT_EQ(
      pg::TableKindsCursor(906, "it's"),
      R"sql(DECLARE mycursor CURSOR for SELECT a.relname, c.relkind, 'f', '', '' FROM pg_stat_user_tables as a inner join pg_class as c on c.oid = a.relid WHERE a.schemaname = 'it''s' ORDER BY a.relname)sql");
  // Identity columns from 10 on, generated ones from 12 on, adsrc before 7.4.
  EXPECT_EQ(
      pg::DefaultsCursor(1500, "it's"),
      R"sql(DECLARE mycursor CURSOR for SELECT a.relname, b.attname, pg_catalog.pg_get_expr(d.adbin, d.adrelid), case when b.attidentity in ('a', 'd') then 't' else 'f' end, case when b.attgenerated = 's' then 't' else 'f' end FROM pg_stat_user_tables as a inner join pg_attribute as b on b.attrelid = a.relid and b.attnum > 0 and not b.attisdropped left join pg_attrdef as d on d.adrelid = b.attrelid and d.adnum = b.attnum WHERE a.schemaname = 'it''s' and (d.adrelid is not null or b.attidentity in ('a', 'd')) ORDER BY a.relname, b.attnum)sql");
  EXPECT_EQ(
      pg::DefaultsCursor(906, "it's"),
      R"sql(DECLARE mycursor CURSOR for SELECT a.relname, b.attname, pg_catalog.pg_get_expr(d.adbin, d.adrelid), 'f', 'f' FROM pg_stat_user_tables as a inner join pg_attribute as b on b.attrelid = a.relid and b.attnum > 0 and not b.attisdropped left join pg_attrdef as d on d.adrelid = b.attrelid and d.adnum = b.attnum WHERE a.schemaname = 'it''s' and (d.adrelid is not null) ORDER BY a.relname, b.attnum)sql");
  EXPECT_EQ(
      pg::DefaultsCursor(703, "it's"),
      R"sql(DECLARE mycursor CURSOR for SELECT a.relname, b.attname, d.adsrc, 'f', 'f' FROM pg_stat_user_tables as a inner join pg_attribute as b on b.attrelid = a.relid and b.attnum > 0 and not b.attisdropped left join pg_attrdef as d on d.adrelid = b.attrelid and d.adnum = b.attnum WHERE a.schemaname = 'it''s' and (d.adrelid is not null) ORDER BY a.relname, b.attnum)sql");
  // Included columns from 11 on, descending keys from 8.3 on.
  EXPECT_EQ(
      pg::IndexesCursor(1500, "it's"),
      R"sql(DECLARE mycursor CURSOR for SELECT a.relname, c.relname, case when x.indisunique then 't' else 'f' end, case when x.indisprimary then 't' else 'f' end, m.amname, pg_catalog.pg_get_expr(x.indpred, x.indrelid, true), case when x.indkey[k.n - 1] <> 0 then t.attname else pg_catalog.pg_get_indexdef(x.indexrelid, k.n, true) end, case when x.indoption[k.n - 1] & 1 = 1 then 't' else 'f' end, case when k.n > x.indnkeyatts then 't' else 'f' end FROM pg_stat_user_tables as a inner join pg_index as x on x.indrelid = a.relid inner join pg_class as c on c.oid = x.indexrelid inner join pg_am as m on m.oid = c.relam inner join pg_catalog.generate_series(1, pg_catalog.current_setting('max_index_keys')::int) as k(n) on k.n <= x.indnatts left join pg_attribute as t on t.attrelid = x.indrelid and t.attnum = x.indkey[k.n - 1] WHERE a.schemaname = 'it''s' ORDER BY a.relname, c.relname, k.n)sql");
  EXPECT_EQ(
      pg::IndexesCursor(802, "it's"),
      R"sql(DECLARE mycursor CURSOR for SELECT a.relname, c.relname, case when x.indisunique then 't' else 'f' end, case when x.indisprimary then 't' else 'f' end, m.amname, pg_catalog.pg_get_expr(x.indpred, x.indrelid, true), case when x.indkey[k.n - 1] <> 0 then t.attname else pg_catalog.pg_get_indexdef(x.indexrelid, k.n, true) end, 'f', 'f' FROM pg_stat_user_tables as a inner join pg_index as x on x.indrelid = a.relid inner join pg_class as c on c.oid = x.indexrelid inner join pg_am as m on m.oid = c.relam inner join pg_catalog.generate_series(1, pg_catalog.current_setting('max_index_keys')::int) as k(n) on k.n <= x.indnatts left join pg_attribute as t on t.attrelid = x.indrelid and t.attnum = x.indkey[k.n - 1] WHERE a.schemaname = 'it''s' ORDER BY a.relname, c.relname, k.n)sql");
  // The server's per-partition copies of a key left out where they can exist.
  EXPECT_EQ(
      pg::ForeignKeysCursor(1500, "it's"),
      R"sql(DECLARE mycursor CURSOR for SELECT a.relname, o.conname, ca.attname, fc.relname, fn.nspname, fa.attname, o.confdeltype, o.confupdtype FROM pg_stat_user_tables as a inner join pg_constraint as o on o.conrelid = a.relid and o.contype = 'f' and (o.conparentid = 0 or (select op.conrelid from pg_constraint as op where op.oid = o.conparentid) <> o.conrelid) inner join pg_catalog.generate_series(1, pg_catalog.current_setting('max_index_keys')::int) as k(n) on k.n <= pg_catalog.array_upper(o.conkey, 1) inner join pg_attribute as ca on ca.attrelid = o.conrelid and ca.attnum = o.conkey[k.n] inner join pg_class as fc on fc.oid = o.confrelid inner join pg_namespace as fn on fn.oid = fc.relnamespace inner join pg_attribute as fa on fa.attrelid = o.confrelid and fa.attnum = o.confkey[k.n] WHERE a.schemaname = 'it''s' ORDER BY a.relname, o.conname, k.n)sql");
  EXPECT_EQ(
      pg::ForeignKeysCursor(1000, "it's"),
      R"sql(DECLARE mycursor CURSOR for SELECT a.relname, o.conname, ca.attname, fc.relname, fn.nspname, fa.attname, o.confdeltype, o.confupdtype FROM pg_stat_user_tables as a inner join pg_constraint as o on o.conrelid = a.relid and o.contype = 'f' inner join pg_catalog.generate_series(1, pg_catalog.current_setting('max_index_keys')::int) as k(n) on k.n <= pg_catalog.array_upper(o.conkey, 1) inner join pg_attribute as ca on ca.attrelid = o.conrelid and ca.attnum = o.conkey[k.n] inner join pg_class as fc on fc.oid = o.confrelid inner join pg_namespace as fn on fn.oid = fc.relnamespace inner join pg_attribute as fa on fa.attrelid = o.confrelid and fa.attnum = o.confkey[k.n] WHERE a.schemaname = 'it''s' ORDER BY a.relname, o.conname, k.n)sql");
  EXPECT_EQ(
      pg::ConstraintsCursor(1500, "it's"),
      R"sql(DECLARE mycursor CURSOR for SELECT a.relname, o.conname, o.contype, pg_catalog.pg_get_constraintdef(o.oid, true) FROM pg_stat_user_tables as a inner join pg_constraint as o on o.conrelid = a.relid and o.contype in ('u', 'c') WHERE a.schemaname = 'it''s' ORDER BY a.relname, o.conname)sql");
  EXPECT_EQ(
      pg::TableNamesCursor("it's"),
      R"sql(DECLARE mycursor CURSOR for SELECT a.relname FROM pg_stat_user_tables as a WHERE a.schemaname = 'it''s' ORDER BY a.relname)sql");
}

TEST(FactStatements, MySqlEveryFactAndServerForm) {
  // The name arrives escaped by the statement's connection.
  const std::string literal = "it\\'s";
  const my::Server maria = my::ServerOf("MySQL 10.11.6-MariaDB-0+deb12u1-log");
  const my::Server mysql80 = my::ServerOf("MySQL 8.0.36");
  const my::Server mysql56 = my::ServerOf("MySQL 5.6.51");
  EXPECT_EQ(
      my::TableKindsStatement(literal),
      R"sql(SELECT TABLE_NAME, TABLE_TYPE FROM information_schema.TABLES WHERE TABLE_SCHEMA = 'it\'s' ORDER BY TABLE_NAME)sql");
  // GENERATION_EXPRESSION from MySQL 5.7.6 and MariaDB 10.2.5 on.
  EXPECT_EQ(
      my::DefaultsStatement(my::FactsOf(maria), literal),
      R"sql(SELECT A.TABLE_NAME, A.COLUMN_NAME, A.COLUMN_DEFAULT, CASE WHEN A.COLUMN_DEFAULT IS NULL THEN '1' ELSE '' END, A.EXTRA, A.GENERATION_EXPRESSION FROM information_schema.COLUMNS A WHERE A.TABLE_SCHEMA = 'it\'s' AND (A.COLUMN_DEFAULT IS NOT NULL OR A.EXTRA <> '') ORDER BY A.TABLE_NAME, A.ORDINAL_POSITION)sql");
  EXPECT_EQ(
      my::DefaultsStatement(my::FactsOf(mysql56), literal),
      R"sql(SELECT A.TABLE_NAME, A.COLUMN_NAME, A.COLUMN_DEFAULT, CASE WHEN A.COLUMN_DEFAULT IS NULL THEN '1' ELSE '' END, A.EXTRA, '' FROM information_schema.COLUMNS A WHERE A.TABLE_SCHEMA = 'it\'s' AND (A.COLUMN_DEFAULT IS NOT NULL OR A.EXTRA <> '') ORDER BY A.TABLE_NAME, A.ORDINAL_POSITION)sql");
  // Functional key parts from MySQL 8.0.13 on; MariaDB has none.
  EXPECT_EQ(
      my::IndexesStatement(my::FactsOf(maria), literal),
      R"sql(SELECT S.TABLE_NAME, S.INDEX_NAME, S.NON_UNIQUE, S.COLUMN_NAME, S.COLLATION, S.SUB_PART, S.INDEX_TYPE, NULL FROM information_schema.STATISTICS S WHERE S.TABLE_SCHEMA = 'it\'s' ORDER BY S.TABLE_NAME, S.INDEX_NAME, S.SEQ_IN_INDEX)sql");
  EXPECT_EQ(
      my::IndexesStatement(my::FactsOf(mysql80), literal),
      R"sql(SELECT S.TABLE_NAME, S.INDEX_NAME, S.NON_UNIQUE, S.COLUMN_NAME, S.COLLATION, S.SUB_PART, S.INDEX_TYPE, S.EXPRESSION FROM information_schema.STATISTICS S WHERE S.TABLE_SCHEMA = 'it\'s' ORDER BY S.TABLE_NAME, S.INDEX_NAME, S.SEQ_IN_INDEX)sql");
  EXPECT_EQ(
      my::ForeignKeysStatement(literal),
      R"sql(SELECT K.TABLE_NAME, K.CONSTRAINT_NAME, K.COLUMN_NAME, K.REFERENCED_TABLE_SCHEMA, K.REFERENCED_TABLE_NAME, K.REFERENCED_COLUMN_NAME, R.DELETE_RULE, R.UPDATE_RULE FROM information_schema.KEY_COLUMN_USAGE K LEFT JOIN information_schema.REFERENTIAL_CONSTRAINTS R ON R.CONSTRAINT_SCHEMA = K.CONSTRAINT_SCHEMA AND R.TABLE_NAME = K.TABLE_NAME AND R.CONSTRAINT_NAME = K.CONSTRAINT_NAME WHERE K.TABLE_SCHEMA = 'it\'s' AND K.REFERENCED_TABLE_NAME IS NOT NULL ORDER BY K.TABLE_NAME, K.CONSTRAINT_NAME, K.ORDINAL_POSITION)sql");
  // MariaDB's checks carry their table; MySQL's are found through TABLE_CONSTRAINTS.
  EXPECT_EQ(
      my::ChecksStatement(maria, literal),
      R"sql(SELECT K.TABLE_NAME, K.CONSTRAINT_NAME, K.CHECK_CLAUSE FROM information_schema.CHECK_CONSTRAINTS K WHERE K.CONSTRAINT_SCHEMA = 'it\'s' ORDER BY K.TABLE_NAME, K.CONSTRAINT_NAME)sql");
  EXPECT_EQ(
      my::ChecksStatement(mysql80, literal),
      R"sql(SELECT C.TABLE_NAME, C.CONSTRAINT_NAME, K.CHECK_CLAUSE FROM information_schema.TABLE_CONSTRAINTS C INNER JOIN information_schema.CHECK_CONSTRAINTS K ON K.CONSTRAINT_SCHEMA = C.CONSTRAINT_SCHEMA AND K.CONSTRAINT_NAME = C.CONSTRAINT_NAME WHERE C.TABLE_SCHEMA = 'it\'s' AND C.CONSTRAINT_TYPE = 'CHECK' ORDER BY C.TABLE_NAME, C.CONSTRAINT_NAME)sql");
}

}  // namespace
}  // namespace zel
