#pragma once
// One run of zelmora-export: connect, find the node, run the export command
// on it, report. The browser, readers and exports are the window's own.
#include <iosfwd>
#include <string>

#include "catalog/Reader.h"
#include "cli/Options.h"
#include "export/Exports.h"

namespace zel::cli {

struct Environment {
  std::string password;
  std::ostream* out;  // the paths written
  std::ostream* err;  // progress and messages
  // The readers of the kinds this build can reach.
  ReaderRegistry registry;
  TExporter::ApplicationFactory createApplication = xl::CreateExcelEngine;
  // The MySQL client library's state at program start (main loads it).
  bool mySqlLibraryLoaded = false;
  std::string mySqlLibraryName = "libmariadb.so.3";
};

int Run(const Options& options, Environment& env);

// ZELMORA_PASSWORD, or asked for on the terminal when standard input is one.
std::string ReadPassword();

}  // namespace zel::cli
