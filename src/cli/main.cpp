// zelmora-export: the documents of the Zelmora window, made from a command
// line for scripts and CI pipelines.
#include <cstdint>
#include <iostream>

#include "catalog/Kinds.h"
#include "cli/Options.h"
#include "cli/Runner.h"
#include "common/Common.h"
#include "common/VersionInfo.h"
#include "db/mysql/mysql.h"
#include "export/TargetFile.h"

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  zel::cli::ParseResult parsed = zel::cli::ParseOptions(args);
  if (!parsed.options) {
    std::cerr << "zelmora-export: " << parsed.error << " (see --help)" << std::endl;
    return zel::cli::exitUsage;
  }
  if (parsed.options->help) {
    std::cout << zel::cli::HelpText();
    return zel::cli::exitOk;
  }
  if (parsed.options->version) {
    // Read back from this executable file, as the window's About box does.
    const std::string version = zel::FileVersionText(zel::ExecutablePath(), 4);
    if (version.empty()) {
      std::cerr << "zelmora-export: this executable carries no version" << std::endl;
      return zel::cli::exitExportFailed;
    }
    std::cout << version << std::endl;
    return zel::cli::exitOk;
  }
  // A workbook cut short by a signal leaves no temporary file behind.
  zel::xl::RemoveTemporaryFilesOnSignals();
  // As the window does: the MySQL client library is loaded before anything
  // else and its state recorded; a missing one refuses only --kind mysql.
  const std::uint8_t mySqlStatus = zel::mysql::LoadMySQLLibrary();
  zel::cli::Environment env;
  env.mySqlLibraryLoaded =
      mySqlStatus == zel::mysql::lsSomeMissing || mySqlStatus == zel::mysql::lsAllResolved;
  env.mySqlLibraryName = zel::mysql::LibraryFileName();
  env.password = zel::cli::ReadPassword();
  env.out = &std::cout;
  env.err = &std::cerr;
  env.registry = zel::StandardReaders();
  const int status = zel::cli::Run(*parsed.options, env);
  zel::mysql::UnloadMySQLLibrary();
  return status;
}
