#include "cli/Options.h"

#include <algorithm>
#include <charconv>
#include <set>

#include "export/TableFilter.h"

namespace zel::cli {
namespace {

// Options that only some kinds take.
struct KindValueOption {
  const char* option;
  CommandValue value;
  const char* hint;
};
constexpr KindValueOption kKindValueOptions[] = {
    {"--auth", cvAuth, ""},
    {"--port", cvPort, ""},
    {"--database", cvDatabase, "; the host is the database"},
    {"--odbc-driver", cvOdbc, ""},
    {"--trust-server-certificate", cvOdbc, ""},
};

bool ValidPort(const std::string& text) {
  int port = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), port);
  return ec == std::errc() && ptr == text.data() + text.size() && port >= 1 && port <= 65535;
}

}  // namespace

std::string HelpText() {
  return R"(Usage: zelmora-export list|definitions --kind postgresql|mysql|sqlserver|oracle
                      [--host H] [--port P] [--user U] [--database D] [--auth sql|windows]
                      [--odbc-driver NAME] [--trust-server-certificate]
                      (--schema S [--table T] | --all-schemas)
                      [--out PATH] [--settings FILE] [--force] [--read bulk|per-table]
                      [--include PATTERN]... [--exclude PATTERN]... [--no-partitions]
                      [--index-sheet | --no-index-sheet]
                      [--template standard|detailed]

Writes the table list (list) or the table definition document (definitions)
of a database schema as an Excel workbook, the same documents the Zelmora
window writes.

  --kind K         postgresql, mysql, sqlserver or oracle
  --host H         server host (Oracle: the connect identifier, host:port/service
                   or a TNS alias)
  --port P         server port (PostgreSQL, MySQL)
  --user U         user name
  --database D     database (SQL Server, PostgreSQL; PostgreSQL default "postgres").
                   For Oracle and MySQL the host is the database level.
  --auth A         SQL Server authentication: sql (default) or windows
                   (windows: the Kerberos ticket of the user, see kinit)
  --odbc-driver NAME
                   SQL Server: the ODBC driver to use, as registered in
                   odbcinst.ini; default the first of "ODBC Driver 18 for SQL
                   Server", "ODBC Driver 17 for SQL Server" and "FreeTDS"
  --trust-server-certificate
                   SQL Server: accept the server's certificate without
                   checking it (the connection stays encrypted)
  --schema S       the owner or schema to document
  --table T        with definitions: only this table
  --all-schemas    one workbook per schema of the database
  --out PATH       a file for one workbook, a folder for several; without it
                   the default names are used in the current folder
  --settings FILE  read [ExcelSet] (template, model workbook, positions,
                   header texts) from FILE instead of Zel.ini beside the
                   program; nothing is ever written to it
  --force          replace existing files (a file that is there stays as it
                   was until the new workbook is complete; devices, pipes,
                   folders and the model workbook are never replaced)
  --read R         how an export reads a schema's catalog, on one connection:
                   bulk (default) reads the columns of all its tables with
                   one statement; per-table sends exactly the statements of
                   the window's browsing, table after table (for servers
                   that refuse the bulk statement, or audits);
                   default: [catalog] read of the settings file, else bulk
  --include PATTERN
                   only tables whose name matches the pattern (repeatable: a
                   table matching any of them is taken); shell wildcards
                   * ? [abc] [a-z] [!abc], case-sensitive, against the names
                   as the server spells them ("[*]" matches a "*")
  --exclude PATTERN
                   leave out tables whose name matches (repeatable; wins over
                   --include). Not with --table. A schema that the patterns
                   leave without tables is not written (exit status 4 when
                   no workbook is left at all)
  --no-partitions  leave the partitions of partitioned tables out of both
                   documents (the partitioned table itself stays); also
                   [ExcelSet] ExcludePartitions=1
  --index-sheet, --no-index-sheet
                   definitions: put a first sheet 目次 linking to every table
                   sheet (and back), or not; default [ExcelSet] IndexSheet,
                   else on with the 詳細 template only
  --template T     the built-in template for this run, whatever the settings
                   file chooses: standard (標準) or detailed (詳細: column
                   defaults and references, the indexes, foreign keys and
                   constraints of each table; the list with each table's kind)
  --help           this text
  --version        the program's version, as its About box shows it

The password is taken from the environment variable ZELMORA_PASSWORD or, when
standard input is a terminal, asked for; never from the command line.
Progress goes to standard error ("n/N name" per table), each workbook written
to standard output. Interrupted (SIGINT, SIGTERM, SIGHUP), it leaves earlier
files as they were and no half-written file behind.

Exit status: 0 success, 1 export failure, 2 usage error, 3 connection failure,
4 nothing to export (no such schema or table, or no table left by
--include/--exclude/--no-partitions).
)";
}

ParseResult ParseOptions(const std::vector<std::string>& args) {
  Options o;
  bool haveDocument = false, haveKind = false;
  std::set<std::string> seen;
  auto fail = [](std::string message) { return ParseResult{std::nullopt, std::move(message)}; };

  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> inlineValue;
    if (arg.rfind("--", 0) == 0) {
      if (size_t eq = arg.find('='); eq != std::string::npos) {
        inlineValue = arg.substr(eq + 1);
        arg = arg.substr(0, eq);
      }
    }
    if (arg == "--help" || arg == "-h") {
      o.help = true;
      return {o, {}};
    }
    if (arg == "--version") {
      o.version = true;
      return {o, {}};
    }
    if (arg.rfind("--", 0) != 0) {
      if (haveDocument) return fail("unexpected argument '" + arg + "'");
      if (arg == "list") {
        o.document = Document::List;
      } else if (arg == "definitions") {
        o.document = Document::Definitions;
      } else {
        return fail("unknown document '" + arg + "' (expected list or definitions)");
      }
      haveDocument = true;
      continue;
    }
    if (arg == "--connections")
      return fail(
          "--connections is no longer an option: the export reads on one connection; "
          "use --read bulk or --read per-table");
    const bool repeatable = arg == "--include" || arg == "--exclude";
    if (!seen.insert(arg).second && !repeatable) return fail(arg + " given twice");
    const bool isFlag = arg == "--all-schemas" || arg == "--force" ||
                        arg == "--trust-server-certificate" || arg == "--no-partitions" ||
                        arg == "--index-sheet" || arg == "--no-index-sheet";
    std::string value;
    if (isFlag) {
      if (inlineValue) return fail(arg + " takes no value");
    } else if (inlineValue) {
      value = *inlineValue;
    } else {
      if (i + 1 >= args.size()) return fail(arg + " needs a value");
      value = args[++i];
    }
    if (arg == "--kind") {
      const KindEntry* kind = FindKindByCliName(value);
      if (!kind) return fail("unknown --kind '" + value + "' (expected " + KindNames("or") + ")");
      o.kind = kind->code;
      haveKind = true;
    } else if (arg == "--host") {
      o.host = value;
    } else if (arg == "--port") {
      if (!ValidPort(value)) return fail("--port must be a number from 1 to 65535, not '" + value + "'");
      o.port = value;
    } else if (arg == "--user") {
      o.user = value;
    } else if (arg == "--database") {
      o.database = value;
    } else if (arg == "--auth") {
      if (value == "sql") o.windowsAuth = false;
      else if (value == "windows") o.windowsAuth = true;
      else return fail("unknown --auth '" + value + "' (expected sql or windows)");
    } else if (arg == "--odbc-driver") {
      if (value.empty()) return fail("--odbc-driver needs a driver name");
      o.odbcDriver = value;
    } else if (arg == "--trust-server-certificate") {
      o.trustServerCertificate = true;
    } else if (arg == "--schema") {
      o.schema = value;
    } else if (arg == "--table") {
      o.table = value;
    } else if (arg == "--all-schemas") {
      o.allSchemas = true;
    } else if (arg == "--out") {
      if (value.empty()) return fail("--out needs a path");
      // The paths written go one to a line on standard output.
      if (std::any_of(value.begin(), value.end(), [](char c) { return IsControl(c); }))
        return fail("--out must not hold a control character (line break, tab, ...)");
      o.out = value;
    } else if (arg == "--settings") {
      if (value.empty()) return fail("--settings needs a file");
      o.settings = value;
    } else if (arg == "--force") {
      o.force = true;
    } else if (arg == "--read") {
      CatalogRead read;
      if (!ParseCatalogRead(value, read))
        return fail("--read must be bulk or per-table, not '" + value + "'");
      o.read = read;
    } else if (arg == "--include" || arg == "--exclude") {
      if (std::string why = PatternProblem(value); !why.empty())
        return fail(arg + " '" + value + "': " + why);
      (arg == "--include" ? o.include : o.exclude).push_back(value);
    } else if (arg == "--no-partitions") {
      o.noPartitions = true;
    } else if (arg == "--index-sheet" || arg == "--no-index-sheet") {
      if (o.indexSheet) return fail("--index-sheet and --no-index-sheet exclude each other");
      o.indexSheet = arg == "--index-sheet";
    } else if (arg == "--template") {
      if (value == "standard")
        o.templateChoice = 0;
      else if (value == "detailed")
        o.templateChoice = 2;
      else
        return fail("--template must be standard or detailed, not '" + value + "'");
    } else if (arg == "--password") {
      return fail("the password is never taken from the command line; set ZELMORA_PASSWORD");
    } else {
      return fail("unknown option " + arg);
    }
  }

  if (!haveDocument) return fail("say what to write: list or definitions");
  if (!haveKind) return fail("--kind is required");
  if (o.schema && o.allSchemas) return fail("--schema and --all-schemas exclude each other");
  if (!o.schema && !o.allSchemas) return fail("either --schema or --all-schemas is required");
  if (o.table && !o.schema) return fail("--table needs --schema");
  if (o.table && o.document == Document::List)
    return fail("--table applies to definitions only");
  if (o.table && (!o.include.empty() || !o.exclude.empty() || o.noPartitions))
    return fail(
        "--include, --exclude and --no-partitions choose among a schema's tables; "
        "not with --table");
  if (o.indexSheet && o.document == Document::List)
    return fail("--index-sheet and --no-index-sheet apply to definitions only");
  const unsigned takes = FindKind(o.kind)->commandValues;
  for (const KindValueOption& v : kKindValueOptions) {
    if (seen.count(v.option) && !(takes & v.value))
      return fail(std::string(v.option) + " applies to " + KindNames("and", v.value) + " only" +
                  v.hint);
  }
  if (o.schema && o.schema->empty()) return fail("--schema needs a name");
  if (o.table && o.table->empty()) return fail("--table needs a name");
  return {o, {}};
}

CommandLogon CommandLogonOf(const Options& options, const std::string& password) {
  return {options.host,     options.port,        options.user,
          password,         options.database,    options.windowsAuth,
          options.odbcDriver, options.trustServerCertificate};
}

}  // namespace zel::cli
