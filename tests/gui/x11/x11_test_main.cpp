// Entry point of the tests under a real window manager: the private temporary world of the
// other tests, a virtual display of its own with openbox managing it (started here, so that
// the tests need no display given), and one QApplication on Qt's X11 platform. Without Xvfb
// on the machine every test is skipped and says why; any other failure to start the desktop
// fails them.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "gui/app/japanese_ui.h"
#include "tests/gui/x11/virtual_desktop.h"
#include "tests/support/temp_dir.h"

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  if (::testing::GTEST_FLAG(list_tests)) return RUN_ALL_TESTS();
  zelvora::testing::TempDir world("world");
  zelvora::testing::EnterPrivateWorld(world, "C.UTF-8");

  std::string why;
  bool missing_xvfb = false;
  const auto desktop = zelvora::testing::VirtualDesktop::Start(why, missing_xvfb);
  if (desktop == nullptr) {
    std::fprintf(stderr, "no virtual desktop: %s\n", why.c_str());
    if (!missing_xvfb) return 1;
    zelvora::testing::SetNoDesktopReason(why);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  } else {
    setenv("QT_QPA_PLATFORM", "xcb", 1);
  }
  QApplication application(argc, argv);
  std::setlocale(LC_ALL, "C.UTF-8");
  zelvora::gui::SetUpJapaneseUi(application);
  return RUN_ALL_TESTS();
}
