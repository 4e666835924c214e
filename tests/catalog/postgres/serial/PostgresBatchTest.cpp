// Runs alone (RUN_SERIAL): it needs to know exactly how many databases the
// server holds while it reads them in batches of 20.
#include <gtest/gtest.h>

#include "catalog/Browser.h"
#include "catalog/postgres/PostgresReader.h"
#include "support/PgFixture.h"
#include "support/ScriptedPrompts.h"

using namespace zel;
using zel::test::PgServer;
using zel::test::Psql;

namespace {

int DatabaseCount(const PgServer& srv) {
  std::string out;
  Psql(srv, "postgres", "select count(*) from pg_database", &out);
  return std::stoi(out);
}

int NodesAfterConnect(const PgServer& srv, std::vector<std::string>* statements) {
  zel::test::ScriptedPrompts prompts;
  TdCommon common(&prompts);
  ReaderRegistry registry;
  registry.Register(dkPostgres, [statements](TBrowser& b) {
    auto reader = std::make_unique<TPostgresReader>(b);
    reader->OnStatement = [statements](const std::string& sql) {
      statements->push_back(sql);
    };
    return reader;
  });
  TBrowser browser(common, prompts, std::move(registry));
  LogonValues v;
  v.kind = dkPostgres;
  v.postgres = {srv.user, srv.password, srv.host, srv.port, "postgres"};
  prompts.logonAnswers.push_back(v);
  browser.Connect();
  EXPECT_TRUE(browser.chkDbOK());
  return browser.TreeView1().Root() ? browser.TreeView1().Root()->ChildCount() : -1;
}

}  // namespace

TEST(PostgresBatches, DatabaseListCrossesEveryBatchEdge) {
  ZEL_REQUIRE_PG(srv);
  std::vector<std::string> created;
  int base = DatabaseCount(srv);
  ASSERT_LE(base, 19) << "other databases on the test server";
  int made = 0;
  // total -> FETCH statements expected for the database cursor
  for (auto [total, fetches] : {std::pair{19, 1}, {20, 2}, {21, 2}, {40, 3}, {45, 3}}) {
    while (base + made < total) {
      std::string name = "zel_batch_" + std::to_string(++made);
      Psql(srv, "postgres", "DROP DATABASE IF EXISTS " + name);
      ASSERT_EQ(Psql(srv, "postgres", "CREATE DATABASE " + name), 0);
      created.push_back(name);
    }
    ASSERT_EQ(DatabaseCount(srv), total);
    std::vector<std::string> statements;
    EXPECT_EQ(NodesAfterConnect(srv, &statements), total);
    EXPECT_EQ(std::count(statements.begin(), statements.end(), "FETCH 20 in mycursor2"), fetches)
        << "with " << total << " databases";
  }
  for (const auto& name : created) Psql(srv, "postgres", "DROP DATABASE IF EXISTS " + name);
}
