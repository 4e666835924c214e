#pragma once
// What the SQL Server reader uses of ADO: a connection and the one query that
// runs on it. The real pair goes through ODBC (TADOConnection); tests put a
// scripted pair in its place.
#include <functional>
#include <memory>
#include <string>

#include "db/odbc/OdbcConnectionString.h"

namespace zel {

class IAdoQuery {
 public:
  virtual ~IAdoQuery() = default;
  virtual void Close() = 0;
  // The statement text (one line); replaces the one before.
  virtual void SetSQL(const std::string& text) = 0;
  // Runs the statement, connecting its connection first when needed.
  virtual void Open() = 0;
  virtual void First() = 0;
  virtual bool Eof() const = 0;
  virtual void Next() = 0;
  virtual int FieldCount() const = 0;
  // Column `index` (from 0) of the current row as text; a null is "".
  virtual std::string Fields(int index) const = 0;
};

class IAdoConnection {
 public:
  virtual ~IAdoConnection() = default;
  virtual void SetConnectionString(const AdoLogon& logon) = 0;
  // The ADO text of the values set last.
  virtual std::string ConnectionString() const = 0;
  virtual void Close() = 0;
  virtual bool Connected() const = 0;
  virtual IAdoQuery& Query() = 0;
};

using AdoFactory = std::function<std::unique_ptr<IAdoConnection>()>;

}  // namespace zel
