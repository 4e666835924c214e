#include "support/MariaFixture.h"

#include <unistd.h>

#include <filesystem>
#include <cstdio>
#include <fstream>
#include <stdexcept>

#include "catalog/mysql/MySqlReader.h"
#include "db/mysql/mysql.h"
#include "support/PgFixture.h"

namespace zel::test {

int MariaSql(const MariaServer& srv, const std::string& sql, std::string* output) {
  TempDir dir;
  const std::string file = dir.File("in.sql");
  WriteFile(file, sql);
  // The password travels in the environment, never on a command line.
  const std::string cmd = "MYSQL_PWD=" + ShellQuote(srv.password) +
                          " mariadb --no-defaults --default-character-set=utf8mb4 -N -B -h " +
                          ShellQuote(srv.host) + " -P " + ShellQuote(srv.port) + " -u " +
                          ShellQuote(srv.user) + " < " + ShellQuote(file);
  std::string out;
  const int status = RunCommand(cmd, &out);
  if (output) {
    if (!out.empty() && out.back() == '\n') out.pop_back();
    *output = out;
  }
  return status;
}

void EnsureMySqlLibrary() {
  if (mysql::MySQLLoadStatus() == mysql::lsNotLoaded) mysql::LoadMySQLLibrary();
}

std::string MariaIdent(const std::string& name) {
  std::string out = "`";
  for (char c : name) {
    if (c == '`') out += '`';
    out += c;
  }
  return out + "`";
}

std::string MariaLiteral(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    if (c == '\'' || c == '\\') out += '\\';
    out += c;
  }
  return out + "'";
}

MariaSchemas::~MariaSchemas() {
  std::string sql;
  for (const std::string& n : names_) sql += "DROP DATABASE IF EXISTS " + MariaIdent(n) + ";\n";
  if (!sql.empty()) MariaSql(srv_, sql);
}

std::string MariaSchemas::Name(const std::string& prefix) {
  std::string name = prefix + "_" + std::to_string(getpid());
  names_.push_back(name);
  return name;
}

std::string MariaSchemas::Create(const std::string& prefix) {
  std::string name = Name(prefix);
  MariaSql(srv_, "DROP DATABASE IF EXISTS " + MariaIdent(name) + "; CREATE DATABASE " +
                     MariaIdent(name) + " CHARACTER SET utf8mb4;");
  return name;
}

std::string MariaSchemas::CreateCatalog(const std::string& prefix) {
  const std::string name = Create(prefix);
  std::string sql = ReadFile(FixturePath("mysql/catalog.sql"));
  for (size_t at; (at = sql.find("@S@")) != std::string::npos;) sql.replace(at, 3, name);
  if (MariaSql(srv_, sql) != 0) throw std::runtime_error("catalog fixture failed");
  return name;
}

std::string MariaSchemas::CreateMany(const std::string& prefix, int tables) {
  const std::string name = Create(prefix);
  std::string sql;
  char table[16];
  for (int i = 1; i <= tables; ++i) {
    std::snprintf(table, sizeof table, "t%03d", i);
    sql += "CREATE TABLE " + MariaIdent(name) + "." + table +
           " (id int PRIMARY KEY, name varchar(20) NOT NULL COMMENT '名前 " + std::to_string(i) +
           "', amount decimal(10,2)) ENGINE=MyISAM;\n";
  }
  if (MariaSql(srv_, sql) != 0) throw std::runtime_error("many-table fixture failed");
  return name;
}

MariaBrowser::MariaBrowser(const MariaServer& srv, const std::string& password,
                           const std::string& settingsFolder, std::optional<std::string> port) {
  EnsureMySqlLibrary();
  if (!settingsFolder.empty()) common.SetProgramFolder(settingsFolder);
  ReaderRegistry registry;
  registry.Register(dkMySql, TMySqlReader::Factory());
  browser = std::make_unique<TBrowser>(common, prompts, std::move(registry));
  browser->mySqlLibraryLoaded = true;
  LogonValues v;
  v.kind = dkMySql;
  v.mySql.host = srv.host;
  v.mySql.port = port ? *port : srv.port;
  v.mySql.userName = srv.user;
  v.mySql.password = password == "\x01" ? srv.password : password;
  prompts.logonAnswers.push_back(v);
  browser->Connect();
}

TTreeNode* MariaBrowser::Select(TTreeNode* parent, const std::string& text) {
  for (int i = 0; parent && i < parent->ChildCount(); ++i) {
    if (parent->Child(i)->Text() == text) {
      browser->TreeView1Change(*parent->Child(i));
      return parent->Child(i);
    }
  }
  return nullptr;
}

std::vector<std::string> LoggedQueries(const MariaServer& srv, size_t from) {
  std::ifstream in(srv.generalLog, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(from));
  std::vector<std::string> out;
  for (std::string line; std::getline(in, line);) {
    const size_t at = line.find(" Query\t");
    if (at != std::string::npos) out.push_back(line.substr(at + 7));
  }
  return out;
}

size_t GeneralLogSize(const MariaServer& srv) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(srv.generalLog, ec);
  return ec ? 0 : static_cast<size_t>(size);
}

}  // namespace zel::test
