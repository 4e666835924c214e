#include "support/ScriptedAdo.h"

#include "db/odbc/OdbcError.h"

namespace zel::test {
namespace {

class ScriptedConnection;

class ScriptedQuery : public IAdoQuery {
 public:
  explicit ScriptedQuery(ScriptedConnection& connection) : connection_(connection) {}
  void Close() override {
    open_ = false;
    answer_ = {};
    row_ = 0;
  }
  void SetSQL(const std::string& text) override { sql_ = text; }
  void Open() override;
  void First() override {
    Check();
    row_ = 0;
  }
  bool Eof() const override { return !open_ || row_ >= Delivered(); }
  void Next() override {
    Check();
    if (Eof()) throw OdbcError("Either BOF or EOF is True, or the current record has been deleted.");
    ++row_;
    if (answer_.failAfter >= 0 && row_ >= answer_.failAfter && !answer_.error.empty())
      throw OdbcError(answer_.error);
  }
  int FieldCount() const override {
    if (!open_) return 0;
    if (answer_.columns >= 0) return answer_.columns;
    return answer_.rows.empty() ? 0 : static_cast<int>(answer_.rows[0].size());
  }
  std::string Fields(int index) const override {
    Check();
    if (Eof()) throw OdbcError("Either BOF or EOF is True, or the current record has been deleted.");
    const AdoRow& row = answer_.rows[static_cast<size_t>(row_)];
    if (index < 0 || static_cast<size_t>(index) >= row.size())
      throw OdbcError("Item cannot be found in the collection corresponding to the requested name "
                      "or ordinal.");
    return row[static_cast<size_t>(index)].value_or(std::string());
  }

 private:
  void Check() const {
    if (!open_) throw OdbcError("Operation is not allowed when the object is closed.");
  }
  int Delivered() const {
    const int all = static_cast<int>(answer_.rows.size());
    return answer_.failAfter >= 0 && !answer_.error.empty() ? std::min(all, answer_.failAfter)
                                                            : all;
  }

  ScriptedConnection& connection_;
  std::string sql_;
  bool open_ = false;
  AdoAnswer answer_;
  int row_ = 0;
};

class ScriptedConnection : public IAdoConnection {
 public:
  explicit ScriptedConnection(ScriptedAdo& ado) : ado_(ado), query_(*this) {}
  ~ScriptedConnection() override { Close(); }
  void SetConnectionString(const AdoLogon& logon) override { logon_ = logon; }
  std::string ConnectionString() const override { return AdoConnectionString(logon_); }
  void Close() override {
    query_.Close();
    if (connected_) ado_.Disconnected();
    connected_ = false;
  }
  bool Connected() const override { return connected_; }
  IAdoQuery& Query() override { return query_; }

  void Open() {
    if (connected_) return;
    ado_.Connected(logon_, ConnectionString());
    connected_ = true;
  }
  ScriptedAdo& Ado() { return ado_; }

 private:
  ScriptedAdo& ado_;
  ScriptedQuery query_;
  AdoLogon logon_;
  bool connected_ = false;
};

void ScriptedQuery::Open() {
  Close();
  connection_.Open();
  AdoAnswer answer = connection_.Ado().Answer(sql_);
  if (!answer.error.empty() && answer.failAfter < 0) throw OdbcError(answer.error);
  answer_ = std::move(answer);
  open_ = true;
  row_ = 0;
}

}  // namespace

void ScriptedAdo::On(const std::string& containing, AdoAnswer answer) {
  OnStatement([containing, answer](const std::string& sql) -> std::optional<AdoAnswer> {
    if (sql.find(containing) == std::string::npos) return std::nullopt;
    return answer;
  });
}

void ScriptedAdo::OnStatement(std::function<std::optional<AdoAnswer>(const std::string&)> rule) {
  std::lock_guard<std::mutex> lock(mutex_);
  rules_.push_back(std::move(rule));
}

void ScriptedAdo::FailConnects(const std::string& message, const std::string& sqlState,
                               long nativeError) {
  std::lock_guard<std::mutex> lock(mutex_);
  connectError_ = message;
  connectState_ = sqlState;
  connectNative_ = nativeError;
}

void ScriptedAdo::Clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  rules_.clear();
  connectError_.clear();
  statements_.clear();
  connectionStrings_.clear();
  threads_.clear();
  lastLogon_ = {};
  connects_ = 0;
}

std::vector<std::string> ScriptedAdo::Statements() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return statements_;
}

std::vector<std::string> ScriptedAdo::ConnectionStrings() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connectionStrings_;
}

AdoLogon ScriptedAdo::LastLogon() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lastLogon_;
}

int ScriptedAdo::Connects() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return connects_;
}

int ScriptedAdo::OpenConnections() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return open_;
}

int ScriptedAdo::StatementThreads() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return static_cast<int>(threads_.size());
}

AdoFactory ScriptedAdo::Factory() {
  return [this] { return std::make_unique<ScriptedConnection>(*this); };
}

void ScriptedAdo::Connected(const AdoLogon& logon, const std::string& adoText) {
  std::lock_guard<std::mutex> lock(mutex_);
  connectionStrings_.push_back(adoText);
  lastLogon_ = logon;
  ++connects_;
  if (!connectError_.empty()) throw OdbcError(connectError_, connectState_, connectNative_);
  ++open_;
}

void ScriptedAdo::Disconnected() {
  std::lock_guard<std::mutex> lock(mutex_);
  --open_;
}

AdoAnswer ScriptedAdo::Answer(const std::string& statement) {
  std::vector<std::function<std::optional<AdoAnswer>(const std::string&)>> rules;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    statements_.push_back(statement);
    threads_.insert(std::this_thread::get_id());
    rules = rules_;
  }
  for (const auto& rule : rules)
    if (std::optional<AdoAnswer> a = rule(statement)) return *a;
  AdoAnswer none;
  none.error = "Scripted SQL Server has no answer for: " + statement;
  return none;
}

}  // namespace zel::test
