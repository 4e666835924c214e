#include "support/ScriptedPrompts.h"

namespace zel::test {

MsgResult ScriptedPrompts::MessageBox(const MessageBoxRequest& request) {
  messages.push_back(request);
  if (messageAnswers.empty()) return request.defaultButton;
  MsgResult r = messageAnswers.front();
  messageAnswers.pop_front();
  return r;
}

std::optional<std::string> ScriptedPrompts::SaveFileDialog(const SaveDialogRequest& request) {
  saveDialogs.push_back(request);
  if (saveAnswers.empty()) return std::nullopt;
  auto r = saveAnswers.front();
  saveAnswers.pop_front();
  return r;
}

std::optional<LogonValues> ScriptedPrompts::LogonDialog() {
  ++logonDialogs;
  if (logonAnswers.empty()) return std::nullopt;
  auto r = logonAnswers.front();
  logonAnswers.pop_front();
  return r;
}

void ScriptedPrompts::SetBusy(bool on) {
  busy = on;
  ++(on ? busyOn : busyOff);
}

std::vector<std::string> ScriptedPrompts::MessageTexts() const {
  std::vector<std::string> out;
  for (const auto& m : messages) out.push_back(m.text);
  return out;
}

}  // namespace zel::test
