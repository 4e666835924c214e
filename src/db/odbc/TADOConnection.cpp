#include "db/odbc/TADOConnection.h"

#include "db/odbc/OdbcDriverVersion.h"
#include "db/odbc/OdbcDrivers.h"
#include "db/odbc/OdbcError.h"

namespace zel {

TADOQuery::~TADOQuery() = default;

void TADOQuery::Close() {
  statement_.reset();
  eof_ = true;
  position_ = -1;
}

void TADOQuery::Open() {
  Close();
  connection_.Open();
  auto statement = std::make_unique<OdbcStatement>(connection_.Odbc());
  statement->Execute(sql_);
  statement_ = std::move(statement);
  position_ = 0;
  eof_ = !statement_->Fetch();
}

void TADOQuery::First() {
  if (!statement_) throw OdbcError("The query is not open.");
  // The cursor only moves forward; going back to the first row runs the
  // statement again.
  if (position_ > 0) Open();
}

void TADOQuery::Next() {
  if (!statement_ || eof_) throw OdbcError("The query has no current row.");
  ++position_;
  eof_ = !statement_->Fetch();
}

int TADOQuery::FieldCount() const { return statement_ ? statement_->ColumnCount() : 0; }

std::string TADOQuery::Fields(int index) const {
  if (!statement_ || eof_) throw OdbcError("The query has no current row.");
  const auto& row = statement_->Row();
  if (index < 0 || static_cast<size_t>(index) >= row.size())
    throw OdbcError("Field index " + std::to_string(index) + " is out of range.");
  return row[static_cast<size_t>(index)].value_or(std::string());
}

TADOConnection::TADOConnection() : query_(std::make_unique<TADOQuery>(*this)) {}

TADOConnection::~TADOConnection() {
  query_->Close();  // before the connection it runs on
}

void TADOConnection::SetConnectionString(const AdoLogon& logon) { logon_ = logon; }

void TADOConnection::Close() {
  query_->Close();
  odbc_.Disconnect();
}

void TADOConnection::Open() {
  if (odbc_.Connected()) return;
  OdbcDriver driver = ChooseSqlServerDriver(logon_.odbcDriver, RegisteredDrivers());
  // FreeTDS's version decides how braced values are written.
  if (driver.freeTds) driver.version = OdbcDriverVersion(driver.library);
  const std::string odbc = OdbcConnectionString(logon_, driver);
  try {
    odbc_.Connect(odbc);
  } catch (const OdbcError& e) {
    throw OdbcError(WithCertificateHint(e.what(), logon_.trustServerCertificate), e.SqlState(),
                    e.NativeError());
  }
}

AdoFactory TADOConnection::Factory() {
  return [] { return std::make_unique<TADOConnection>(); };
}

}  // namespace zel
