// The detailed (詳細) documents through the reader double: the definition
// sheet's J and K columns and its three sections in every shape, the list's
// 種別, and the two optional body items of a user's model, written by the
// real engine, read back by openpyxl and validated against the schemas.
#include <gtest/gtest.h>

#include <sstream>

#include "common/IniFile.h"
#include "export/Exports.h"
#include "support/ExportRun.h"
#include "support/PgBrowser.h"
#include "support/ScriptedPrompts.h"
#include "support/ScriptedReader.h"
#include "support/TestEnv.h"
#include "support/WorkbookCheck.h"

using namespace zel;
using namespace zel::test;

namespace {

std::vector<std::string> Sides(const std::string& border) {
  std::vector<std::string> out;
  std::istringstream in(border);
  for (std::string side; std::getline(in, side, ',');) out.push_back(side);
  out.resize(4);
  return out;
}

FakeColumn Column(int no, const std::string& name, const std::string& type) {
  return {std::to_string(no), name, type, "", "", "", "", ""};
}

// public.customer: every default shape and every section with items;
// public.plain: sections without items; public.wide: more columns than the
// band has rows.
FakeCatalog DetailedCatalog() {
  FakeTable customer{"customer", "顧客", "", "", {}};
  for (const char* c : {"id", "code", "rate", "flag", "note", "big"})
    customer.columns.push_back(Column(static_cast<int>(customer.columns.size()) + 1, c, "text"));
  TableFacts& f = customer.facts;
  f.defaults = {{"id", "nextval('customer_id_seq'::regclass)"},
                {"code", "'=1'::text"},
                {"rate", "0"},
                {"flag", "-1"},
                {"note", "=1"},
                {"big", std::string(40000, 'x')}};
  f.references = {{"code", "other.codes.code\ncodes.code"}};
  f.indexes = {{"customer_code_idx", "lower(code) DESC", false, false, "btree",
                "WHERE (rate > 0) INCLUDE (flag)"},
               {"customer_pkey", "id", true, true, "btree", ""}};
  f.foreignKeys = {{"customer_code_fkey", "code", "other.codes", "code", "CASCADE", "NO ACTION"}};
  f.constraints = {{"customer_code_key", "UNIQUE", "UNIQUE (code)"},
                   {"customer_rate_check", "CHECK", "CHECK ((rate >= (0)::numeric))"}};
  customer.kind = "テーブル";

  FakeTable plain{"plain", "", "", "", {Column(1, "x", "integer")}};
  plain.kind = "パーティション (customer)";

  FakeTable wide{"wide", "", "", "", {}};
  for (int i = 1; i <= 70; ++i) wide.columns.push_back(Column(i, "c" + std::to_string(i), "int"));
  wide.facts.indexes = {{"wide_pkey", "c1", true, true, "btree", ""}};

  FakeCatalog c;
  c.databases = {{"sales", {{"public", {customer, plain, wide}}}}};
  return c;
}

class DetailedDocumentTest : public ::testing::Test {
 protected:
  DetailedDocumentTest() : common(&prompts) {
    common.SetProgramFolder(dir.Path());
    catalog = DetailedCatalog();
    ReaderRegistry registry;
    registry.Register(dkPostgres, ScriptedReader::Factory(catalog, &reader));
    browser = std::make_unique<TBrowser>(common, prompts, std::move(registry));
    LogonValues v;
    v.kind = dkPostgres;
    v.postgres.host = "127.0.0.1";
    v.postgres.databaseName = "sales";
    prompts.logonAnswers.push_back(v);
    browser->Connect();
    Set("exporttype", "2");
  }

  void Set(const std::string& key, const std::string& value) {
    ASSERT_TRUE(IniFile::Write(dir.File("Zel.ini"), "ExcelSet", key, value));
  }

  TTreeNode* Schema() {
    TTreeNode* db = FindChild(browser->TreeView1().Root(), "sales");
    if (!db) return nullptr;
    browser->TreeView1Change(*db);
    TTreeNode* schema = FindChild(db, "public");
    if (schema) browser->TreeView1Change(*schema);
    return schema;
  }

  // Exports the definitions (or the list) of public into `name`.
  std::string Export(const std::string& name, bool list = false,
                     std::optional<CatalogRead> read = std::nullopt) {
    const std::string target = dir.File(name);
    if (!Schema()) {
      ADD_FAILURE() << "no schema";
      return target;
    }
    TExporter exporter(*browser);
    exporter.read = read;
    exporter.OnNotice = [this](const std::string& line) { notices.push_back(line); };
    prompts.saveAnswers.push_back(target);
    if (list)
      exporter.TableListCommand();
    else
      exporter.DefinitionCommand();
    EXPECT_EQ(exporter.Runs().size(), 1u);
    if (!exporter.Runs().empty()) {
      EXPECT_TRUE(exporter.Runs().back().saved) << name;
    }
    for (const auto& m : prompts.messages) ADD_FAILURE() << m.text;
    if (SchemasAvailable()) {
      EXPECT_EQ(SchemaProblems(target), "") << name;
    }
    return target;
  }

  ScriptedPrompts prompts;
  TdCommon common;
  TempDir dir;
  FakeCatalog catalog;
  ScriptedReader* reader = nullptr;
  std::unique_ptr<TBrowser> browser;
  std::vector<std::string> notices;
};

}  // namespace

TEST_F(DetailedDocumentTest, DefinitionSheetCarriesDefaultsReferencesAndSections) {
  // The facts are read once for the whole schema, however its columns are.
  for (CatalogRead read : {CatalogRead::Bulk, CatalogRead::PerTable}) {
    const int before = reader->factReads;
    Export(read == CatalogRead::Bulk ? "bulk.xlsx" : "per-table.xlsx", false, read);
    EXPECT_EQ(reader->factReads - before, 1);
  }
  const WorkbookDump d = DumpWorkbook(dir.File("bulk.xlsx"));
  ASSERT_TRUE(d.ok()) << d.error;
  ExpectSameWorkbook(dir.File("bulk.xlsx"), dir.File("per-table.xlsx"), false);
  // The detailed document comes with its 目次 first, unless told otherwise.
  EXPECT_EQ(d["sheet.1"], "目次");
  EXPECT_EQ(d["sheet.2"], "customer");

  // A–I as the standard sheet, then J and K.
  EXPECT_EQ(d["customer!B7"], "s:列　　　名");
  EXPECT_EQ(d["customer!J7"], "s:デフォルト値");
  EXPECT_EQ(d["customer!K7"], "s:参照先");
  // The link back sits past the widened columns.
  EXPECT_EQ(d["customer!J1"], "");
  EXPECT_EQ(d["customer!L1"], "s:目次へ");
  EXPECT_EQ(d["customer!L1.link"], "'目次'!A1");
  EXPECT_EQ(d["customer!B9"], "s:code");
  // Defaults stay the server's text: never a number, a date or a formula.
  EXPECT_EQ(d["customer!J8"], "s:nextval('customer_id_seq'::regclass)");
  EXPECT_EQ(d["customer!J9"], "s:'=1'::text");
  EXPECT_EQ(d["customer!J10"], "s:0");
  EXPECT_EQ(d["customer!J11"], "s:-1");
  EXPECT_EQ(d["customer!J12"], "s:=1");
  EXPECT_EQ(d["customer!K9"], "s:other.codes.code\ncodes.code");
  EXPECT_EQ(d["customer!K8"], "");
  // 40,000 characters: cut to what a cell holds, and said where.
  const std::string big = d["customer!J13"];
  EXPECT_EQ(big.rfind("s:xxxx", 0), 0u);
  EXPECT_LT(big.size(), 32767u + 8);
  EXPECT_GT(big.size(), 32000u);
  bool told = false;
  for (const auto& n : notices) told |= n.find("big") != std::string::npos && n.find("32767") != std::string::npos;
  EXPECT_TRUE(told);
  // The column rows end in the band (row 67); a blank row, then the sections.
  EXPECT_EQ(d["customer!A68"], "");
  EXPECT_EQ(d["customer!A69"], "s:インデックス");
  const std::vector<std::pair<std::string, std::string>> index = {
      {"A70", "s:インデックス名"}, {"D70", "s:カラム"}, {"E70", "s:ユニーク"},
      {"G70", "s:主キー"}, {"I70", "s:種類"}, {"J70", "s:備考"},
      {"A71", "s:customer_code_idx"}, {"D71", "s:lower(code) DESC"}, {"E71", ""}, {"G71", ""},
      {"J71", "s:WHERE (rate > 0) INCLUDE (flag)"},
      {"A72", "s:customer_pkey"}, {"D72", "s:id"}, {"E72", "s:○"}, {"G72", "s:○"},
      {"I72", "s:btree"}, {"A73", ""},
      {"A74", "s:外部キー"}, {"A75", "s:制約名"}, {"E75", "s:参照先テーブル"}, {"I75", "s:参照先カラム"},
      {"J75", "s:削除時"}, {"K75", "s:更新時"},
      {"A76", "s:customer_code_fkey"}, {"D76", "s:code"}, {"E76", "s:other.codes"},
      {"I76", "s:code"}, {"J76", "s:CASCADE"}, {"K76", "s:NO ACTION"}, {"A77", ""},
      {"A78", "s:制約"}, {"A79", "s:制約名"}, {"D79", "s:種類"}, {"E79", "s:定義"},
      {"A80", "s:customer_code_key"}, {"D80", "s:UNIQUE"}, {"E80", "s:UNIQUE (code)"},
      {"A81", "s:customer_rate_check"}, {"D81", "s:CHECK"},
      {"E81", "s:CHECK ((rate >= (0)::numeric))"}, {"A82", ""}};
  for (const auto& [cell, value] : index) EXPECT_EQ(d["customer!" + cell], value) << cell;
  // Spans, frames and fonts as the heading row and the band have them.
  const std::string merges = d["customer.merges"];
  for (const char* m : {"A69:C69", "A70:C70", "E70:F70", "G70:H70", "J70:K70", "A71:C71",
                        "J72:K72", "E76:H76", "E81:K81"})
    EXPECT_NE(merges.find(m), std::string::npos) << m;
  EXPECT_EQ(d["customer!A70.font"], d["customer!A7.font"]);
  EXPECT_EQ(Sides(d["customer!A71.border"])[3], "hair");
  EXPECT_EQ(Sides(d["customer!A72.border"])[3], "thin");
  EXPECT_EQ(Sides(d["customer!A72.border"])[0], "thin");
  EXPECT_EQ(d["customer!E72.align"].rfind("center", 0), 0u);
  EXPECT_NE(d["customer.print_area"].find("$A$1:$K$81"), std::string::npos)
      << d["customer.print_area"];
  EXPECT_EQ(d["customer.print_titles"].find("1:7") != std::string::npos ||
                d["customer.print_titles"].find("$1:$7") != std::string::npos,
            true)
      << d["customer.print_titles"];

  // Given, but nothing of the kind: "なし" across the row.
  for (const auto& [cell, value] :
       std::vector<std::pair<std::string, std::string>>{{"A69", "s:インデックス"},
                                                        {"A70", "s:なし"},
                                                        {"A72", "s:外部キー"},
                                                        {"A73", "s:なし"},
                                                        {"A75", "s:制約"},
                                                        {"A76", "s:なし"},
                                                        {"J8", ""}})
    EXPECT_EQ(d["plain!" + cell], value) << cell;
  EXPECT_NE(d["plain.merges"].find("A76:K76"), std::string::npos);
  EXPECT_NE(d["plain.print_area"].find("$K$76"), std::string::npos) << d["plain.print_area"];

  // Longer than the band: the sections follow the last column row.
  EXPECT_EQ(d["wide!B77"], "s:c70");
  EXPECT_EQ(Sides(d["wide!A77.border"])[3], "thin");
  EXPECT_EQ(d["wide!A78"], "");
  EXPECT_EQ(d["wide!A79"], "s:インデックス");
  EXPECT_EQ(d["wide!A81"], "s:wide_pkey");
  EXPECT_EQ(Sides(d["wide!A81.border"])[3], "thin");
  EXPECT_EQ(d["wide!A84"], "s:なし");
  EXPECT_EQ(d["wide!A87"], "s:なし");
  EXPECT_NE(d["wide.print_area"].find("$K$87"), std::string::npos) << d["wide.print_area"];
}

TEST_F(DetailedDocumentTest, ServerThatCannotGiveTheFactsSaysSoInEachSection) {
  browser->Disconnect();
  ReaderRegistry registry;
  registry.Register(dkPostgres, [this](TBrowser& b) {
    auto r = std::make_unique<ScriptedReader>(b, catalog);
    r->givesFacts = false;
    reader = r.get();
    return r;
  });
  browser = std::make_unique<TBrowser>(common, prompts, std::move(registry));
  LogonValues v;
  v.kind = dkPostgres;
  v.postgres.host = "127.0.0.1";
  v.postgres.databaseName = "sales";
  prompts.logonAnswers.push_back(v);
  browser->Connect();

  const WorkbookDump d = DumpWorkbook(Export("none.xlsx"));
  ASSERT_TRUE(d.ok()) << d.error;
  for (const char* cell : {"A70", "A73", "A76"})
    EXPECT_EQ(d[std::string("customer!") + cell], "s:このサーバーでは取得できません") << cell;
  EXPECT_EQ(d["customer!J7"], "s:デフォルト値");
  EXPECT_EQ(d["customer!J9"], "");
  EXPECT_EQ(d["customer!K9"], "");

  const WorkbookDump list = DumpWorkbook(Export("none.list.xlsx", true));
  EXPECT_EQ(list[list["sheet.1"] + "!I7"], "s:種別");
  EXPECT_EQ(list[list["sheet.1"] + "!I8"], "");
}

TEST_F(DetailedDocumentTest, ListCarriesEachTablesKindFromOneRead) {
  const WorkbookDump d = DumpWorkbook(Export("detail.list.xlsx", true));
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(reader->kindReads, 1);
  const std::string s = d["sheet.1"];
  EXPECT_EQ(d[s + "!B7"], "s:テーブル名");
  EXPECT_EQ(d[s + "!I7"], "s:種別");
  EXPECT_EQ(d[s + "!B8"], "s:customer");
  EXPECT_EQ(d[s + "!I8"], "s:テーブル");
  EXPECT_EQ(d[s + "!I9"], "s:パーティション (customer)");
  EXPECT_EQ(d[s + "!B10"], "s:wide");
  EXPECT_EQ(d[s + "!I10"], "");  // not known
  EXPECT_EQ(Sides(d[s + "!I8.border"])[1], "thin");
  EXPECT_NE(d[s + ".print_area"].find("$A$1:$I$67"), std::string::npos) << d[s + ".print_area"];
  EXPECT_EQ(d[s + "!C3"], "s:public");  // the header block as the standard list's

  // The standard list of the same schema asks nothing of kinds.
  Set("exporttype", "0");
  const WorkbookDump standard = DumpWorkbook(Export("standard.list.xlsx", true));
  EXPECT_EQ(reader->kindReads, 1);
  EXPECT_EQ(standard[standard["sheet.1"] + "!I7"], "");
  EXPECT_EQ(standard[standard["sheet.1"] + ".print_area"].find("$I$"), std::string::npos);
}

TEST_F(DetailedDocumentTest, OwnModelTakesTheOptionalBodyItemsAsText) {
  const std::string model = dir.File("model.xlsx");
  WriteModelWorkbook(model);
  Set("exporttype", "1");
  Set("filename", model);
  Set("tablename", "1,2,C");
  Set("columnname", "1,10,B");
  Set("columndefault", "1,10,D");
  Set("references", "1,10,E");
  const WorkbookDump d = DumpWorkbook(Export("own.xlsx"), false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(reader->factReads, 1);
  EXPECT_EQ(d["customer!C2"], "s:customer");
  EXPECT_EQ(d["customer!B11"], "s:code");
  EXPECT_EQ(d["customer!D11"], "s:'=1'::text");
  EXPECT_EQ(d["customer!D12"], "s:0");
  EXPECT_EQ(d["customer!D13"], "s:-1");
  EXPECT_EQ(d["customer!E11"], "s:other.codes.code\ncodes.code");
  // No sections in a user's model.
  EXPECT_EQ(d["customer!A69"], "");

  // Without the two items the model's export reads no facts at all.
  Set("columndefault", "0,10,D");
  Set("references", "0,10,E");
  const WorkbookDump plain = DumpWorkbook(Export("own-plain.xlsx"), false);
  EXPECT_EQ(reader->factReads, 1);
  EXPECT_EQ(plain["customer!D11"], "");
}
