#include "app/Forms.h"

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

TZelmora::TZelmora(ReaderRegistry readers, ClientLibraryState mySql) : dCommon(&prompts) {
  frmMain = std::make_unique<TfrmMain>(dCommon, prompts, std::move(readers));
  frmMain->Browser().mySqlLibraryLoaded = mySql.loaded;
  frmMain->Browser().mySqlLibraryName = mySql.fileName;
  prompts.SetOwner(frmMain.get());
  LogonForm = std::make_unique<TLogonForm>(dCommon);
  prompts.SetLogonForm(LogonForm.get());
  frmSet = std::make_unique<TfrmSet>(dCommon);
  frmMain->SetSettingsDialog(frmSet.get());

  exporter = std::make_unique<TExporter>(frmMain->Browser());
  frmMain->tableListExport = [this] { exporter->TableListCommand(); };
  frmMain->definitionExport = [this] { exporter->DefinitionCommand(); };
  frmMain->detectExcelVersion = [this] { return exporter->DetectExcelVersion(); };
}

TZelmora::~TZelmora() {
  if (frmMain) {
    frmMain->tableListExport = nullptr;
    frmMain->definitionExport = nullptr;
    frmMain->detectExcelVersion = nullptr;
  }
  exporter.reset();
  prompts.SetLogonForm(nullptr);
  prompts.SetOwner(nullptr);
  if (frmMain) frmMain->SetSettingsDialog(nullptr);
}

}  // namespace zel
