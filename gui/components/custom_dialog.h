// The common base of the program's dialog components.
//
// A dialog component is a non-visual object that a window owns among its parts. It carries
// the dialog's settings as properties while no dialog window exists, makes the window on
// demand, copies its properties into the window before the window is configured
// (PropToDialog) and copies the window's state back when the user confirms (DialogToProp).
// An owner configures a dialog once and reads results from the component, never from the
// window's controls.
//
// Typical use by an owner window:
//
//   if (!about_->IsCreated()) {
//     about_->Create();
//     about_->SetPos(true, x(), y() + 22);  // placed once, at the first opening
//   }
//   about_->Show();                          // afterwards it reappears where it was left
//
// The window, once made, is hidden and shown again, never rebuilt, so the user finds the
// dialog as it was left. Everything here runs on the GUI thread.
#pragma once

#include <QDialog>
#include <QFlags>
#include <QObject>
#include <QSize>
#include <QString>

namespace zelvora::gui {

// Modal results of the program's dialog windows.
inline constexpr int kModalNone = 0;
inline constexpr int kModalOk = 1;
inline constexpr int kModalCancel = 2;

// The title-bar buttons of a dialog window. The system menu brings the close button.
enum class BorderIcon : unsigned {
  kSystemMenu = 0x1,
  kMinimize = 0x2,
  kMaximize = 0x4,
  kHelp = 0x8,
};
Q_DECLARE_FLAGS(BorderIcons, BorderIcon)
Q_DECLARE_OPERATORS_FOR_FLAGS(BorderIcons)

// The frame of a dialog window: whether it has a title bar, whether the user can resize it,
// and whether it is a small tool window.
enum class BorderStyle { kNone, kSingle, kSizeable, kDialog, kToolWindow, kSizeableToolWindow };

// kStayOnTop keeps the window above the others; the two multiple-document kinds have no
// meaning here and behave as kNormal (they are kept, so they read back as set).
enum class FormStyle { kNormal, kMdiChild, kMdiForm, kStayOnTop };

// Where the window goes when it is shown: kDesigned keeps Left and Top; the two centre rules
// put it in the middle of the screen at every showing; the default rules leave the place
// to the window system (here: like kDesigned).
enum class Placement {
  kDesigned = 0,
  kDefault = 1,
  kDefaultPosOnly = 2,
  kDefaultSizeOnly = 3,
  kScreenCenter = 4,
  kDesktopCenter = 5,
};

// The window a dialog component makes. It holds the frame settings that Qt has no property
// for, applies them to itself, and lays its controls out in a fixed client area inside an
// inner border. Esc and the title bar's close button end it with kModalCancel.
class DialogWindow : public QDialog {
  Q_OBJECT

 public:
  // `client_width` × `client_height`: the fixed size of the area the controls are placed in
  // (see client()); the window is that size plus twice the inner border width.
  DialogWindow(int client_width, int client_height);

  // The area that derived windows place their controls in, at the documented positions.
  QWidget* client() const { return client_; }

  BorderIcons border_icons() const { return border_icons_; }
  void SetBorderIcons(BorderIcons icons);
  BorderStyle border_style() const { return border_style_; }
  void SetBorderStyle(BorderStyle style);
  int border_width() const { return border_width_; }
  // Negative widths count as 0.
  void SetBorderWidth(int width);
  FormStyle form_style() const { return form_style_; }
  void SetFormStyle(FormStyle style);
  Placement placement() const { return placement_; }
  void SetPlacement(Placement placement);

  // Esc, the close button and Cancel: the modal result kModalCancel, and the window hides.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  // Window flags and size from the frame settings; a visible window stays visible.
  void ApplyFrame();

  QWidget* client_;
  int client_width_;
  int client_height_;
  BorderIcons border_icons_ = {BorderIcon::kSystemMenu, BorderIcon::kMinimize};
  BorderStyle border_style_ = BorderStyle::kSingle;
  int border_width_ = 0;
  FormStyle form_style_ = FormStyle::kNormal;
  Placement placement_ = Placement::kDesigned;
};

class TMRVCustomDlg : public QObject {
  Q_OBJECT

 public:
  // `owner` (may be null) owns the component in Qt's sense; the window is top-level, like a
  // window owned by the application, and lives as long as the component.
  explicit TMRVCustomDlg(QObject* owner);
  // Destroys the window at once. Must not run from inside the window's own event handling.
  ~TMRVCustomDlg() override;
  TMRVCustomDlg(const TMRVCustomDlg&) = delete;
  TMRVCustomDlg& operator=(const TMRVCustomDlg&) = delete;

  // The window title. Storing it does not touch an existing window.
  virtual QString GetCaption() const { return caption_; }
  virtual void SetCaption(const QString& caption) { caption_ = caption; }

  // The window's outer left and top edge in screen pixels.
  int GetLeft() const { return left_; }
  void SetLeft(int left) { left_ = left; }
  int GetTop() const { return top_; }
  void SetTop(int top) { top_ = top; }
  BorderIcons GetBorderIcons() const { return border_icons_; }
  void SetBorderIcons(BorderIcons icons) { border_icons_ = icons; }
  int GetBorderWidth() const { return border_width_; }
  void SetBorderWidth(int width) { border_width_ = width; }
  BorderStyle GetBorderStyle() const { return border_style_; }
  void SetBorderStyle(BorderStyle style) { border_style_ = style; }
  FormStyle GetFormStyle() const { return form_style_; }
  void SetFormStyle(FormStyle style) { form_style_ = style; }
  Placement GetPosition() const { return position_; }
  void SetPosition(Placement position) { position_ = position; }

  // The outer size of the window, used only to keep it on the screen in SetPos.
  int GetDialogWidth() const { return dialog_width_; }
  int GetDialogHeight() const { return dialog_height_; }

  // Makes the window if it does not exist yet and configures it from the properties. When
  // the window cannot be made, shows "ダイアログが生成できませんでした。" (exclamation, OK)
  // and returns false; the operation that asked for the window should then end.
  bool Create();
  // Releases the window (deleted once the events already queued for it are handled) and
  // forgets it. Without a window, nothing happens.
  void Destroy();
  bool IsCreated() const { return dialog_form_ != nullptr; }

  // Shows the window modeless and brings it to the front, making it first if needed. An
  // existing window is not configured again; a minimised one is restored.
  void Show();
  // Runs the window modally and returns its modal result (kModalOk, kModalCancel; kModalNone
  // when the window could not be made). A window shown modeless is hidden first, without
  // taking its values; a hidden one is configured from the properties. After kModalOk the
  // properties take the window's values; after anything else they stay as they were.
  int ShowModal();
  // Hides an existing window; with `take_values`, the properties then take its values.
  void Hide(bool take_values);
  // Places an existing window (nothing happens without one). `manual`: Position becomes
  // kDesigned and the window goes to (x, y), pulled inside the screen — the left edge first,
  // then the right, then the top, then the bottom, so a window larger than the screen ends
  // with a negative left or top. Not `manual`: Position becomes kScreenCenter. Either way
  // the window is then configured again from all the properties.
  void SetPos(bool manual, int x, int y);
  // Configures the window again from the properties (requires the window).
  void RefreshDialog() { PropToDialog(); }

 protected:
  // Makes the derived component's window; null when it cannot be made.
  virtual DialogWindow* CreateSelf() = 0;
  // Properties into the window: title, left, top, border icons, border style, border width,
  // form style, position, in this order. Overrides run this first. Requires the window.
  virtual void PropToDialog();
  // The window's title, place and frame settings back into the properties. Overrides run
  // this first. Requires the window.
  virtual void DialogToProp();

  DialogWindow* dialog_form() const { return dialog_form_; }
  // Set by derived constructors: the window's outer size, and Left/Top centring that size on
  // the screen as it measures now.
  void SetDialogSize(int width, int height);

 private:
  QString caption_;
  int left_ = 0;
  int top_ = 0;
  BorderIcons border_icons_ = {BorderIcon::kSystemMenu, BorderIcon::kMinimize};
  int border_width_ = 0;
  BorderStyle border_style_ = BorderStyle::kSingle;
  FormStyle form_style_ = FormStyle::kNormal;
  Placement position_ = Placement::kDesigned;
  int dialog_width_ = 0;
  int dialog_height_ = 0;
  DialogWindow* dialog_form_ = nullptr;
};

// The size of the primary screen in pixels (0 × 0 when there is none).
QSize PrimaryScreenSize();

}  // namespace zelvora::gui
