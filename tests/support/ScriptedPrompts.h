#pragma once
// A prompts double: records every call and answers from queues. An empty
// queue answers the way a user who just presses Enter/Cancel would.
#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "common/Prompts.h"

namespace zel::test {

class ScriptedPrompts : public IPrompts {
 public:
  std::vector<MessageBoxRequest> messages;
  std::vector<SaveDialogRequest> saveDialogs;
  int logonDialogs = 0;
  int busyOn = 0, busyOff = 0, pendingEvents = 0;
  bool busy = false;

  std::deque<MsgResult> messageAnswers;                 // default: the box's default button
  std::deque<std::optional<std::string>> saveAnswers;   // default: cancel
  std::deque<std::optional<LogonValues>> logonAnswers;  // default: cancel

  MsgResult MessageBox(const MessageBoxRequest& request) override;
  std::optional<std::string> SaveFileDialog(const SaveDialogRequest& request) override;
  std::optional<LogonValues> LogonDialog() override;
  void SetBusy(bool on) override;
  void ProcessPendingEvents() override { ++pendingEvents; }

  std::vector<std::string> MessageTexts() const;
};

}  // namespace zel::test
