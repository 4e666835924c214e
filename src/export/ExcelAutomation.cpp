#include "export/ExcelAutomation.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <system_error>

#include "common/Resources.h"
#include "export/FileProblem.h"

namespace zel::xl {
namespace {

std::string Replace(std::string pattern, const std::string& value) {
  auto at = pattern.find("%s");
  if (at != std::string::npos) pattern.replace(at, 2, value);
  return pattern;
}

}  // namespace

FileFormat FileFormatOf(const std::string& excelVersion) {
  FileFormat f;
  f.excel2007 = excelVersion.find("12") != std::string::npos;
  if (f.excel2007) {
    f.resourceType = "xlsx";
    f.listTemplate = "obproject2007";
    f.definitionTemplate = "obtable2007";
    f.detailedListTemplate = "obprojectdetail2007";
    f.detailedDefinitionTemplate = "obtabledetail2007";
    f.filterIndex = 1;
    f.listEnding = ".list.xlsx";
    f.definitionEnding = ".xlsx";
  } else {
    f.resourceType = "xls";
    f.listTemplate = "obproject";
    f.definitionTemplate = "obtable";
    f.detailedListTemplate = "obprojectdetail";
    f.detailedDefinitionTemplate = "obtabledetail";
    f.filterIndex = 2;
    f.listEnding = ".list.xls";
    f.definitionEnding = ".xls";
  }
  return f;
}

std::string GetExcelVersion(AutomationContext& ctx) {
  if (!ctx.excelVersion.empty()) return ctx.excelVersion;
  std::unique_ptr<IExcelApplication> app;
  try {
    app = ctx.createApplication ? ctx.createApplication() : nullptr;
    if (!app) throw std::runtime_error("Excel.Application cannot be created");
    std::string version = app->Version();
    app->Quit();
    ctx.excelVersion = version;
    return version;
  } catch (...) {
    ctx.showError("Excel未インストール。");
    if (app) {
      try {
        app->Quit();
      } catch (...) {
        // the application may already be gone; nothing more to do
      }
    }
    return {};
  }
}

std::optional<std::string> SelectTargetFile(AutomationContext& ctx, const std::string& parentText,
                                            const std::string& nodeText, DocumentKind kind,
                                            const std::string& modelPath) {
  FileFormat format = FileFormatOf(ctx.excelVersion);
  SaveDialogRequest dialog;
  dialog.fileName = ctx.common.CleanFileName(parentText + "." + nodeText + format.EndingFor(kind));
  dialog.filter = kSaveDialogFilter;
  dialog.filterIndex = format.filterIndex;
  dialog.defaultExt = "xls";
  dialog.title = kind == DocumentKind::TableList ? "テーブル一覧 名前を付けて保存"
                                                 : "テーブル定義書 名前を付けて保存";
  std::optional<std::string> path = ctx.prompts.SaveFileDialog(dialog);
  if (!path || path->empty()) return std::nullopt;

  if (std::string refusal = TargetRefusal(*path, modelPath); !refusal.empty()) {
    ctx.prompts.MessageBox(
        {"Zelmora", refusal, MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok});
    return std::nullopt;
  }
  struct stat st {};
  if (::lstat(path->c_str(), &st) == 0) {
    MessageBoxRequest ask;
    ask.caption = "Zelmora";
    ask.text = Replace("%s は既に存在します。\r上書きしますか？", *path);
    ask.icon = MsgIcon::Question;
    ask.buttons = MsgButtons::YesNo;
    ask.defaultButton = MsgResult::No;
    if (ctx.prompts.MessageBox(ask) != MsgResult::Yes) return std::nullopt;
  }
  return path;
}

std::unique_ptr<TTargetFile> ReserveTargetFile(AutomationContext& ctx, const std::string& target) {
  try {
    return std::make_unique<TTargetFile>(target);
  } catch (const std::system_error& e) {
    // Say why: a missing folder and a folder without rights need different
    // mends from the user.
    ctx.prompts.MessageBox({"Zelmora", "「" + target + "」" + FileErrorReason(e.code().value(), true),
                            MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok});
    return nullptr;
  } catch (const std::exception&) {
    ctx.prompts.MessageBox({"Zelmora", Replace("%s アクセスできません。", target),
                            MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok});
    return nullptr;
  }
}

bool ExtractTemplate(AutomationContext& ctx, const std::string& resourceName,
                     const std::string& targetPath, const std::string& resourceType) {
  try {
    std::optional<std::string_view> data = res::Find(resourceType, resourceName);
    if (!data)
      throw std::runtime_error("the template " + resourceName + " (" + resourceType +
                               ") is missing from the program");
    std::ofstream out(targetPath, std::ios::binary | std::ios::trunc);
    if (!out) throw std::runtime_error("「" + targetPath + "」" + FileErrorReason(errno, true));
    out.write(data->data(), static_cast<std::streamsize>(data->size()));
    out.close();
    if (!out) throw std::runtime_error("「" + targetPath + "」" + FileErrorReason(errno, true));
    return true;
  } catch (const std::exception& e) {
    ctx.showError(e.what());
    return false;
  }
}

namespace {

bool Run(AutomationContext& ctx, const std::string& targetPath,
         const std::function<void(IWorkbook&)>& documentStep, TTargetFile* file) {
  std::unique_ptr<IExcelApplication> app;
  IWorkbook* book = nullptr;
  std::string failure;
  bool quiet = false;
  try {
    if (ctx.clearLog) ctx.clearLog();
    ctx.writeLog("Excel　出力開始");
    ctx.prompts.ProcessPendingEvents();
    app = ctx.createApplication ? ctx.createApplication() : nullptr;
    if (!app) throw std::runtime_error("Excel.Application cannot be created");
    app->Visible(false);
    app->Workbooks().Open(targetPath);
    book = &app->Workbooks(1);
    documentStep(*book);
    {
      // A signal to the command waits for the save and its rename.
      TSignalsDeferred deferred;
      book->WorkSheets(1).Select();
      book->Close(true);
      book = nullptr;
      if (file) file->Commit();
    }
    app->Quit();
    app.reset();
    ctx.writeLog("Excel　出力正常終了。");
    return true;
  } catch (const EExportStopped& e) {
    failure = e.what();
    quiet = e.Quiet();
  } catch (const std::exception& e) {
    failure = e.what();
  } catch (...) {
    failure = "an unknown error ended the export";
  }
  ctx.writeLog("Excel　出力異常終了。");
  // The temporary name means nothing to the user; the file they chose does.
  if (file)
    for (auto at = failure.find(file->TempPath()); at != std::string::npos;
         at = failure.find(file->TempPath(), at + file->Target().size()))
      failure.replace(at, file->TempPath().size(), file->Target());
  if (!quiet)
    ctx.prompts.MessageBox(
        {"Zelmora", failure, MsgIcon::Information, MsgButtons::Ok, MsgResult::Ok});
  if (book) {
    try {
      book->Close(false);
    } catch (...) {
      // failures of the clean-up calls are never reported
    }
  }
  if (app) {
    try {
      app->Quit();
    } catch (...) {
    }
  }
  return false;
}

}  // namespace

bool RunAutomation(AutomationContext& ctx, const std::string& targetPath,
                   const std::function<void(IWorkbook&)>& documentStep) {
  return Run(ctx, targetPath, documentStep, nullptr);
}

bool RunAutomation(AutomationContext& ctx, TTargetFile& file,
                   const std::function<void(IWorkbook&)>& documentStep) {
  return Run(ctx, file.TempPath(), documentStep, &file);
}

}  // namespace zel::xl
