// Where a workbook goes: only ever a regular file that is not the model,
// replaced in one rename once the new workbook is complete, with nothing
// left beside it on any other ending.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <stdexcept>

#include "common/Resources.h"
#include "export/ExcelAutomation.h"
#include "export/TargetFile.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

using namespace zel;
using namespace zel::xl;
using zel::test::ReadFile;
using zel::test::TempDir;
using zel::test::WriteFile;

namespace {

struct Window {
  std::string excelVersion = "12.0";
  test::ScriptedPrompts prompts;
  TdCommon common{&prompts};
  std::vector<std::string> log;

  AutomationContext Context() {
    return AutomationContext{excelVersion,
                             prompts,
                             common,
                             [this](const std::string& s) { log.push_back(s); },
                             [this] { log.clear(); },
                             [this](const std::string& s) {
                               prompts.MessageBox({"Zelmora", s});
                             },
                             [] { return CreateExcelEngine(); }};
  }
  // The target chosen in the save dialog, with `answer` to a question.
  std::optional<std::string> Choose(const std::string& path, MsgResult answer = MsgResult::Yes) {
    prompts.saveAnswers.push_back(path);
    prompts.messageAnswers.push_back(answer);
    AutomationContext ctx = Context();
    auto chosen = SelectTargetFile(ctx, "db", "s", DocumentKind::TableDefinition, model);
    prompts.messageAnswers.clear();
    return chosen;
  }
  std::string LastMessage() const {
    return prompts.messages.empty() ? std::string() : prompts.messages.back().text;
  }
  std::string model;
};

std::set<std::string> Names(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder))
    names.insert(e.path().filename().string());
  return names;
}

mode_t Mode(const std::string& path) {
  struct stat st {};
  EXPECT_EQ(stat(path.c_str(), &st), 0) << path;
  return st.st_mode;
}

bool IsLink(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

TEST(TargetFile, RefusesWhatIsNoRegularFileAndTheModelBeforeAsking) {
  TempDir dir;
  Window w;
  auto refused = [&](const std::string& path, const std::string& reason) {
    const std::size_t before = w.prompts.messages.size();
    EXPECT_FALSE(w.Choose(path)) << path;
    ASSERT_EQ(w.prompts.messages.size(), before + 1) << "one message, no overwrite question";
    EXPECT_EQ(w.LastMessage().rfind(path, 0), 0u) << w.LastMessage();
    EXPECT_NE(w.LastMessage().find(reason), std::string::npos) << w.LastMessage();
  };

  const std::string fifo = dir.File("pipe.xlsx");
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  refused(fifo, "名前付きパイプ");
  EXPECT_TRUE(S_ISFIFO(Mode(fifo)));

  const std::string sock = dir.File("sock.xlsx");
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(sock.size(), sizeof addr.sun_path);
  std::copy(sock.begin(), sock.end(), addr.sun_path);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  refused(sock, "ソケット");
  EXPECT_TRUE(S_ISSOCK(Mode(sock)));
  close(fd);

  // A device node where mknod is allowed here (the same numbers as /dev/full).
  const std::string device = dir.File("full.xlsx");
  if (mknod(device.c_str(), S_IFCHR | 0600, makedev(1, 7)) == 0) {
    refused(device, "デバイス");
    EXPECT_TRUE(S_ISCHR(Mode(device)));
  }

  ASSERT_EQ(mkdir(dir.File("folder.xlsx").c_str(), 0755), 0);
  refused(dir.File("folder.xlsx"), "フォルダ");
  // A link to something that is no file counts as what it leads to.
  ASSERT_EQ(symlink("pipe.xlsx", dir.File("topipe.xlsx").c_str()), 0);
  refused(dir.File("topipe.xlsx"), "名前付きパイプ");
  ASSERT_EQ(symlink("loop2", dir.File("loop1").c_str()), 0);
  ASSERT_EQ(symlink("loop1", dir.File("loop2").c_str()), 0);
  refused(dir.File("loop1"), "アクセスできません");

  // The model workbook, however it is spelled or reached.
  ASSERT_EQ(mkdir(dir.File("m").c_str(), 0755), 0);
  const std::string model = dir.File("m/self.xlsx");
  WriteFile(model, "model bytes");
  w.model = model;
  refused(dir.File("m/../m/./self.xlsx"), "雛形Excelファイル");
  ASSERT_EQ(symlink("m/self.xlsx", dir.File("tomodel.xlsx").c_str()), 0);
  refused(dir.File("tomodel.xlsx"), "雛形Excelファイル");
  EXPECT_EQ(ReadFile(model), "model bytes");

  // Without a model in use it is an ordinary file: the question, and Yes
  // gives it, still in place.
  w.model.clear();
  const std::size_t before = w.prompts.messages.size();
  EXPECT_EQ(w.Choose(dir.File("m/../m/./self.xlsx")), dir.File("m/../m/./self.xlsx"));
  ASSERT_EQ(w.prompts.messages.size(), before + 1);
  EXPECT_EQ(w.prompts.messages.back().buttons, MsgButtons::YesNo);
  EXPECT_EQ(ReadFile(model), "model bytes");
  // A new name passes without a question.
  EXPECT_EQ(w.Choose(dir.File("new.xlsx")), dir.File("new.xlsx"));
  EXPECT_EQ(w.prompts.messages.size(), before + 1);
}

TEST(TargetFile, ReplacesTheTargetInOneRenameOnlyWhenCommitted) {
  TempDir dir;
  const std::string target = dir.File("doc.xlsx");
  WriteFile(target, "earlier");
  ASSERT_EQ(chmod(target.c_str(), 0640), 0);
  {
    TTargetFile file(target);
    EXPECT_EQ(std::filesystem::path(file.TempPath()).parent_path(),
              std::filesystem::path(target).parent_path());
    EXPECT_EQ(Names(dir.Path()).size(), 2u);
    WriteFile(file.TempPath(), "half");
  }
  EXPECT_EQ(ReadFile(target), "earlier");
  EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"doc.xlsx"});

  {
    TTargetFile file(target);
    WriteFile(file.TempPath(), "complete");
    file.Commit();
  }
  EXPECT_EQ(ReadFile(target), "complete");
  EXPECT_EQ(Mode(target) & 07777, 0640u) << "the earlier file's permissions stay";
  EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"doc.xlsx"});

  // A new file gets what the umask leaves.
  const mode_t mask = umask(027);
  {
    TTargetFile file(dir.File("fresh.xlsx"));
    file.Commit();
  }
  umask(mask);
  EXPECT_EQ(Mode(dir.File("fresh.xlsx")) & 07777, 0640u);

  // Through a link: the file it leads to is replaced, the link stays.
  ASSERT_EQ(mkdir(dir.File("real").c_str(), 0755), 0);
  WriteFile(dir.File("real/doc.xlsx"), "behind the link");
  ASSERT_EQ(symlink("real/doc.xlsx", dir.File("link.xlsx").c_str()), 0);
  {
    TTargetFile file(dir.File("link.xlsx"));
    EXPECT_EQ(std::filesystem::path(file.TempPath()).parent_path(),
              std::filesystem::path(dir.File("real")));
    WriteFile(file.TempPath(), "new");
    file.Commit();
  }
  EXPECT_TRUE(IsLink(dir.File("link.xlsx")));
  EXPECT_EQ(ReadFile(dir.File("real/doc.xlsx")), "new");
  EXPECT_EQ(Names(dir.File("real")), std::set<std::string>{"doc.xlsx"});

  // A folder where nothing can be made is said before anything is read.
  if (geteuid() != 0) {
    ASSERT_EQ(mkdir(dir.File("locked").c_str(), 0555), 0);
    Window w;
    AutomationContext ctx = w.Context();
    EXPECT_EQ(ReserveTargetFile(ctx, dir.File("locked/x.xlsx")), nullptr);
    EXPECT_EQ(w.LastMessage(), "「" + dir.File("locked/x.xlsx") +
                                   "」を書き込む権限がありません（保存先フォルダーに書き込めません）。");
    EXPECT_TRUE(Names(dir.File("locked")).empty());
  }
}

TEST(TargetFile, ARunThatFailsLeavesTheEarlierFileAndNamesTheTarget) {
  TempDir dir;
  Window w;
  AutomationContext ctx = w.Context();
  const std::string target = dir.File("doc.xlsx");
  WriteFile(target, "earlier");
  {
    std::unique_ptr<TTargetFile> file = ReserveTargetFile(ctx, target);
    ASSERT_TRUE(file);
    ASSERT_TRUE(ExtractTemplate(ctx, "obtable2007", file->TempPath(), "xlsx"));
    const std::string temp = file->TempPath();
    EXPECT_FALSE(RunAutomation(ctx, *file, [&](IWorkbook& book) {
      book.WorkSheets(1).SetFormulaR1C1(8, 2, "x");
      throw std::runtime_error(temp + ": broken");
    }));
  }
  EXPECT_EQ(w.LastMessage(), target + ": broken") << "the user's name, not the temporary one";
  EXPECT_EQ(w.log.back(), "Excel　出力異常終了。");
  EXPECT_EQ(ReadFile(target), "earlier");
  EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"doc.xlsx"});

  {
    std::unique_ptr<TTargetFile> file = ReserveTargetFile(ctx, target);
    ASSERT_TRUE(ExtractTemplate(ctx, "obtable2007", file->TempPath(), "xlsx"));
    EXPECT_TRUE(RunAutomation(
        ctx, *file, [](IWorkbook& book) { book.WorkSheets(1).SetFormulaR1C1(8, 2, "x"); }));
  }
  EXPECT_EQ(ReadFile(target).substr(0, 2), "PK");
  EXPECT_EQ(w.log.back(), "Excel　出力正常終了。");
  EXPECT_EQ(Names(dir.Path()), std::set<std::string>{"doc.xlsx"});
}
