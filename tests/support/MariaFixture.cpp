#include "support/MariaFixture.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <fstream>
#include <map>
#include <regex>
#include <set>
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

namespace {

// A general log line's connection id and command ("Connect", "Query",
// "Quit"...) and the text after the command. The first line of a
// connection's burst carries a timestamp before the id, the rest do not.
bool ParseLogLine(const std::string& line, std::string* id, std::string* command,
                  std::string* text) {
  static const std::regex entry(R"(^(?:\d{6}\s+[\d:]+)?\s+(\d+) ([A-Za-z ]+?)\t(.*)$)");
  std::smatch m;
  if (!std::regex_match(line, m, entry)) return false;
  *id = m[1];
  *command = m[2];
  *text = m[3];
  return true;
}

}  // namespace

std::vector<std::string> LoggedQueries(const MariaServer& srv, size_t from,
                                       const std::string& user) {
  std::ifstream in(srv.generalLog, std::ios::binary);
  in.seekg(static_cast<std::streamoff>(from));
  std::vector<std::string> out;
  std::set<std::string> ours;
  std::string id, command, text;
  for (std::string line; std::getline(in, line);) {
    if (!ParseLogLine(line, &id, &command, &text)) continue;
    if (command == "Connect" && text.rfind(user + "@", 0) == 0) ours.insert(id);
    if (command == "Query" && (user.empty() || ours.count(id))) out.push_back(text);
  }
  return out;
}

size_t PeakConnections(const MariaServer& srv, size_t from, const std::string& user) {
  // A connection counts from its connect to its last statement, not to its
  // quit: the server logs a quit whenever it gets round to it, often after
  // the client has long made its next connection.
  struct Event {
    std::string id;
    bool connect;
  };
  std::vector<Event> events;
  std::map<std::string, size_t> last;  // id -> index of its last statement
  std::set<std::string> ours;
  {
    std::ifstream in(srv.generalLog, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(from));
    std::string id, command, text;
    for (std::string line; std::getline(in, line);) {
      if (!ParseLogLine(line, &id, &command, &text)) continue;
      if (command == "Connect" && text.rfind(user + "@", 0) == 0) {
        ours.insert(id);
        last[id] = events.size();
        events.push_back({id, true});
      } else if (command == "Query" && ours.count(id)) {
        last[id] = events.size();
        events.push_back({id, false});
      }
    }
  }
  std::set<std::string> open;
  size_t most = 0;
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i].connect) open.insert(events[i].id);
    most = std::max(most, open.size());
    if (last[events[i].id] == i) open.erase(events[i].id);
  }
  return most;
}

MariaServer MariaOwnUser(const MariaServer& srv, const std::string& prefix) {
  MariaServer own = srv;
  own.user = prefix + "_" + std::to_string(getpid());
  own.password = "own pw;2'";
  const std::string account = "'" + own.user + "'@'" + srv.host + "'";
  if (MariaSql(srv, "DROP USER IF EXISTS " + account + "; CREATE USER " + account +
                        " IDENTIFIED BY " + MariaLiteral(own.password) +
                        "; GRANT SELECT ON *.* TO " + account + ";") != 0)
    throw std::runtime_error("could not create user " + own.user);
  return own;
}

void DropMariaUser(const MariaServer& srv, const MariaServer& own) {
  MariaSql(srv, "DROP USER IF EXISTS '" + own.user + "'@'" + srv.host + "'");
}

size_t GeneralLogSize(const MariaServer& srv) {
  std::error_code ec;
  const auto size = std::filesystem::file_size(srv.generalLog, ec);
  return ec ? 0 : static_cast<size_t>(size);
}

}  // namespace zel::test
