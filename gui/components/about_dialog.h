// The about dialog as a dialog component (custom_dialog.h): the program's icon, name,
// version and rights line in a small window.
//
//   about_ = new TAboutDialog(this);
//   about_->SetAppName("ゼルヴォラ");   // the caption follows: "ゼルヴォラのバージョン情報"
//   about_->SetAppVer("Ver 3.50");
//   about_->SetCright("…");
#pragma once

#include <QString>

#include "gui/components/custom_dialog.h"

namespace zelvora::gui {

class TAboutDialog : public TMRVCustomDlg {
  Q_OBJECT

 public:
  // Caption "のバージョン情報", outer size 361 × 249 centred on the screen, empty texts.
  explicit TAboutDialog(QObject* owner);

  const QString& GetAppName() const { return app_name_; }
  // Stores the name. While the caption is the old name + "のバージョン情報", it becomes the
  // new name + "のバージョン情報"; a caption set to anything else is left alone.
  void SetAppName(const QString& name);
  const QString& GetAppVer() const { return app_ver_; }
  void SetAppVer(const QString& version) { app_ver_ = version; }
  // The rights notice line.
  const QString& GetCright() const { return cright_; }
  void SetCright(const QString& rights) { cright_ = rights; }

 protected:
  DialogWindow* CreateSelf() override;
  // Base copy, then the three texts into the window's labels.
  void PropToDialog() override;
  // Base copy, then the three labels' texts into the properties.
  void DialogToProp() override;

 private:
  QString app_name_;
  QString app_ver_;
  QString cright_;
};

}  // namespace zelvora::gui
