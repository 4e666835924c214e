#include "app/Forms.h"

#include <algorithm>
#include <cstdint>

#include "db/mysql/mysql.h"
#include "export/ExcelAutomation.h"

namespace zel {

ClientLibraryState ProbeMySqlClientLibrary() {
  ClientLibraryState state;
  // Status 2 (some entry point the program never calls is missing, as with
  // MariaDB Connector/C) still connects; only a file that would not load
  // makes the kind unusable.
  const std::uint8_t status = mysql::LoadMySQLLibrary();
  state.loaded = status == mysql::lsSomeMissing || status == mysql::lsAllResolved;
  state.fileName = mysql::LibraryFileName();
  return state;
}

namespace {

// Runs one export command; when the filter left a schema no table, says so
// in a box too: the log line alone is easily missed right after the save
// dialog was answered.
void RunCommandOf(TfrmMain& window, TExporter& exporter, void (TExporter::*command)()) {
  const std::size_t before = exporter.Runs().size();
  (exporter.*command)();
  const std::vector<TExporter::Run>& runs = exporter.Runs();
  if (std::any_of(runs.begin() + static_cast<std::ptrdiff_t>(std::min(before, runs.size())),
                  runs.end(), [](const TExporter::Run& run) { return run.nothingKept; }))
    window.Browser().ShowError("条件に合うテーブルがないため出力しません。");
}

}  // namespace

void WireExports(TfrmMain& window, TExporter& exporter) {
  window.tableListExport = [&window, &exporter] {
    RunCommandOf(window, exporter, &TExporter::TableListCommand);
  };
  window.definitionExport = [&window, &exporter] {
    RunCommandOf(window, exporter, &TExporter::DefinitionCommand);
  };
  window.exportFilter = [&exporter](const std::optional<std::string>& shownOnly) {
    exporter.filter = {};
    if (!shownOnly) return;
    exporter.filter.include = {*shownOnly};
    exporter.filter.plainAsSubstring = true;
  };
  window.detectExcelVersion = [&exporter] { return exporter.DetectExcelVersion(); };
  window.stopExport = [&exporter](bool quiet) { exporter.RequestStop(quiet); };
  exporter.OnProgress = [&window](int n, int total, const std::string& name) {
    window.ShowExportProgress(n, total, name);
  };
}

void UnwireExports(TfrmMain& window, TExporter& exporter) {
  window.tableListExport = nullptr;
  window.definitionExport = nullptr;
  window.exportFilter = nullptr;
  window.detectExcelVersion = nullptr;
  window.stopExport = nullptr;
  exporter.OnProgress = nullptr;
}

TZelmora::TZelmora(ReaderRegistry readers, ClientLibraryState mySql) : dCommon(&prompts) {
  frmMain = std::make_unique<TfrmMain>(dCommon, prompts, std::move(readers));
  frmMain->Browser().mySqlLibraryLoaded = mySql.loaded;
  frmMain->Browser().mySqlLibraryName = mySql.fileName;
  prompts.SetOwner(frmMain.get());
  LogonForm = std::make_unique<TLogonForm>(dCommon);
  prompts.SetLogonForm(LogonForm.get());
  frmSet = std::make_unique<TfrmSet>(dCommon);
  frmMain->SetSettingsDialog(frmSet.get());

  prompts.SetCommon(&dCommon);

  exporter = std::make_unique<TExporter>(frmMain->Browser());
  WireExports(*frmMain, *exporter);
}

TZelmora::~TZelmora() {
  if (frmMain && exporter) UnwireExports(*frmMain, *exporter);
  exporter.reset();
  prompts.SetCommon(nullptr);
  prompts.SetLogonForm(nullptr);
  prompts.SetOwner(nullptr);
  if (frmMain) frmMain->SetSettingsDialog(nullptr);
}

}  // namespace zel
