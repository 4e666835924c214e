#pragma once
// The command line of zelmora-export.
#include <optional>
#include <string>
#include <vector>

#include "catalog/Kinds.h"
#include "catalog/SchemaRows.h"

namespace zel::cli {

enum ExitCode : int {
  exitOk = 0,
  exitExportFailed = 1,
  exitUsage = 2,
  exitConnectFailed = 3,
  exitNothingToExport = 4,
};

enum class Document { List, Definitions };

struct Options {
  Document document = Document::List;
  int kind = 0;  // DatabaseKind
  std::string host, port, user, database;
  bool windowsAuth = false;
  std::string odbcDriver;              // SQL Server: the ODBC driver by name
  bool trustServerCertificate = false;  // SQL Server: trust the server's certificate
  std::optional<std::string> schema;
  std::optional<std::string> table;
  bool allSchemas = false;
  std::optional<std::string> out;
  std::optional<std::string> settings;
  bool force = false;
  std::optional<CatalogRead> read;  // unset: from the settings file
  std::vector<std::string> include, exclude;  // table name patterns
  bool noPartitions = false;
  std::optional<bool> indexSheet;  // unset: from the settings file
  // --template: 0 standard (標準), 2 detailed (詳細), as exporttype counts
  // them; unset: the settings file's choice.
  std::optional<int> templateChoice;
  bool help = false;
  bool version = false;
};

struct ParseResult {
  std::optional<Options> options;
  std::string error;  // one line, set when options is empty
};

ParseResult ParseOptions(const std::vector<std::string>& args);
// A byte of the C0 controls or DEL: never in a path the command writes.
inline bool IsControl(char c) {
  return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
}
// The logon values the options give, for the kind's table entry.
CommandLogon CommandLogonOf(const Options& options, const std::string& password);
std::string HelpText();

}  // namespace zel::cli
