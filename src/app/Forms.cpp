#include "app/Forms.h"

#include "catalog/PostgresReader.h"
#include "db/DynamicLibrary.h"

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
}

TZelmora::~TZelmora() {
  prompts.SetLogonForm(nullptr);
  prompts.SetOwner(nullptr);
  if (frmMain) frmMain->SetSettingsDialog(nullptr);
}

}  // namespace zel
