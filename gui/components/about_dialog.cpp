#include "gui/components/about_dialog.h"

#include "gui/components/about_window.h"

namespace zelvora::gui {
namespace {

constexpr int kDialogWidth = 361;
constexpr int kDialogHeight = 249;
// What follows the program's name in the caption.
const char kCaptionSuffix[] = "のバージョン情報";

}  // namespace

TAboutDialog::TAboutDialog(QObject* owner) : TMRVCustomDlg(owner) {
  SetCaption(QString::fromUtf8(kCaptionSuffix));
  SetDialogSize(kDialogWidth, kDialogHeight);
}

void TAboutDialog::SetAppName(const QString& name) {
  const QString suffix = QString::fromUtf8(kCaptionSuffix);
  if (GetCaption() == app_name_ + suffix) SetCaption(name + suffix);
  app_name_ = name;
}

DialogWindow* TAboutDialog::CreateSelf() { return new TFormAboutDlg(); }

void TAboutDialog::PropToDialog() {
  TMRVCustomDlg::PropToDialog();
  static_cast<TFormAboutDlg*>(dialog_form())->SetTexts(app_name_, app_ver_, cright_);
}

void TAboutDialog::DialogToProp() {
  TMRVCustomDlg::DialogToProp();
  const auto* form = static_cast<const TFormAboutDlg*>(dialog_form());
  app_name_ = form->AppNameText();
  app_ver_ = form->AppVerText();
  cright_ = form->CrightText();
}

}  // namespace zelvora::gui
