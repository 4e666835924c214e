#pragma once
// The two export commands of the main window and the exports behind them:
// the table list of a schema, and the table definition document of a schema
// or one table. Both re-read the catalog through the browser's loaders and
// copy the grid cells into a workbook made from a template.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "catalog/Browser.h"
#include "catalog/SchemaRows.h"
#include "export/ExcelAutomation.h"
#include "export/ExportSettings.h"
#include "export/TableFilter.h"
#include "xlsx/ExcelApplication.h"

namespace zel {

class TExporter {
 public:
  using ApplicationFactory = std::function<std::unique_ptr<xl::IExcelApplication>()>;

  explicit TExporter(TBrowser& browser,
                     ApplicationFactory createApplication = xl::CreateExcelEngine);

  // "テーブル一覧出力": by the level of FCurrentNode.
  void TableListCommand();
  // "テーブル定義書出力": by the level of FCurrentNode.
  void DefinitionCommand();

  // How a definition export of a schema reads its columns (see
  // CatalogRead); unset takes the settings file's [catalog] read.
  std::optional<CatalogRead> read;
  // The [catalog] read value: "per-table" reads as browsing does, anything
  // else (or nothing) in bulk.
  static CatalogRead ReadSetting(const TdCommon& common);
  CatalogRead ReadMode() const { return read ? *read : ReadSetting(browser_.Common()); }
  // The template of this exporter's runs in place of the settings file's
  // exporttype (the command's --template); unset takes the file's.
  std::optional<int> templateChoice;

  // Which tables the documents of a schema cover; the settings'
  // ExcludePartitions joins it at each export. A table node's own document
  // is never filtered.
  TableFilter filter;
  // The 目次 sheet of definition documents: set, over the settings.
  std::optional<bool> indexSheet;

  // FExcelVersion, asking the application once when it is not known yet
  // (the export settings command presets its file filter from it).
  std::string DetectExcelVersion();

  void ExportTableList(TTreeNode& node);
  void ExportTableDefinitions(TTreeNode& node);

  // What became of each workbook an export set out to write, in order; the
  // command line reports from it.
  struct Run {
    std::string target;  // empty when no target was chosen
    bool saved = false;  // the document step ran to its end and was saved
    bool nothingKept = false;  // the filter left no table: nothing was written
  };
  const std::vector<Run>& Runs() const { return runs_; }
  // Called as each worksheet (definitions) or workbook (list) starts:
  // n of total, and the table's or schema's name.
  std::function<void(int n, int total, const std::string& name)> OnProgress;
  // Called with each log line that warns of something the user should know
  // (a table whose sheet had to take another name).
  std::function<void(const std::string& line)> OnNotice;
  void ClearRuns() { runs_.clear(); }

  // True while a command runs. The window keeps handling input during a run
  // (the sheets let pending events through), so a command that arrives then
  // is ignored rather than started inside the running one.
  bool Running() const { return running_; }
  // Ends the running command at the next pending-events point through the
  // failure path ("出力を中止しました。"); a database-level command ends its
  // remaining schemas too. Quiet: without the message box (the window is
  // closing). Nothing happens when no command runs.
  void RequestStop(bool quiet = false);
  bool StopRequested() const { return stop_ != Stop::None; }

 private:
  xl::AutomationContext Context();
  // The settings file's [ExcelSet], with templateChoice applied.
  ExportSettings Settings();
  // The settings checked as a definition export starts (SettingsCheck.h);
  // a problem is shown and ends the export, and the command it belongs to.
  bool DefinitionSettingsUsable();
  // The sheets' pending-events point: lets the window work, then ends the
  // run when a stop was asked for meanwhile.
  void ProcessEventsOrStop();
  // The export's filter with the settings' partitions choice.
  TableFilter FilterFor(const ExportSettings& settings) const;
  // Tells that the filter left no table of `schema` and records the run.
  void NothingKept(TTreeNode& schema, const std::string& target);

  enum class Stop { None, Loud, Quiet };

  TBrowser& browser_;
  ApplicationFactory createApplication_;
  std::vector<Run> runs_;
  std::pair<int, int> listPosition_{1, 1};  // of a database-level list command
  bool running_ = false;
  Stop stop_ = Stop::None;
};

}  // namespace zel
