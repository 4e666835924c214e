// The run-time binding of libpq: the two failure messages, and that neither a
// missing library nor a missing entry point stops later calls from working.
#include <gtest/gtest.h>

#include "db/postgres/PQCompo.h"
#include "db/postgres/libpq_fe.h"
#include "PQTestSupport.h"

namespace zel {
namespace {

// Points the binding at another file for one test and back again after it.
class LibraryFileOverride {
 public:
  explicit LibraryFileOverride(const std::string& file) : saved_(libpq::LibraryFileName()) {
    libpq::SetLibraryFileName(file);
  }
  ~LibraryFileOverride() { libpq::SetLibraryFileName(saved_); }

 private:
  std::string saved_;
};

template <typename E, typename F>
std::string MessageOf(F&& action) {
  try {
    action();
  } catch (const E& e) {
    return e.what();
  }
  return "(nothing raised)";
}

TEST(LibpqBinding, OpensLibpqSo5ByDefault) {
  EXPECT_EQ(libpq::LibraryFileName(), "libpq.so.5");
}

TEST(LibpqBinding, MissingLibraryIsReportedOnEveryCallAndLoadedOnceAvailable) {
  {
    LibraryFileOverride missing("libzelmora-no-such-pq.so.5");
    TPQCompo pq;
    pq.Port = test::ClosedPort();
    EXPECT_EQ(MessageOf<PQDllLoadErr>([&] { pq.Open(); }), "libzelmora-no-such-pq.so.5 load failed.");
    EXPECT_FALSE(libpq::IsLoaded());
    // Nothing is remembered from the failure: the next call tries again.
    EXPECT_EQ(MessageOf<PQDllLoadErr>([&] { pq.Open(); }), "libzelmora-no-such-pq.so.5 load failed.");
    EXPECT_FALSE(pq.Connected());
    // A component that never connected has nothing to release.
    EXPECT_NO_THROW(pq.Close());
  }
  // Back on the real file the same kind of call reaches the library: a
  // refused connection is libpq's own answer.
  TPQCompo pq;
  pq.Host = "127.0.0.1";
  pq.Port = test::ClosedPort();
  EXPECT_THROW(pq.Open(), EPQConnectError);
  EXPECT_TRUE(libpq::IsLoaded());
}

TEST(LibpqBinding, MissingEntryPointNamesLibraryAndFunction) {
  {
    // zlib loads fine but exports nothing of libpq's.
    LibraryFileOverride wrong("libz.so.1");
    TPQCompo pq;
    EXPECT_EQ(MessageOf<DLLAddressErr>([&] { pq.Open(); }),
              "libz.so.1: function PQconnectStart not found.");
    EXPECT_TRUE(libpq::IsLoaded());
    EXPECT_EQ(MessageOf<DLLAddressErr>([] { libpq::PQstatus(nullptr); }),
              "libz.so.1: function PQstatus not found.");
    // Releasing notification records is optional: without PQfreemem the
    // record is left alone instead of failing the poll.
    int notMine = 0;
    EXPECT_NO_THROW(libpq::PQfreemem(&notMine));
  }
  // The addresses are looked up afresh after the switch back.
  TPQCompo pq;
  pq.Host = "127.0.0.1";
  pq.Port = test::ClosedPort();
  EXPECT_THROW(pq.Open(), EPQConnectError);
}

}  // namespace
}  // namespace zel
