#include "db/ui/LogonForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

namespace zel {
namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}
std::string S(const QString& s) {
  return s.toStdString();
}

// The form designer's grid: captions 70 wide at 50 (right-aligned), edits
// at 140, one row every 26 pixels.
constexpr int kRowTop = 12;
constexpr int kRowStep = 26;
int RowY(int row) {
  return kRowTop + row * kRowStep;
}

QLabel* Caption(QWidget* tab, const char* name, const QString& text, int row, int left = 50,
                int width = 70) {
  auto* label = new QLabel(text, tab);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  label->setGeometry(left, RowY(row), width, 21);
  return label;
}

QLineEdit* Edit(QWidget* tab, const char* name, int row, bool password = false) {
  auto* edit = new QLineEdit(tab);
  edit->setObjectName(name);
  edit->setGeometry(140, RowY(row), 141, 21);
  if (password) edit->setEchoMode(QLineEdit::Password);
  return edit;
}

QCheckBox* SaveBox(QWidget* tab, const char* name, int row) {
  auto* box = new QCheckBox(QStringLiteral("パスワードを保存する"), tab);
  box->setObjectName(name);
  box->setGeometry(140, RowY(row), 170, 21);
  return box;
}

QWidget* NewTab(QTabWidget* pages, const char* name, const QString& caption) {
  auto* tab = new QWidget;
  tab->setObjectName(name);
  pages->addTab(tab, caption);
  return tab;
}

}  // namespace

TLogonForm::TLogonForm(TdCommon& common, QWidget* parent) : QDialog(parent), common_(common) {
  setObjectName("LogonForm");
  setWindowTitle(QStringLiteral("Login"));
  setFixedSize(442, 296);
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint);

  PageControl1 = new QTabWidget(this);
  PageControl1->setObjectName("PageControl1");
  PageControl1->setGeometry(53, 24, 337, 199);
  PageControl1->setUsesScrollButtons(false);
  BuildOracleTab();
  BuildSqlServerTab();
  BuildPostgresTab();
  BuildMySqlTab();
  PageControl1->setCurrentIndex(1);  // as designed

  Button1 = new QPushButton(QStringLiteral("ログイン"), this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(100, 244, 75, 25);
  Button1->setDefault(true);
  Button1->setAutoDefault(true);
  Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
  Button2->setObjectName("Button2");
  Button2->setGeometry(268, 244, 75, 25);
  Button2->setAutoDefault(false);
  connect(Button1, &QPushButton::clicked, this, &TLogonForm::Button1Click);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
  connect(cbSqlServerSecurity, &QComboBox::currentIndexChanged, this,
          &TLogonForm::cbSqlServerSecurityChange);

  FormCreate();
}

void TLogonForm::BuildOracleTab() {
  QWidget* tab = NewTab(PageControl1, "TabSheetOracle", QStringLiteral("Oracle"));
  Caption(tab, "Label3", QStringLiteral("ユーザー名"), 0);
  txtUserNameOracle = Edit(tab, "txtUserNameOracle", 0);
  Caption(tab, "Label6", QStringLiteral("パスワード"), 1);
  txtPasswordOracle = Edit(tab, "txtPasswordOracle", 1, true);
  Caption(tab, "Label7", QStringLiteral("ホスト文字列"), 2);
  txtHostNameOracle = Edit(tab, "txtHostNameOracle", 2);
  chkSavePasswordOracle = SaveBox(tab, "chkSavePasswordOracle", 3);
  setTabOrder(txtUserNameOracle, txtPasswordOracle);
  setTabOrder(txtPasswordOracle, txtHostNameOracle);
  setTabOrder(txtHostNameOracle, chkSavePasswordOracle);
}

void TLogonForm::BuildSqlServerTab() {
  QWidget* tab = NewTab(PageControl1, "TabSheetSqlServer", QStringLiteral("SQL Server"));
  Caption(tab, "Label10", QStringLiteral("ホスト名"), 0);
  txtHostNameSqlserver = Edit(tab, "txtHostNameSqlserver", 0);
  Caption(tab, "Label11", QStringLiteral("認証"), 1);
  cbSqlServerSecurity = new QComboBox(tab);
  cbSqlServerSecurity->setObjectName("cbSqlServerSecurity");
  cbSqlServerSecurity->setGeometry(140, RowY(1), 141, 21);
  cbSqlServerSecurity->addItem(QStringLiteral("Sql Server認証"));
  cbSqlServerSecurity->addItem(QStringLiteral("Windows  認証"));
  cbSqlServerSecurity->setCurrentIndex(0);
  lblUserNameSqlServer = Caption(tab, "lblUserNameSqlServer", QStringLiteral("ユーザー名"), 2);
  txtUserNameSqlServer = Edit(tab, "txtUserNameSqlServer", 2);
  lblPasswordSqlserver = Caption(tab, "lblPasswordSqlserver", QStringLiteral("パスワード"), 3);
  txtPasswordSqlserver = Edit(tab, "txtPasswordSqlserver", 3, true);
  chkSavePasswordSqlServer = SaveBox(tab, "chkSavePasswordSqlServer", 4);
  setTabOrder(txtUserNameSqlServer, txtPasswordSqlserver);
  setTabOrder(txtPasswordSqlserver, txtHostNameSqlserver);
  setTabOrder(txtHostNameSqlserver, cbSqlServerSecurity);
  setTabOrder(cbSqlServerSecurity, chkSavePasswordSqlServer);
}

void TLogonForm::BuildPostgresTab() {
  QWidget* tab = NewTab(PageControl1, "TabSheetPostgres", QStringLiteral("Postgres"));
  Caption(tab, "Label1", QStringLiteral("ユーザー名"), 0);
  txtUserNamePostgres = Edit(tab, "txtUserNamePostgres", 0);
  Caption(tab, "Label2", QStringLiteral("パスワード"), 1);
  txtPasswordPostgres = Edit(tab, "txtPasswordPostgres", 1, true);
  Caption(tab, "Label4", QStringLiteral("ホスト名"), 2);
  txtHostNamePostgres = Edit(tab, "txtHostNamePostgres", 2);
  Caption(tab, "Label8", QStringLiteral("データベース名"), 3, 44, 80);
  txtDataBaseNamePostgres = Edit(tab, "txtDataBaseNamePostgres", 3);
  Caption(tab, "Label5", QStringLiteral("port"), 4);
  txtPortPostgres = Edit(tab, "txtPortPostgres", 4);
  chkSavePasswordPostgres = SaveBox(tab, "chkSavePasswordPostgres", 5);
  setTabOrder(txtUserNamePostgres, txtPasswordPostgres);
  setTabOrder(txtPasswordPostgres, txtHostNamePostgres);
  setTabOrder(txtHostNamePostgres, txtPortPostgres);
  setTabOrder(txtPortPostgres, chkSavePasswordPostgres);
  setTabOrder(chkSavePasswordPostgres, txtDataBaseNamePostgres);
}

void TLogonForm::BuildMySqlTab() {
  QWidget* tab = NewTab(PageControl1, "TabSheetMySql", QStringLiteral("Mysql"));
  Caption(tab, "Label12", QStringLiteral("ユーザー名"), 0);
  txtUserNameMySql = Edit(tab, "txtUserNameMySql", 0);
  Caption(tab, "Label13", QStringLiteral("パスワード"), 1);
  txtPasswordMySql = Edit(tab, "txtPasswordMySql", 1, true);
  Caption(tab, "Label14", QStringLiteral("ホスト名"), 2);
  txtHostNameMySql = Edit(tab, "txtHostNameMySql", 2);
  Caption(tab, "Label15", QStringLiteral("port"), 3);
  txtPortMySql = Edit(tab, "txtPortMySql", 3);
  chkSavePasswordMySql = SaveBox(tab, "chkSavePasswordMySql", 4);
  setTabOrder(txtUserNameMySql, txtPasswordMySql);
  setTabOrder(txtPasswordMySql, txtHostNameMySql);
  setTabOrder(txtHostNameMySql, txtPortMySql);
  setTabOrder(txtPortMySql, chkSavePasswordMySql);
}

LogonFormFields TLogonForm::Fields() const {
  LogonFormFields f;
  f.activeTab = PageControl1->currentIndex();
  f.oracle = {S(txtUserNameOracle->text()), S(txtPasswordOracle->text()),
              S(txtHostNameOracle->text())};
  f.sqlServer.userName = S(txtUserNameSqlServer->text());
  f.sqlServer.password = S(txtPasswordSqlserver->text());
  f.sqlServer.host = S(txtHostNameSqlserver->text());
  f.sqlServer.authentication = cbSqlServerSecurity->currentIndex();
  f.postgres = {S(txtUserNamePostgres->text()), S(txtPasswordPostgres->text()),
                S(txtHostNamePostgres->text()), S(txtPortPostgres->text()),
                S(txtDataBaseNamePostgres->text())};
  f.mySql = {S(txtUserNameMySql->text()), S(txtPasswordMySql->text()), S(txtHostNameMySql->text()),
             S(txtPortMySql->text())};
  f.savePassword = {chkSavePasswordOracle->isChecked(), chkSavePasswordSqlServer->isChecked(),
                    chkSavePasswordPostgres->isChecked(), chkSavePasswordMySql->isChecked()};
  return f;
}

void TLogonForm::SetFields(const LogonFormFields& f) {
  PageControl1->setCurrentIndex(f.activeTab);
  txtUserNameOracle->setText(Q(f.oracle.userName));
  txtPasswordOracle->setText(Q(f.oracle.password));
  txtHostNameOracle->setText(Q(f.oracle.host));
  txtUserNameSqlServer->setText(Q(f.sqlServer.userName));
  txtPasswordSqlserver->setText(Q(f.sqlServer.password));
  txtHostNameSqlserver->setText(Q(f.sqlServer.host));
  cbSqlServerSecurity->setCurrentIndex(f.sqlServer.authentication);
  txtUserNamePostgres->setText(Q(f.postgres.userName));
  txtPasswordPostgres->setText(Q(f.postgres.password));
  txtHostNamePostgres->setText(Q(f.postgres.host));
  txtPortPostgres->setText(Q(f.postgres.port));
  txtDataBaseNamePostgres->setText(Q(f.postgres.databaseName));
  txtUserNameMySql->setText(Q(f.mySql.userName));
  txtPasswordMySql->setText(Q(f.mySql.password));
  txtHostNameMySql->setText(Q(f.mySql.host));
  txtPortMySql->setText(Q(f.mySql.port));
  chkSavePasswordOracle->setChecked(f.savePassword[0]);
  chkSavePasswordSqlServer->setChecked(f.savePassword[1]);
  chkSavePasswordPostgres->setChecked(f.savePassword[2]);
  chkSavePasswordMySql->setChecked(f.savePassword[3]);
  cbSqlServerSecurityChange();
}

LogonValues TLogonForm::Values() const {
  return Fields().Values(PageControl1->currentIndex() + 1);
}

void TLogonForm::FormCreate() {
  SetFields(LogonFormFields::Load(common_));
}

void TLogonForm::FormClose() {
  Fields().Save(common_);
}

void TLogonForm::done(int result) {
  // Every way out (OK, Cancel, Escape, the close box) passes here.
  FormClose();
  QDialog::done(result);
}

void TLogonForm::Button1Click() {
  databaseKind_ = PageControl1->currentIndex() + 1;
  accept();
}

void TLogonForm::cbSqlServerSecurityChange() {
  const bool sqlAuth = cbSqlServerSecurity->currentIndex() == 0;
  for (QWidget* w : std::initializer_list<QWidget*>{txtUserNameSqlServer, txtPasswordSqlserver,
                                                    lblUserNameSqlServer, lblPasswordSqlserver})
    w->setEnabled(sqlAuth);
}

}  // namespace zel
