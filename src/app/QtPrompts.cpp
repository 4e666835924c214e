#include "app/QtPrompts.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <exception>

#include "app/QtText.h"
#include "common/Common.h"
#include "db/ui/LogonForm.h"

namespace zel {
namespace {

QMessageBox::Icon ToQt(MsgIcon icon) {
  switch (icon) {
    case MsgIcon::Information:
      return QMessageBox::Information;
    case MsgIcon::Question:
      return QMessageBox::Question;
    case MsgIcon::Warning:
      return QMessageBox::Warning;
    case MsgIcon::Error:
      return QMessageBox::Critical;
    case MsgIcon::None:
      break;
  }
  return QMessageBox::NoIcon;
}

constexpr const char* kDialogsSection = "dialogs";
constexpr const char* kExportFolderKey = "ExportFolder";

}  // namespace

QtPrompts::~QtPrompts() {
  if (busy_) QApplication::restoreOverrideCursor();
}

MsgResult QtPrompts::MessageBox(const MessageBoxRequest& request) {
  QMessageBox box(ToQt(request.icon), QString::fromStdString(request.caption),
                  QString::fromStdString(request.text), QMessageBox::NoButton, owner_);
  box.setTextFormat(Qt::PlainText);
  if (request.buttons == MsgButtons::YesNo) {
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    box.setDefaultButton(request.defaultButton == MsgResult::No ? no : yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? MsgResult::Yes : MsgResult::No;
  }
  if (request.buttons == MsgButtons::YesNoCancel) {
    QPushButton* yes = box.addButton(QStringLiteral("はい(&Y)"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("いいえ(&N)"), QMessageBox::NoRole);
    QPushButton* cancel = box.addButton(QStringLiteral("キャンセル"), QMessageBox::RejectRole);
    box.setDefaultButton(request.defaultButton == MsgResult::No       ? no
                         : request.defaultButton == MsgResult::Cancel ? cancel
                                                                      : yes);
    box.setEscapeButton(cancel);
    box.exec();
    return box.clickedButton() == yes  ? MsgResult::Yes
           : box.clickedButton() == no ? MsgResult::No
                                       : MsgResult::Cancel;
  }
  QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  box.setEscapeButton(ok);
  box.exec();
  return MsgResult::Ok;
}

QString QtPrompts::ExportFolder() const {
  QString folder = lastFolder_;
  if (common_)
    folder =
        Q(common_->ReadSetting(TdCommon::SettingsFileName(), kDialogsSection, kExportFolderKey));
  // A folder that has gone since is no better than none.
  if (folder.isEmpty() || !QFileInfo(folder).isDir()) folder = QDir::homePath();
  return folder;
}

QStringList QtFilters(const std::string& filter) {
  QStringList parts = QString::fromStdString(filter).split(QLatin1Char('|'));
  QStringList out;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = parts[i + 1];
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    out << parts[i] + QStringLiteral(" (") + patterns + QStringLiteral(")");
  }
  return out;
}

std::optional<std::string> QtPrompts::SaveFileDialog(const SaveDialogRequest& request) {
  QFileDialog dialog(owner_, QString::fromStdString(request.title));
  dialog.setObjectName("SaveDialogExcel");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  // The exports ask their own overwrite question.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  QStringList filters = QtFilters(request.filter);
  dialog.setNameFilters(filters);
  if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
    dialog.selectNameFilter(filters[request.filterIndex - 1]);
  dialog.setDefaultSuffix(QString::fromStdString(request.defaultExt));
  dialog.setDirectory(ExportFolder());
  dialog.selectFile(Q(request.fileName));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  lastFolder_ = QFileInfo(chosen.front()).absolutePath();
  if (common_)
    common_->WriteSetting(TdCommon::SettingsFileName(), kDialogsSection, kExportFolderKey,
                          S(lastFolder_));
  return S(chosen.front());
}

std::optional<LogonValues> QtPrompts::LogonDialog() {
  if (!logonForm_) return std::nullopt;
  if (logonForm_->exec() != QDialog::Accepted) return std::nullopt;
  LogonValues values = logonForm_->Values();
  values.kind = logonForm_->DatabaseKind();
  return values;
}

void QtPrompts::SetBusy(bool busy) {
  if (busy == busy_) return;
  busy_ = busy;
  if (busy)
    QApplication::setOverrideCursor(Qt::WaitCursor);
  else
    QApplication::restoreOverrideCursor();
}

void QtPrompts::ProcessPendingEvents() {
  QCoreApplication::processEvents();
}

void RunOnMainThreadAndWait(std::function<void()> routine) {
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || QThread::currentThread() == app->thread()) {
    routine();
    return;
  }
  std::exception_ptr failure;
  QMetaObject::invokeMethod(
      app,
      [&] {
        try {
          routine();
        } catch (...) {
          failure = std::current_exception();
        }
      },
      Qt::BlockingQueuedConnection);
  if (failure) std::rethrow_exception(failure);
}

}  // namespace zel
