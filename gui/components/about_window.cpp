#include "gui/components/about_window.h"

#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <algorithm>

#include "gui/components/program_icon.h"

namespace zelvora::gui {
namespace {

constexpr int kClientWidth = 353;
constexpr int kClientHeight = 222;
constexpr int kIconSize = 32;
// The height the layout gives a line of text; a taller font gets the room it needs, centred
// on the same line, so no glyph is clipped.
constexpr int kLineHeight = 13;

QLabel* NewTextLabel(const char* name, int left, int top, int width, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  label->setAlignment(Qt::AlignCenter);
  const int height = std::max(kLineHeight, label->fontMetrics().height());
  label->setGeometry(left, top - (height - kLineHeight) / 2, width, height);
  return label;
}

}  // namespace

TFormAboutDlg::TFormAboutDlg() : DialogWindow(kClientWidth, kClientHeight) {
  QWidget* area = client();
  auto* icon = new QLabel(area);
  icon->setObjectName("ImgIcon");
  icon->setGeometry(16, 16, kIconSize, kIconSize);
  icon->setPixmap(ProgramIcon().pixmap(QSize(kIconSize, kIconSize), devicePixelRatioF()));

  app_name_ = NewTextLabel("LabelAppName", 64, 24, 193, area);
  app_ver_ = NewTextLabel("LabelAppVer", 272, 24, 65, area);
  cright_ = NewTextLabel("LabelCright", 16, 56, 305, area);

  auto* bevel = new QFrame(area);
  bevel->setObjectName("Bevel1");
  bevel->setFrameShape(QFrame::HLine);
  bevel->setFrameShadow(QFrame::Sunken);
  bevel->setGeometry(0, 80, kClientWidth, 2);

  auto* ok = new QPushButton("&OK", area);
  ok->setObjectName("ButtonOK");
  ok->setGeometry((kClientWidth - 86) / 2, kClientHeight - 13 - 25, 86, 25);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, [this] { done(kModalOk); });
}

void TFormAboutDlg::SetTexts(const QString& app_name, const QString& app_ver,
                             const QString& cright) {
  app_name_->setText(app_name);
  app_ver_->setText(app_ver);
  cright_->setText(cright);
}

QString TFormAboutDlg::AppNameText() const { return app_name_->text(); }
QString TFormAboutDlg::AppVerText() const { return app_ver_->text(); }
QString TFormAboutDlg::CrightText() const { return cright_->text(); }

void TFormAboutDlg::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::RightButton) {
    if (isModal()) {
      done(kModalCancel);
    } else {
      setResult(kModalCancel);
    }
  }
  DialogWindow::mouseReleaseEvent(event);
}

}  // namespace zelvora::gui
