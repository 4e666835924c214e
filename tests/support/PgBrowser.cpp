#include "support/PgBrowser.h"

#include "catalog/postgres/PostgresReader.h"

namespace zel::test {

PgBrowser::PgBrowser(const PgServer& srv, const std::string& database, const std::string& password,
                     const std::string& settingsFolder) {
  if (!settingsFolder.empty()) common.SetProgramFolder(settingsFolder);
  ReaderRegistry registry;
  registry.Register(dkPostgres, TPostgresReader::Factory());
  browser = std::make_unique<TBrowser>(common, prompts, std::move(registry));
  LogonValues v;
  v.kind = dkPostgres;
  v.postgres.host = srv.host;
  v.postgres.port = srv.port;
  v.postgres.userName = srv.user;
  v.postgres.password = password.empty() ? srv.password : password;
  v.postgres.databaseName = database;
  prompts.logonAnswers.push_back(v);
  browser->Connect();
}

TTreeNode* PgBrowser::Select(TTreeNode* parent, const std::string& text) {
  TTreeNode* n = FindChild(parent, text);
  if (n) browser->TreeView1Change(*n);
  return n;
}

TTreeNode* FindChild(const TTreeNode* parent, const std::string& text) {
  for (int i = 0; parent && i < parent->ChildCount(); ++i)
    if (parent->Child(i)->Text() == text) return parent->Child(i);
  return nullptr;
}

std::vector<std::string> ChildTexts(const TTreeNode* node) {
  std::vector<std::string> out;
  for (int i = 0; node && i < node->ChildCount(); ++i) out.push_back(node->Child(i)->Text());
  return out;
}

}  // namespace zel::test
