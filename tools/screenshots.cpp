// zelvora-screenshots: renders one window of the program to a PNG file, for the README.
//
//   zelvora-screenshots SCENE OUTPUT.png PAGE
//
// PAGE is the top page of a site to show in the file name box (and to stamp, for the
// scenes taken during a run). Run it on Qt's offscreen platform with a private settings
// store (scripts/screenshots.sh does). The main window and the run's windows are drawn
// without a frame, the settings dialog inside a plain one with its caption. The scene
// "run-summary" is taken from the screen of a desktop instead (X11 with a window manager),
// so that the windows stand as the window manager stacks them, in their frames.
// A scene is one function below and one line of kScenes.
#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "gui/app/japanese_ui.h"
#include "gui/app/main_window.h"
#include "gui/app/progress_dialog.h"
#include "gui/settings_dialog/setting_dialog.h"
#include "platform/browser_conversation.h"
#include "platform/desktop_shell.h"
#include "platform/file_system.h"
#include "platform/registry_store.h"
#include "records/run_log.h"
#include "tools/framed_picture.h"

namespace zelvora::gui {
namespace {

using Scene = std::function<QPixmap(TFormZELV& window)>;

// Starts a run and returns what `shoot` takes when the run's first question box is up. That
// box and the ones after it (the summary) are answered with their escape buttons, so the run
// stops and ends.
QPixmap ShootAtFirstQuestion(TFormZELV& window, const std::function<QPixmap(QMessageBox&)>& shoot) {
  QPixmap picture;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) return;
    if (picture.isNull()) picture = shoot(*box);
    box->reject();
  });
  watcher.start(10);
  window.MItemGoClick();
  return picture;
}

QPixmap MainWindow(TFormZELV& window) { return window.grab(); }

QPixmap ProgressDialogDuringRun(TFormZELV& window) {
  return ShootAtFirstQuestion(window,
                              [&window](QMessageBox&) { return window.ProgressDialog().grab(); });
}

QPixmap QuestionBox(TFormZELV& window) {
  return ShootAtFirstQuestion(window, [](QMessageBox& box) { return box.grab(); });
}

// The part of the screen that shows `windows` in their frames, with a margin.
QPixmap ScreenAround(std::initializer_list<const QWidget*> windows) {
  QRect area;
  for (const QWidget* shown : windows) area |= shown->frameGeometry();
  QScreen* screen = QGuiApplication::primaryScreen();
  area = area.adjusted(-12, -12, 12, 12) & screen->geometry();
  return screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
}

// The run on the desktop at its end: the main window, the progress window and above it the
// summary, as the user sees them. The question about the broken link is answered OK, so the
// run goes on to its end; the summary is taken once the window manager has had time to put
// it on the screen.
QPixmap RunSummaryOnDesktop(TFormZELV& window) {
  if (QGuiApplication::platformName() != "xcb") {
    std::fputs("zelvora-screenshots: run-summary needs an X11 display with a window manager\n",
               stderr);
    return QPixmap();
  }
  window.move(40, 40);  // off the screen's corner, so the picture has a margin all round
  QPixmap picture;
  bool taking = false;
  QTimer watcher;
  QObject::connect(&watcher, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || taking) return;
    if (!box->text().startsWith(QString::fromUtf8("終了しました。"))) {
      box->accept();  // the first button: OK
      return;
    }
    taking = true;
    QTimer::singleShot(1000, box, [&window, box, &picture, &taking] {
      picture = ScreenAround({&window, &window.ProgressDialog(), box});
      box->accept();
      taking = false;
    });
  });
  watcher.start(20);
  window.MItemGoClick();
  return picture;
}

// The settings dialog, opened by its menu command, at page `page`, in its frame.
Scene SettingsPage(int page) {
  return [page](TFormZELV& window) {
    window.findChild<QAction*>("MItemPreferences")->trigger();
    TFormSetting* dialog = window.SettingDialog();
    dialog->findChild<QTabWidget*>("PCSetting")->setCurrentIndex(page);
    QApplication::processEvents();
    return QPixmap::fromImage(tools::Framed(*dialog));
  };
}

const std::map<std::string, Scene> kScenes = {
    {"main-window", MainWindow},           {"progress-dialog", ProgressDialogDuringRun},
    {"question-box", QuestionBox},         {"settings-date", SettingsPage(0)},
    {"settings-prevent", SettingsPage(1)}, {"settings-other", SettingsPage(2)},
    {"settings-extend", SettingsPage(3)},  {"run-summary", RunSummaryOnDesktop},
};

}  // namespace
}  // namespace zelvora::gui

int main(int argc, char** argv) {
  using namespace zelvora;
  QApplication application(argc, argv);
  const auto scene = argc == 4 ? gui::kScenes.find(argv[1]) : gui::kScenes.end();
  if (scene == gui::kScenes.end()) {
    std::fputs("usage: zelvora-screenshots SCENE OUTPUT.png PAGE\nscenes:", stderr);
    for (const auto& [name, shoot] : gui::kScenes) std::fprintf(stderr, " %s", name.c_str());
    std::fputs("\n", stderr);
    return 2;
  }
  gui::SetUpJapaneseUi(application);
  RegistryStore store;
  const std::unique_ptr<DesktopShell> shell = SystemDesktopShell();
  const std::unique_ptr<BrowserConversation> conversation = SystemBrowserConversation();
  gui::TFormZELV window(gui::MainWindowServices{
      store, LiveSettings(), RealFileSystem(), LogFileName(), {}, *shell, *conversation});
  window.SetFileNameText(QString::fromLocal8Bit(argv[3]));
  window.show();
  QApplication::processEvents();
  const QPixmap picture = scene->second(window);
  if (picture.isNull() || !picture.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
    std::fprintf(stderr, "zelvora-screenshots: %s: nothing to save\n", argv[1]);
    return 1;
  }
  return 0;
}
