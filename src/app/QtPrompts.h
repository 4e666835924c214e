#pragma once
// The prompts of the program with real Qt dialogs: message boxes, the save
// dialog, the logon dialog and the busy cursor.
#include <QString>
#include <functional>

#include "common/Prompts.h"

class QWidget;

namespace zel {

class TLogonForm;
class TdCommon;

class QtPrompts : public IPrompts {
 public:
  QtPrompts() = default;
  ~QtPrompts() override;

  // Boxes and dialogs are centred over this window.
  void SetOwner(QWidget* owner) { owner_ = owner; }
  void SetLogonForm(TLogonForm* form) { logonForm_ = form; }
  // Where the save dialog's last folder is kept between runs (Zel.ini,
  // section "dialogs"); without it the folder is kept for this run only.
  void SetCommon(const TdCommon* common) { common_ = common; }
  // The folder the save dialog opens in: the one last used for an export,
  // else the user's home folder.
  QString ExportFolder() const;

  MsgResult MessageBox(const MessageBoxRequest& request) override;
  std::optional<std::string> SaveFileDialog(const SaveDialogRequest& request) override;
  std::optional<LogonValues> LogonDialog() override;
  void SetBusy(bool busy) override;
  void ProcessPendingEvents() override;

 private:
  QWidget* owner_ = nullptr;
  TLogonForm* logonForm_ = nullptr;
  const TdCommon* common_ = nullptr;
  bool busy_ = false;
  QString lastFolder_;
};

// "a|*.x|b|*.y" -> "a (*.x);;b (*.y)", the way QFileDialog lists filters.
QStringList QtFilters(const std::string& filter);

// Runs the routine on the thread of the application object and waits for it;
// runs it at once when called there (or when there is no application). An
// exception thrown by the routine reaches the caller.
void RunOnMainThreadAndWait(std::function<void()> routine);

}  // namespace zel
