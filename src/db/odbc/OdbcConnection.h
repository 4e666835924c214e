#pragma once
// One ODBC connection and the statements run on it, over unixODBC's wide
// calls. Every failure raises OdbcError with the diagnostics the driver
// manager and the driver report.
#include <optional>
#include <string>
#include <vector>

namespace zel {

class OdbcConnection {
 public:
  OdbcConnection() = default;
  ~OdbcConnection();
  OdbcConnection(const OdbcConnection&) = delete;
  OdbcConnection& operator=(const OdbcConnection&) = delete;

  // Connects by an ODBC connection string (no prompting). A server that does
  // not answer fails after the login timeout instead of hanging.
  void Connect(const std::string& connectionString, int loginTimeoutSeconds = 15);
  // Statements made on the connection must be closed first: disconnecting
  // frees their handles with it.
  void Disconnect();
  bool Connected() const { return dbc_ != nullptr; }

 private:
  friend class OdbcStatement;
  void* env_ = nullptr;
  void* dbc_ = nullptr;
};

// One statement and its result, read row by row.
class OdbcStatement {
 public:
  explicit OdbcStatement(OdbcConnection& connection) : connection_(connection) {}
  ~OdbcStatement();
  OdbcStatement(const OdbcStatement&) = delete;
  OdbcStatement& operator=(const OdbcStatement&) = delete;

  // Runs the text, ending whatever ran before on this statement. A batch
  // whose first results carry no columns (row counts) moves on to the first
  // one that has them.
  void Execute(const std::string& sql);
  int ColumnCount() const { return columns_; }
  // The next row into Row(); false after the last one.
  bool Fetch();
  // Every column as text; a null is nullopt.
  const std::vector<std::optional<std::string>>& Row() const { return row_; }
  void Close();

 private:
  std::optional<std::string> ReadText(int column);

  OdbcConnection& connection_;
  void* stmt_ = nullptr;
  int columns_ = 0;
  bool atEnd_ = true;
  std::vector<std::optional<std::string>> row_;
};

}  // namespace zel
