#pragma once
// The two export commands of the main window and the exports behind them:
// the table list of a schema, and the table definition document of a schema
// or one table. Both re-read the catalog through the browser's loaders and
// copy the grid cells into a workbook made from a template.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalog/Browser.h"
#include "xlsx/ExcelApplication.h"
#include "export/ExcelAutomation.h"

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
  };
  const std::vector<Run>& Runs() const { return runs_; }
  // Called as each worksheet (definitions) or workbook (list) starts:
  // n of total, and the table's or schema's name.
  std::function<void(int n, int total, const std::string& name)> OnProgress;
  void ClearRuns() { runs_.clear(); }

 private:
  xl::AutomationContext Context();

  TBrowser& browser_;
  ApplicationFactory createApplication_;
  std::vector<Run> runs_;
  std::pair<int, int> listPosition_{1, 1};  // of a database-level list command
};

}  // namespace zel
