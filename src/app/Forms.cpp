#include "app/Forms.h"

#include "db/DynamicLibrary.h"
#include "export/ExcelAutomation.h"

namespace zel {

ClientLibraryState ProbeMySqlClientLibrary() {
  ClientLibraryState state;
  for (const char* name : {"libmariadb.so.3", "libmysqlclient.so.21"}) {
    state.fileName = name;
    DynamicLibrary library;
    if (library.Open(name)) {
      state.loaded = true;
      break;
    }
  }
  if (!state.loaded) state.fileName = "libmariadb.so.3";
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
