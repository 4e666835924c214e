#pragma once
// The ADO connection and query of the SQL Server reader, over ODBC: the
// connection string is built in ADO's form and translated for the driver
// that is registered (or named) when the query opens.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/odbc/AdoClient.h"
#include "db/odbc/OdbcConnection.h"

namespace zel {

class TADOConnection;

class TADOQuery : public IAdoQuery {
 public:
  explicit TADOQuery(TADOConnection& connection) : connection_(connection) {}
  ~TADOQuery() override;

  void Close() override;
  void SetSQL(const std::string& text) override { sql_ = text; }
  void Open() override;
  void First() override;
  bool Eof() const override { return eof_; }
  void Next() override;
  int FieldCount() const override;
  std::string Fields(int index) const override;

 private:
  TADOConnection& connection_;
  std::string sql_;
  std::unique_ptr<OdbcStatement> statement_;
  bool eof_ = true;
  long position_ = -1;  // rows moved past since Open
};

class TADOConnection : public IAdoConnection {
 public:
  TADOConnection();
  ~TADOConnection() override;

  void SetConnectionString(const AdoLogon& logon) override;
  std::string ConnectionString() const override { return AdoConnectionString(logon_); }
  void Close() override;
  bool Connected() const override { return odbc_.Connected(); }
  IAdoQuery& Query() override { return *query_; }

  // Connects when not connected yet (the query's Open does this).
  void Open();
  OdbcConnection& Odbc() { return odbc_; }

  static AdoFactory Factory();

 private:
  AdoLogon logon_;
  OdbcConnection odbc_;
  std::unique_ptr<TADOQuery> query_;
};

}  // namespace zel
