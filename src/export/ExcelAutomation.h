#pragma once
// What the two exports share around the spreadsheet application: detecting
// its version once per run, the file format that follows from it, choosing
// the target file, placing a template there, and the frame of one
// automation run with its log lines and failure path.
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

#include "common/Common.h"
#include "common/Prompts.h"
#include "export/TargetFile.h"
#include "xlsx/ExcelApplication.h"

namespace zel::xl {

// The main window's part in an export, passed in so this code does not
// depend on the window.
struct AutomationContext {
  std::string& excelVersion;  // FExcelVersion
  IPrompts& prompts;          // message boxes, the save dialog, pending events
  const TdCommon& common;     // CleanFileName
  std::function<void(const std::string&)> writeLog;   // WriteLog
  std::function<void()> clearLog;                     // empties the log pane
  std::function<void(const std::string&)> showError;  // ShowError
  // Creates "Excel.Application"; may throw or return null when it cannot.
  std::function<std::unique_ptr<IExcelApplication>()> createApplication;
};

enum class DocumentKind { TableList, TableDefinition };

inline constexpr const char* kStoppedMessage = "出力を中止しました。";

// Thrown into a run when the user stops it: the run ends through its failure
// path like any other failure. A quiet stop (the window is closing) writes
// the log line but shows no message box.
class EExportStopped : public std::runtime_error {
 public:
  explicit EExportStopped(bool quiet) : std::runtime_error(kStoppedMessage), quiet_(quiet) {}
  bool Quiet() const { return quiet_; }

 private:
  bool quiet_;
};

struct FileFormat {
  bool excel2007 = false;          // .xlsx; otherwise the 97-2003 format (.xls)
  std::string resourceType;        // "xlsx" / "xls"
  std::string listTemplate;        // "obproject2007" / "obproject"
  std::string definitionTemplate;  // "obtable2007" / "obtable"
  // The detailed (詳細) templates: "obprojectdetail2007" / "obprojectdetail"
  // and "obtabledetail2007" / "obtabledetail".
  std::string detailedListTemplate;
  std::string detailedDefinitionTemplate;
  int filterIndex = 0;             // 1 / 2 in the save dialog's filter
  std::string listEnding;          // ".list.xlsx" / ".list.xls"
  std::string definitionEnding;    // ".xlsx" / ".xls"

  const std::string& TemplateFor(DocumentKind k) const {
    return k == DocumentKind::TableList ? listTemplate : definitionTemplate;
  }
  const std::string& EndingFor(DocumentKind k) const {
    return k == DocumentKind::TableList ? listEnding : definitionEnding;
  }
};

// The 2007 format when the version text contains "12" anywhere (so 14.0 or
// 16.0 select 97-2003, as 11.0 does).
FileFormat FileFormatOf(const std::string& excelVersion);

inline constexpr const char* kSaveDialogFilter =
    "Excelファイル|*.xlsx|Excel 97-2003 ファイル|*.xls|全てのファイル|*.*";

// FExcelVersion when known; otherwise starts the application once to ask.
// A failure shows "Excel未インストール。" and gives the empty text. The
// result is also stored into ctx.excelVersion (callers store it as well).
std::string GetExcelVersion(AutomationContext& ctx);

// Default name, save dialog, the checks of the chosen path (no device, pipe
// or folder, not the model workbook `modelPath`) and the overwrite question.
// Nothing when the user cancels, refuses to overwrite, or the path is
// refused (after saying why). The existing file stays until a complete new
// one replaces it.
std::optional<std::string> SelectTargetFile(AutomationContext& ctx, const std::string& parentText,
                                            const std::string& nodeText, DocumentKind kind,
                                            const std::string& modelPath = {});

// The temporary file the workbook for `target` is built in, beside it;
// null after "%s アクセスできません。" when none can be made there, so an
// unwritable target is reported before anything is read.
std::unique_ptr<TTargetFile> ReserveTargetFile(AutomationContext& ctx, const std::string& target);

// Copies a template resource byte for byte to the target path. A failure is
// shown through showError and gives false.
bool ExtractTemplate(AutomationContext& ctx, const std::string& resourceName,
                     const std::string& targetPath, const std::string& resourceType);

// One run: start the application hidden, open the target, run the document
// step on the workbook, select the first worksheet, save in place, quit.
// Any exception takes the failure path (log line, message box, discard,
// quit) and gives false; the target then keeps what it held before the run.
bool RunAutomation(AutomationContext& ctx, const std::string& targetPath,
                   const std::function<void(IWorkbook&)>& documentStep);
// The same on the temporary file of a target; the saved file then takes the
// target's place before the run counts as done. Messages name the target.
bool RunAutomation(AutomationContext& ctx, TTargetFile& file,
                   const std::function<void(IWorkbook&)>& documentStep);

}  // namespace zel::xl
