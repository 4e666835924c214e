#include "support/PgFixture.h"

#include <unistd.h>

#include <stdexcept>

namespace zel::test {
namespace {

std::string PsqlCommand(const PgServer& srv, const std::string& database) {
  return "PGPASSWORD=" + ShellQuote(srv.password) + " PGCLIENTENCODING=UTF8 psql -X -q -A -t" +
         " -v ON_ERROR_STOP=1 -h " + ShellQuote(srv.host) + " -p " + ShellQuote(srv.port) +
         " -U " + ShellQuote(srv.user) + " -d " + ShellQuote(database);
}

}  // namespace

std::string FixturePath(const std::string& relative) {
  return std::string(ZEL_SOURCE_DIR) + "/tests/fixtures/" + relative;
}

int Psql(const PgServer& srv, const std::string& database, const std::string& sql,
         std::string* output) {
  return RunCommand(PsqlCommand(srv, database) + " -c " + ShellQuote(sql), output);
}

int PsqlFile(const PgServer& srv, const std::string& database, const std::string& file) {
  std::string out;
  int rc = RunCommand(PsqlCommand(srv, database) + " -f " + ShellQuote(file), &out);
  if (rc != 0) throw std::runtime_error("psql -f " + file + " failed: " + out);
  return rc;
}

PgDatabases::~PgDatabases() {
  for (auto it = created_.rbegin(); it != created_.rend(); ++it)
    Psql(srv_, "postgres", "DROP DATABASE IF EXISTS \"" + *it + "\" WITH (FORCE)");
}

std::string PgDatabases::Create(const std::string& prefix, const std::string& options) {
  std::string name = prefix + "_" + std::to_string(getpid());
  Psql(srv_, "postgres", "DROP DATABASE IF EXISTS \"" + name + "\" WITH (FORCE)");
  std::string out;
  if (Psql(srv_, "postgres", "CREATE DATABASE \"" + name + "\" " + options, &out) != 0)
    throw std::runtime_error("cannot create database " + name + ": " + out);
  created_.push_back(name);
  return name;
}

std::string PgDatabases::CreateCatalog() {
  std::string name = Create("zel_catalog");
  PsqlFile(srv_, name, FixturePath("pg/catalog.sql"));
  // pg_stat_user_tables lists a table once the statistics collector knows it;
  // an ANALYZE makes that immediate.
  Psql(srv_, name, "ANALYZE");
  return name;
}

std::string PgDatabases::CreateLegacySjis() {
  std::string name =
      Create("zel_sjis", "TEMPLATE template0 ENCODING 'SQL_ASCII' LC_COLLATE 'C' LC_CTYPE 'C'");
  PsqlFile(srv_, name, FixturePath("pg/sjis.sql"));
  Psql(srv_, name, "ANALYZE");
  return name;
}

void PgDatabases::Drop(const std::string& name) {
  Psql(srv_, "postgres", "DROP DATABASE IF EXISTS \"" + name + "\" WITH (FORCE)");
  std::erase(created_, name);
}

}  // namespace zel::test
