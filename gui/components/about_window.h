// The window of the about dialog (about_dialog.h). Controls (client area 353 × 222; left,
// top, width, height), named as below:
//   ImgIcon       16, 16, 32 × 32, the program's icon
//   LabelAppName  64, 24, 193 wide, centred
//   LabelAppVer   272, 24, 65 wide, centred
//   LabelCright   16, 56, 305 wide, centred
//   Bevel1        a line at 80 across the window
//   ButtonOK      "&OK", 86 × 25, centred at the bottom, the default button
// OK closes the window with kModalOk. Releasing the right mouse button over the window
// sets kModalCancel, which closes it only while it runs modally.
#pragma once

#include <QString>

#include "gui/components/custom_dialog.h"

class QLabel;

namespace zelvora::gui {

class TFormAboutDlg : public DialogWindow {
  Q_OBJECT

 public:
  TFormAboutDlg();

  void SetTexts(const QString& app_name, const QString& app_ver, const QString& cright);
  QString AppNameText() const;
  QString AppVerText() const;
  QString CrightText() const;

 protected:
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  QLabel* app_name_;
  QLabel* app_ver_;
  QLabel* cright_;
};

}  // namespace zelvora::gui
