#pragma once
// Everything that asks or tells the user goes through this one interface: the
// Qt front end implements it with real dialogs, the command line answers from
// its options, and tests answer from a queue.
#include <functional>
#include <optional>
#include <string>

#include "common/LogonValues.h"

namespace zel {

enum class MsgIcon { None, Information, Question, Warning, Error };
enum class MsgButtons { Ok, YesNo, YesNoCancel };
enum class MsgResult { Ok, Yes, No, Cancel };

struct MessageBoxRequest {
  std::string caption;
  std::string text;
  MsgIcon icon = MsgIcon::Information;
  MsgButtons buttons = MsgButtons::Ok;
  MsgResult defaultButton = MsgResult::Ok;
};

struct SaveDialogRequest {
  std::string title;
  std::string fileName;     // proposed name, no folder
  std::string filter;       // "caption|pattern|caption|pattern..."
  int filterIndex = 1;      // 1-based, as the filter lists them
  std::string defaultExt;   // without the dot
};

class IPrompts {
 public:
  virtual ~IPrompts() = default;

  virtual MsgResult MessageBox(const MessageBoxRequest& request) = 0;
  // The chosen full path, or nothing when the user cancels.
  virtual std::optional<std::string> SaveFileDialog(const SaveDialogRequest& request) = 0;
  // The logon dialog: the values of the page the user confirmed, or nothing
  // when the dialog was cancelled.
  virtual std::optional<LogonValues> LogonDialog() = 0;
  // Hourglass cursor on (true) or back to the default (false).
  virtual void SetBusy(bool busy) = 0;
  // Let the user interface repaint and handle input during a long operation.
  virtual void ProcessPendingEvents() = 0;
};

// The busy cursor for a scope: restored however the operation ends.
class BusyCursor {
 public:
  explicit BusyCursor(IPrompts& prompts) : prompts_(prompts) { prompts_.SetBusy(true); }
  ~BusyCursor() { prompts_.SetBusy(false); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  IPrompts& prompts_;
};

}  // namespace zel
