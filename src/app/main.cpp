// Zelmora: documents the tables of a database in Excel workbooks.
#include "app/Application.h"
#include "app/Forms.h"
#include "app/QtPrompts.h"
#include "db/mysql/mysql.h"
#include "db/postgres/PQCompo.h"

int main(int argc, char** argv) {
  // The MySQL client library's load state is known before any window exists.
  zel::ClientLibraryState mySql = zel::ProbeMySqlClientLibrary();

  zel::TApplication app(argc, argv);
  zel::SetUpFonts();
  // The PostgreSQL notification poller hands its work to this thread.
  zel::TPQCompo::SetDefaultSynchronizeHook(zel::RunOnMainThreadAndWait);

  int status = 0;
  {
    zel::TZelmora forms(zel::StandardReaders(), mySql);
    forms.frmMain->show();
    status = app.exec();
  }
  zel::mysql::UnloadMySQLLibrary();
  return status;
}
