#pragma once
// What is known about each database kind, in one table: its code, tree
// levels, command-line name, which logon values it takes, its reader, and
// whether its connection can drop. Nothing else switches on the kind; a new
// kind is its folders plus one entry in Kinds.cpp.
#include <string>
#include <string_view>
#include <vector>

#include "catalog/Reader.h"
#include "common/LogonValues.h"

namespace zel {

class TBrowser;

// Server, database, owner or schema, table. Kinds whose host is the
// database level start at -1.
struct TreeLevels {
  int server = 0, database = 0, schema = 0, table = 0;
};

// The connection values a command line gives; each kind takes what applies.
struct CommandLogon {
  std::string host, port, user, password, database;
  bool windowsAuth = false;
  std::string odbcDriver;
  bool trustServerCertificate = false;
};

// Which command-line logon values a kind takes besides host and user.
enum CommandValue : unsigned {
  cvPort = 1u << 0,
  cvDatabase = 1u << 1,
  cvAuth = 1u << 2,
  cvOdbc = 1u << 3,  // --odbc-driver, --trust-server-certificate
};

struct KindEntry {
  int code = dkNone;    // DatabaseKind
  const char* cliName;  // the value of zelmora-export --kind
  TreeLevels levels;
  unsigned commandValues;  // CommandValue bits
  // The reader decides whether the connection is open (it can drop, as
  // PostgreSQL's does after a failed reconnect); otherwise the kind counts
  // as connected while the browser holds it.
  bool canDrop;
  // What Connect keeps of the dialog's values, copied before anything else.
  void (*copyLogon)(TBrowser& browser, const LogonValues& values);
  // A reason Connect refuses at once, shown as it stands (MySQL's missing
  // client library); empty to go ahead.
  std::string (*refusal)(const TBrowser& browser);
  // The dialog's values as the command line gives them.
  void (*fromCommand)(LogonValues& values, const CommandLogon& given);
  // The database node the command opens (kinds with a server level).
  std::string (*commandDatabase)(const CommandLogon& given);
  // The reader; null while this build has none for the kind.
  ReaderFactory (*reader)();
};

// In the order the command line lists them.
const std::vector<KindEntry>& Kinds();
const KindEntry* FindKind(int code);
const KindEntry* FindKindByCliName(std::string_view name);
// "a, b or c" / "a and b" of the command-line names, in table order.
std::string KindNames(const char* lastJoin, unsigned requiredValues = 0);

// A reader for every kind this build can read.
ReaderRegistry StandardReaders();

}  // namespace zel
