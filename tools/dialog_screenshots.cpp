// Draws the file selection dialog and the about dialog into PNG files for the documentation,
// each inside a plain window frame with its caption (the offscreen platform draws no frames).
// scripts/screenshots.sh runs it.
//
//   zelvora-dialog-screenshots --root WORLD --folder /home/hanako/www --out docs/screenshots
//
// WORLD is a folder that the file dialog shows as "/"; --folder is the folder (inside it)
// that the dialog opens in, with index.htm chosen.
#include <QApplication>
#include <QDir>
#include <QListWidget>
#include <QPixmap>
#include <cstdio>
#include <string>

#include "gui/app/japanese_ui.h"
#include "gui/app/main_window.h"
#include "gui/components/about_dialog.h"
#include "gui/components/custom_dialog.h"
#include "gui/components/file_selection.h"
#include "tools/framed_picture.h"
#include "tools/rooted_file_system.h"

namespace {

using zelvora::gui::DialogWindow;

// The components keep their windows to themselves; a picture of one needs it.
struct ShownFileSel : zelvora::gui::TFileSel {
  using TFileSel::dialog_form;
  using TFileSel::TFileSel;
};
struct ShownAbout : zelvora::gui::TAboutDialog {
  using TAboutDialog::dialog_form;
  using TAboutDialog::TAboutDialog;
};

bool Save(QWidget& window, const QString& path) {
  QApplication::processEvents();
  if (zelvora::tools::Framed(window).save(path, "PNG")) return true;
  std::fprintf(stderr, "zelvora-dialog-screenshots: cannot write %s\n", qPrintable(path));
  return false;
}

bool ShootFileSelection(zelvora::FileSystem& world, const std::string& folder, const QString& out) {
  ShownFileSel file_sel(nullptr, world, [] {
    return std::vector<zelvora::gui::FolderRoot>{{"/", false}};
  });
  file_sel.SetCaption(QString::fromUtf8("記入ファイルの選択"));
  file_sel.SetFileMustExist(true);
  file_sel.AddFileType(QString::fromUtf8("HTML ファイル"), "*.htm,*.html", 0);
  file_sel.SetInitialFolder(folder);
  file_sel.SetFileName(folder + "/index.htm");
  file_sel.Show();
  DialogWindow* window = file_sel.dialog_form();
  if (window == nullptr) return false;
  auto* files = window->findChild<QListWidget*>("LBoxFiles");
  const QList<QListWidgetItem*> index = files->findItems("index.htm", Qt::MatchExactly);
  if (!index.isEmpty()) files->setCurrentItem(index.front());
  return Save(*window, out + "/file_selection.png");
}

bool ShootAbout(const QString& out) {
  ShownAbout about(nullptr);
  about.SetAppName(QString::fromUtf8("ゼルヴォラ"));
  about.SetAppVer(zelvora::gui::kAppVersion);
  about.SetCright(QString::fromUtf8(zelvora::gui::kRightsNotice));
  about.Show();
  return about.dialog_form() != nullptr && Save(*about.dialog_form(), out + "/about_dialog.png");
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  zelvora::gui::SetUpJapaneseUi(application);
  QString root, folder, out;
  const QStringList arguments = QApplication::arguments();
  for (qsizetype i = 1; i + 1 < arguments.size(); i += 2) {
    if (arguments[i] == "--root") root = arguments[i + 1];
    if (arguments[i] == "--folder") folder = arguments[i + 1];
    if (arguments[i] == "--out") out = arguments[i + 1];
  }
  if (root.isEmpty() || folder.isEmpty() || out.isEmpty()) {
    std::fprintf(stderr,
                 "usage: zelvora-dialog-screenshots --root WORLD --folder FOLDER --out DIR\n");
    return 2;
  }
  QDir().mkpath(out);
  zelvora::tools::RootedFileSystem world(zelvora::RealFileSystem(), root.toStdString());
  const bool file_sel_ok = ShootFileSelection(world, folder.toStdString(), out);
  const bool about_ok = ShootAbout(out);
  return file_sel_ok && about_ok ? 0 : 1;
}
