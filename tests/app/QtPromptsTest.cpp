#include "app/QtPrompts.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <thread>

#include "common/Common.h"
#include "support/TestEnv.h"

namespace zel {
namespace {

// Runs once the next modal window is up: inspects it and closes it.
template <typename Window, typename Action>
void WhenShown(Action action) {
  QTimer::singleShot(0, [action] {
    auto* w = qobject_cast<Window*>(QApplication::activeModalWidget());
    ASSERT_NE(w, nullptr);
    action(*w);
  });
}

TEST(QtPrompts, MessageBoxesAsRequested) {
  QtPrompts prompts;
  QString caption, text, defaultText;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  Qt::TextFormat format = Qt::AutoText;
  WhenShown<QMessageBox>([&](QMessageBox& box) {
    format = box.textFormat();
    caption = box.windowTitle();
    text = box.text();
    icon = box.icon();
    defaultText = box.defaultButton()->text();
    box.defaultButton()->click();
  });
  EXPECT_EQ(prompts.MessageBox({"Zelmora", "<b>接続</b> できません", MsgIcon::Information,
                                MsgButtons::Ok, MsgResult::Ok}),
            MsgResult::Ok);
  EXPECT_EQ(caption, "Zelmora");
  EXPECT_EQ(text, "<b>接続</b> できません");
  EXPECT_EQ(format, Qt::PlainText) << "names from a catalog are never markup";
  EXPECT_EQ(icon, QMessageBox::Information);
  EXPECT_EQ(defaultText, "OK");

  // A question whose default is No: Enter answers No, the other button Yes.
  WhenShown<QMessageBox>([&](QMessageBox& box) {
    icon = box.icon();
    defaultText = box.defaultButton()->text();
    box.defaultButton()->click();
  });
  EXPECT_EQ(prompts.MessageBox({"Zelmora", "上書きしますか？", MsgIcon::Question, MsgButtons::YesNo,
                                MsgResult::No}),
            MsgResult::No);
  EXPECT_EQ(icon, QMessageBox::Question);
  EXPECT_EQ(defaultText, "いいえ(&N)");
  WhenShown<QMessageBox>([&](QMessageBox& box) {
    for (QAbstractButton* b : box.buttons())
      if (box.buttonRole(b) == QMessageBox::YesRole) b->click();
  });
  EXPECT_EQ(
      prompts.MessageBox({"Zelmora", "?", MsgIcon::Warning, MsgButtons::YesNo, MsgResult::No}),
      MsgResult::Yes);
  WhenShown<QMessageBox>([&](QMessageBox& box) { box.reject(); });
  EXPECT_EQ(prompts.MessageBox({"Zelmora", "?", MsgIcon::Error, MsgButtons::YesNo, MsgResult::Yes}),
            MsgResult::No)
      << "Escape answers No";
}

TEST(QtPrompts, FiltersInQtForm) {
  EXPECT_EQ(QtFilters("Excelファイル|*.xlsx|Excel 97-2003 ファイル|*.xls|全てのファイル|*.*"),
            (QStringList{"Excelファイル (*.xlsx)", "Excel 97-2003 ファイル (*.xls)",
                         "全てのファイル (*.*)"}));
  EXPECT_EQ(QtFilters("Books|*.xlsx;*.xlsm"), QStringList{"Books (*.xlsx *.xlsm)"});
  EXPECT_EQ(QtFilters("odd|"), QStringList{"odd ()"});
  EXPECT_TRUE(QtFilters("").isEmpty());
  EXPECT_TRUE(QtFilters("caption only").isEmpty());
}

TEST(QtPrompts, SaveDialogStartsWithNameFilterAndTitle) {
  test::TempDir dir;
  QtPrompts prompts;
  SaveDialogRequest request{"テーブル定義書 名前を付けて保存", "sales.public.xlsx",
                            "Excelファイル|*.xlsx|Excel 97-2003 ファイル|*.xls|全てのファイル|*.*",
                            2, "xls"};
  QString title, filter, suffix;
  bool confirms = true;
  WhenShown<QFileDialog>([&](QFileDialog& d) {
    title = d.windowTitle();
    filter = d.selectedNameFilter();
    suffix = d.defaultSuffix();
    confirms = !d.testOption(QFileDialog::DontConfirmOverwrite);
    d.setDirectory(QString::fromStdString(dir.Path()));
    d.selectFile(QString::fromStdString(dir.File("out.xls")));
    static_cast<QDialog&>(d).accept();  // as the dialog's own button does
  });
  std::optional<std::string> path = prompts.SaveFileDialog(request);
  EXPECT_EQ(title, "テーブル定義書 名前を付けて保存");
  EXPECT_EQ(filter, "Excel 97-2003 ファイル (*.xls)");
  EXPECT_EQ(suffix, "xls");
  EXPECT_FALSE(confirms) << "the exports ask their own overwrite question";
  ASSERT_TRUE(path.has_value());
  EXPECT_EQ(*path, dir.File("out.xls"));

  WhenShown<QFileDialog>([](QFileDialog& d) { d.reject(); });
  EXPECT_FALSE(prompts.SaveFileDialog(request).has_value());
}

TEST(QtPrompts, SaveDialogOpensInTheFolderLastUsedAcrossRuns) {
  test::TempDir dir;
  TdCommon common;
  common.SetProgramFolder(dir.Path());
  const QString out = QString::fromStdString(dir.File("out"));
  ASSERT_TRUE(QDir().mkpath(out));
  SaveDialogRequest request{"テーブル一覧 名前を付けて保存", "sales.public.list.xlsx",
                            "Excelファイル|*.xlsx|全てのファイル|*.*", 1, "xls"};
  QString opened, proposed;
  {
    QtPrompts prompts;
    prompts.SetCommon(&common);
    WhenShown<QFileDialog>([&](QFileDialog& d) {
      opened = d.directory().absolutePath();
      d.selectFile(out + QStringLiteral("/list.xlsx"));
      static_cast<QDialog&>(d).accept();
    });
    ASSERT_TRUE(prompts.SaveFileDialog(request).has_value());
  }
  EXPECT_EQ(opened, QDir::homePath()) << "the first time, the user's home folder";
  EXPECT_EQ(common.ReadSetting("Zel.ini", "dialogs", "ExportFolder"), out.toStdString());

  // A later run of the program opens where the last export went, with the
  // proposed name.
  QtPrompts later;
  later.SetCommon(&common);
  WhenShown<QFileDialog>([&](QFileDialog& d) {
    opened = d.directory().absolutePath();
    proposed = d.selectedFiles().value(0);
    d.reject();
  });
  EXPECT_FALSE(later.SaveFileDialog(request).has_value());
  EXPECT_EQ(opened, out);
  EXPECT_EQ(proposed, out + QStringLiteral("/sales.public.list.xlsx"));
  EXPECT_EQ(common.ReadSetting("Zel.ini", "dialogs", "ExportFolder"), out.toStdString())
      << "a cancelled dialog keeps the folder";

  // A folder that is gone falls back to the home folder.
  ASSERT_TRUE(QDir(out).removeRecursively());
  EXPECT_EQ(later.ExportFolder(), QDir::homePath());
}

TEST(QtPrompts, BusyCursorOnAndOff) {
  QtPrompts prompts;
  prompts.SetBusy(true);
  ASSERT_NE(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
  prompts.SetBusy(true);  // not stacked: one "off" restores the cursor
  prompts.SetBusy(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  prompts.SetBusy(false);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(QtPrompts, WorkFromAnotherThreadRunsOnTheMainThread) {
  QThread* mainThread = QThread::currentThread();
  QThread* ranOn = nullptr;
  RunOnMainThreadAndWait([&] { ranOn = QThread::currentThread(); });
  EXPECT_EQ(ranOn, mainThread) << "called on the main thread: runs at once";

  bool done = false, threw = false;
  std::string message;
  std::thread worker([&] {
    RunOnMainThreadAndWait([&] { ranOn = QThread::currentThread(); });
    try {
      RunOnMainThreadAndWait([] { throw std::runtime_error("poll failed"); });
    } catch (const std::exception& e) {
      threw = true;
      message = e.what();
    }
    done = true;
  });
  // The worker waits for the main thread, which must keep handling events.
  for (int i = 0; i < 500 && !done; ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
  worker.join();
  EXPECT_TRUE(done);
  EXPECT_EQ(ranOn, mainThread);
  EXPECT_TRUE(threw);
  EXPECT_EQ(message, "poll failed");
}

}  // namespace
}  // namespace zel
