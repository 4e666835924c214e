#pragma once
// The logon dialog: one tab per database kind, created once at start-up and
// shown modally for every connect. Its fields come from the settings file
// when it is created and go back to it whenever it closes, however it closes.
#include <QDialog>
#include <variant>
#include <vector>

#include "common/Common.h"
#include "common/LogonValues.h"
#include "db/ui/LogonSettings.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace zel {

class TLogonForm : public QDialog {
  Q_OBJECT

 public:
  explicit TLogonForm(TdCommon& common, QWidget* parent = nullptr);

  // 0 until the first OK; then the kind of the tab that was confirmed.
  int DatabaseKind() const { return databaseKind_; }
  // The values of every tab as they stand, with the kind of the active tab.
  LogonValues Values() const;

  // The fields as they stand, and putting fields into the controls.
  LogonFormFields Fields() const;
  void SetFields(const LogonFormFields& fields);

  QTabWidget* PageControl1 = nullptr;
  QLineEdit *txtUserNameOracle = nullptr, *txtPasswordOracle = nullptr,
            *txtHostNameOracle = nullptr;
  QCheckBox* chkSavePasswordOracle = nullptr;
  QLineEdit *txtUserNameSqlServer = nullptr, *txtPasswordSqlserver = nullptr,
            *txtHostNameSqlserver = nullptr;
  QLabel *lblUserNameSqlServer = nullptr, *lblPasswordSqlserver = nullptr;
  QComboBox* cbSqlServerSecurity = nullptr;
  QCheckBox* chkSavePasswordSqlServer = nullptr;
  QLineEdit *txtUserNamePostgres = nullptr, *txtPasswordPostgres = nullptr,
            *txtHostNamePostgres = nullptr, *txtPortPostgres = nullptr,
            *txtDataBaseNamePostgres = nullptr;
  QCheckBox* chkSavePasswordPostgres = nullptr;
  QLineEdit *txtUserNameMySql = nullptr, *txtPasswordMySql = nullptr, *txtHostNameMySql = nullptr,
            *txtPortMySql = nullptr;
  QCheckBox* chkSavePasswordMySql = nullptr;
  QPushButton *Button1 = nullptr, *Button2 = nullptr;

 public slots:
  void done(int result) override;

 private slots:
  void Button1Click();
  void cbSqlServerSecurityChange();

 private:
  void FormCreate();
  void FormClose();
  // One row of a logon tab: its caption and the control it labels.
  struct LogonField {
    const char* captionName;  // null: no caption (the save-password box)
    const char* caption;
    std::variant<QLineEdit**, QComboBox**, QCheckBox**> control;
    const char* controlName;
    bool password = false;
    QLabel** captionOut = nullptr;  // for captions the form enables and disables
    int captionLeft = 50, captionWidth = 70;
    std::vector<const char*> items = {};  // of a choice
  };
  struct LogonTab {
    const char* name;
    const char* title;
    std::vector<LogonField> fields;
    std::vector<size_t> tabOrder;  // indexes into fields
  };
  void BuildTabs();
  void BuildTab(const LogonTab& tab);

  TdCommon& common_;
  int databaseKind_ = dkNone;
};

}  // namespace zel
