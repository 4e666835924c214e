// The schema-wide column statements as whole texts, one per kind and
// statement form: each is its kind's per-table statement with the table
// filter taken out, the table's name added last, and the list's objects
// only. Names go in quoted as in every other statement.
#include <gtest/gtest.h>

#include "catalog/mysql/MySqlStatements.h"
#include "catalog/oracle/OracleStatements.h"
#include "catalog/postgres/PostgresStatements.h"
#include "catalog/sqlserver/SqlServerStatements.h"

namespace zel {
namespace {

TEST(SchemaColumnsStatements, EveryKindAndFormAsAWholeText) {
  EXPECT_EQ(
      pg::SchemaColumnsCursor("PostgreSQL 15.4", "it's"),
      R"sql(DECLARE mycursor CURSOR for select b.attnum as No, b.attname as 列名,  pg_catalog.format_type(atttypid, atttypmod) as type,case c.typname    when 'bpchar' then atttypmod - 4    when 'varchar' then atttypmod - 4    when 'numeric' then (atttypmod - 4) / 65536       when 'timestamp' then null       when 'int8' then null       when 'int4' then null       when 'int2' then null       when 'bytea' then null    else null   end as 長さ,   case c.typname   when 'numeric' then (atttypmod - 4) % 65536    else null   end as 小数,   case b.attnotnull     when 't' then '1'    when 'f' then ''             else ''   end as "必須",     case f.contype       when 'p' then '1'             else ''     end as 主ｷｰ,   d.description as "コメント", a.relname   from pg_stat_user_tables as a       inner join pg_attribute as b on a.relid = b.attrelid      inner join pg_type as c on b.attnum > 0 and b.atttypid = c.oid       left  join pg_class as e on b.attrelid = e.oid       left  join pg_description as d on b.attnum = d.objsubid and e.oid = d.objoid       left  join pg_constraint f on e.oid = f.conrelid and f.contype='p'  and b.attnum = any(f.conkey) where a.schemaname = 'it''s' order by a.relname,b.attnum)sql");
  // The 7 series has no any(): the key columns are listed one by one.
  EXPECT_EQ(
      pg::SchemaColumnsCursor("PostgreSQL 7.4.30", "it's"),
      R"sql(DECLARE mycursor CURSOR for select b.attnum as No, b.attname as 列名,  pg_catalog.format_type(atttypid, atttypmod) as type,case c.typname    when 'bpchar' then atttypmod - 4    when 'varchar' then atttypmod - 4    when 'numeric' then (atttypmod - 4) / 65536       when 'timestamp' then null       when 'int8' then null       when 'int4' then null       when 'int2' then null       when 'bytea' then null    else null   end as 長さ,   case c.typname   when 'numeric' then (atttypmod - 4) % 65536    else null   end as 小数,   case b.attnotnull     when 't' then '1'    when 'f' then ''             else ''   end as "必須",     case f.contype       when 'p' then '1'             else ''     end as 主ｷｰ,   d.description as "コメント", a.relname   from pg_stat_user_tables as a       inner join pg_attribute as b on a.relid = b.attrelid      inner join pg_type as c on b.attnum > 0 and b.atttypid = c.oid       left  join pg_class as e on b.attrelid = e.oid       left  join pg_description as d on b.attnum = d.objsubid and e.oid = d.objoid       left  join pg_constraint f on e.oid = f.conrelid and f.contype='p'       and b.attnum in(f.conkey[1],f.conkey[2],f.conkey[3],f.conkey[4],f.conkey[5],f.conkey[6],f.conkey[7],f.conkey[8],f.conkey[9],f.conkey[10],f.conkey[11],f.conkey[12],f.conkey[13],f.conkey[14],f.conkey[15],f.conkey[16],f.conkey[17],f.conkey[18],f.conkey[19],f.conkey[20]) where a.schemaname = 'it''s' order by a.relname,b.attnum)sql");
  // The name arrives escaped by the statement's connection.
  EXPECT_EQ(
      my::SchemaColumnsStatement("it\\'s"),
      R"sql(SELECT    A.ORDINAL_POSITION AS No,   A.COLUMN_NAME,   A.DATA_TYPE,   IFNULL(A.NUMERIC_PRECISION, A.CHARACTER_MAXIMUM_LENGTH),   A.NUMERIC_SCALE,   CASE A.IS_NULLABLE     WHEN 'NO' then '1'     ELSE ''   END,   CASE A.COLUMN_KEY     WHEN 'PRI' then '1'     ELSE ''   END,   A.COLUMN_COMMENT,   A.COLUMN_TYPE,   A.TABLE_NAME FROM    INFORMATION_SCHEMA.COLUMNS A  WHERE      A.TABLE_SCHEMA= 'it\'s'    ORDER BY A.TABLE_NAME, A.ORDINAL_POSITION )sql");
  EXPECT_EQ(
      mssql::OwnerColumnsStatement("2000", "販]売", "it's"),
      R"sql(select c.colid as No ,c.name as 列名,ty.name as 型, c.prec as 長さ, c.scale as 小数, CASE WHEN c.isnullable = 1 THEN '' ELSE '1' END 必須,pk.PK as 主ｷｰ, s.value as コメント, t.name as TABLENAME    from [販]]売].dbo.sysobjects t      inner join [販]]売].dbo.sysusers u ON t.UID = u.UID    inner join [販]]売].dbo.syscolumns c  on t.id = c.id     left join (select k.id,k.colid,'1' as PK from [販]]売].dbo.sysindexes i        inner join [販]]売].dbo.sysindexkeys k on k.id = i.id and k.indid = i.indid      where i.name in (        select name        from [販]]売].dbo.sysobjects      where xtype = 'PK'         and parent_obj = i.id     )) pk  on t.id = pk.id and c.colid = pk.colid   left join [販]]売].dbo.systypes ty on c.xusertype = ty.xusertype   LEFT OUTER JOIN         [販]]売].dbo.sysproperties s   ON              s.id = c.id       and s.smallid=c.colid      AND s.name = 'MS_Description' where t.type = 'U'   and t.status > 0     and u.name=N'it''s' order by t.name,c.colid)sql");
  const std::string form2005 =
      R"sql( select Col.Colid,Col.name as '名称' ,(Select top 1 name From systypes Where systypes.xtype = Col.xtype) as '型'   ,Col.prec as '桁数' ,case isnull(Col.xscale,0) when 0 then ''  else cast( Col.scale as varchar(10) )  end '小数部'  ,case Col.isnullable  when 0 then '1'  else ''  end 'NN' ,pk.PK as 主ｷｰ ,ex.value  as 'colcomment', obj.name as TABLENAME From [販]]売].dbo.syscolumns as col  inner join [販]]売].dbo.sysobjects as obj on col.id = obj.id  inner join sysusers u on obj.uid=U.uid  left join sys.extended_properties as ex  on  col.id = ex.major_id and ex.minor_id = col.colid and ex.name = 'MS_Description'    left join (select k.id,k.colid,'1' as PK from [販]]売].dbo.sysindexes i        inner join [販]]売].dbo.sysindexkeys k on k.id = i.id and k.indid = i.indid      where i.name in (        select name        from [販]]売].dbo.sysobjects      where xtype = 'PK'         and parent_obj = i.id     )) pk  on col.id = pk.id and col.colid = pk.colid  Where obj.type = 'U' AND obj.status >= 0 and u.name=N'it''s' order by obj.name,col.colid)sql";
  EXPECT_EQ(mssql::OwnerColumnsStatement("2005", "販]売", "it's"), form2005);
  EXPECT_EQ(mssql::OwnerColumnsStatement("2008", "販]売", "it's"), form2005);
  EXPECT_EQ(mssql::OwnerColumnsStatement("7", "d", "o"), "");
  EXPECT_EQ(
      ora::OwnerColumnsStatement("IT'S"),
      R"sql(SELECT    A.COLUMN_ID ,   A.COLUMN_NAME ,   A.DATA_TYPE,   NVL(NVL(A.DATA_PRECISION, A.CHAR_COL_DECL_LENGTH),DECODE(A.DATA_TYPE,'RAW',A.DATA_LENGTH,'')) AS DATALENGTH,   A.DATA_SCALE,   DECODE(A.NULLABLE,'N','1', '') AS NULLABLE ,   DECODE(C.CONSTRAINT_TYPE,'P','1','') AS PK,   B.COMMENTS,   A.TABLE_NAME FROM    ALL_TAB_COLUMNS A,    (SELECT * FROM ALL_COL_COMMENTS WHERE OWNER= 'IT''S' )  B , (SELECT     C.OWNER ,C.TABLE_NAME,D.COLUMN_NAME,C.CONSTRAINT_TYPE   FROM ALL_CONSTRAINTS C, ALL_CONS_COLUMNS D         WHERE C.OWNER= 'IT''S'        AND D.OWNER= 'IT''S'        AND C.OWNER=D.OWNER         AND C.TABLE_NAME=D.TABLE_NAME          AND C.CONSTRAINT_NAME=D.CONSTRAINT_NAME         AND C.CONSTRAINT_TYPE='P') C WHERE      A.TABLE_NAME IN (SELECT T.TABLE_NAME FROM ALL_TABLES T WHERE T.OWNER= 'IT''S')     AND A.OWNER= 'IT''S'    AND A.OWNER=B.OWNER(+) AND A.TABLE_NAME=B.TABLE_NAME(+) AND A.COLUMN_NAME=B.COLUMN_NAME (+)     AND A.OWNER=C.OWNER (+) AND A.TABLE_NAME=C.TABLE_NAME(+) AND A.COLUMN_NAME=C.COLUMN_NAME (+)    ORDER BY A.TABLE_NAME, A.COLUMN_ID )sql");
}

}  // namespace
}  // namespace zel
