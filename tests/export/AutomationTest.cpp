// The frame of the exports: version detection, file format, target file,
// template extraction and one automation run, with the real engine and with
// a double that reports another version or fails.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include "ExcelDouble.h"
#include "support/WorkbookCheck.h"
#include "common/Resources.h"
#include "export/ExcelAutomation.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

using namespace zel;
using namespace zel::xl;
using zel::test::ExcelDouble;
using zel::test::ExcelJournal;
using zel::test::ScriptedPrompts;
using zel::test::TempDir;

namespace {

// The main window's side of an export, recorded.
struct Window {
  std::string excelVersion;
  ScriptedPrompts prompts;
  TdCommon common{&prompts};
  std::vector<std::string> log, errors;
  int clears = 0;
  ExcelJournal journal;
  std::string doubleVersion;  // empty: the real engine
  bool cannotCreate = false;

  AutomationContext Context() {
    return AutomationContext{excelVersion,
                             prompts,
                             common,
                             [this](const std::string& s) { log.push_back(s); },
                             [this] {
                               log.clear();
                               ++clears;
                             },
                             [this](const std::string& s) { errors.push_back(s); },
                             [this]() -> std::unique_ptr<IExcelApplication> {
                               if (cannotCreate) throw std::runtime_error("class not registered");
                               if (doubleVersion.empty()) return CreateExcelEngine();
                               return std::make_unique<ExcelDouble>(doubleVersion, journal);
                             }};
  }
};

}  // namespace

TEST(Automation, FileFormatFollowsTheVersionText) {
  for (const char* v : {"12.0", "12", "112.5"}) {
    FileFormat f = FileFormatOf(v);
    EXPECT_TRUE(f.excel2007) << v;
    EXPECT_EQ(f.resourceType, "xlsx");
    EXPECT_EQ(f.TemplateFor(DocumentKind::TableList), "obproject2007");
    EXPECT_EQ(f.TemplateFor(DocumentKind::TableDefinition), "obtable2007");
    EXPECT_EQ(f.filterIndex, 1);
    EXPECT_EQ(f.EndingFor(DocumentKind::TableList), ".list.xlsx");
    EXPECT_EQ(f.EndingFor(DocumentKind::TableDefinition), ".xlsx");
  }
  for (const char* v : {"11.0", "14.0", "15.0", "16.0", ""}) {
    FileFormat f = FileFormatOf(v);
    EXPECT_FALSE(f.excel2007) << v;
    EXPECT_EQ(f.resourceType, "xls");
    EXPECT_EQ(f.TemplateFor(DocumentKind::TableList), "obproject");
    EXPECT_EQ(f.TemplateFor(DocumentKind::TableDefinition), "obtable");
    EXPECT_EQ(f.filterIndex, 2);
    EXPECT_EQ(f.EndingFor(DocumentKind::TableList), ".list.xls");
    EXPECT_EQ(f.EndingFor(DocumentKind::TableDefinition), ".xls");
  }
}

TEST(Automation, VersionIsDetectedOncePerRunAndAgainAfterAFailure) {
  Window w;
  w.doubleVersion = "11.0";
  auto ctx = w.Context();
  EXPECT_EQ(GetExcelVersion(ctx), "11.0");
  EXPECT_EQ(w.excelVersion, "11.0");
  EXPECT_EQ(w.journal.calls, (std::vector<std::string>{"Version", "Quit"}));
  EXPECT_EQ(GetExcelVersion(ctx), "11.0");
  EXPECT_EQ(w.journal.created, 1) << "the second export must not start the application";

  Window failing;
  failing.cannotCreate = true;
  auto fctx = failing.Context();
  EXPECT_EQ(GetExcelVersion(fctx), "");
  EXPECT_EQ(failing.errors, (std::vector<std::string>{"Excel未インストール。"}));
  failing.cannotCreate = false;
  failing.doubleVersion = "16.0";
  failing.journal.failAt = "Version";
  EXPECT_EQ(GetExcelVersion(fctx), "");  // a call that raises: Quit is still tried
  EXPECT_TRUE(failing.journal.Called("Quit"));
  EXPECT_EQ(failing.errors.size(), 2u);
  failing.journal.failAt.clear();
  EXPECT_EQ(GetExcelVersion(fctx), "16.0");  // detected again after failures

  Window real;
  auto rctx = real.Context();
  EXPECT_EQ(GetExcelVersion(rctx), "12.0");
}

TEST(Automation, TargetFileSelection) {
  TempDir dir;
  Window w;
  w.excelVersion = "12.0";
  auto ctx = w.Context();
  w.prompts.saveAnswers.push_back(std::nullopt);  // cancelled
  EXPECT_FALSE(SelectTargetFile(ctx, "db1:1521/ORCL", "SCOTT", DocumentKind::TableList));
  ASSERT_EQ(w.prompts.saveDialogs.size(), 1u);
  const SaveDialogRequest& r = w.prompts.saveDialogs[0];
  EXPECT_EQ(r.fileName, "db11521ORCL.SCOTT.list.xlsx");
  EXPECT_EQ(r.title, "テーブル一覧 名前を付けて保存");
  EXPECT_EQ(r.filter, "Excelファイル|*.xlsx|Excel 97-2003 ファイル|*.xls|全てのファイル|*.*");
  EXPECT_EQ(r.filterIndex, 1);
  EXPECT_EQ(r.defaultExt, "xls");
  EXPECT_TRUE(w.prompts.messages.empty());

  w.excelVersion = "11.0";
  std::string fresh = dir.File("sales.dbo.xls");
  w.prompts.saveAnswers.push_back(fresh);
  EXPECT_EQ(SelectTargetFile(ctx, "dbo", "customer", DocumentKind::TableDefinition), fresh);
  EXPECT_EQ(w.prompts.saveDialogs[1].fileName, "dbo.customer.xls");
  EXPECT_EQ(w.prompts.saveDialogs[1].title, "テーブル定義書 名前を付けて保存");
  EXPECT_EQ(w.prompts.saveDialogs[1].filterIndex, 2);

  // An existing file: No keeps it; Yes keeps it too, until a complete
  // workbook takes its place.
  std::string existing = dir.File("keep.xlsx");
  test::WriteFile(existing, "old");
  w.prompts.saveAnswers.push_back(existing);
  w.prompts.messageAnswers.push_back(MsgResult::No);
  EXPECT_FALSE(SelectTargetFile(ctx, "a", "b", DocumentKind::TableList));
  EXPECT_EQ(test::ReadFile(existing), "old");
  ASSERT_EQ(w.prompts.messages.size(), 1u);
  const MessageBoxRequest& q = w.prompts.messages[0];
  EXPECT_EQ(q.text, existing + " は既に存在します。\r上書きしますか？");
  EXPECT_EQ(q.caption, "Zelmora");
  EXPECT_EQ(q.icon, MsgIcon::Question);
  EXPECT_EQ(q.buttons, MsgButtons::YesNo);
  EXPECT_EQ(q.defaultButton, MsgResult::No);

  w.prompts.saveAnswers.push_back(existing);  // no answer queued: the default, No
  EXPECT_FALSE(SelectTargetFile(ctx, "a", "b", DocumentKind::TableList));
  EXPECT_TRUE(test::FileExists(existing));

  w.prompts.saveAnswers.push_back(existing);
  w.prompts.messageAnswers.push_back(MsgResult::Yes);
  EXPECT_EQ(SelectTargetFile(ctx, "a", "b", DocumentKind::TableList), existing);
  EXPECT_EQ(test::ReadFile(existing), "old");

  // A folder is no file to replace: said so before any question, and kept.
  std::string folder = dir.File("folder.xlsx");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  w.prompts.saveAnswers.push_back(folder);
  w.prompts.messageAnswers.push_back(MsgResult::Yes);
  std::size_t before = w.prompts.messages.size();
  EXPECT_FALSE(SelectTargetFile(ctx, "a", "b", DocumentKind::TableList));
  ASSERT_EQ(w.prompts.messages.size(), before + 1);
  EXPECT_EQ(w.prompts.messages.back().text,
            folder + " はフォルダです。保存するファイルの名前を指定してください。");
  EXPECT_EQ(w.prompts.messages.back().icon, MsgIcon::Information);
  EXPECT_EQ(w.prompts.messages.back().buttons, MsgButtons::Ok);
  EXPECT_TRUE(test::FileExists(folder));
}

TEST(Automation, ExtractTemplateCopiesTheResourceByteForByte) {
  TempDir dir;
  Window w;
  auto ctx = w.Context();
  for (auto [type, name] : {std::pair{"xlsx", "obtable2007"},
                            {"XLSX", "OBPROJECT2007"},
                            {"xls", "obtable"},
                            {"xls", "obproject"}}) {
    std::string target = dir.File(std::string(name) + "." + type);
    test::WriteFile(target, "previous content that is longer than nothing");
    ASSERT_TRUE(ExtractTemplate(ctx, name, target, type)) << name;
    EXPECT_EQ(test::ReadFile(target), std::string(*res::Find(type, name))) << name;
  }
  EXPECT_TRUE(w.errors.empty());
  EXPECT_FALSE(ExtractTemplate(ctx, "nosuch", dir.File("x.xlsx"), "xlsx"));
  EXPECT_FALSE(ExtractTemplate(ctx, "obtable2007", dir.File("no/such/folder/x.xlsx"), "xlsx"));
  ASSERT_EQ(w.errors.size(), 2u);
  EXPECT_NE(w.errors[0].find("nosuch"), std::string::npos);
  EXPECT_NE(w.errors[1].find("no/such/folder/x.xlsx"), std::string::npos);
}

TEST(Automation, RunWithTheEngineSavesAndOpensOnTheFirstSheet) {
  TempDir dir;
  Window w;
  auto ctx = w.Context();
  std::string target = dir.File("sales.dbo.xlsx");
  ASSERT_TRUE(ExtractTemplate(ctx, "obtable2007", target, "xlsx"));
  bool ok = RunAutomation(ctx, target, [&](IWorkbook& book) {
    for (int i = 0; i < 2; ++i) book.WorkSheets(1).Copy(book.WorkSheets(book.sheets().count()));
    const char* names[] = {"customer", "orders", "items"};
    for (int i = 1; i <= 3; ++i) {
      book.WorkSheets(i).Cells(4, 3).FormulaR1C1(names[i - 1]);
      book.WorkSheets(i).Name(names[i - 1]);
    }
    book.WorkSheets(3).Select();  // the run selects the first sheet at the end
  });
  EXPECT_TRUE(ok);
  EXPECT_EQ(w.log, (std::vector<std::string>{"Excel　出力開始", "Excel　出力正常終了。"}));
  EXPECT_EQ(w.clears, 1);
  EXPECT_GE(w.prompts.pendingEvents, 1);
  EXPECT_TRUE(w.prompts.messages.empty());
  auto d = test::DumpWorkbook(target, false);
  ASSERT_TRUE(d.ok()) << d.error;
  EXPECT_EQ(d["sheet.3"], "items");
  EXPECT_EQ(d["active"], "1");
  EXPECT_EQ(d["selected"], "customer");
  EXPECT_EQ(d["orders!C4"], "s:orders");
}

TEST(Automation, AFailureMidwayLeavesTheUnfilledTemplate) {
  TempDir dir;
  Window w;
  auto ctx = w.Context();
  std::string target = dir.File("t.xlsx");
  ASSERT_TRUE(ExtractTemplate(ctx, "obtable2007", target, "xlsx"));
  const std::string pristine = test::ReadFile(target);
  bool ok = RunAutomation(ctx, target, [&](IWorkbook& book) {
    book.WorkSheets(1).Copy(book.WorkSheets(1));
    book.WorkSheets(1).Cells(4, 3).FormulaR1C1("written before the failure");
    book.WorkSheets(2).Name("bad:name");  // Excel refuses the name
  });
  EXPECT_FALSE(ok);
  ASSERT_EQ(w.log.size(), 2u);
  EXPECT_EQ(w.log.back(), "Excel　出力異常終了。");
  ASSERT_EQ(w.prompts.messages.size(), 1u);
  EXPECT_EQ(w.prompts.messages[0].caption, "Zelmora");
  EXPECT_EQ(w.prompts.messages[0].icon, MsgIcon::Information);
  EXPECT_NE(w.prompts.messages[0].text.find("bad:name"), std::string::npos);
  EXPECT_EQ(test::ReadFile(target), pristine);

  // A target that is no workbook (the 97-2003 template handed to our engine).
  std::string xls = dir.File("t.xls");
  ASSERT_TRUE(ExtractTemplate(ctx, "obtable", xls, "xls"));
  EXPECT_FALSE(RunAutomation(ctx, xls, [](IWorkbook&) {}));
  EXPECT_NE(w.prompts.messages.back().text.find("the .xls format cannot be opened"),
            std::string::npos);

  // The application cannot be started at all.
  w.cannotCreate = true;
  EXPECT_FALSE(RunAutomation(ctx, target, [](IWorkbook&) {}));
  EXPECT_EQ(w.log.back(), "Excel　出力異常終了。");
}

TEST(Automation, The97To2003BranchPlacesTheXlsTemplateAndDrivesTheApplication) {
  TempDir dir;
  Window w;
  w.doubleVersion = "11.0";
  auto ctx = w.Context();
  ASSERT_EQ(GetExcelVersion(ctx), "11.0");
  FileFormat f = FileFormatOf(w.excelVersion);
  std::string target = dir.File("host.SCOTT.xls");
  w.prompts.saveAnswers.push_back(target);
  auto chosen = SelectTargetFile(ctx, "host", "SCOTT", DocumentKind::TableDefinition);
  ASSERT_EQ(chosen, target);
  ASSERT_TRUE(
      ExtractTemplate(ctx, f.TemplateFor(DocumentKind::TableDefinition), target, f.resourceType));
  EXPECT_EQ(test::ReadFile(target), std::string(*res::Find("XLS", "obtable")));
  EXPECT_NE(test::ReadFile(target), std::string(*res::Find("XLSX", "obtable2007")));

  w.journal.calls.clear();
  EXPECT_TRUE(RunAutomation(
      ctx, target, [](IWorkbook& book) { book.WorkSheets(1).Cells(8, 1).FormulaR1C1("1"); }));
  EXPECT_EQ(w.journal.calls,
            (std::vector<std::string>{"Visible(0)", "Open(" + target + ")", "Workbooks(1)",
                                      "WorkSheets(1)", "Cells(8,1)=1", "WorkSheets(1)", "Select(1)",
                                      "Close(1)", "Quit"}));

  // On failure: discard, then quit, each failure of those ignored.
  w.journal.calls.clear();
  w.journal.failAt = "Cells";
  EXPECT_FALSE(RunAutomation(
      ctx, target, [](IWorkbook& book) { book.WorkSheets(1).Cells(8, 1).FormulaR1C1("1"); }));
  EXPECT_TRUE(w.journal.Called("Close(0)"));
  EXPECT_TRUE(w.journal.Called("Quit"));
  EXPECT_FALSE(w.journal.Called("Close(1)"));
  w.journal.failAt = "Close";  // the save fails; the clean-up Close fails too
  EXPECT_FALSE(RunAutomation(ctx, target, [](IWorkbook&) {}));
  EXPECT_EQ(w.log.back(), "Excel　出力異常終了。");
  EXPECT_TRUE(w.journal.Called("Quit"));
}
