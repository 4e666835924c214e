#pragma once
// The Oracle client: a session, the database it opens and the dynasets the
// database makes, with the few calls the catalog reader makes on them, over
// OCI (oci.h). Every failure raises EOleException with Oracle's message.
//
// A session owns an OCI environment in AL32UTF8, so names and comments
// arrive as UTF-8 whatever the database's character set, and in threaded
// mode, so sessions may live on worker threads (one session per thread).
// A database keeps its session's environment alive, so the objects may be
// released in any order.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/Variant.h"

namespace zel {

namespace detail {
struct OraEnvironment;
}

class OraDatabase;
class OraDynaset;

// What OpenDatabase logs on with, "user/password" joined only when shown:
// the two go to OCI as separate values, so a password holding "/" or "@"
// is never split.
struct OraConnectString {
  std::string user, password;
  std::string Text() const { return user + "/" + password; }
};

class OraSession {
 public:
  // Loads the client library and creates the environment.
  OraSession();
  ~OraSession();
  OraSession(const OraSession&) = delete;
  OraSession& operator=(const OraSession&) = delete;

  // Logs on. databaseName is OCI's connect identifier: an EZConnect text
  // (host:port/service) or a TNS alias. options: 0.
  std::unique_ptr<OraDatabase> OpenDatabase(const std::string& databaseName,
                                            const OraConnectString& connect, int options);

 private:
  std::shared_ptr<detail::OraEnvironment> env_;
};

class OraDatabase {
 public:
  ~OraDatabase();  // logs off unless closed
  OraDatabase(const OraDatabase&) = delete;
  OraDatabase& operator=(const OraDatabase&) = delete;

  // Runs the query and reads all its rows; the dynaset stands on the first.
  // options: 0.
  std::unique_ptr<OraDynaset> CreateDynaset(const std::string& sql, int options);
  // Logs off; later calls raise.
  void Close();
  bool IsOpen() const { return svc_ != nullptr; }

 private:
  friend class OraSession;
  OraDatabase(std::shared_ptr<detail::OraEnvironment> env, void* err, void* svc);

  std::shared_ptr<detail::OraEnvironment> env_;
  void* err_ = nullptr;  // OCIError*
  void* svc_ = nullptr;  // OCISvcCtx*
};

class OraField {
 public:
  explicit OraField(const std::optional<std::string>* cell) : cell_(cell) {}
  // The text of the value; TVariant::Null for SQL NULL.
  TVariant Value() const;

 private:
  const std::optional<std::string>* cell_;
};

class OraFields {
 public:
  explicit OraFields(int count) : count_(count) {}
  int Count() const { return count_; }

 private:
  int count_;
};

class OraDynaset {
 public:
  using Row = std::vector<std::optional<std::string>>;
  OraDynaset(int fieldCount, std::vector<Row> rows);

  int RecordCount() const;
  void MoveFirst();
  void MoveNext();
  bool Eof() const;
  // The field of the current row; raises past the last row, on a column
  // that does not exist, and after Close.
  OraField Fields(int index) const;
  OraFields Fields() const;
  void Close();

 private:
  void CheckOpen() const;

  int fieldCount_;
  std::vector<Row> rows_;
  size_t current_ = 0;
  bool closed_ = false;
};

}  // namespace zel
