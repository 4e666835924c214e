#pragma once
// Databases on the test PostgreSQL server made for one test program and
// dropped again when it ends. Names carry the process id, so test programs
// that run side by side never see each other's objects.
#include <string>
#include <vector>

#include "support/TestEnv.h"

namespace zel::test {

// Runs SQL through psql as the test role; returns psql's exit status and
// its output (-A -t: unaligned, tuples only).
int Psql(const PgServer& srv, const std::string& database, const std::string& sql,
         std::string* output = nullptr);
int PsqlFile(const PgServer& srv, const std::string& database, const std::string& file);

class PgDatabases {
 public:
  explicit PgDatabases(PgServer srv) : srv_(std::move(srv)) {}
  ~PgDatabases();
  PgDatabases(const PgDatabases&) = delete;
  PgDatabases& operator=(const PgDatabases&) = delete;

  // Creates a database named prefix_<pid>; options go after CREATE DATABASE.
  std::string Create(const std::string& prefix, const std::string& options = "");
  // The fixture catalog (tests/fixtures/pg/catalog.sql) in a new database.
  std::string CreateCatalog();
  // A SQL_ASCII database holding Shift-JIS bytes (tests/fixtures/pg/sjis.sql).
  std::string CreateLegacySjis();
  void Drop(const std::string& name);

 private:
  PgServer srv_;
  std::vector<std::string> created_;
};

std::string FixturePath(const std::string& relative);

}  // namespace zel::test
