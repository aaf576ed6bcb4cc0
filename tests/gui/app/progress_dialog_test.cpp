#include "gui/app/progress_dialog.h"

#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>

#include "gui/app/main_window.h"
#include "gui/components/gauge.h"
#include "gui/components/message_box.h"
#include "gui/components/window_message.h"
#include "tests/gui/support/gui_world.h"

namespace zelvora::gui {
namespace {

using testing::GuiWorld;

struct Gauges {
  int total;
  int current;
};
Gauges GaugesOf(TFormProgress& dialog) {
  return {dialog.findChild<TCGauge*>("CGaugeTotal")->Progress(),
          dialog.findChild<TCGauge*>("CGaugeCurF")->Progress()};
}
QString LabelOf(TFormProgress& dialog) {
  return dialog.findChild<QLabel*>("LabelCurFName")->text();
}

// The run reports the current file and its progress as the run driver does.
void Report(TFormProgress& dialog, const QString& file, int percent) {
  dialog.SetCurFName(file);
  dialog.HandleMessage(kMessageCurrentFileChanged);
  dialog.SetCurPercent(percent);
  dialog.HandleMessage(kMessageRefreshGauges);
}

TEST(ProgressDialogTest, TotalGaugeStandsWhileALinkedPageIsScanned) {
  GuiWorld world;
  // The root links to b.htm halfway through its text; b.htm links to c.htm near its end.
  std::string filler;
  for (int i = 0; i < 50; ++i) filler += "<b>x</b>";
  const std::string root = world.Page(
      "index.htm", "<!--#ZELV#-->" + filler + "<a href=\"sub/b.htm\">b</a>" + filler + "\r\n");
  world.Page("sub/b.htm", "<!--#ZELV#-->" + filler + "<a href=\"c.htm\">c</a>\r\n");
  const std::string c = world.Page("sub/c.htm", "<!--#ZELV#-->\r\n");
  auto window = world.MakeWindow();
  window->show();
  window->SetFileNameText(QString::fromStdString(root));

  Gauges while_c_is_read{-1, -1};
  QString label_then;
  world.fs.on_read = [&](const std::string& path) {
    if (path != c) return;
    while_c_is_read = GaugesOf(window->ProgressDialog());
    label_then = LabelOf(window->ProgressDialog());
  };
  MessageBoxScript boxes;
  window->MItemGoClick();
  // When b.htm's link is reached, the root stood at its link to b.htm (about 48 %).
  EXPECT_EQ(label_then, QString("b.htm"));
  EXPECT_GE(while_c_is_read.total, 45);
  EXPECT_LE(while_c_is_read.total, 50);
  EXPECT_GE(while_c_is_read.current, 90);
  const Gauges at_end = GaugesOf(window->ProgressDialog());
  EXPECT_EQ(at_end.total, 100);
  EXPECT_EQ(at_end.current, 100);
  EXPECT_EQ(window->ProgressDialog().windowTitle(), QString::fromStdString(root));
}

TEST(ProgressDialogTest, RootIsComparedWithoutRegardToLetterCase) {
  TFormProgress dialog;
  dialog.SetRootFName("/Site/Index.HTM");
  Report(dialog, "/site/index.htm", 40);
  EXPECT_EQ(GaugesOf(dialog).total, 40);
  EXPECT_EQ(LabelOf(dialog), QString("index.htm"));
  Report(dialog, "/site/other.htm", 70);
  EXPECT_EQ(GaugesOf(dialog).total, 40);
  EXPECT_EQ(GaugesOf(dialog).current, 70);
}

TEST(ProgressDialogTest, ShowingResetsToTheFileLeftFromBefore) {
  TFormProgress dialog;
  dialog.SetRootFName("/site/a.htm");
  dialog.show();
  Report(dialog, "/site/a.htm", 60);
  dialog.hide();

  // Another root: the total gauge keeps where the last run left it until the new root is
  // reported; the current file's gauge starts from 0.
  dialog.SetRootFName("/site/b.htm");
  dialog.show();
  EXPECT_EQ(GaugesOf(dialog).total, 60);
  EXPECT_EQ(GaugesOf(dialog).current, 0);
  dialog.hide();

  // The same root again: both start from 0.
  dialog.SetRootFName("/site/a.htm");
  dialog.show();
  EXPECT_EQ(GaugesOf(dialog).total, 0);
  EXPECT_EQ(GaugesOf(dialog).current, 0);
}

TEST(ProgressDialogTest, OnlyTheRunClosesItAndTheAbortButtonOnlyClearsTheFlag) {
  TFormProgress dialog;
  dialog.show();
  EXPECT_FALSE(dialog.close());
  EXPECT_TRUE(dialog.isVisible());

  auto* abort = dialog.findChild<QPushButton*>("ButtonAbort");
  EXPECT_EQ(abort->text(), QString("&A・中止"));
  abort->click();  // between runs: nothing to stop
  bool continue_flag = true;
  dialog.SetContinueFlag(&continue_flag);
  abort->click();
  EXPECT_FALSE(continue_flag);
  EXPECT_TRUE(dialog.isVisible());
}

}  // namespace
}  // namespace zelvora::gui
