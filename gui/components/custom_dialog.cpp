#include "gui/components/custom_dialog.h"

#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>
#include <new>

#include "gui/components/busy_cursor.h"
#include "gui/components/message_box.h"
#include "settings/placement.h"

namespace zelvora::gui {
namespace {

const char kCannotCreateDialog[] = "ダイアログが生成できませんでした。";

bool IsToolWindow(BorderStyle style) {
  return style == BorderStyle::kToolWindow || style == BorderStyle::kSizeableToolWindow;
}

bool IsSizeable(BorderStyle style) {
  return style == BorderStyle::kSizeable || style == BorderStyle::kSizeableToolWindow;
}

Qt::WindowFlags FlagsOf(BorderIcons icons, BorderStyle style, FormStyle form_style) {
  Qt::WindowFlags flags = IsToolWindow(style) ? Qt::Tool : Qt::Dialog;
  if (style == BorderStyle::kNone) {
    flags |= Qt::FramelessWindowHint;
  } else {
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (icons & BorderIcon::kSystemMenu)
      flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (icons & BorderIcon::kMinimize) flags |= Qt::WindowMinimizeButtonHint;
    if (icons & BorderIcon::kMaximize) flags |= Qt::WindowMaximizeButtonHint;
    if (icons & BorderIcon::kHelp) flags |= Qt::WindowContextHelpButtonHint;
  }
  if (form_style == FormStyle::kStayOnTop) flags |= Qt::WindowStaysOnTopHint;
  return flags;
}

}  // namespace

QSize PrimaryScreenSize() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen != nullptr ? screen->geometry().size() : QSize(0, 0);
}

// --- DialogWindow ---------------------------------------------------------------------------

DialogWindow::DialogWindow(int client_width, int client_height)
    : QDialog(nullptr),
      client_(new QWidget(this)),
      client_width_(client_width),
      client_height_(client_height) {
  client_->setObjectName("client");
  ApplyFrame();
}

void DialogWindow::SetBorderIcons(BorderIcons icons) {
  border_icons_ = icons;
  ApplyFrame();
}

void DialogWindow::SetBorderStyle(BorderStyle style) {
  border_style_ = style;
  ApplyFrame();
}

void DialogWindow::SetBorderWidth(int width) {
  border_width_ = width < 0 ? 0 : width;
  ApplyFrame();
}

void DialogWindow::SetFormStyle(FormStyle style) {
  form_style_ = style;
  ApplyFrame();
}

void DialogWindow::SetPlacement(Placement placement) { placement_ = placement; }

void DialogWindow::reject() { done(kModalCancel); }

void DialogWindow::showEvent(QShowEvent* event) {
  if (!event->spontaneous() &&
      (placement_ == Placement::kScreenCenter || placement_ == Placement::kDesktopCenter)) {
    const QSize screen = PrimaryScreenSize();
    const QSize outer = frameGeometry().size();
    move((screen.width() - outer.width()) / 2, (screen.height() - outer.height()) / 2);
  }
  QDialog::showEvent(event);
}

void DialogWindow::ApplyFrame() {
  const Qt::WindowFlags flags = FlagsOf(border_icons_, border_style_, form_style_);
  if (flags != windowFlags()) {
    // Qt hides a window whose flags change; a visible dialog stays visible.
    const bool was_visible = isVisible();
    setWindowFlags(flags);
    if (was_visible) show();
  }
  client_->setGeometry(border_width_, border_width_, client_width_, client_height_);
  const QSize outer(client_width_ + 2 * border_width_, client_height_ + 2 * border_width_);
  if (IsSizeable(border_style_)) {
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    resize(outer);
  } else {
    setFixedSize(outer);
  }
}

// --- TMRVCustomDlg ---------------------------------------------------------------------------

TMRVCustomDlg::TMRVCustomDlg(QObject* owner) : QObject(owner) {}

TMRVCustomDlg::~TMRVCustomDlg() { delete dialog_form_; }

void TMRVCustomDlg::SetDialogSize(int width, int height) {
  dialog_width_ = width;
  dialog_height_ = height;
  const QSize screen = PrimaryScreenSize();
  left_ = (screen.width() - width) / 2;
  top_ = (screen.height() - height) / 2;
}

bool TMRVCustomDlg::Create() {
  if (dialog_form_ != nullptr) return true;
  {
    BusyCursor busy;
    try {
      dialog_form_ = CreateSelf();
    } catch (const std::bad_alloc&) {
      dialog_form_ = nullptr;
    }
    if (dialog_form_ != nullptr) {
      PropToDialog();
      return true;
    }
  }
  ShowMessageBox(nullptr, QString::fromUtf8(kCannotCreateDialog), BoxButtons::kOk,
                 BoxIcon::kExclamation);
  return false;
}

void TMRVCustomDlg::Destroy() {
  if (dialog_form_ == nullptr) return;
  dialog_form_->hide();
  dialog_form_->deleteLater();
  dialog_form_ = nullptr;
}

void TMRVCustomDlg::Show() {
  BusyCursor busy;
  if (!Create()) return;
  DialogWindow* window = dialog_form_;
  if (window->isMinimized()) window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
  window->show();
  window->raise();
  window->activateWindow();
}

int TMRVCustomDlg::ShowModal() {
  {
    BusyCursor busy;
    if (!Create()) return kModalNone;
    if (dialog_form_->isVisible()) {
      Hide(false);
    } else {
      PropToDialog();
    }
    if (dialog_form_->isMinimized()) {
      dialog_form_->setWindowState(dialog_form_->windowState() & ~Qt::WindowMinimized);
    }
  }
  const int result = dialog_form_->exec();
  if (result == kModalOk && dialog_form_ != nullptr) DialogToProp();
  return result;
}

void TMRVCustomDlg::Hide(bool take_values) {
  if (dialog_form_ == nullptr) return;
  dialog_form_->hide();
  if (take_values) DialogToProp();
}

void TMRVCustomDlg::SetPos(bool manual, int x, int y) {
  if (dialog_form_ == nullptr) return;
  if (manual) {
    position_ = Placement::kDesigned;
    const QSize screen = PrimaryScreenSize();
    const WindowPosition placed =
        PlaceOnScreen(x, y, {dialog_width_, dialog_height_}, {screen.width(), screen.height()});
    left_ = placed.left;
    top_ = placed.top;
  } else {
    position_ = Placement::kScreenCenter;
  }
  PropToDialog();
}

void TMRVCustomDlg::PropToDialog() {
  DialogWindow* window = dialog_form_;
  window->setWindowTitle(GetCaption());
  window->move(left_, top_);
  window->SetBorderIcons(border_icons_);
  window->SetBorderStyle(border_style_);
  window->SetBorderWidth(border_width_);
  window->SetFormStyle(form_style_);
  window->SetPlacement(position_);
}

void TMRVCustomDlg::DialogToProp() {
  const DialogWindow* window = dialog_form_;
  SetCaption(window->windowTitle());
  left_ = window->x();
  top_ = window->y();
  border_icons_ = window->border_icons();
  border_style_ = window->border_style();
  border_width_ = window->border_width();
  form_style_ = window->form_style();
  position_ = window->placement();
}

}  // namespace zelvora::gui
