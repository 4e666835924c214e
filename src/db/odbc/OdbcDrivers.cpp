#include "db/odbc/OdbcDrivers.h"

#include <cstdlib>
#include <fstream>

#include "common/Text.h"
#include "db/odbc/OdbcError.h"

namespace zel {
namespace {

const char* const kPreferred[] = {"ODBC Driver 18 for SQL Server", "ODBC Driver 17 for SQL Server",
                                  "FreeTDS"};

std::string Env(const char* name, const char* fallback) {
  const char* v = std::getenv(name);
  return v && *v ? std::string(v) : std::string(fallback);
}

bool IsFreeTds(const std::string& name, const std::string& library) {
  return text::AsciiLower(name).find("freetds") != std::string::npos ||
         text::AsciiLower(library).find("libtdsodbc") != std::string::npos;
}

}  // namespace

std::string OdbcInstIniPath() {
  return Env("ODBCSYSINI", "/etc") + "/" + Env("ODBCINSTINI", "odbcinst.ini");
}

std::vector<RegisteredDriver> RegisteredDrivers() {
  std::vector<RegisteredDriver> drivers;
  std::ifstream in(OdbcInstIniPath());
  std::string line;
  while (std::getline(in, line)) {
    std::string t = text::Trim(line);
    if (t.empty() || t[0] == ';' || t[0] == '#') continue;
    if (t.front() == '[') {
      const size_t end = t.find(']');
      std::string name = text::Trim(t.substr(1, end == std::string::npos ? std::string::npos : end - 1));
      // [ODBC] holds the driver manager's own options, not a driver.
      if (!name.empty() && !text::EqualsNoCase(name, "ODBC")) drivers.push_back({name, {}});
      else drivers.push_back({{}, {}});
      continue;
    }
    const size_t eq = t.find('=');
    if (eq == std::string::npos || drivers.empty()) continue;
    if (text::EqualsNoCase(text::Trim(t.substr(0, eq)), "Driver"))
      drivers.back().library = text::Trim(t.substr(eq + 1));
  }
  std::erase_if(drivers, [](const RegisteredDriver& d) { return d.name.empty(); });
  return drivers;
}

OdbcDriver ChooseSqlServerDriver(const std::string& named,
                                 const std::vector<RegisteredDriver>& registered) {
  if (!named.empty()) {
    std::string library = named;
    for (const RegisteredDriver& d : registered)
      if (text::EqualsNoCase(d.name, named)) library = d.library;
    return {named, IsFreeTds(named, library), library};
  }
  for (const char* preferred : kPreferred)
    for (const RegisteredDriver& d : registered)
      if (text::EqualsNoCase(d.name, preferred))
        return {d.name, IsFreeTds(d.name, d.library), d.library};
  throw OdbcError(
      "No SQL Server ODBC driver is registered in " + OdbcInstIniPath() +
      ". Install FreeTDS (apt-get install tdsodbc) or Microsoft's \"ODBC Driver 18 for SQL "
      "Server\" (package msodbcsql18), or name a registered driver with zelmora-export "
      "--odbc-driver.",
      // The state the driver manager itself gives when no driver is found.
      "IM002");
}

}  // namespace zel
