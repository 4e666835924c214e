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
