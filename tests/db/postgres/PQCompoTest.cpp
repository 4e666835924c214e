// TPQCompo against the test PostgreSQL server: connecting and its failures,
// statements and result sets, COPY, notices and text.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "PQTestSupport.h"
#include "db/postgres/PQCompo.h"
#include "support/PgFixture.h"

namespace zel {
namespace {

using test::PointAt;
using test::QueryOne;

template <typename E, typename F>
std::string MessageOf(F&& action) {
  try {
    action();
  } catch (const E& e) {
    return e.what();
  }
  return "(nothing raised)";
}

// Counts the component's events.
struct EventLog {
  int opens = 0;
  int closes = 0;
  std::vector<std::string> notices;
  void Attach(TPQCompo& c) {
    c.OnOpen = [this](TPQCompo&) { ++opens; };
    c.OnClose = [this](TPQCompo&) { ++closes; };
    c.OnNoticeMessage = [this](TPQCompo&, const std::string& msg) { notices.push_back(msg); };
  }
};

TEST(PQCompo, StartsClosedWithItsDefaults) {
  TPQCompo pq;
  EXPECT_EQ(pq.Host, "localhost");
  EXPECT_EQ(pq.Port, "5432");
  EXPECT_EQ(pq.NotificationInterval(), 1000);
  EXPECT_FALSE(pq.UseNotification());
  EXPECT_FALSE(pq.Connected());
  EXPECT_EQ(pq.ResultStatus(), 7);
  EXPECT_EQ(pq.ErrorMessage(), "");
  EXPECT_EQ(pq.ResultErrorMessage(), "");
  EXPECT_EQ(pq.GetResult(), nullptr);
}

TEST(PQCompo, ConnectionStringListsSetValuesInOrderEachFollowedByABlank) {
  TPQCompo pq;
  pq.Host.clear();
  pq.Port.clear();
  EXPECT_EQ(pq.ConnectionString(), "");

  pq.Host = "db1";
  pq.Port = "5433";
  pq.DataBaseName = "sales";
  pq.UserName = "scott";
  EXPECT_EQ(pq.ConnectionString(), "host=db1 port=5433 dbname=sales user=scott ");

  pq.HostAddr = "10.0.0.7";
  pq.UserPass = "a b";  // quoted, so the blank cannot start another keyword
  EXPECT_EQ(pq.ConnectionString(),
            "host=db1 hostaddr=10.0.0.7 port=5433 dbname=sales user=scott password='a b' ");
  pq.UserPass = "x dbname=postgres";
  pq.DataBaseName = "it's \\ mine";
  EXPECT_EQ(pq.ConnectionString(),
            "host=db1 hostaddr=10.0.0.7 port=5433 dbname='it\\'s \\\\ mine' user=scott "
            "password='x dbname=postgres' ");
}

TEST(PQCompo, NotificationIntervalTakesOnlyTwoTo59999) {
  TPQCompo pq;
  pq.SetNotificationInterval(1);
  EXPECT_EQ(pq.NotificationInterval(), 1000);
  pq.SetNotificationInterval(60000);
  EXPECT_EQ(pq.NotificationInterval(), 1000);
  pq.SetNotificationInterval(-5);
  EXPECT_EQ(pq.NotificationInterval(), 1000);
  pq.SetNotificationInterval(2);
  EXPECT_EQ(pq.NotificationInterval(), 2);
  pq.SetNotificationInterval(59999);
  EXPECT_EQ(pq.NotificationInterval(), 59999);
}

TEST(PQCompo, ClosedComponentRefusesStatementsAndCloseFiresNothing) {
  TPQCompo pq;
  EventLog log;
  log.Attach(pq);
  EXPECT_EQ(MessageOf<EPQInvalidOperation>([&] { pq.ExecSQL("select 1"); }), "not connected.");
  pq.Close();
  pq.Close();
  EXPECT_EQ(log.closes, 0);
  EXPECT_FALSE(pq.PutLine("x"));
}

TEST(PQCompo, OpenConnectsInUtf8AndCloseFiresOnCloseOnce) {
  ZEL_REQUIRE_PG(srv);
  TPQCompo pq;
  EventLog log;
  log.Attach(pq);
  PointAt(pq, srv);
  pq.Open();
  EXPECT_TRUE(pq.Connected());
  EXPECT_EQ(log.opens, 1);
  EXPECT_EQ(QueryOne(pq, "show client_encoding"), "UTF8");

  EXPECT_EQ(MessageOf<EPQInvalidOperation>([&] { pq.Open(); }), "already connected to database.");
  EXPECT_EQ(log.opens, 1);
  EXPECT_EQ(QueryOne(pq, "select 40 + 2"), "42");

  pq.Close();
  EXPECT_FALSE(pq.Connected());
  EXPECT_EQ(log.closes, 1);
  pq.Close();
  EXPECT_EQ(log.closes, 1);
  EXPECT_EQ(MessageOf<EPQInvalidOperation>([&] { pq.ExecSQL("select 1"); }), "not connected.");

  // The same component connects again.
  pq.Open();
  EXPECT_EQ(QueryOne(pq, "select current_user"), srv.user);
  EXPECT_EQ(log.opens, 2);
}

TEST(PQCompo, RefusedConnectionsRaiseConnectErrorWithLibpqText) {
  ZEL_REQUIRE_PG(srv);
  struct Case {
    const char* what;
    std::function<void(TPQCompo&)> set;
    const char* expected;
  };
  const std::vector<Case> cases = {
      // Quoted, a blank cannot smuggle in another keyword: the server sees
      // the whole text as the password and refuses it.
      {"password with a keyword in it", [](TPQCompo& c) { c.UserPass = "x dbname=postgres"; },
       "password authentication failed"},
      {"wrong password", [](TPQCompo& c) { c.UserPass = "wrong"; },
       "password authentication failed"},
      {"missing database", [](TPQCompo& c) { c.DataBaseName = "zel_no_such_database"; },
       "database \"zel_no_such_database\" does not exist"},
      {"nobody listening", [](TPQCompo& c) { c.Port = test::ClosedPort(); },
       "Connection refused"},
  };
  for (const Case& tc : cases) {
    SCOPED_TRACE(tc.what);
    TPQCompo pq;
    EventLog log;
    log.Attach(pq);
    PointAt(pq, srv);
    tc.set(pq);
    const std::string message = MessageOf<EPQConnectError>([&] { pq.Open(); });
    EXPECT_NE(message.find(tc.expected), std::string::npos) << message;
    EXPECT_FALSE(pq.Connected());
    EXPECT_EQ(log.opens, 0);
    // The failed handle was finished through Close.
    EXPECT_EQ(log.closes, 1);
    EXPECT_EQ(pq.ErrorMessage(), "");
  }
}

class PQCompoOpen : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!test::PgAvailable(srv_)) {
      if (test::ServersRequired()) FAIL() << "PostgreSQL test server not running";
      GTEST_SKIP() << "PostgreSQL test server not running (ZEL_PG_PORT unset)";
    }
    log_.Attach(pq_);
    PointAt(pq_, srv_);
    pq_.Open();
  }

  test::PgServer srv_;
  TPQCompo pq_;
  EventLog log_;
};

TEST_F(PQCompoOpen, BeginLeavesCommandOkAndNoResultSet) {
  pq_.ExecSQL("BEGIN");
  EXPECT_EQ(pq_.ResultStatus(), 1);
  EXPECT_EQ(pq_.GetResult(), nullptr);
  EXPECT_EQ(pq_.ResultStatus(), 1);  // kept
  pq_.ExecSQL("COMMIT");
}

TEST_F(PQCompoOpen, CursorBatchesReadRowByRowAndEndWithAnEmptyFetch) {
  pq_.ExecSQL("BEGIN");
  pq_.ExecSQL("DECLARE mycursor CURSOR for select g, 'row ' || g from generate_series(1, 40) g");
  std::vector<std::string> seen;
  std::vector<int> batchSizes;
  for (;;) {
    pq_.ExecSQL("FETCH 20 in mycursor");
    auto rs = pq_.GetResult();
    ASSERT_NE(rs, nullptr);
    EXPECT_EQ(pq_.GetResult(), nullptr) << "handed over once only";
    EXPECT_EQ(rs->FieldCount(), 2);
    batchSizes.push_back(rs->RowCount());
    if (rs->RowCount() == 0) {
      EXPECT_TRUE(rs->Eof());
      break;
    }
    while (!rs->Eof()) {
      seen.push_back(rs->Fields(0).AsString() + "/" + rs->Fields(1).AsString());
      rs->Next();
    }
  }
  pq_.ExecSQL("COMMIT");
  EXPECT_EQ(batchSizes, (std::vector<int>{20, 20, 0}));
  ASSERT_EQ(seen.size(), 40u);
  EXPECT_EQ(seen.front(), "1/row 1");
  EXPECT_EQ(seen.back(), "40/row 40");
  EXPECT_EQ(pq_.OpenResultsetCount(), 0u);  // each freed result set unlisted itself
}

TEST_F(PQCompoOpen, NextStopsAtTheEndAndNullsReadEmpty) {
  pq_.ExecSQL("select 'a', null::text union all select 'b', 'x'");
  auto rs = pq_.GetResult();
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(rs->Fields(1).AsString(), "");
  rs->Next();
  EXPECT_FALSE(rs->Eof());
  EXPECT_EQ(rs->Fields(0).AsString(), "b");
  EXPECT_EQ(rs->Fields(1).AsString(), "x");
  rs->Next();
  EXPECT_TRUE(rs->Eof());
  EXPECT_EQ(rs->CurrentRow(), 2);
  EXPECT_EQ(rs->Fields(0).AsString(), "");
  EXPECT_EQ(MessageOf<EPQInvalidOperation>([&] { rs->Next(); }), "there is no more records.");
  EXPECT_EQ(rs->CurrentRow(), 2);
  EXPECT_THROW(rs->Fields(2), EPQInvalidOperation);
  EXPECT_THROW(rs->Fields(-1), EPQInvalidOperation);
}

TEST_F(PQCompoOpen, FailingStatementRaisesServerTextAndKeepsItsResult) {
  const std::string message =
      MessageOf<EPQError>([&] { pq_.ExecSQL("select * from zel_no_such_table"); });
  EXPECT_NE(message.find("relation \"zel_no_such_table\" does not exist"), std::string::npos)
      << message;
  EXPECT_EQ(pq_.ResultStatus(), 7);
  EXPECT_EQ(pq_.ResultErrorMessage(), message);
  EXPECT_EQ(pq_.GetResult(), nullptr);
  EXPECT_TRUE(pq_.Connected());

  // Inside a block the failure leaves the block aborted until it is ended.
  pq_.ExecSQL("BEGIN");
  EXPECT_THROW(pq_.ExecSQL("select 1/0"), EPQError);
  EXPECT_NE(MessageOf<EPQError>([&] { pq_.ExecSQL("select 1"); }).find("aborted"),
            std::string::npos);
  pq_.ExecSQL("ROLLBACK");
  EXPECT_EQ(QueryOne(pq_, "select 1"), "1");
  EXPECT_EQ(pq_.ResultErrorMessage(), "");
}

TEST_F(PQCompoOpen, EmptyOrTruncatedStatementsAreRefused) {
  EXPECT_EQ(MessageOf<EPQError>([&] { pq_.ExecSQL(""); }), "empty query.");
  EXPECT_EQ(pq_.ResultStatus(), 0);

  // libpq would run only the part before the NUL.
  pq_.ExecSQL("create temp table t (n int)");
  pq_.ExecSQL("insert into t values (1), (2)");
  const std::string withNul = std::string("delete from t") + '\0' + " where n = 1";
  EXPECT_THROW(pq_.ExecSQL(withNul), EPQError);
  EXPECT_EQ(QueryOne(pq_, "select count(*) from t"), "2");
}

TEST_F(PQCompoOpen, CloseReleasesResultSetsTheCallersStillHold) {
  pq_.ExecSQL("select 1");
  auto first = pq_.GetResult();
  pq_.ExecSQL("select 2");
  auto second = pq_.GetResult();
  pq_.ExecSQL("select 3");
  {
    auto third = pq_.GetResult();
    EXPECT_EQ(pq_.OpenResultsetCount(), 3u);
  }
  EXPECT_EQ(pq_.OpenResultsetCount(), 2u);
  EXPECT_EQ(first->Fields(0).AsString(), "1");

  pq_.Close();
  EXPECT_EQ(pq_.OpenResultsetCount(), 0u);
  EXPECT_FALSE(first->IsOpen());
  EXPECT_FALSE(second->IsOpen());
  EXPECT_THROW(first->RowCount(), EPQInvalidOperation);
  EXPECT_THROW(second->Fields(0).AsString(), EPQInvalidOperation);
  EXPECT_THROW(second->Eof(), EPQInvalidOperation);
  // Freeing them now touches neither the component nor libpq.
  first.reset();
  second.reset();
}

TEST(PQCompoLifetime, ResultSetMayOutliveItsComponent) {
  ZEL_REQUIRE_PG(srv);
  std::unique_ptr<TPQResultset> kept;
  {
    TPQCompo pq;
    PointAt(pq, srv);
    pq.Open();
    pq.ExecSQL("select 'still here'");
    kept = pq.GetResult();
    ASSERT_NE(kept, nullptr);
  }
  EXPECT_FALSE(kept->IsOpen());
  EXPECT_THROW(kept->Next(), EPQInvalidOperation);
  kept.reset();
}

TEST_F(PQCompoOpen, CopyInSendsLinesAndTheTerminator) {
  pq_.ExecSQL("create temp table c (id int, txt text)");
  pq_.ExecSQL("COPY c FROM STDIN");
  EXPECT_EQ(pq_.ResultStatus(), 4);
  EXPECT_TRUE(pq_.PutLine("1\tone"));
  EXPECT_TRUE(pq_.PutLine("2\t髙橋～①😀\n"));  // a line feed of its own is not doubled
  EXPECT_TRUE(pq_.PutLine("3\t\\N"));
  pq_.EndCopy();
  pq_.ExecSQL("select id, coalesce(txt, '<null>') from c order by id");
  auto rs = pq_.GetResult();
  ASSERT_NE(rs, nullptr);
  ASSERT_EQ(rs->RowCount(), 3);
  std::vector<std::string> rows;
  for (; !rs->Eof(); rs->Next()) rows.push_back(rs->Fields(0).AsString() + ":" + rs->Fields(1).AsString());
  EXPECT_EQ(rows, (std::vector<std::string>{"1:one", "2:髙橋～①😀", "3:<null>"}));
}

TEST_F(PQCompoOpen, EmptyPutLineSendsOneLineFeed) {
  pq_.ExecSQL("create temp table e (txt text)");
  pq_.ExecSQL("COPY e FROM STDIN");
  EXPECT_TRUE(pq_.PutLine(""));
  pq_.EndCopy();
  // One line holding nothing: one row with the empty text, not a null.
  pq_.ExecSQL("select count(*), count(txt), max(length(txt)) from e");
  auto rs = pq_.GetResult();
  ASSERT_NE(rs, nullptr);
  EXPECT_EQ(rs->Fields(0).AsString(), "1");
  EXPECT_EQ(rs->Fields(1).AsString(), "1");
  EXPECT_EQ(rs->Fields(2).AsString(), "0");
}

TEST_F(PQCompoOpen, RejectedCopyIsReportedByEndCopy) {
  pq_.ExecSQL("create temp table n (id int)");
  pq_.ExecSQL("COPY n FROM STDIN");
  EXPECT_TRUE(pq_.PutLine("1"));
  EXPECT_TRUE(pq_.PutLine("not a number"));
  const std::string message = MessageOf<EPQError>([&] { pq_.EndCopy(); });
  EXPECT_NE(message.find("invalid input syntax"), std::string::npos) << message;
  EXPECT_EQ(QueryOne(pq_, "select count(*) from n"), "0");
}

TEST_F(PQCompoOpen, CopyOutIsEndedWithoutReadingItsData) {
  pq_.ExecSQL("COPY (select g from generate_series(1, 1000) g) TO STDOUT");
  EXPECT_EQ(pq_.ResultStatus(), 3);
  pq_.EndCopy();
  EXPECT_EQ(QueryOne(pq_, "select 'next'"), "next");
}

TEST(PQCompoLifetime, CloseEndsAnOpenCopyIn) {
  ZEL_REQUIRE_PG(srv);
  test::PgDatabases databases(srv);
  const std::string db = databases.Create("zel_pq_copy");
  TPQCompo pq;
  PointAt(pq, srv, db);
  pq.Open();
  pq.ExecSQL("create table copied (id int)");
  pq.ExecSQL("COPY copied FROM STDIN");
  EXPECT_TRUE(pq.PutLine("1"));
  EXPECT_TRUE(pq.PutLine("2"));
  pq.Close();
  EXPECT_FALSE(pq.Connected());

  pq.Open();
  EXPECT_EQ(QueryOne(pq, "select string_agg(id::text, ',' order by id) from copied"), "1,2");
  pq.Close();
}

TEST_F(PQCompoOpen, NoticesReachOnNoticeMessageWithTheirText) {
  pq_.ExecSQL("DO $$ BEGIN RAISE NOTICE 'zel notice ①'; RAISE WARNING 'zel warning'; END $$");
  ASSERT_EQ(log_.notices.size(), 2u);
  EXPECT_EQ(log_.notices[0], "NOTICE:  zel notice ①\n");
  EXPECT_EQ(log_.notices[1], "WARNING:  zel warning\n");
  EXPECT_EQ(pq_.ResultStatus(), 1);
}

TEST_F(PQCompoOpen, NoticeHandlerErrorsSurfaceAfterTheStatement) {
  pq_.ExecSQL("create temp table h (n int)");
  pq_.OnNoticeMessage = [](TPQCompo&, const std::string&) {
    throw std::runtime_error("handler failed");
  };
  EXPECT_EQ(MessageOf<std::runtime_error>([&] {
              pq_.ExecSQL("DO $$ BEGIN insert into h values (1); RAISE NOTICE 'n'; END $$");
            }),
            "handler failed");
  // The statement itself ran to the end.
  pq_.OnNoticeMessage = nullptr;
  EXPECT_EQ(QueryOne(pq_, "select count(*) from h"), "1");

  // A handler that reaches back into the connection while libpq is busy
  // with it is refused instead of corrupting the exchange.
  pq_.OnNoticeMessage = [](TPQCompo& sender, const std::string&) { sender.ExecSQL("select 1"); };
  EXPECT_EQ(MessageOf<EPQInvalidOperation>([&] { pq_.ExecSQL("DO $$ BEGIN RAISE NOTICE 'n'; END $$"); }),
            "the connection is busy.");
  pq_.OnNoticeMessage = nullptr;
  EXPECT_EQ(QueryOne(pq_, "select 'fine'"), "fine");
}

TEST_F(PQCompoOpen, TextRoundTripsUnchanged) {
  const std::vector<std::string> samples = {"😀", "～", "①", "髙", "ｱｲｳ", "テーブル定義書",
                                            "tab\there", "é ß €"};
  pq_.ExecSQL("create temp table u (id int, txt text)");
  for (std::size_t i = 0; i < samples.size(); ++i) {
    pq_.ExecSQL("insert into u values (" + std::to_string(i) + ", '" + samples[i] + "')");
  }
  pq_.ExecSQL("select txt, length(txt) from u order by id");
  auto rs = pq_.GetResult();
  ASSERT_NE(rs, nullptr);
  ASSERT_EQ(rs->RowCount(), static_cast<int>(samples.size()));
  for (std::size_t i = 0; i < samples.size(); ++i, rs->Next()) {
    EXPECT_EQ(rs->Fields(0).AsString(), samples[i]);
  }
  // One character each, as the server counts them: nothing was re-encoded.
  EXPECT_EQ(QueryOne(pq_, "select string_agg(length(txt)::text, ',' order by id) from u where id < 4"),
            "1,1,1,1");
}

TEST(PQCompoLifetime, DroppedConnectionIsFinishedByTheNextOpen) {
  ZEL_REQUIRE_PG(srv);
  TPQCompo pq;
  EventLog log;
  log.Attach(pq);
  PointAt(pq, srv);
  pq.Open();
  const std::string pid = QueryOne(pq, "select pg_backend_pid()");
  pq.ExecSQL("select 'kept'");
  auto held = pq.GetResult();

  TPQCompo killer;
  PointAt(killer, srv);
  killer.Open();
  EXPECT_EQ(QueryOne(killer, "select pg_terminate_backend(" + pid + ")"), "t");

  EXPECT_THROW(pq.ExecSQL("select 1"), EPQError);
  EXPECT_FALSE(pq.Connected());
  EXPECT_EQ(MessageOf<EPQInvalidOperation>([&] { pq.ExecSQL("select 1"); }), "not connected.");

  pq.Open();
  EXPECT_EQ(log.closes, 1);  // the dead handle was closed first
  EXPECT_FALSE(held->IsOpen());
  EXPECT_TRUE(pq.Connected());
  EXPECT_NE(QueryOne(pq, "select pg_backend_pid()"), pid);
}

}  // namespace
}  // namespace zel
