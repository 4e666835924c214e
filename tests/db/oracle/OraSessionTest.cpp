// The Oracle client against the fake OCI library: the environment it asks
// for, logon values passed apart, dynasets that read every row with nulls
// and Japanese text intact, ORA- texts in the errors, values too long for
// the buffer, handles released, and the missing library's message.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "db/oracle/OraError.h"
#include "db/oracle/OraSession.h"
#include "db/oracle/oci.h"
#include "support/FakeOci.h"

using namespace zel;
using namespace zel::test;

namespace {

constexpr const char* kHost = "orahost:1521/ORCL";

std::string Message(const std::function<void()>& call) {
  try {
    call();
  } catch (const EOleException& e) {
    return e.what();
  }
  return "(no EOleException)";
}

bool RealClientInstalled() {
  void* h = dlopen("libclntsh.so", RTLD_NOW | RTLD_NOLOAD);
  if (!h) h = dlopen("libclntsh.so", RTLD_LAZY);
  if (h) dlclose(h);
  return h != nullptr;
}

}  // namespace

TEST(OraSession, ThreadedUtf8EnvironmentAndLogonValuesKeptApart) {
  FakeOci oci;
  oci.Logon("scott", "p/w@x", kHost);
  oci.Query("SELECT 1 FROM dual", {{"1"}});
  OraSession session;
  EXPECT_EQ(oci.Count("mode") & oci::OCI_THREADED, oci::OCI_THREADED);
  EXPECT_EQ(oci.Count("charset"), 873);
  EXPECT_EQ(oci.Count("ncharset"), 873);
  auto db = session.OpenDatabase(kHost, {"scott", "p/w@x"}, 0);
  ASSERT_TRUE(db->IsOpen());
  EXPECT_EQ(oci.Logons(), (std::vector<std::string>{"scott\tp/w@x\t" + std::string(kHost)}));
  EXPECT_EQ(OraConnectString({"scott", "p/w@x"}).Text(), "scott/p/w@x");
  // A TNS alias goes through as it stands, too.
  oci.Logon("scott", "p/w@x", "ORCL_ALIAS");
  EXPECT_NO_THROW(session.OpenDatabase("ORCL_ALIAS", {"scott", "p/w@x"}, 0));
}

TEST(OraSession, RefusedLogonCarriesOraclesMessage) {
  FakeOci oci;
  oci.Logon("scott", "tiger", kHost);
  OraSession session;
  EXPECT_EQ(Message([&] {
              session.OpenDatabase(kHost, {"scott", "wrong"}, 0);
            }),
            "ORA-01017: invalid username/password; logon denied");
  oci.LogonError("ORA-12154: TNS:could not resolve the connect identifier specified");
  EXPECT_EQ(Message([&] {
              session.OpenDatabase("nowhere", {"scott", "tiger"}, 0);
            }),
            "ORA-12154: TNS:could not resolve the connect identifier specified");
  EXPECT_EQ(oci.Sessions(), 0);
}

TEST(OraSession, DynasetReadsEveryRowWithNullsAndJapaneseText) {
  FakeOci oci;
  std::vector<FakeRow> many;
  for (int i = 0; i < 1500; ++i) many.push_back({std::to_string(i)});
  oci.Query("SELECT many", many);
  oci.Query("SELECT mixed", {{"顧客マスタ～①髙", std::nullopt, ""}, {std::nullopt, "b", "c"}});
  oci.Query("SELECT none", {}, 3);
  OraSession session;
  auto db = session.OpenDatabase(kHost, {"u", "p"}, 0);

  auto all = db->CreateDynaset("SELECT many", 0);
  EXPECT_EQ(all->RecordCount(), 1500);
  for (int i = 0; i < 1499; ++i) all->MoveNext();
  EXPECT_EQ(all->Fields(0).Value().text, "1499");
  all->MoveNext();
  EXPECT_TRUE(all->Eof());
  EXPECT_THROW(all->Fields(0), EOleException);
  all->MoveFirst();
  EXPECT_EQ(all->Fields(0).Value().text, "0");
  EXPECT_GE(oci.Count("prefetch"), 100) << "rows come many to a round trip";

  auto mixed = db->CreateDynaset("SELECT mixed", 0);
  EXPECT_EQ(mixed->Fields().Count(), 3);
  ASSERT_EQ(mixed->RecordCount(), 2);
  EXPECT_EQ(mixed->Fields(0).Value().kind, TVariant::Kind::Text);
  EXPECT_EQ(mixed->Fields(0).Value().text, "顧客マスタ～①髙");
  EXPECT_EQ(mixed->Fields(1).Value().kind, TVariant::Kind::Null);
  // An empty text is Oracle's NULL on a server, but what the client hands
  // over as text stays text.
  EXPECT_EQ(mixed->Fields(2).Value().kind, TVariant::Kind::Text);
  EXPECT_THROW(mixed->Fields(3), EOleException);
  mixed->MoveNext();
  EXPECT_EQ(mixed->Fields(0).Value().kind, TVariant::Kind::Null);
  EXPECT_EQ(mixed->Fields(1).Value().text, "b");
  mixed->Close();
  EXPECT_THROW(mixed->RecordCount(), EOleException);

  auto none = db->CreateDynaset("SELECT none", 0);
  EXPECT_EQ(none->RecordCount(), 0);
  EXPECT_EQ(none->Fields().Count(), 3);
  EXPECT_TRUE(none->Eof());
  EXPECT_EQ(oci.Statements(),
            (std::vector<std::string>{"SELECT many", "SELECT mixed", "SELECT none"}));
}

TEST(OraSession, FailuresRaiseWithOraText) {
  FakeOci oci;
  oci.Error("SELECT * FROM secret", "ORA-00942: table or view does not exist");
  OraSession session;
  auto db = session.OpenDatabase(kHost, {"u", "p"}, 0);
  EXPECT_EQ(Message([&] { db->CreateDynaset("SELECT * FROM secret", 0); }),
            "ORA-00942: table or view does not exist");
  // The database stays usable after a failed statement.
  oci.Query("SELECT 1 FROM dual", {{"1"}});
  EXPECT_EQ(db->CreateDynaset("SELECT 1 FROM dual", 0)->RecordCount(), 1);
  db->Close();
  EXPECT_FALSE(db->IsOpen());
  EXPECT_EQ(Message([&] { db->CreateDynaset("SELECT 1 FROM dual", 0); }),
            "The database is closed.");
}

TEST(OraSession, ValueLongerThanTheBufferRaisesInsteadOfBeingCut) {
  FakeOci oci;
  const std::string fits(65535, 'x'), tooLong(65536, 'y');
  oci.Query("SELECT fits", {{fits}});
  oci.Query("SELECT long", {{"a"}, {tooLong}});
  OraSession session;
  auto db = session.OpenDatabase(kHost, {"u", "p"}, 0);
  EXPECT_EQ(db->CreateDynaset("SELECT fits", 0)->Fields(0).Value().text, fits);
  const std::string message = Message([&] { db->CreateDynaset("SELECT long", 0); });
  EXPECT_NE(message.find("row 2"), std::string::npos) << message;
  EXPECT_NE(message.find("longer than 65535 bytes"), std::string::npos) << message;
}

TEST(OraSession, HandlesAreReleasedInAnyOrder) {
  FakeOci oci;
  oci.Query("SELECT 1 FROM dual", {{"1"}});
  {
    auto session = std::make_unique<OraSession>();
    auto db = session->OpenDatabase(kHost, {"u", "p"}, 0);
    auto dynaset = db->CreateDynaset("SELECT 1 FROM dual", 0);
    EXPECT_EQ(oci.Sessions(), 1);
    // The statement handle is gone once the rows are read.
    EXPECT_EQ(oci.Live(), 3) << "environment, error handle, service context";
    // The session first, as a reader replacing its objects does: the
    // database keeps the environment alive and still logs off cleanly.
    session.reset();
    EXPECT_EQ(dynaset->Fields(0).Value().text, "1");
    db.reset();
    EXPECT_EQ(oci.Sessions(), 0);
  }
  EXPECT_EQ(oci.Live(), 0);
}

TEST(OraSession, MissingLibraryOrEntryPointIsReported) {
  FakeOci oci;
  oci::SetLibraryFileName("/nonexistent/libclntsh.so");
  EXPECT_EQ(Message([] { OraSession s; }), "/nonexistent/libclntsh.so load failed.");
  // A library of another kind lacks the entry points.
  oci::SetLibraryFileName("libc.so.6");
  EXPECT_EQ(Message([] { OraSession s; }), "libc.so.6: function OCIEnvNlsCreate not found.");
  oci::UseStandardLibrary();
  if (!RealClientInstalled()) {
    EXPECT_EQ(Message([] { OraSession s; }), "libclntsh.so load failed.");
  }
}
