// The detailed document's facts as the Oracle reader hands them over: the
// whole statement texts of each server generation, then an owner read
// through the fake client (one statement per fact for all tables, LONG
// texts trimmed, Oracle's own NOT NULL checks left out, the rows folded
// into each table's facts), the table kinds, and a failing statement.
#include <gtest/gtest.h>

#include "catalog/SchemaRows.h"
#include "catalog/oracle/OracleReader.h"
#include "catalog/oracle/OracleStatements.h"
#include "db/oracle/OraError.h"
#include "support/FakeOci.h"
#include "support/OraBrowser.h"
#include "support/PgBrowser.h"
#include "support/TableFactsText.h"

using namespace zel;
using namespace zel::test;

namespace {

using Lines = std::vector<std::string>;

TEST(OracleFactStatements, EveryGenerationAsAWholeText) {
  const std::string listed =
      " IN (SELECT T.TABLE_NAME FROM ALL_TABLES T WHERE T.OWNER= 'IT''S; [X]')";
  const std::string from =
      " FROM ALL_TAB_COLS A WHERE A.OWNER= 'IT''S; [X]' AND A.TABLE_NAME" + listed +
      " AND A.HIDDEN_COLUMN = 'NO' AND (A.DEFAULT_LENGTH > 0 OR A.VIRTUAL_COLUMN = 'YES'";
  // 12c and later, and a version the connect step could not read.
  for (const char* version : {"19", "12", "23", ""})
    EXPECT_EQ(ora::DefaultsStatement(version, "IT'S; [X]"),
              "SELECT A.TABLE_NAME, A.COLUMN_NAME, A.DATA_DEFAULT, A.IDENTITY_COLUMN, "
              "A.VIRTUAL_COLUMN" +
                  from + " OR A.IDENTITY_COLUMN = 'YES') ORDER BY A.TABLE_NAME, A.COLUMN_ID")
        << version;
  EXPECT_EQ(ora::DefaultsStatement("11", "IT'S; [X]"),
            "SELECT A.TABLE_NAME, A.COLUMN_NAME, A.DATA_DEFAULT, 'NO' AS IDENTITY_COLUMN, "
            "A.VIRTUAL_COLUMN" +
                from + ") ORDER BY A.TABLE_NAME, A.COLUMN_ID");
  for (const char* version : {"10", "9"})
    EXPECT_EQ(ora::DefaultsStatement(version, "IT'S; [X]"),
              "SELECT A.TABLE_NAME, A.COLUMN_NAME, A.DATA_DEFAULT, 'NO' AS IDENTITY_COLUMN, 'NO' "
              "AS VIRTUAL_COLUMN FROM ALL_TAB_COLUMNS A WHERE A.OWNER= 'IT''S; [X]' AND "
              "A.TABLE_NAME" +
                  listed + " AND A.DEFAULT_LENGTH > 0 ORDER BY A.TABLE_NAME, A.COLUMN_ID")
        << version;
  EXPECT_EQ(
      ora::IndexesStatement("IT'S; [X]"),
      "SELECT I.TABLE_NAME, I.INDEX_NAME, I.INDEX_TYPE, I.UNIQUENESS, DECODE(P.CONSTRAINT_NAME, "
      "NULL, '', '1') AS PK, C.COLUMN_NAME, C.DESCEND, E.COLUMN_EXPRESSION FROM ALL_INDEXES I, "
      "ALL_IND_COLUMNS C, ALL_IND_EXPRESSIONS E, (SELECT OWNER, TABLE_NAME, CONSTRAINT_NAME, "
      "INDEX_NAME FROM ALL_CONSTRAINTS WHERE OWNER= 'IT''S; [X]' AND CONSTRAINT_TYPE = 'P') P "
      "WHERE I.TABLE_OWNER= 'IT''S; [X]' AND I.TABLE_NAME" +
          listed +
          " AND C.INDEX_OWNER = I.OWNER AND C.INDEX_NAME = I.INDEX_NAME AND E.INDEX_OWNER(+) = "
          "C.INDEX_OWNER AND E.INDEX_NAME(+) = C.INDEX_NAME AND E.COLUMN_POSITION(+) = "
          "C.COLUMN_POSITION AND P.OWNER(+) = I.TABLE_OWNER AND P.TABLE_NAME(+) = I.TABLE_NAME "
          "AND P.INDEX_NAME(+) = I.INDEX_NAME ORDER BY I.TABLE_NAME, I.INDEX_NAME, "
          "C.COLUMN_POSITION");
  EXPECT_EQ(
      ora::ForeignKeysStatement("IT'S; [X]"),
      "SELECT C.TABLE_NAME, C.CONSTRAINT_NAME, CC.COLUMN_NAME, C.R_OWNER, R.TABLE_NAME AS "
      "R_TABLE_NAME, RC.COLUMN_NAME AS R_COLUMN_NAME, C.DELETE_RULE FROM ALL_CONSTRAINTS C JOIN "
      "ALL_CONS_COLUMNS CC ON CC.OWNER = C.OWNER AND CC.CONSTRAINT_NAME = C.CONSTRAINT_NAME AND "
      "CC.TABLE_NAME = C.TABLE_NAME LEFT JOIN ALL_CONSTRAINTS R ON R.OWNER = C.R_OWNER AND "
      "R.CONSTRAINT_NAME = C.R_CONSTRAINT_NAME LEFT JOIN ALL_CONS_COLUMNS RC ON RC.OWNER = "
      "C.R_OWNER AND RC.CONSTRAINT_NAME = C.R_CONSTRAINT_NAME AND RC.POSITION = CC.POSITION "
      "WHERE C.OWNER= 'IT''S; [X]' AND C.CONSTRAINT_TYPE = 'R' AND C.TABLE_NAME" +
          listed + " ORDER BY C.TABLE_NAME, C.CONSTRAINT_NAME, CC.POSITION");
  EXPECT_EQ(ora::ConstraintsStatement("IT'S; [X]"),
            "SELECT C.TABLE_NAME, C.CONSTRAINT_NAME, C.CONSTRAINT_TYPE, C.GENERATED, "
            "C.SEARCH_CONDITION, CC.COLUMN_NAME FROM ALL_CONSTRAINTS C, ALL_CONS_COLUMNS CC "
            "WHERE C.OWNER= 'IT''S; [X]' AND C.CONSTRAINT_TYPE IN ('U', 'C') AND C.TABLE_NAME" +
                listed +
                " AND CC.OWNER(+) = C.OWNER AND CC.CONSTRAINT_NAME(+) = C.CONSTRAINT_NAME AND "
                "CC.TABLE_NAME(+) = C.TABLE_NAME ORDER BY C.TABLE_NAME, C.CONSTRAINT_NAME, "
                "CC.POSITION");
  EXPECT_EQ(ora::TableKindsStatement("IT'S; [X]"),
            "SELECT T.TABLE_NAME, DECODE(M.MVIEW_NAME, NULL, DECODE(X.TABLE_NAME, NULL, 'T', "
            "'X'), 'M') AS KIND FROM ALL_TABLES T, ALL_MVIEWS M, ALL_EXTERNAL_TABLES X WHERE "
            "T.OWNER= 'IT''S; [X]' AND M.OWNER(+) = T.OWNER AND M.CONTAINER_NAME(+) = "
            "T.TABLE_NAME AND X.OWNER(+) = T.OWNER AND X.TABLE_NAME(+) = T.TABLE_NAME ORDER BY "
            "T.TABLE_NAME");
}

// An owner as a user may name one (quoted identifiers allow it all).
const std::string kOwner = "営業'; [X] Y";

class OracleFactsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ScriptSampleCatalog(oci);
    const std::nullopt_t null = std::nullopt;
    oci.Query(kOraUsersStatement, {{"SCOTT"}, {kOwner}});
    oci.Query(OraTablesStatement("営業''; [X] Y"), {{"顧客", null, null, null},
                                                    {"注文", null, null, null},
                                                    {"明細", null, null, null},
                                                    {"集計", null, null, null},
                                                    {"外部", null, null, null},
                                                    {"空", null, null, null}});
    b.Connect("scott", kSamplePassword, "orahost:1521/ORCL");
  }
  TTreeNode* Owner() { return b.Select(b.Root(), kOwner); }

  FakeOci oci;  // first: outlives the browser's sessions
  OraBrowser b;
};

}  // namespace

TEST_F(OracleFactsTest, OneStatementPerFactGivesEveryTableItsWholeFacts) {
  const std::nullopt_t null = std::nullopt;
  // DATA_DEFAULT and the other LONG texts keep what followed the expression
  // in the DDL; an identity column's default is its sequence.
  oci.Query(ora::DefaultsStatement("19", kOwner),
            {{"顧客", "ID", "\"営業'; [X] Y\".\"ISEQ$$_73127\".nextval", "YES", "NO"},
             {"顧客", "状態", "'=1'   ", "NO", "NO"},
             {"顧客", "備考", "NULL ", "NO", "NO"},
             {"注文", "登録日", "SYSDATE  ", "NO", "NO"},
             {"注文", "合計", "\"数量\"*2", "NO", "YES"},
             {"注文", "メモ", "'it''s; [x]' ", "NO", "NO"}});
  oci.Query(
      ora::IndexesStatement(kOwner),
      {{"顧客", "PK_顧客", "NORMAL", "UNIQUE", "1", "ID", "ASC", null},
       {"顧客", "UQ_顧客_メール", "NORMAL", "UNIQUE", "", "メール", "ASC", null},
       {"注文", "IX_注文_上位", "FUNCTION-BASED NORMAL", "NONUNIQUE", "", "SYS_NC00008$", "ASC",
        "UPPER(\"メモ\")  "},
       {"注文", "IX_注文_日付", "FUNCTION-BASED NORMAL", "NONUNIQUE", "", "SYS_NC00007$", "DESC",
        "\"登録日\""},
       {"注文", "IX_注文_日付", "FUNCTION-BASED NORMAL", "NONUNIQUE", "", "顧客ID", "ASC", null},
       {"注文", "IX_注文_状態", "BITMAP", "NONUNIQUE", "", "状態", "ASC", null},
       {"注文", "PK_注文", "NORMAL", "UNIQUE", "1", "注文番号", "ASC", null}});
  oci.Query(ora::ForeignKeysStatement(kOwner),
            {{"明細", "FK_明細_商品", "商品コード", "在庫", "商品", "コード", "SET NULL"},
             {"明細", "FK_明細_商品", "版", "在庫", "商品", "版", "SET NULL"},
             {"明細", "FK_明細_注文", "注文番号", kOwner, "注文", "注文番号", "CASCADE"},
             {"注文", "FK_注文_親", "親注文番号", kOwner, "注文", "注文番号", "NO ACTION"},
             {"注文", "FK_注文_顧客", "顧客ID", kOwner, "顧客", "ID", "CASCADE"}});
  oci.Query(
      ora::ConstraintsStatement(kOwner),
      {{"顧客", "CK_顧客_状態", "C", "USER NAME", "状態 IN ('=1', 'it''s')  ", "状態"},
       {"顧客", "NN_顧客_名前", "C", "USER NAME", "\"名前\" IS NOT NULL", "名前"},
       {"顧客", "SYS_C0012345", "C", "GENERATED NAME", "\"ID\" IS NOT NULL", "ID"},
       {"顧客", "SYS_C0012346", "C", "GENERATED NAME", "数量 > 0", "数量"},
       {"顧客", "UQ_顧客_メール", "U", "USER NAME", null, "メール"},
       {"明細", "SYS_C0099", "C", "GENERATED NAME", "\"A\" IS NOT NULL OR \"B\" IS NOT NULL", "A"},
       {"明細", "SYS_C0099", "C", "GENERATED NAME", "\"A\" IS NOT NULL OR \"B\" IS NOT NULL", "B"},
       {"明細", "UQ_明細", "U", "USER NAME", null, "注文番号"},
       {"明細", "UQ_明細", "U", "USER NAME", null, "行番号"}});
  oci.Query(
      ora::TableKindsStatement(kOwner),
      {{"外部", "X"}, {"明細", "T"}, {"注文", "T"}, {"空", "T"}, {"集計", "M"}, {"顧客", "T"}});

  TTreeNode* owner = Owner();
  ASSERT_NE(owner, nullptr);
  ASSERT_EQ(ChildTexts(owner), (Lines{"顧客", "注文", "明細", "集計", "外部", "空"}));
  const size_t before = oci.Statements().size();
  SchemaRows rows(*owner);
  b.browser->SetSchemaRows(&rows);

  EXPECT_EQ(FactLines(b.browser->TableFactsOf(*FindChild(owner, "顧客"))),
            (Lines{"has defaults indexes foreignKeys constraints", "default ID = IDENTITY",
                   "default 状態 = '=1'", "index PK_顧客 (ID) unique primary method=NORMAL note=",
                   "index UQ_顧客_メール (メール) unique method=NORMAL note=",
                   "constraint CK_顧客_状態 CHECK 状態 IN ('=1', 'it''s')",
                   "constraint NN_顧客_名前 CHECK \"名前\" IS NOT NULL",
                   "constraint SYS_C0012346 CHECK 数量 > 0",
                   "constraint UQ_顧客_メール UNIQUE UNIQUE (メール)"}));
  EXPECT_EQ(
      FactLines(b.browser->TableFactsOf(*FindChild(owner, "注文"))),
      (Lines{"has defaults indexes foreignKeys constraints", "default メモ = 'it''s; [x]'",
             "default 合計 = GENERATED ALWAYS AS (\"数量\"*2)", "default 登録日 = SYSDATE",
             "ref 親注文番号 -> 注文.注文番号", "ref 顧客ID -> 顧客.ID",
             "index IX_注文_上位 (UPPER(\"メモ\")) method=FUNCTION-BASED NORMAL note=",
             "index IX_注文_日付 (\"登録日\" DESC, 顧客ID) method=FUNCTION-BASED NORMAL note=",
             "index IX_注文_状態 (状態) method=BITMAP note=",
             "index PK_注文 (注文番号) unique primary method=NORMAL note=",
             "fk FK_注文_親 (親注文番号) -> 注文 (注文番号) delete=NO ACTION update=NO ACTION",
             "fk FK_注文_顧客 (顧客ID) -> 顧客 (ID) delete=CASCADE update=NO ACTION"}));
  EXPECT_EQ(
      FactLines(b.browser->TableFactsOf(*FindChild(owner, "明細"))),
      (Lines{"has defaults indexes foreignKeys constraints", "ref 商品コード -> 在庫.商品.コード",
             "ref 注文番号 -> 注文.注文番号", "ref 版 -> 在庫.商品.版",
             "fk FK_明細_商品 (商品コード, 版) -> 在庫.商品 (コード, 版) delete=SET NULL "
             "update=NO ACTION",
             "fk FK_明細_注文 (注文番号) -> 注文 (注文番号) delete=CASCADE update=NO ACTION",
             "constraint SYS_C0099 CHECK \"A\" IS NOT NULL OR \"B\" IS NOT NULL",
             "constraint UQ_明細 UNIQUE UNIQUE (注文番号, 行番号)"}));
  EXPECT_EQ(FactLines(b.browser->TableFactsOf(*FindChild(owner, "空"))),
            (Lines{"has defaults indexes foreignKeys constraints"}));
  const std::pair<const char*, const char*> kinds[] = {{"顧客", "テーブル"},
                                                       {"集計", "マテリアライズドビュー"},
                                                       {"外部", "外部テーブル"},
                                                       {"空", "テーブル"}};
  for (const auto& [table, kind] : kinds)
    EXPECT_EQ(b.browser->TableKindOf(*FindChild(owner, table)), kind) << table;
  b.browser->SetSchemaRows(nullptr);

  const Lines sent = oci.Statements();
  EXPECT_EQ(Lines(sent.begin() + static_cast<long>(before), sent.end()),
            (Lines{ora::DefaultsStatement("19", kOwner), ora::IndexesStatement(kOwner),
                   ora::ForeignKeysStatement(kOwner), ora::ConstraintsStatement(kOwner),
                   ora::TableKindsStatement(kOwner)}));
  EXPECT_EQ(oci.Sessions(), 0);
  EXPECT_EQ(oci.Live(), 0);
  EXPECT_FALSE(b.prompts.busy);
  EXPECT_TRUE(b.prompts.messages.empty());
}

TEST_F(OracleFactsTest, AFailingFactStatementEscapesWithTheServersMessage) {
  oci.Query(ora::DefaultsStatement("19", kOwner), {}, 5);
  oci.Query(ora::IndexesStatement(kOwner), {}, 8);
  oci.Error(ora::ForeignKeysStatement(kOwner), "ORA-00942: table or view does not exist");
  oci.Error(ora::TableKindsStatement(kOwner), "ORA-01031: insufficient privileges");
  TTreeNode* owner = Owner();
  ASSERT_NE(owner, nullptr);
  SchemaRows rows(*owner);
  b.browser->SetSchemaRows(&rows);
  try {
    b.browser->TableFactsOf(*FindChild(owner, "顧客"));
    FAIL() << "the failure did not escape";
  } catch (const EOleException& e) {
    EXPECT_STREQ(e.what(), "ORA-00942: table or view does not exist");
  }
  EXPECT_EQ(oci.Sessions(), 0);
  const size_t sent = oci.Statements().size();
  EXPECT_FALSE(b.browser->TableFactsOf(*FindChild(owner, "注文")).hasDefaults);
  EXPECT_EQ(oci.Statements().size(), sent) << "not sent again";
  EXPECT_THROW(b.browser->TableKindOf(*FindChild(owner, "顧客")), EOleException);
  b.browser->SetSchemaRows(nullptr);
  EXPECT_EQ(oci.Sessions(), 0);
  EXPECT_EQ(oci.Live(), 0);
  EXPECT_FALSE(b.prompts.busy);
}
