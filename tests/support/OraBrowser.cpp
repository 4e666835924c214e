#include "support/OraBrowser.h"

#include "catalog/oracle/OracleReader.h"
#include "catalog/oracle/OracleStatements.h"
#include "support/PgBrowser.h"

namespace zel::test {
namespace {

std::string Fill(std::string text, const std::string& owner, const std::string& table) {
  for (auto [mark, value] : {std::pair<std::string, std::string>{"{O}", owner}, {"{T}", table}}) {
    for (size_t at = text.find(mark); at != std::string::npos;
         at = text.find(mark, at + value.size()))
      text.replace(at, mark.size(), value);
  }
  return text;
}

}  // namespace

const char* const kOraVersionStatement =
    "SELECT product ,version  FROM PRODUCT_COMPONENT_VERSION where product like '%Oracle%'";
const char* const kOraUsersStatement = "SELECT username FROM all_users ORDER BY username";
const char* const kSamplePassword = "p/w@x";

std::string OraTablesStatement(const std::string& owner) {
  // clang-format off
  return Fill(R"( SELECT    A.TABLE_NAME,C.COMMENTS,   TO_CHAR(O.CREATED, 'YYYY/MM/DD'),   TO_CHAR(O.LAST_DDL_TIME, 'YYYY/MM/DD') FROM    ALL_TABLES A,    (SELECT * FROM ALL_TAB_COMMENTS WHERE OWNER='{O}') C,   (SELECT * FROM  ALL_OBJECTS WHERE OWNER='{O}' AND  OBJECT_TYPE='TABLE') O  WHERE A.OWNER='{O}'    AND A.OWNER=C.OWNER(+) AND A.TABLE_NAME=C.TABLE_NAME(+)    AND A.OWNER=O.OWNER(+) AND A.TABLE_NAME=O.OBJECT_NAME(+) ORDER BY A.TABLE_NAME )", owner, "");
  // clang-format on
}

std::string OraColumnsStatement(const std::string& owner, const std::string& table) {
  // clang-format off
  return Fill(R"(SELECT    A.COLUMN_ID ,   A.COLUMN_NAME ,   A.DATA_TYPE,   NVL(NVL(A.DATA_PRECISION, A.CHAR_COL_DECL_LENGTH),DECODE(A.DATA_TYPE,'RAW',A.DATA_LENGTH,'')) AS DATALENGTH,   A.DATA_SCALE,   DECODE(A.NULLABLE,'N','1', '') AS NULLABLE ,   DECODE(C.CONSTRAINT_TYPE,'P','1','') AS PK,   B.COMMENTS FROM    ALL_TAB_COLUMNS A,    (SELECT * FROM ALL_COL_COMMENTS WHERE OWNER= '{O}' AND TABLE_NAME ='{T}' )  B , (SELECT     C.OWNER ,C.TABLE_NAME,D.COLUMN_NAME,C.CONSTRAINT_TYPE   FROM ALL_CONSTRAINTS C, ALL_CONS_COLUMNS D         WHERE C.OWNER= '{O}' AND C.TABLE_NAME ='{T}'        AND D.OWNER= '{O}' AND D.TABLE_NAME ='{T}'        AND C.OWNER=D.OWNER         AND C.TABLE_NAME=D.TABLE_NAME          AND C.CONSTRAINT_NAME=D.CONSTRAINT_NAME         AND C.CONSTRAINT_TYPE='P') C WHERE      A.TABLE_NAME ='{T}'     AND A.OWNER= '{O}'    AND A.OWNER=B.OWNER(+) AND A.TABLE_NAME=B.TABLE_NAME(+) AND A.COLUMN_NAME=B.COLUMN_NAME (+)     AND A.OWNER=C.OWNER (+) AND A.TABLE_NAME=C.TABLE_NAME(+) AND A.COLUMN_NAME=C.COLUMN_NAME (+)    ORDER BY A.TABLE_NAME, A.COLUMN_ID )", owner, table);
  // clang-format on
}

OraBrowser::OraBrowser(const std::string& settingsFolder) {
  if (!settingsFolder.empty()) common.SetProgramFolder(settingsFolder);
  ReaderRegistry registry;
  registry.Register(dkOracle, TOracleReader::Factory());
  browser = std::make_unique<TBrowser>(common, prompts, std::move(registry));
}

void OraBrowser::Connect(const std::string& user, const std::string& password,
                         const std::string& host) {
  LogonValues v;
  v.kind = dkOracle;
  v.oracle = {user, password, host};
  prompts.logonAnswers.push_back(v);
  browser->Connect();
}

TTreeNode* OraBrowser::Select(TTreeNode* parent, const std::string& text) {
  TTreeNode* n = FindChild(parent, text);
  if (n) browser->TreeView1Change(*n);
  return n;
}

void ScriptSampleCatalog(FakeOci& oci) {
  const std::nullopt_t null = std::nullopt;
  oci.Logon("scott", kSamplePassword, "orahost:1521/ORCL");
  oci.Query(kOraVersionStatement, {{"Oracle Database 19c Enterprise Edition", "19.3.0.0.0"}});
  oci.Query(kOraUsersStatement, {{"HR"}, {"SCOTT"}, {"販売"}});
  oci.Query(OraTablesStatement("SCOTT"), {{"DEPT", "部署マスタ～①髙", "2020/01/02", "2024/05/06"},
                                          {"EMP", null, "2021/03/04", "2021/03/05"},
                                          {"NO_OBJ", "x", null, null}});
  oci.Query(OraColumnsStatement("SCOTT", "DEPT"),
            {{"1", "DEPTNO", "NUMBER", "2", "0", "1", "1", "部署番号"},
             {"2", "DNAME", "VARCHAR2", "14", null, null, null, "部署名"},
             {"3", "LOC", "VARCHAR2", "13", null, null, null, null}});
  // What ALL_TAB_COLUMNS gives for NUMBER(10,2), VARCHAR2(30), RAW(16),
  // DATE, CLOB, TIMESTAMP(6), TIMESTAMP(3), TIMESTAMP(6) WITH TIME ZONE and
  // INTERVAL YEAR(2) TO MONTH through the statement's NVL/DECODE: the
  // timestamps carry their fractional digits as scale, the interval its
  // year digits as precision.
  oci.Query(OraColumnsStatement("SCOTT", "EMP"),
            {{"1", "EMPNO", "NUMBER", "10", "2", "1", "1", "社員番号"},
             {"2", "ENAME", "VARCHAR2", "30", null, "1", null, "氏名"},
             {"3", "BADGE", "RAW", "16", null, null, null, null},
             {"4", "HIREDATE", "DATE", null, null, null, null, null},
             {"5", "RESUME", "CLOB", null, null, null, null, "経歴"},
             {"6", "UPDATED_AT", "TIMESTAMP(6)", null, "6", null, null, null},
             {"7", "CREATED_AT", "TIMESTAMP(3)", null, "3", null, null, null},
             {"8", "SEEN_AT", "TIMESTAMP(6) WITH TIME ZONE", null, "6", null, null, null},
             {"9", "TERM", "INTERVAL YEAR(2) TO MONTH", "2", "0", null, null, null}});
  oci.Query(OraColumnsStatement("SCOTT", "NO_OBJ"),
            {{"1", "X", "CHAR", "1", null, null, null, null}});
  // The same rows from the owner's one column statement, the table's name
  // last.
  oci.Query(ora::OwnerColumnsStatement("SCOTT"),
            {{"1", "DEPTNO", "NUMBER", "2", "0", "1", "1", "部署番号", "DEPT"},
             {"2", "DNAME", "VARCHAR2", "14", null, null, null, "部署名", "DEPT"},
             {"3", "LOC", "VARCHAR2", "13", null, null, null, null, "DEPT"},
             {"1", "EMPNO", "NUMBER", "10", "2", "1", "1", "社員番号", "EMP"},
             {"2", "ENAME", "VARCHAR2", "30", null, "1", null, "氏名", "EMP"},
             {"3", "BADGE", "RAW", "16", null, null, null, null, "EMP"},
             {"4", "HIREDATE", "DATE", null, null, null, null, null, "EMP"},
             {"5", "RESUME", "CLOB", null, null, null, null, "経歴", "EMP"},
             {"6", "UPDATED_AT", "TIMESTAMP(6)", null, "6", null, null, null, "EMP"},
             {"7", "CREATED_AT", "TIMESTAMP(3)", null, "3", null, null, null, "EMP"},
             {"8", "SEEN_AT", "TIMESTAMP(6) WITH TIME ZONE", null, "6", null, null, null, "EMP"},
             {"9", "TERM", "INTERVAL YEAR(2) TO MONTH", "2", "0", null, null, null, "EMP"},
             {"1", "X", "CHAR", "1", null, null, null, null, "NO_OBJ"}});
}

}  // namespace zel::test
