// The MySQL client binding and TMySQL5 against the real MariaDB test server
// through Debian's MariaDB Connector/C.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

#include "db/DynamicLibrary.h"
#include "db/mysql/MySQL5.h"
#include "db/mysql/mysql.h"
#include "support/MariaFixture.h"

using namespace zel;
using namespace zel::test;

namespace {

// Every entry point TMySQL5 calls.
const char* const kCalled[] = {"mysql_init",       "mysql_options",     "mysql_real_connect",
                               "mysql_real_query", "mysql_query",       "mysql_use_result",
                               "mysql_field_count", "mysql_fetch_row",  "mysql_close",
                               "mysql_errno",      "mysql_error",       "mysql_free_result",
                               "mysql_real_escape_string"};

size_t IndexOf(const char* name) {
  const auto& names = mysql::EntryNames();
  for (size_t i = 0; i < names.size(); ++i)
    if (std::strcmp(names[i], name) == 0) return i;
  return names.size();
}

TEST(MySqlLibrary, LoadsTheFirstCandidateAndRecordsHowFarItGot) {
  ASSERT_EQ(mysql::EntryNames().size(), 57u);
  EXPECT_STREQ(mysql::EntryNames().front(), "mysql_num_rows");
  EXPECT_STREQ(mysql::EntryNames().back(), "mysql_thread_safe");

  const std::uint8_t status = mysql::LoadMySQLLibrary();
  EXPECT_EQ(mysql::LibraryFileName(), "libmariadb.so.3");
  size_t missing = 0;
  for (size_t i = 0; i < mysql::EntryNames().size(); ++i)
    if (!mysql::EntryAddress(i)) ++missing;
  // Connector/C leaves out the ODBC helpers and the long-removed calls;
  // then the status is 2, and 3 only when nothing is missing.
  EXPECT_EQ(status, missing == 0 ? mysql::lsAllResolved : mysql::lsSomeMissing);
  EXPECT_EQ(mysql::MySQLLoadStatus(), status);
  EXPECT_EQ(mysql::EntryAddress(IndexOf("mysql_odbc_escape_string")), nullptr);
  for (const char* name : kCalled) {
    ASSERT_LT(IndexOf(name), 57u) << name;
    EXPECT_NE(mysql::EntryAddress(IndexOf(name)), nullptr) << name;
  }
}

TEST(MySqlLibrary, AMissingFileIsStatusOneAndTheComponentSaysWhichCallIsMissing) {
  EXPECT_EQ(mysql::LoadMySQLLibrary("libzel-no-such-client.so.3"), mysql::lsLoadFailed);
  EXPECT_EQ(mysql::MySQLLoadStatus(), mysql::lsLoadFailed);
  EXPECT_EQ(mysql::LibraryFileName(), "libzel-no-such-client.so.3");
  for (size_t i = 0; i < mysql::EntryNames().size(); ++i)
    EXPECT_EQ(mysql::EntryAddress(i), nullptr) << i;
  {
    TMySQL5 c;
    try {
      c.Connect("127.0.0.1", "u", "p", 3306);
      ADD_FAILURE() << "Connect without a library went ahead";
    } catch (const mysql::EMySQLEntryMissing& e) {
      EXPECT_STREQ(e.what(), "libzel-no-such-client.so.3: function mysql_init not found.");
    }
    EXPECT_FALSE(c.Connected());
  }
  // A thread guard without a library does nothing.
  { mysql::TMySQLThread thread; }

  mysql::UnloadMySQLLibrary();
  EXPECT_EQ(mysql::MySQLLoadStatus(), mysql::lsNotLoaded);
  // Loading without a name tries the platform's candidates again.
  EXPECT_GE(mysql::LoadMySQLLibrary(), mysql::lsSomeMissing);
  EXPECT_EQ(mysql::LibraryFileName(), "libmariadb.so.3");
}

TEST(MySqlLibrary, EveryEntryFoundIsStatusThreeAndAHandleThatCannotBeMadeRaises) {
  using Count = int (*)(const char*);
  EXPECT_EQ(mysql::LoadMySQLLibrary(ZEL_FAKE_MYSQL_CLIENT), mysql::lsAllResolved);
  DynamicLibrary same;
  ASSERT_TRUE(same.Open(ZEL_FAKE_MYSQL_CLIENT)) << same.LastError();
  auto count = reinterpret_cast<Count>(same.Symbol("zel_fake_count"));
  ASSERT_NE(count, nullptr);
  // The library's one-time set-up ran at load, before any connection.
  EXPECT_EQ(count("server_init"), 1);
  {
    TMySQL5 c;
    try {
      c.Connect("127.0.0.1", "u", "p", 3306);
      ADD_FAILURE() << "Connect without a handle went ahead";
    } catch (const EMySQLError& e) {
      EXPECT_STREQ(e.what(), "Couldn't init PMYSQL object");
    }
    EXPECT_EQ(c.LastError(), "Couldn't init PMYSQL object");
    EXPECT_FALSE(c.Connected());
  }
  // A worker thread announces itself to the library and signs off.
  std::thread([] { mysql::TMySQLThread thread; }).join();
  EXPECT_EQ(count("thread_init"), 1);
  EXPECT_EQ(count("thread_end"), 1);
  mysql::UnloadMySQLLibrary();
  EXPECT_EQ(count("server_end"), 1);
  EXPECT_EQ(mysql::MySQLLoadStatus(), mysql::lsNotLoaded);
  EXPECT_GE(mysql::LoadMySQLLibrary(), mysql::lsSomeMissing);
}

class MySQL5Test : public ::testing::Test {
 protected:
  void SetUp() override {
    ZEL_SKIP_WITHOUT_MARIA(srv);
    EnsureMySqlLibrary();
    c.Connect(srv.host, srv.user, srv.password, std::stoi(srv.port));
    ASSERT_TRUE(c.Connected()) << c.LastError();
  }

  // The rows of a statement on a fresh component.
  std::vector<std::vector<std::string>> Rows(const std::string& sql) {
    TMySQL5 q;
    q.Connect(srv.host, srv.user, srv.password, std::stoi(srv.port));
    q.Query(sql);
    std::vector<std::vector<std::string>> out;
    for (int r = 1; r <= q.RecordCount(); ++r) {
      q.SetRecord(r);
      auto& row = out.emplace_back();
      for (int f = 1; f <= q.FieldCount(); ++f) row.push_back(q.GetField(f));
    }
    return out;
  }

  MariaServer srv;
  TMySQL5 c;
};

TEST_F(MySQL5Test, TwelveColumnsAreCutToTenAndFieldNumbersOutsideRaise) {
  c.Query("select 1,2,3,4,5,6,7,8,9,10,11,12");
  EXPECT_EQ(c.FieldCount(), 10);
  ASSERT_EQ(c.RecordCount(), 1);
  c.SetRecord(1);
  EXPECT_EQ(c.GetField(1), "1");
  EXPECT_EQ(c.GetField(10), "10");
  for (int bad : {11, 0, -1}) {
    try {
      c.GetField(bad);
      ADD_FAILURE() << "GetField(" << bad << ") did not raise";
    } catch (const EMySQLError& e) {
      EXPECT_STREQ(e.what(), "Error: Out of range Field Index");
    }
    EXPECT_EQ(c.LastError(), "Error: Out of range Field Index");
  }
}

TEST_F(MySQL5Test, EveryRowIsHeldAndRowsOfLaterStatementsAreAppended) {
  c.Query("select seq, concat('r', seq) from mysql.seq_1_to_600");
  EXPECT_EQ(c.RecordCount(), 600);
  c.SetRecord(600);
  EXPECT_EQ(c.GetField(2), "r600");
  c.Query("select 'next', 'x'");
  EXPECT_EQ(c.RecordCount(), 601);
  c.SetRecord(601);
  EXPECT_EQ(c.GetField(1), "next");
  // A statement without rows adds none.
  c.Query("select 1 from dual where 1 = 0");
  EXPECT_EQ(c.RecordCount(), 601);
  // The connection is free for the next statement: the result was read to
  // its end and released.
  c.Query("select 'after'");
  EXPECT_EQ(c.RecordCount(), 602);
}

TEST_F(MySQL5Test, SetRecordOutsideTheRowsKeepsTheCurrentRow) {
  c.Query("select seq from mysql.seq_1_to_3");
  ASSERT_EQ(c.RecordCount(), 3);
  // No row current yet: the empty text.
  EXPECT_EQ(c.GetField(1), "");
  c.SetRecord(2);
  for (int bad : {0, -1, 4}) {
    c.SetRecord(bad);
    EXPECT_EQ(c.GetField(1), "2") << bad;
  }
  c.SetRecord(3);
  EXPECT_EQ(c.GetField(1), "3");
}

TEST_F(MySQL5Test, NullReadsAsEmptyTextAndJapaneseArrivesUnchanged) {
  const std::string japanese = "～①髙ｱ";
  c.Query("select null, '', '" + japanese + "', @@character_set_client, @@character_set_results");
  c.SetRecord(1);
  EXPECT_EQ(c.GetField(1), "");
  EXPECT_EQ(c.GetField(2), "");
  EXPECT_EQ(c.GetField(3), japanese);
  EXPECT_EQ(c.GetField(4), "utf8mb4");
  EXPECT_EQ(c.GetField(5), "utf8mb4");
  EXPECT_EQ(c.CharsetStatement(), "SET NAMES utf8mb4;");
}

TEST_F(MySQL5Test, FailingStatementsRaiseWithNumberAndTextAndKeepTheRows) {
  c.Query("select 'kept'");
  try {
    c.Query("selec nothing");
    ADD_FAILURE() << "a syntax error did not raise";
  } catch (const EMySQLError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("1064 - ", 0), 0u) << e.what();
    EXPECT_EQ(c.LastError(), e.what());
  }
  // Not a query: no result set to read, and no error number either.
  try {
    c.Query("set @zel_x = 1");
    ADD_FAILURE() << "a statement without a result set did not raise";
  } catch (const EMySQLError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("0 - ", 0), 0u) << e.what();
  }
  EXPECT_EQ(c.RecordCount(), 1);
  c.SetRecord(1);
  EXPECT_EQ(c.GetField(1), "kept");
}

TEST_F(MySQL5Test, AWrongPasswordLeavesItDisconnectedWithTheServersRefusal) {
  TMySQL5 bad;
  bad.Connect(srv.host, srv.user, "wrong", std::stoi(srv.port));
  EXPECT_FALSE(bad.Connected());
  EXPECT_EQ(bad.LastError().rfind("1045 - ", 0), 0u) << bad.LastError();
  // A statement on it raises with the reason the connection failed.
  try {
    bad.Query("select 1");
    ADD_FAILURE() << "Query on a failed connection did not raise";
  } catch (const EMySQLError& e) {
    EXPECT_EQ(std::string(e.what()).rfind("1045 - ", 0), 0u) << e.what();
  }
  // Nothing listens on port 1.
  TMySQL5 none;
  none.ConnectTimeout = 5;
  none.Connect("127.0.0.1", srv.user, srv.password, 1);
  EXPECT_FALSE(none.Connected());
  EXPECT_EQ(none.LastError().rfind("2002 - ", 0), 0u) << none.LastError();
  none.Close();
  none.Close();
  EXPECT_FALSE(none.Connected());
}

TEST_F(MySQL5Test, EscapedNamesStayInsideTheirLiteralInBothQuotingModes) {
  const std::string nasty = "a'b\\c; d\"e\\'";
  for (const char* mode : {"", "NO_BACKSLASH_ESCAPES"}) {
    TMySQL5 q;
    q.Connect(srv.host, srv.user, srv.password, std::stoi(srv.port));
    ASSERT_TRUE(q.Connected());
    // SET runs, then raises for want of a result set.
    EXPECT_THROW(q.Query(std::string("set session sql_mode = '") + mode + "'"), EMySQLError);
    q.Query("select '" + q.EscapeString(nasty) + "', @@session.sql_mode");
    ASSERT_EQ(q.RecordCount(), 1) << mode;
    q.SetRecord(1);
    EXPECT_EQ(q.GetField(1), nasty) << mode;
    EXPECT_EQ(q.GetField(2), mode);
  }
}

TEST_F(MySQL5Test, CloseReleasesTheConnectionAndASecondConnectStartsOver) {
  auto idOf = [](TMySQL5& q) {
    q.Query("select connection_id()");
    q.SetRecord(q.RecordCount());
    return q.GetField(1);
  };
  auto alive = [this](const std::string& id) {
    // The server notices a closed connection a moment after the client.
    for (int i = 0; i < 50; ++i) {
      if (Rows("select count(*) from information_schema.processlist where id = " + id)[0][0] ==
          "0")
        return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
  };
  const std::string first = idOf(c);
  c.Connect(srv.host, srv.user, srv.password, std::stoi(srv.port));
  ASSERT_TRUE(c.Connected());
  const std::string second = idOf(c);
  EXPECT_NE(first, second);
  EXPECT_FALSE(alive(first));
  c.Close();
  EXPECT_FALSE(c.Connected());
  c.Close();
  EXPECT_FALSE(alive(second));
}

}  // namespace
