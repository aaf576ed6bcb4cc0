// The abort button during a run that waits for git: git is ended at once and the run stops.
#include <gtest/gtest.h>
#include <signal.h>

#include <QPushButton>
#include <QTimer>

#include "gui/app/main_window.h"
#include "gui/app/progress_dialog.h"
#include "gui/components/message_box.h"
#include "tests/gui/support/gui_world.h"
#include "tests/support/git_sandbox.h"

namespace zelvora::gui {
namespace {

using testing::ReadBytes;

TEST(GitAbortTest, TheAbortButtonEndsAHangingGit) {
  testing::GitSandbox git;
  git.Init(git / "site");
  testing::WriteBytes(git / "site/index.htm", "<!--#ZELV#-->");
  git.Commit(git / "site", 1714957200);
  // git's history walk never answers; it leaves its process id where the test sees it.
  const testing::FakeGit hanging(
      "for word in \"$@\"; do [ \"$word\" = log ] && { echo $$ >\"$(dirname \"$0\")/pid\"; "
      "exec sleep 600; }; done\nexec \"$REAL_GIT\" \"$@\"");
  const std::string pid_file = hanging.folder() + "/pid";

  testing::GuiWorld world;
  auto window = world.MakeWindow();
  world.settings.UseGitDates = true;
  window->show();
  window->SetFileNameText(QString::fromStdString(git / "site/index.htm"));
  QTimer watch;
  watch.setInterval(10);
  QObject::connect(&watch, &QTimer::timeout, [&] {
    if (!testing::PathExists(pid_file)) return;
    watch.stop();
    window->ProgressDialog().findChild<QPushButton*>("ButtonAbort")->click();
  });
  watch.start();

  MessageBoxScript boxes;
  window->MItemGoClick();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QString("中止しました。"));
  ASSERT_TRUE(testing::PathExists(pid_file));
  EXPECT_NE(kill(std::stoi(ReadBytes(pid_file)), 0), 0) << "git was ended";
  EXPECT_EQ(ReadBytes(git / "site/index.htm"), "<!--#ZELV#-->");
}

}  // namespace
}  // namespace zelvora::gui
