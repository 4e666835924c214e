#include "app/Forms.h"

#include "catalog/postgres/PostgresReader.h"
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

ReaderRegistry StandardReaders() {
  ReaderRegistry readers;
  readers.Register(dkPostgres, TPostgresReader::Factory());
  return readers;
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

  TBrowser& browser = frmMain->Browser();
  exporter = std::make_unique<TExporter>(browser);
  frmMain->tableListExport = [this] { exporter->TableListCommand(); };
  frmMain->definitionExport = [this] { exporter->DefinitionCommand(); };
  frmMain->detectExcelVersion = [&browser] {
    xl::AutomationContext ctx{
        browser.FExcelVersion,
        browser.Prompts(),
        browser.Common(),
        [&browser](const std::string& line) { browser.WriteLog(line); },
        [&browser] { browser.ClearLog(); },
        [&browser](const std::string& text) { browser.ShowError(text); },
        xl::CreateExcelEngine,
    };
    return xl::GetExcelVersion(ctx);
  };
}

TZelmora::~TZelmora() {
  if (frmMain) {
    frmMain->tableListExport = nullptr;
    frmMain->definitionExport = nullptr;
  }
  exporter.reset();
  prompts.SetLogonForm(nullptr);
  prompts.SetOwner(nullptr);
  if (frmMain) frmMain->SetSettingsDialog(nullptr);
}

}  // namespace zel
