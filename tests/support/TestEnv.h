#pragma once
// Temporary folders and the loopback servers that scripts/test starts.
#include <string>

namespace zel::test {

// A fresh folder under the system temp folder, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& data);
bool FileExists(const std::string& path);
// The built-in xlsx template `name` written into `dir` as name + ".xlsx".
std::string PlaceTemplate(const TempDir& dir, const std::string& name);
// How often `what` stands in `text` (overlapping counted).
int CountOf(const std::string& text, const std::string& what);

struct PgServer {
  std::string host, port, user, password;
};

// The test PostgreSQL server, or nothing when it is not running; then the
// calling test skips, unless ZEL_REQUIRE_SERVERS is set, when it fails.
bool PgAvailable(PgServer& out);
#define ZEL_REQUIRE_PG(var) \
  ::zel::test::PgServer var;  \
  ZEL_SKIP_WITHOUT_PG(var)
// The same for a server the test already holds (a fixture's member).
#define ZEL_SKIP_WITHOUT_PG(var)                                                        \
  if (!::zel::test::PgAvailable(var)) {                                                 \
    if (::zel::test::ServersRequired()) FAIL() << "PostgreSQL test server not running"; \
    GTEST_SKIP() << "PostgreSQL test server not running (ZEL_PG_PORT unset)";           \
  }
bool ServersRequired();

struct MariaServer {
  std::string host, port, user, password;
  std::string generalLog;  // the server's log of every statement
  std::string startScript;  // starts the server again after a shutdown
};

// The test MariaDB server (scripts/test starts it), as ZEL_REQUIRE_PG.
bool MariaAvailable(MariaServer& out);
#define ZEL_REQUIRE_MARIA(var) \
  ::zel::test::MariaServer var;  \
  ZEL_SKIP_WITHOUT_MARIA(var)
#define ZEL_SKIP_WITHOUT_MARIA(var)                                                  \
  if (!::zel::test::MariaAvailable(var)) {                                           \
    if (::zel::test::ServersRequired()) FAIL() << "MariaDB test server not running"; \
    GTEST_SKIP() << "MariaDB test server not running (ZEL_MARIA_PORT unset)";        \
  }

// The text as one word of a shell command line.
std::string ShellQuote(const std::string& text);

// The threads of this process now called `name` (tests that check no
// worker of ours outlives a run; Qt and the client libraries start threads
// of their own whenever they like, so the whole count proves nothing).
int ThreadCount(const char* name);

// Runs a shell command; returns its exit status and collects its output.
int RunCommand(const std::string& command, std::string* output = nullptr);

}  // namespace zel::test
