#pragma once
// A double of the SQL Server client (the ADO connection and query) for the
// server that cannot run here: statement text in, rows of text out, shaped as
// SQL Server returns them. Records every statement and every connection
// string; fails with a provider's message where told to. Thread-safe, so
// that a test may drive it from more than one thread.
#include <functional>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "db/odbc/AdoClient.h"

namespace zel::test {

using AdoRow = std::vector<std::optional<std::string>>;  // nullopt: a null

struct AdoAnswer {
  AdoAnswer() = default;
  AdoAnswer(int columnCount, std::vector<AdoRow> rowList)
      : columns(columnCount), rows(std::move(rowList)) {}

  int columns = -1;  // -1: as many as the first row has
  std::vector<AdoRow> rows;
  // The provider's message. With failAfter < 0 the statement fails on
  // opening; otherwise that many rows come first and the next move fails.
  std::string error;
  int failAfter = -1;
};

class ScriptedAdo {
 public:
  // The first rule whose text occurs in a statement answers it.
  void On(const std::string& containing, AdoAnswer answer);
  // A rule that looks at the whole statement; nullopt passes it on.
  void OnStatement(std::function<std::optional<AdoAnswer>(const std::string&)> rule);
  // Every connect fails with this message while it is set.
  // The state and native error go with it, as the driver gives them.
  void FailConnects(const std::string& message, const std::string& sqlState = {},
                    long nativeError = 0);
  // Forgets the rules, the failure and the records; open connections stay.
  void Clear();

  std::vector<std::string> Statements() const;
  // The ADO text of each connect, in order, and the values behind the last.
  std::vector<std::string> ConnectionStrings() const;
  AdoLogon LastLogon() const;
  int Connects() const;
  // Connections connected now.
  int OpenConnections() const;
  // How many threads have run statements.
  int StatementThreads() const;

  AdoFactory Factory();

  // Used by the scripted connections.
  void Connected(const AdoLogon& logon, const std::string& adoText);
  void Disconnected();
  AdoAnswer Answer(const std::string& statement);

 private:
  mutable std::mutex mutex_;
  std::vector<std::function<std::optional<AdoAnswer>(const std::string&)>> rules_;
  std::string connectError_;
  std::string connectState_;
  long connectNative_ = 0;
  std::vector<std::string> statements_, connectionStrings_;
  AdoLogon lastLogon_;
  int connects_ = 0, open_ = 0;
  std::set<std::thread::id> threads_;
};

}  // namespace zel::test
