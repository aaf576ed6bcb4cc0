#include "gui/app/progress_dialog.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <string>

#include "gui/components/gauge.h"
#include "gui/components/window_message.h"
#include "platform/paths.h"

namespace zelvora::gui {
namespace {

constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::WindowStaysOnTopHint |
                                         Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                         Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint;

TCGauge* MakeGauge(QWidget* parent, const char* name, QRect place, bool show_text) {
  auto* gauge = new TCGauge(parent);
  gauge->setObjectName(name);
  gauge->setGeometry(place);
  gauge->SetShowText(show_text);
  gauge->SetForeColor(Qt::darkBlue);  // navy
  return gauge;
}

}  // namespace

TFormProgress::TFormProgress(QWidget* owner) : QWidget(owner, kWindowFlags) {
  setObjectName("FormProgress");
  setFixedSize(329, 70);

  ButtonAbort = new QPushButton(QString::fromUtf8("&A・中止"), this);
  ButtonAbort->setObjectName("ButtonAbort");
  ButtonAbort->setGeometry(240, 16, 75, 25);
  connect(ButtonAbort, &QPushButton::clicked, this, &TFormProgress::ButtonAbortClick);

  Label1 = new QLabel(QString::fromUtf8("進捗状況"), this);
  Label1->setObjectName("Label1");
  Label1->move(16, 24);
  Label1->adjustSize();

  CGaugeTotal = MakeGauge(this, "CGaugeTotal", QRect(80, 16, 153, 25), true);

  LabelCurFName = new QLabel(this);
  LabelCurFName->setObjectName("LabelCurFName");
  LabelCurFName->setTextFormat(Qt::PlainText);  // file names are never markup
  LabelCurFName->setGeometry(16, 48, 137, LabelCurFName->fontMetrics().height());

  CGaugeCurF = MakeGauge(this, "CGaugeCurF", QRect(160, 48, 155, 13), false);

  // The abort button comes first in keyboard order and takes the focus when shown.
  setFocusProxy(ButtonAbort);
}

void TFormProgress::SetRootFName(const QString& name) {
  root_fname_ = name;
  current_is_root_ = cur_fname_.compare(root_fname_, Qt::CaseInsensitive) == 0;
}

void TFormProgress::SetCurFName(const QString& name) {
  if (name == cur_fname_) return;
  cur_fname_ = name;
  current_is_root_ = cur_fname_.compare(root_fname_, Qt::CaseInsensitive) == 0;
}

void TFormProgress::HandleMessage(unsigned message) {
  if (message == kMessageCurrentFileChanged) {
    // The name without its folder, whichever separator the system writes ("\\" on Windows).
    const std::string path = cur_fname_.toStdString();
    LabelCurFName->setText(QString::fromStdString(std::string(NamePart(path))));
    RefreshGauges();
  } else if (message == kMessageRefreshGauges) {
    RefreshGauges();
  }
}

void TFormProgress::RefreshGauges() {
  CGaugeCurF->SetProgress(cur_percent_);
  if (current_is_root_) CGaugeTotal->SetProgress(cur_percent_);
}

void TFormProgress::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (event->spontaneous()) return;  // restored by the window system, not shown by the run
  raise();
  cur_percent_ = 0;
  HandleMessage(kMessageCurrentFileChanged);
}

void TFormProgress::closeEvent(QCloseEvent* event) { event->ignore(); }

void TFormProgress::ButtonAbortClick() {
  if (continue_flag_ != nullptr) *continue_flag_ = false;
}

}  // namespace zelvora::gui
