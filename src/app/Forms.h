#pragma once
// The program's long-lived objects, created in the designed order: the main
// window, the logon dialog, the common services and the export settings
// dialog. The About box is made for each showing.
#include <memory>

#include "app/FrmMain.h"
#include "app/QtPrompts.h"
#include "catalog/Kinds.h"
#include "common/Common.h"
#include "db/ui/LogonForm.h"
#include "export/Exports.h"
#include "export/ui/FrmSet.h"

namespace zel {

// Whether the MySQL client library could be loaded at start, and its name.
// Loading happens once, before any window; UnloadMySQLLibrary at the end.
struct ClientLibraryState {
  bool loaded = false;
  std::string fileName;
};
ClientLibraryState ProbeMySqlClientLibrary();

// Hands the window's export commands, its stop request and its progress
// display to the exporter.
void WireExports(TfrmMain& window, TExporter& exporter);
// Undoes WireExports before either goes away.
void UnwireExports(TfrmMain& window, TExporter& exporter);

class TZelmora {
 public:
  TZelmora(ReaderRegistry readers, ClientLibraryState mySql);
  ~TZelmora();

  // dCommon holds no state; it exists before the windows so that their
  // creation handlers can read the settings file.
  TdCommon dCommon;
  QtPrompts prompts;
  std::unique_ptr<TfrmMain> frmMain;
  std::unique_ptr<TLogonForm> LogonForm;
  std::unique_ptr<TfrmSet> frmSet;
  // The two export commands behind the menu entries and tool buttons.
  std::unique_ptr<TExporter> exporter;
};

}  // namespace zel
