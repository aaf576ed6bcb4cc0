// The main window's file command with a name that only a POSIX file system holds: bytes that
// are not UTF-8 (Windows names are Unicode throughout).
#include <gtest/gtest.h>

#include <QComboBox>
#include <QListWidget>
#include <QPushButton>

#include "gui/app/main_window.h"
#include "gui/components/file_selection.h"
#include "gui/components/message_box.h"
#include "settings/settings_persistence.h"
#include "tests/gui/support/gui_world.h"
#include "tests/gui/support/shown_windows.h"

namespace zelvora::gui {
namespace {

using testing::ConfirmFileName;
using testing::GuiWorld;
using testing::ReadBytes;
using testing::ShownWindow;

constexpr char kMarkedPage[] = "<p><!--#ZELV#--></p>\r\n";

// A world whose store holds the file dialog's folder of an earlier session.
void StoreEarlierSession(GuiWorld& world, const std::string& file_dialog_folder) {
  world.MakeWindow()->close();
  ASSERT_TRUE(world.store.WriteString(kExitStateKey, "FileSelFolder", file_dialog_folder).ok());
}

template <typename Control>
Control* In(QWidget& window, const char* name) {
  auto* control = window.findChild<Control*>(name);
  EXPECT_NE(control, nullptr) << name;
  return control;
}

QString FileBoxText(QWidget& window) {
  return window.findChild<QComboBox*>("HCBoxWriteFName")->currentText();
}

TEST(MainWindowCommandsPosixTest, AFileChosenUnderANameThatIsNotUtf8IsStampedUnderThatName) {
  GuiWorld world;
  const std::string page = world.Page("\x93\xfa\x96\x7b.htm", kMarkedPage);  // Shift_JIS
  StoreEarlierSession(world, world.dir.path());
  auto window = world.MakeWindow();
  window->show();
  MessageBoxScript boxes;
  In<QPushButton>(*window, "ButtonBrowse")->click();
  auto* dialog = ShownWindow<TFormFileSel>();
  ASSERT_NE(dialog, nullptr);
  auto* files = In<QListWidget>(*dialog, "LBoxFiles");
  ASSERT_EQ(files->count(), 1);
  ConfirmFileName(*dialog, files->item(0)->text());
  EXPECT_EQ(FileBoxText(*window), QString::fromStdString(world.dir / "日本.htm"));
  window->MItemGoClick();
  ASSERT_EQ(boxes.shown.size(), 1u);
  EXPECT_EQ(boxes.shown[0].text, QString("終了しました。"));
  EXPECT_NE(ReadBytes(page).find("($BEGIN)"), std::string::npos);
}

}  // namespace
}  // namespace zelvora::gui
