// Entry point of the GUI tests: the same private temporary world as the engine's tests, and
// one QApplication on Qt's offscreen platform with the program's Japanese user interface.
#include <gtest/gtest.h>

#include <QApplication>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "gui/app/japanese_ui.h"
#include "tests/support/child_process.h"
#include "tests/support/scoped_environment.h"
#include "tests/support/temp_dir.h"

namespace {

// The offscreen platform says, at every window shown, that it cannot raise windows or pass
// size hints on; those notes say nothing about the program and are left out of test output.
QtMessageHandler qt_handler = nullptr;

void QuietMessageHandler(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (text.startsWith(QLatin1String("This plugin does not support"))) return;
  if (qt_handler != nullptr) {
    qt_handler(type, context, text);
  } else {
    std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int helper_status = zelvora::testing::RunHelperIfRequested(argc, argv);
  if (helper_status >= 0) return helper_status;
  ::testing::InitGoogleTest(&argc, argv);
  // Set inside the process: wine does not hand QT_* variables of the Linux side on.
  if (!zelvora::testing::GetEnvironment("QT_QPA_PLATFORM")) {
    zelvora::testing::PutEnvironment("QT_QPA_PLATFORM", "offscreen");
  }
  zelvora::testing::TempDir world("world");
  zelvora::testing::EnterPrivateWorld(world, "C.UTF-8");
  qt_handler = qInstallMessageHandler(QuietMessageHandler);
  QApplication application(argc, argv);
  std::setlocale(LC_ALL, "C.UTF-8");
  zelvora::gui::SetUpJapaneseUi(application);
  return RUN_ALL_TESTS();
}
