#include "db/ui/LogonForm.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

#include "app/QtPrompts.h"
#include "common/IniFile.h"
#include "common/Text.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

namespace zel {
namespace {

class LogonFormTest : public ::testing::Test {
 protected:
  LogonFormTest() : common(&prompts) { common.SetProgramFolder(dir.Path()); }

  std::string Ini() const { return common.SettingsPath(TdCommon::SettingsFileName()); }
  std::string Stored(std::string_view section, std::string_view key) const {
    return IniFile::Read(Ini(), section, key);
  }
  void Store(std::string_view section, std::string_view key, std::string_view value) {
    ASSERT_TRUE(IniFile::Write(Ini(), section, key, value));
  }

  test::TempDir dir;
  test::ScriptedPrompts prompts;
  TdCommon common;
};

TEST_F(LogonFormTest, FirstStartShowsTheDefaults) {
  TLogonForm form(common);
  EXPECT_EQ(form.windowTitle(), "Login");
  EXPECT_EQ(form.PageControl1->currentIndex(), 0) << "Oracle when nothing is stored";
  EXPECT_EQ(form.PageControl1->count(), 4);
  const char* tabs[] = {"Oracle", "SQL Server", "Postgres", "Mysql"};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(form.PageControl1->tabText(i), tabs[i]);
  for (QLineEdit* e :
       {form.txtUserNameOracle, form.txtPasswordOracle, form.txtHostNameOracle,
        form.txtUserNameSqlServer, form.txtPasswordSqlserver, form.txtHostNameSqlserver,
        form.txtUserNamePostgres, form.txtPasswordPostgres, form.txtHostNamePostgres,
        form.txtUserNameMySql, form.txtPasswordMySql, form.txtHostNameMySql})
    EXPECT_TRUE(e->text().isEmpty()) << e->objectName().toStdString();
  EXPECT_EQ(form.txtPortPostgres->text(), "5432");
  EXPECT_EQ(form.txtDataBaseNamePostgres->text(), "postgres");
  EXPECT_EQ(form.txtPortMySql->text(), "3306");
  EXPECT_EQ(form.cbSqlServerSecurity->currentIndex(), 0);
  EXPECT_EQ(form.cbSqlServerSecurity->currentText(), "Sql Server認証");
  EXPECT_EQ(form.cbSqlServerSecurity->itemText(1), "Windows  認証");
  for (QWidget* w :
       std::initializer_list<QWidget*>{form.txtUserNameSqlServer, form.txtPasswordSqlserver,
                                       form.lblUserNameSqlServer, form.lblPasswordSqlserver})
    EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
  for (QCheckBox* c : {form.chkSavePasswordOracle, form.chkSavePasswordSqlServer,
                       form.chkSavePasswordPostgres, form.chkSavePasswordMySql})
    EXPECT_FALSE(c->isChecked()) << c->objectName().toStdString();
  for (QLineEdit* p : {form.txtPasswordOracle, form.txtPasswordSqlserver, form.txtPasswordPostgres,
                       form.txtPasswordMySql})
    EXPECT_EQ(p->echoMode(), QLineEdit::Password);
  EXPECT_EQ(form.DatabaseKind(), dkNone);
  EXPECT_FALSE(test::FileExists(Ini())) << "creating the dialog only reads";
}

TEST_F(LogonFormTest, StoredTabIndex) {
  for (auto [stored, tab] : {std::pair{"7", 1},
                             {"x", 0},
                             {"", 0},
                             {"2", 2},
                             {" 3 ", 3},
                             {"-1", 1},
                             {"4", 1},
                             {"0", 0}}) {
    Store("lastlogin", "dbtype", stored);
    TLogonForm form(common);
    EXPECT_EQ(form.PageControl1->currentIndex(), tab) << "dbtype=" << stored;
  }
}

TEST_F(LogonFormTest, WindowsAuthenticationDisablesUserAndPassword) {
  Store("sqlserver", "username", "sa");
  Store("sqlserver", "password", TdCommon::ScramblePassword("secret"));
  TLogonForm form(common);
  form.cbSqlServerSecurity->setCurrentIndex(1);
  for (QWidget* w :
       std::initializer_list<QWidget*>{form.txtUserNameSqlServer, form.txtPasswordSqlserver,
                                       form.lblUserNameSqlServer, form.lblPasswordSqlserver})
    EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
  EXPECT_TRUE(form.chkSavePasswordSqlServer->isEnabled());
  EXPECT_EQ(form.txtUserNameSqlServer->text(), "sa") << "the values stay";
  EXPECT_EQ(form.txtPasswordSqlserver->text(), "secret");

  form.show();
  form.reject();
  EXPECT_EQ(Stored("sqlserver", "authentication"), "1");
  EXPECT_EQ(Stored("sqlserver", "username"), "sa") << "disabled values are still saved";
  EXPECT_EQ(TdCommon::UnscramblePassword(Stored("sqlserver", "password")), "secret");

  TLogonForm again(common);
  EXPECT_EQ(again.cbSqlServerSecurity->currentIndex(), 1);
  EXPECT_FALSE(again.txtUserNameSqlServer->isEnabled()) << "the rule runs on creation";
  again.cbSqlServerSecurity->setCurrentIndex(0);
  EXPECT_TRUE(again.txtUserNameSqlServer->isEnabled());
  EXPECT_TRUE(again.lblPasswordSqlserver->isEnabled());

  for (auto [stored, index] : {std::pair{"5", 0}, {"x", 0}, {"-1", 0}, {"1", 1}, {"0", 0}}) {
    Store("sqlserver", "authentication", stored);
    TLogonForm f(common);
    EXPECT_EQ(f.cbSqlServerSecurity->currentIndex(), index) << stored;
  }
}

TEST_F(LogonFormTest, EveryCloseSavesAndOnlyOkSetsTheKind) {
  TLogonForm form(common);
  form.show();
  form.PageControl1->setCurrentIndex(2);
  form.txtUserNamePostgres->setText("ユーザー");
  form.txtHostNamePostgres->setText("db.example");
  form.txtPortPostgres->setText("6543");
  form.txtDataBaseNamePostgres->setText("sales");
  form.Button1->click();
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(form.DatabaseKind(), dkPostgres);
  LogonValues v = form.Values();
  EXPECT_EQ(v.kind, dkPostgres);
  EXPECT_EQ(v.postgres.userName, "ユーザー");
  EXPECT_EQ(v.postgres.port, "6543");
  EXPECT_EQ(v.postgres.databaseName, "sales");

  // Cancel after editing: saved all the same, the kind stays.
  form.show();
  form.PageControl1->setCurrentIndex(3);
  form.txtUserNameMySql->setText("root");
  form.txtPortMySql->setText("");
  form.Button2->click();
  EXPECT_EQ(form.result(), QDialog::Rejected);
  EXPECT_EQ(form.DatabaseKind(), dkPostgres);
  EXPECT_EQ(Stored("lastlogin", "dbtype"), "3");
  EXPECT_EQ(Stored("mysql", "username"), "root");
  EXPECT_EQ(Stored("mysql", "port"), "");
  EXPECT_EQ(Stored("postgre", "username"), "ユーザー");
  EXPECT_EQ(Stored("postgre", "databasename"), "sales");
  EXPECT_EQ(text::Cp932ToUtf8(test::ReadFile(Ini())).find("root") != std::string::npos, true);

  // The close box saves too.
  form.show();
  form.PageControl1->setCurrentIndex(0);
  form.txtHostNameOracle->setText("ORCL");
  form.close();
  EXPECT_EQ(Stored("lastlogin", "dbtype"), "0");
  EXPECT_EQ(Stored("oracle", "host"), "ORCL");

  TLogonForm next(common);
  EXPECT_EQ(next.PageControl1->currentIndex(), 0);
  EXPECT_EQ(next.txtPortMySql->text(), "3306") << "an empty port comes back as the default";
  EXPECT_EQ(next.txtHostNamePostgres->text(), "db.example");
  EXPECT_EQ(next.DatabaseKind(), dkNone);
}

TEST_F(LogonFormTest, PasswordsAreStoredScrambledOnlyWhenTicked) {
  const std::string password = "p ss;=1髙①";
  {
    TLogonForm form(common);
    form.show();
    form.txtPasswordOracle->setText(QString::fromStdString(password));
    form.chkSavePasswordOracle->setChecked(true);
    form.txtPasswordMySql->setText("not kept");
    form.chkSavePasswordPostgres->setChecked(true);  // ticked with an empty password
    form.reject();
  }
  const std::string stored = Stored("oracle", "password");
  EXPECT_EQ(stored.find("pä"), std::string::npos);
  EXPECT_EQ(stored.size() % 2, 0u);
  EXPECT_EQ(stored.size(), 2 + 2 * password.size());  // the UTF-8 bytes
  EXPECT_EQ(Stored("mysql", "password"), "");
  EXPECT_EQ(Stored("postgre", "password").size(), 2u);

  TLogonForm form(common);
  EXPECT_EQ(form.txtPasswordOracle->text().toStdString(), password);
  EXPECT_TRUE(form.chkSavePasswordOracle->isChecked());
  EXPECT_TRUE(form.txtPasswordMySql->text().isEmpty());
  EXPECT_FALSE(form.chkSavePasswordMySql->isChecked());
  EXPECT_FALSE(form.chkSavePasswordPostgres->isChecked())
      << "an empty kept password comes back unticked";

  // Saved again: another text for the same password.
  form.show();
  form.reject();
  const std::string again = Stored("oracle", "password");
  EXPECT_NE(again, stored);
  EXPECT_EQ(TdCommon::UnscramblePassword(again), password);

  // Unticking erases it at the next close.
  form.show();
  form.chkSavePasswordOracle->setChecked(false);
  form.reject();
  EXPECT_EQ(Stored("oracle", "password"), "");
  EXPECT_TRUE(TLogonForm(common).txtPasswordOracle->text().isEmpty());
}

TEST_F(LogonFormTest, FieldsWithoutWidgetsFollowTheSameRules) {
  Store("postgre", "port", "");
  Store("postgre", "password", "garbage!");  // not a scrambled text
  Store("lastlogin", "dbtype", "3");
  LogonFormFields f = LogonFormFields::Load(common);
  EXPECT_EQ(f.activeTab, 3);
  EXPECT_EQ(f.postgres.port, "5432");
  EXPECT_EQ(f.postgres.password, "");
  EXPECT_FALSE(f.savePassword[2]);
  f.sqlServer.authentication = 1;
  f.mySql.password = "m";
  f.savePassword[3] = true;
  f.Save(common);
  LogonFormFields back = LogonFormFields::Load(common);
  EXPECT_EQ(back.sqlServer.authentication, 1);
  EXPECT_EQ(back.mySql.password, "m");
  EXPECT_TRUE(back.savePassword[3]);
  EXPECT_EQ(back.Values(dkMySql).kind, dkMySql);
  EXPECT_EQ(back.Values(dkMySql).mySql.password, "m");
}

TEST_F(LogonFormTest, PromptsShowTheDialogModally) {
  TLogonForm form(common);
  QtPrompts qt;
  qt.SetLogonForm(&form);

  QTimer::singleShot(0, &form, [&] {
    form.PageControl1->setCurrentIndex(1);
    form.txtHostNameSqlserver->setText("sqlhost");
    form.Button1->click();
  });
  std::optional<LogonValues> v = qt.LogonDialog();
  ASSERT_TRUE(v.has_value());
  EXPECT_EQ(v->kind, dkSqlServer);
  EXPECT_EQ(v->sqlServer.host, "sqlhost");
  EXPECT_EQ(v->sqlServer.authentication, 0);

  QTimer::singleShot(0, &form, [&] { form.Button2->click(); });
  EXPECT_FALSE(qt.LogonDialog().has_value());
  EXPECT_EQ(Stored("sqlserver", "host"), "sqlhost");
}

}  // namespace
}  // namespace zel
