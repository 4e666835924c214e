#pragma once
// The prompts of the command line: the logon dialog answers from the
// options, the save dialog picks the target from --out, and messages go to
// standard error.
#include <string>
#include <vector>

#include "cli/Options.h"
#include "common/Prompts.h"

namespace zel::cli {

class CliPrompts : public IPrompts {
 public:
  CliPrompts(const Options& options, std::string password, bool severalWorkbooks);

  MsgResult MessageBox(const MessageBoxRequest& request) override;
  std::optional<std::string> SaveFileDialog(const SaveDialogRequest& request) override;
  std::optional<LogonValues> LogonDialog() override;
  void SetBusy(bool) override {}
  void ProcessPendingEvents() override {}

  // Targets refused because a file was there and --force was not given.
  const std::vector<std::string>& Refused() const { return refused_; }
  int MessageCount() const { return messages_; }

 private:
  const Options& options_;
  std::string password_;
  bool several_;
  std::vector<std::string> refused_;
  int messages_ = 0;
};

// Where the workbook with the proposed name goes.
std::string TargetPath(const Options& options, bool severalWorkbooks, const std::string& proposed);

}  // namespace zel::cli
