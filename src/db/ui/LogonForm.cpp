#include "db/ui/LogonForm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <variant>
#include <vector>

#include "app/QtText.h"

namespace zel {
namespace {

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
  BuildTabs();
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

void TLogonForm::BuildTab(const LogonTab& tab) {
  QWidget* page = NewTab(PageControl1, tab.name, QString::fromUtf8(tab.title));
  std::vector<QWidget*> controls;
  for (size_t i = 0; i < tab.fields.size(); ++i) {
    const LogonField& f = tab.fields[i];
    const int row = static_cast<int>(i);
    if (f.captionName) {
      QLabel* caption = Caption(page, f.captionName, QString::fromUtf8(f.caption), row,
                                f.captionLeft, f.captionWidth);
      if (f.captionOut) *f.captionOut = caption;
    }
    QWidget* control = nullptr;
    if (auto* edit = std::get_if<QLineEdit**>(&f.control)) {
      QLineEdit* line = Edit(page, f.controlName, row, f.password);
      **edit = line;
      control = line;
    } else if (auto* choice = std::get_if<QComboBox**>(&f.control)) {
      auto* box = new QComboBox(page);
      box->setObjectName(f.controlName);
      box->setGeometry(140, RowY(row), 141, 21);
      for (const char* item : f.items) box->addItem(QString::fromUtf8(item));
      box->setCurrentIndex(0);
      **choice = box;
      control = box;
    } else if (auto* save = std::get_if<QCheckBox**>(&f.control)) {
      QCheckBox* box = SaveBox(page, f.controlName, row);
      **save = box;
      control = box;
    }
    controls.push_back(control);
  }
  for (size_t i = 1; i < tab.tabOrder.size(); ++i)
    setTabOrder(controls[tab.tabOrder[i - 1]], controls[tab.tabOrder[i]]);
}

void TLogonForm::BuildTabs() {
  // One row per field, top to bottom; the tab order is the designed one,
  // which is not always the order of the rows.
  const LogonTab tabs[] = {
      {"TabSheetOracle",
       "Oracle",
       {
           {"Label3", "ユーザー名", &txtUserNameOracle, "txtUserNameOracle"},
           {"Label6", "パスワード", &txtPasswordOracle, "txtPasswordOracle", true},
           {"Label7", "ホスト文字列", &txtHostNameOracle, "txtHostNameOracle"},
           {nullptr, nullptr, &chkSavePasswordOracle, "chkSavePasswordOracle"},
       },
       {0, 1, 2, 3}},
      {"TabSheetSqlServer",
       "SQL Server",
       {
           {"Label10", "ホスト名", &txtHostNameSqlserver, "txtHostNameSqlserver"},
           {"Label11",
            "認証",
            &cbSqlServerSecurity,
            "cbSqlServerSecurity",
            false,
            nullptr,
            50,
            70,
            {"Sql Server認証", "Windows  認証"}},
           {"lblUserNameSqlServer", "ユーザー名", &txtUserNameSqlServer, "txtUserNameSqlServer",
            false, &lblUserNameSqlServer},
           {"lblPasswordSqlserver", "パスワード", &txtPasswordSqlserver, "txtPasswordSqlserver",
            true, &lblPasswordSqlserver},
           {nullptr, nullptr, &chkSavePasswordSqlServer, "chkSavePasswordSqlServer"},
       },
       {2, 3, 0, 1, 4}},
      {"TabSheetPostgres",
       "Postgres",
       {
           {"Label1", "ユーザー名", &txtUserNamePostgres, "txtUserNamePostgres"},
           {"Label2", "パスワード", &txtPasswordPostgres, "txtPasswordPostgres", true},
           {"Label4", "ホスト名", &txtHostNamePostgres, "txtHostNamePostgres"},
           {"Label8", "データベース名", &txtDataBaseNamePostgres, "txtDataBaseNamePostgres", false,
            nullptr, 44, 80},
           {"Label5", "port", &txtPortPostgres, "txtPortPostgres"},
           {nullptr, nullptr, &chkSavePasswordPostgres, "chkSavePasswordPostgres"},
       },
       {0, 1, 2, 4, 5, 3}},
      {"TabSheetMySql",
       "Mysql",
       {
           {"Label12", "ユーザー名", &txtUserNameMySql, "txtUserNameMySql"},
           {"Label13", "パスワード", &txtPasswordMySql, "txtPasswordMySql", true},
           {"Label14", "ホスト名", &txtHostNameMySql, "txtHostNameMySql"},
           {"Label15", "port", &txtPortMySql, "txtPortMySql"},
           {nullptr, nullptr, &chkSavePasswordMySql, "chkSavePasswordMySql"},
       },
       {0, 1, 2, 3, 4}},
  };
  for (const LogonTab& tab : tabs) BuildTab(tab);
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
