#include "catalog/sqlserver/SqlServerStatements.h"

#include "common/Common.h"

namespace zel::mssql {
namespace {

// The fixed-size types, whose length and scale say nothing. The run of
// commas at the end makes an empty type name count as one of them.
constexpr const char* kFixedSize =
    ",bigint,bit,date,datetime,float,image,geography,geometry,hierarchyid,int,money,real,"
    "smalldatetime,smallint,smallmoney,sql_variant,text,time,timestamp,tinyint,"
    "uniqueidentifier,xml,,,,,,,,,,,,,,,,,,,,,,";
constexpr const char* kMaxCapable = ",varbinary,varchar,nvarchar,";
constexpr const char* kScaleOnly = ",datetime2,datetimeoffset,";

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

bool InList(const std::string& typeName, const char* list) {
  return Upper(list).find("," + Upper(typeName) + ",") != std::string::npos;
}

// Blanks and control characters at both ends.
std::string TrimControls(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && static_cast<unsigned char>(s[b]) <= ' ') ++b;
  while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ') --e;
  return s.substr(b, e - b);
}

}  // namespace

std::string Bracketed(const std::string& name) {
  std::string out = "[";
  for (char c : name) {
    out += c;
    if (c == ']') out += ']';
  }
  return out + "]";
}

std::string UnicodeLiteral(const std::string& name) {
  std::string out = "N'";
  for (char c : name) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string OwnersStatement(const std::string& database) {
  return "SELECT distinct B.NAME AS OWNER  FROM " + Bracketed(database) +
         ".dbo.sysobjects A JOIN sysusers B ON A.UID = B.UID " +
         " WHERE A.TYPE='U' AND A.STATUS >= 0 " + " ORDER BY B.NAME ";
}

std::string TablesStatement(const std::string& versionClass, const std::string& database,
                            const std::string& owner) {
  const std::string d = Bracketed(database);
  // Only the description joins: with every table-level property joined, a
  // table carrying two properties would be listed twice.
  if (versionClass == "2000") {
    return "SELECT A.NAME AS TABLENAME,s.value, REPLACE(CONVERT(CHAR(10), crdate, 23),'-','/'), "
           "REPLACE(CONVERT(CHAR(10), refdate, 23),'-','/') FROM " +
           d + ".dbo.sysobjects A " + " JOIN " + d + ".dbo.sysusers B ON A.UID = B.UID " +
           " left join " + d + ".dbo.sysproperties s on s.id=a.id and s.smallid=0" +
           " and s.name = 'MS_Description'" + " WHERE A.TYPE='U' AND A.STATUS >= 0 " +
           " AND B.NAME=" + UnicodeLiteral(owner) + " ORDER BY A.NAME ";
  }
  if (versionClass == "2005" || versionClass == "2008") {
    return "SELECT A.NAME AS TABLENAME,s.value,  REPLACE(CONVERT(CHAR(10), crdate, 23),'-','/'), "
           "REPLACE(CONVERT(CHAR(10), refdate, 23),'-','/') FROM " +
           d + ".dbo.sysobjects A " + " JOIN " + d + ".dbo.sysusers B ON A.UID = B.UID " +
           " left join sys.extended_properties s " + "   on s.major_id=a.id and s.minor_id=0" +
           " and s.name = 'MS_Description'" + " WHERE A.TYPE='U' AND A.STATUS >= 0 " +
           " AND B.NAME=" + UnicodeLiteral(owner) + " ORDER BY A.NAME ";
  }
  return {};
}

namespace {

// The column statement of one version class up to its table and owner
// filter: `table` empty gives every table of the owner, with the table's
// name as a ninth column, ordered by table and column.
std::string Columns(const std::string& versionClass, const std::string& database,
                    const std::string& owner, const std::string& table) {
  const std::string d = Bracketed(database);
  const bool all = table.empty();
  if (versionClass == "2000") {
    std::string s =
        "select c.colid as No ,c.name as 列名,ty.name as 型, c.prec as 長さ, c.scale as 小数, "
        "CASE WHEN c.isnullable = 1 THEN '' ELSE '1' END 必須,pk.PK as 主ｷｰ, s.value as "
        "コメント";
    if (all) s += ", t.name as TABLENAME";
    s += "    from " + d + ".dbo.sysobjects t   " + "   inner join " + d +
         ".dbo.sysusers u ON t.UID = u.UID " + "   inner join " + d +
         ".dbo.syscolumns c  on t.id = c.id  " +
         "   left join (select k.id,k.colid,'1' as PK from " + d + ".dbo.sysindexes i   " +
         "     inner join " + d + ".dbo.sysindexkeys k on k.id = i.id and k.indid = i.indid  " +
         "    where i.name in (   " + "     select name    " + "    from " + d +
         ".dbo.sysobjects " + "     where xtype = 'PK'  " + "       and parent_obj = i.id  " +
         "   )) pk  on t.id = pk.id and c.colid = pk.colid " + "  left join " + d +
         ".dbo.systypes ty on c.xusertype = ty.xusertype  " + " LEFT OUTER JOIN    " + "     " + d +
         ".dbo.sysproperties s  " + " ON         " + "     s.id = c.id  " +
         "     and s.smallid=c.colid " + "     AND s.name = 'MS_Description'" +
         " where t.type = 'U'" + "   and t.status > 0  ";
    // The type and status filters already keep to tables the list shows.
    if (!all) s += "   and t.name =" + UnicodeLiteral(table);
    s += "   and u.name=" + UnicodeLiteral(owner) + " order by t.name,c.colid";
    return s;
  }
  if (versionClass == "2005" || versionClass == "2008") {
    std::string s =
        " select Col.Colid,Col.name as '名称' ,(Select top 1 name From systypes Where "
        "systypes.xtype = Col.xtype) as '型'   ,Col.prec as '桁数' ,case isnull(Col.xscale,0) "
        "when 0 then ''  else cast( Col.scale as varchar(10) )  end '小数部'  ,case "
        "Col.isnullable  when 0 then '1'  else ''  end 'NN' ,pk.PK as 主ｷｰ ,ex.value  as "
        "'colcomment'";
    if (all) s += ", obj.name as TABLENAME";
    s += " From " + d + ".dbo.syscolumns as col " + " inner join " + d +
         ".dbo.sysobjects as obj on col.id = obj.id " + " inner join sysusers u on obj.uid=U.uid " +
         " left join sys.extended_properties as ex " +
         " on  col.id = ex.major_id and ex.minor_id = col.colid and ex.name = 'MS_Description' " +
         "   left join (select k.id,k.colid,'1' as PK from " + d + ".dbo.sysindexes i   " +
         "     inner join " + d + ".dbo.sysindexkeys k on k.id = i.id and k.indid = i.indid  " +
         "    where i.name in (   " + "     select name    " + "    from " + d +
         ".dbo.sysobjects " + "     where xtype = 'PK'  " + "       and parent_obj = i.id  " +
         "   )) pk  on col.id = pk.id and col.colid = pk.colid ";
    if (!all)
      return s + " Where obj.name = " + UnicodeLiteral(table) +
             " and u.name=" + UnicodeLiteral(owner);
    // Only the objects the table statement lists: no view, no system table.
    return s + " Where obj.type = 'U' AND obj.status >= 0 and u.name=" + UnicodeLiteral(owner) +
           " order by obj.name,col.colid";
  }
  return {};
}

}  // namespace

std::string ColumnsStatement(const std::string& versionClass, const std::string& database,
                             const std::string& owner, const std::string& table) {
  return Columns(versionClass, database, owner, table);
}

std::string OwnerColumnsStatement(const std::string& versionClass, const std::string& database,
                                  const std::string& owner) {
  return Columns(versionClass, database, owner, {});
}

namespace {

bool HasCatalogViews(const std::string& versionClass) {
  return versionClass == "2005" || versionClass == "2008";
}

bool Is2000(const std::string& versionClass) {
  return versionClass == "2000";
}

// The objects the owner's table statement lists, by the same filter, so that
// a fact never names a table the list does not show.
std::string Listed(const std::string& d, const std::string& owner, const std::string& id) {
  return id + " IN (SELECT A.id FROM " + d + ".dbo.sysobjects A JOIN " + d +
         ".dbo.sysusers B ON A.UID = B.UID WHERE A.TYPE='U' AND A.STATUS >= 0 AND B.NAME=" +
         UnicodeLiteral(owner) + ")";
}

}  // namespace

std::string DefaultsStatement(const std::string& versionClass, const std::string& database,
                              const std::string& owner) {
  const std::string d = Bracketed(database);
  // 2000: the text of a default or computed column is in syscomments, in
  // pieces numbered by colid; a default's under the default's own id.
  if (Is2000(versionClass))
    return "SELECT t.name AS TABLENAME, c.name AS COLUMNNAME, CASE WHEN c.iscomputed = 0 THEN "
           "m.text END AS DEFAULTDEFINITION, CASE WHEN COLUMNPROPERTY(c.id, c.name, "
           "'IsIdentity') = 1 THEN '1' ELSE '' END AS ISIDENTITY, CASE WHEN c.iscomputed = 1 "
           "THEN m.text END AS COMPUTEDDEFINITION FROM " +
           d + ".dbo.syscolumns c JOIN " + d + ".dbo.sysobjects t ON t.id = c.id LEFT JOIN " + d +
           ".dbo.syscomments m ON (c.iscomputed = 0 AND m.id = c.cdefault) OR (c.iscomputed = 1 "
           "AND m.id = c.id AND m.number = c.colid) WHERE " +
           Listed(d, owner, "t.id") +
           " AND (c.cdefault <> 0 OR COLUMNPROPERTY(c.id, c.name, 'IsIdentity') = 1 OR "
           "c.iscomputed = 1) ORDER BY t.name, c.colid, m.colid";
  if (!HasCatalogViews(versionClass)) return {};
  return "SELECT t.name AS TABLENAME, c.name AS COLUMNNAME, dc.definition AS DEFAULTDEFINITION, "
         "CASE WHEN c.is_identity = 1 THEN '1' ELSE '' END AS ISIDENTITY, cc.definition AS "
         "COMPUTEDDEFINITION FROM " +
         d + ".sys.columns c JOIN " + d + ".sys.objects t ON t.object_id = c.object_id LEFT JOIN " +
         d + ".sys.default_constraints dc ON dc.object_id = c.default_object_id LEFT JOIN " + d +
         ".sys.computed_columns cc ON cc.object_id = c.object_id AND cc.column_id = c.column_id "
         "WHERE " +
         Listed(d, owner, "t.object_id") +
         " AND (dc.object_id IS NOT NULL OR c.is_identity = 1 OR cc.object_id IS NOT NULL) "
         "ORDER BY t.name, c.column_id";
}

std::string IndexesStatement(const std::string& versionClass, const std::string& database,
                             const std::string& owner) {
  const std::string d = Bracketed(database);
  // 2000: sysindexes without its statistics and hypothetical entries (and
  // without 0, the heap, and 255, the text pages); the primary key is the
  // PK object of the same name, as in the column statement.
  if (Is2000(versionClass))
    return "SELECT t.name AS TABLENAME, i.name AS INDEXNAME, CASE WHEN INDEXPROPERTY(i.id, "
           "i.name, 'IsClustered') = 1 THEN 'CLUSTERED' ELSE 'NONCLUSTERED' END AS INDEXTYPE, "
           "CASE WHEN INDEXPROPERTY(i.id, i.name, 'IsUnique') = 1 THEN '1' ELSE '' END AS "
           "ISUNIQUE, CASE WHEN EXISTS (SELECT * FROM " +
           d +
           ".dbo.sysobjects p WHERE p.xtype = 'PK' AND p.parent_obj = i.id AND p.name = i.name) "
           "THEN '1' ELSE '' END AS ISPRIMARY, NULL AS FILTERDEFINITION, c.name AS COLUMNNAME, "
           "'' AS ISINCLUDED, CASE WHEN INDEXKEY_PROPERTY(i.id, i.indid, k.keyno, "
           "'IsDescending') = 1 THEN '1' ELSE '' END AS ISDESCENDING FROM " +
           d + ".dbo.sysindexes i JOIN " + d + ".dbo.sysobjects t ON t.id = i.id JOIN " + d +
           ".dbo.sysindexkeys k ON k.id = i.id AND k.indid = i.indid JOIN " + d +
           ".dbo.syscolumns c ON c.id = k.id AND c.colid = k.colid WHERE i.indid BETWEEN 1 AND "
           "254 AND INDEXPROPERTY(i.id, i.name, 'IsStatistics') = 0 AND INDEXPROPERTY(i.id, "
           "i.name, 'IsHypothetical') = 0 AND " +
           Listed(d, owner, "t.id") + " ORDER BY t.name, i.name, k.keyno";
  if (!HasCatalogViews(versionClass)) return {};
  // Filtered indexes came with 2008.
  const std::string filter = versionClass == "2005" ? "NULL" : "i.filter_definition";
  return "SELECT t.name AS TABLENAME, i.name AS INDEXNAME, i.type_desc AS INDEXTYPE, CASE WHEN "
         "i.is_unique = 1 THEN '1' ELSE '' END AS ISUNIQUE, CASE WHEN i.is_primary_key = 1 THEN "
         "'1' ELSE '' END AS ISPRIMARY, " +
         filter +
         " AS FILTERDEFINITION, c.name AS COLUMNNAME, CASE WHEN ic.is_included_column = 1 THEN "
         "'1' ELSE '' END AS ISINCLUDED, CASE WHEN ic.is_descending_key = 1 THEN '1' ELSE '' END "
         "AS ISDESCENDING FROM " +
         d + ".sys.indexes i JOIN " + d + ".sys.objects t ON t.object_id = i.object_id JOIN " + d +
         ".sys.index_columns ic ON ic.object_id = i.object_id AND ic.index_id = i.index_id JOIN " +
         d +
         ".sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id WHERE "
         "i.index_id > 0 AND i.is_hypothetical = 0 AND " +
         Listed(d, owner, "t.object_id") +
         " ORDER BY t.name, i.name, ic.is_included_column, ic.key_ordinal, ic.index_column_id";
}

std::string ForeignKeysStatement(const std::string& versionClass, const std::string& database,
                                 const std::string& owner) {
  const std::string d = Bracketed(database);
  // 2000 knows only CASCADE and NO ACTION, as object properties.
  if (Is2000(versionClass))
    return "SELECT t.name AS TABLENAME, o.name AS CONSTRAINTNAME, pc.name AS COLUMNNAME, CASE "
           "WHEN rt.uid = t.uid THEN NULL ELSE ru.name END AS REFSCHEMA, rt.name AS REFTABLE, "
           "rc.name AS REFCOLUMN, CASE WHEN OBJECTPROPERTY(f.constid, 'CnstIsDeleteCascade') = 1 "
           "THEN 'CASCADE' ELSE 'NO_ACTION' END AS ONDELETE, CASE WHEN OBJECTPROPERTY(f.constid, "
           "'CnstIsUpdateCascade') = 1 THEN 'CASCADE' ELSE 'NO_ACTION' END AS ONUPDATE FROM " +
           d + ".dbo.sysforeignkeys f JOIN " + d + ".dbo.sysobjects o ON o.id = f.constid JOIN " +
           d + ".dbo.sysobjects t ON t.id = f.fkeyid JOIN " + d +
           ".dbo.syscolumns pc ON pc.id = f.fkeyid AND pc.colid = f.fkey JOIN " + d +
           ".dbo.sysobjects rt ON rt.id = f.rkeyid JOIN " + d +
           ".dbo.sysusers ru ON ru.uid = rt.uid JOIN " + d +
           ".dbo.syscolumns rc ON rc.id = f.rkeyid AND rc.colid = f.rkey WHERE " +
           Listed(d, owner, "t.id") + " ORDER BY t.name, o.name, f.keyno";
  if (!HasCatalogViews(versionClass)) return {};
  return "SELECT t.name AS TABLENAME, fk.name AS CONSTRAINTNAME, pc.name AS COLUMNNAME, CASE WHEN "
         "rt.schema_id = t.schema_id THEN NULL ELSE rs.name END AS REFSCHEMA, rt.name AS "
         "REFTABLE, rc.name AS REFCOLUMN, fk.delete_referential_action_desc AS ONDELETE, "
         "fk.update_referential_action_desc AS ONUPDATE FROM " +
         d + ".sys.foreign_keys fk JOIN " + d +
         ".sys.objects t ON t.object_id = fk.parent_object_id JOIN " + d +
         ".sys.foreign_key_columns fkc ON fkc.constraint_object_id = fk.object_id JOIN " + d +
         ".sys.columns pc ON pc.object_id = fkc.parent_object_id AND pc.column_id = "
         "fkc.parent_column_id JOIN " +
         d + ".sys.objects rt ON rt.object_id = fkc.referenced_object_id JOIN " + d +
         ".sys.schemas rs ON rs.schema_id = rt.schema_id JOIN " + d +
         ".sys.columns rc ON rc.object_id = fkc.referenced_object_id AND rc.column_id = "
         "fkc.referenced_column_id WHERE " +
         Listed(d, owner, "t.object_id") + " ORDER BY t.name, fk.name, fkc.constraint_column_id";
}

std::string ConstraintsStatement(const std::string& versionClass, const std::string& database,
                                 const std::string& owner) {
  const std::string d = Bracketed(database);
  // 2000: a unique constraint's columns through its index of the same name;
  // a check's text from syscomments, piece by piece.
  if (Is2000(versionClass))
    return "SELECT t.name AS TABLENAME, o.name AS CONSTRAINTNAME, 'UNIQUE' AS CONSTRAINTTYPE, "
           "c.name AS COLUMNNAME, NULL AS DEFINITION, k.keyno AS ORDINAL FROM " +
           d + ".dbo.sysobjects o JOIN " + d + ".dbo.sysobjects t ON t.id = o.parent_obj JOIN " +
           d + ".dbo.sysindexes i ON i.id = o.parent_obj AND i.name = o.name JOIN " + d +
           ".dbo.sysindexkeys k ON k.id = i.id AND k.indid = i.indid JOIN " + d +
           ".dbo.syscolumns c ON c.id = k.id AND c.colid = k.colid WHERE o.xtype = 'UQ' AND " +
           Listed(d, owner, "t.id") +
           " UNION ALL SELECT t.name, o.name, 'CHECK', NULL, m.text, "
           "m.colid FROM " +
           d + ".dbo.sysobjects o JOIN " + d + ".dbo.sysobjects t ON t.id = o.parent_obj JOIN " +
           d + ".dbo.syscomments m ON m.id = o.id WHERE o.xtype = 'C' AND " +
           Listed(d, owner, "t.id") + " ORDER BY TABLENAME, CONSTRAINTNAME, ORDINAL";
  if (!HasCatalogViews(versionClass)) return {};
  return "SELECT t.name AS TABLENAME, k.name AS CONSTRAINTNAME, 'UNIQUE' AS CONSTRAINTTYPE, c.name "
         "AS COLUMNNAME, NULL AS DEFINITION, ic.key_ordinal AS ORDINAL FROM " +
         d + ".sys.key_constraints k JOIN " + d +
         ".sys.objects t ON t.object_id = k.parent_object_id JOIN " + d +
         ".sys.index_columns ic ON ic.object_id = k.parent_object_id AND ic.index_id = "
         "k.unique_index_id JOIN " +
         d +
         ".sys.columns c ON c.object_id = ic.object_id AND c.column_id = ic.column_id WHERE "
         "k.type = 'UQ' AND " +
         Listed(d, owner, "t.object_id") +
         " UNION ALL SELECT t.name, k.name, 'CHECK', NULL, k.definition, 0 FROM " + d +
         ".sys.check_constraints k JOIN " + d +
         ".sys.objects t ON t.object_id = k.parent_object_id WHERE " +
         Listed(d, owner, "t.object_id") + " ORDER BY TABLENAME, CONSTRAINTNAME, ORDINAL";
}

ServerVersion ClassifyVersion(const std::string& version) {
  ServerVersion v;
  v.product = TdCommon::GetToken(version, 1, '-');
  const std::string major =
      TrimControls(TdCommon::GetToken(TdCommon::GetToken(version, 2, '-'), 1, '.'));
  const auto names = [&](const char* year) { return v.product.find(year) != std::string::npos; };
  if (names("2000") || major == "8") {
    v.versionClass = "2000";
  } else if (names("2005") || major == "9") {
    v.versionClass = "2005";
  } else if (names("2008") || major == "10") {
    v.versionClass = "2008";
  } else {
    // SQL Server 2012 and later and Azure SQL: their catalog views still
    // answer the 2005/2008 statements.
    v.versionClass = "2008";
  }
  return v;
}

std::string ColumnCell(int i, const std::string& raw, const std::string& typeName) {
  if (i == 3) {
    if (InList(typeName, kMaxCapable) && raw == "-1") return "MAX";
    if (InList(typeName, kFixedSize) || InList(typeName, kScaleOnly)) return {};
    return raw;
  }
  if (i == 4) return InList(typeName, kFixedSize) ? std::string() : TrimControls(raw);
  return raw;
}

}  // namespace zel::mssql
