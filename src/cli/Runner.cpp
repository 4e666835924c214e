#include "cli/Runner.h"

#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "catalog/Browser.h"
#include "cli/CliPrompts.h"
#include "export/SettingsCheck.h"

namespace zel::cli {
namespace {

TTreeNode* FindChild(TTreeNode* parent, const std::string& text) {
  for (int i = 0; parent && i < parent->ChildCount(); ++i)
    if (parent->Child(i)->Text() == text) return parent->Child(i);
  return nullptr;
}

}  // namespace

std::string ReadPassword() {
  if (const char* env = std::getenv("ZELMORA_PASSWORD")) return env;
  if (!isatty(STDIN_FILENO)) return {};
  std::cerr << "Password: " << std::flush;
  termios saved{};
  bool restore = tcgetattr(STDIN_FILENO, &saved) == 0;
  if (restore) {
    termios quiet = saved;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSANOW, &quiet);
  }
  std::string password;
  std::getline(std::cin, password);
  if (restore) tcsetattr(STDIN_FILENO, TCSANOW, &saved);
  std::cerr << std::endl;
  return password;
}

int Run(const Options& options, Environment& env) {
  std::ostream& err = *env.err;
  const bool several = options.allSchemas;
  if (several && options.out) {
    // A folder for several workbooks is made when missing.
    std::error_code ec;
    std::filesystem::create_directories(*options.out, ec);
    if (ec || !std::filesystem::is_directory(*options.out)) {
      err << "zelmora-export: cannot create folder " << *options.out << std::endl;
      return exitExportFailed;
    }
  }

  CliPrompts prompts(options, env.password, several);
  TdCommon common(&prompts);
  if (options.settings) {
    std::string path = *options.settings;
    if (path[0] != '/') {
      char cwd[4096];
      if (getcwd(cwd, sizeof cwd)) path = std::string(cwd) + "/" + path;
    }
    if (access(path.c_str(), R_OK) != 0) {
      err << "zelmora-export: cannot read settings file " << *options.settings << std::endl;
      return exitUsage;
    }
    common.SetSettingsFile(path);
  }
  TBrowser browser(common, prompts, env.registry);
  browser.mySqlLibraryLoaded = env.mySqlLibraryLoaded;
  browser.mySqlLibraryName = env.mySqlLibraryName;

  // Settings that cannot serve are told before a connection is made and
  // the catalog read; a built-in template chosen for the run uses no model.
  if (options.document == Document::Definitions && !options.templateChoice) {
    std::string problem = DefinitionSettingsProblem(common);
    if (!problem.empty()) {
      for (char& c : problem)
        if (c == '\n') c = ' ';
      err << "zelmora-export: " << problem << std::endl;
      return exitExportFailed;
    }
  }

  // Reading in bulk, the logon and the tree's reads are part of the export:
  // one session from the start.
  const CatalogRead read = options.read ? *options.read : TExporter::ReadSetting(common);
  browser.SetBulkSession(read == CatalogRead::Bulk);
  browser.Connect();
  if (!browser.chkDbOK()) {
    if (prompts.MessageCount() == 0) err << "zelmora-export: connection failed" << std::endl;
    return exitConnectFailed;
  }

  try {
    TTreeNode* root = browser.TreeView1().Root();
    TTreeNode* database = root;
    if (const KindEntry* kind = FindKind(options.kind); kind && kind->commandDatabase) {
      std::string name = kind->commandDatabase(CommandLogonOf(options, env.password));
      database = FindChild(root, name);
      if (!database) {
        err << "zelmora-export: no database " << name << std::endl;
        return exitNothingToExport;
      }
    }
    browser.TreeView1Change(*database);
    if (options.schema) {
      TTreeNode* schema = FindChild(database, *options.schema);
      if (!schema) {
        err << "zelmora-export: no schema " << *options.schema << " with tables" << std::endl;
        return exitNothingToExport;
      }
      // In bulk the export reads the schema's list itself: reading it here
      // too would send it twice. Reading per table keeps the window's order.
      browser.TreeView1Change(*schema, options.table || read == CatalogRead::PerTable);
      if (options.table) {
        TTreeNode* table = FindChild(schema, *options.table);
        if (!table) {
          err << "zelmora-export: no table " << *options.table << " in " << *options.schema
              << std::endl;
          return exitNothingToExport;
        }
        browser.TreeView1Change(*table);
      }
    } else if (database->ChildCount() == 0) {
      err << "zelmora-export: nothing to export" << std::endl;
      return exitNothingToExport;
    }

    TExporter exporter(browser, env.createApplication);
    exporter.read = options.read;
    exporter.filter.include = options.include;
    exporter.filter.exclude = options.exclude;
    exporter.filter.excludePartitions = options.noPartitions;
    exporter.indexSheet = options.indexSheet;
    exporter.templateChoice = options.templateChoice;
    exporter.OnProgress = [&err](int n, int total, const std::string& name) {
      err << n << "/" << total << " " << name << std::endl;
    };
    exporter.OnNotice = [&err](const std::string& line) { err << line << std::endl; };
    if (options.document == Document::List)
      exporter.TableListCommand();
    else
      exporter.DefinitionCommand();

    int status = exitOk;
    int written = 0, nothingKept = 0;
    for (const auto& run : exporter.Runs()) {
      if (run.nothingKept) {
        ++nothingKept;
      } else if (run.saved) {
        *env.out << run.target << std::endl;
        ++written;
      } else {
        status = exitExportFailed;
      }
    }
    if (!prompts.Refused().empty() || exporter.Runs().empty()) status = exitExportFailed;
    // The patterns left nothing anywhere: as a schema without tables.
    if (status == exitOk && written == 0 && nothingKept > 0) {
      err << "zelmora-export: no table matches the filters" << std::endl;
      return exitNothingToExport;
    }
    // A reader that shows its own error and carries on (Oracle's) leaves a
    // workbook short of what failed: the run did not succeed.
    if (prompts.MessageCount() > 0) status = exitExportFailed;
    return status;
  } catch (const std::exception& e) {
    err << "zelmora-export: " << e.what() << std::endl;
    return exitExportFailed;
  }
}

}  // namespace zel::cli
