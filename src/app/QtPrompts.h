#pragma once
// The prompts of the program with real Qt dialogs: message boxes, the save
// dialog, the logon dialog and the busy cursor.
#include <QString>
#include <functional>

#include "common/Prompts.h"

class QWidget;

namespace zel {

class TLogonForm;

class QtPrompts : public IPrompts {
 public:
  QtPrompts() = default;
  ~QtPrompts() override;

  // Boxes and dialogs are centred over this window.
  void SetOwner(QWidget* owner) { owner_ = owner; }
  void SetLogonForm(TLogonForm* form) { logonForm_ = form; }

  MsgResult MessageBox(const MessageBoxRequest& request) override;
  std::optional<std::string> SaveFileDialog(const SaveDialogRequest& request) override;
  std::optional<LogonValues> LogonDialog() override;
  void SetBusy(bool busy) override;
  void ProcessPendingEvents() override;

 private:
  QWidget* owner_ = nullptr;
  TLogonForm* logonForm_ = nullptr;
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
