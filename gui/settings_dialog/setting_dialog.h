// TFormSetting: the modeless dialog in which the user edits every option of the settings
// record. It works on a working copy of its own; OK and Apply check the controls, fill the
// working copy from them and tell the notification target (the main window) with message
// kMessageSettingsChanged, whose handler copies the working copy over the live settings.
// Nothing is written to the settings store here, apart from the free format's history.
//
// The window is made once and then only hidden and shown. Every time it becomes visible
// from hidden it shows the working copy. Closing it, by whatever way, hides it; when the
// dialog result is then Cancel, the working copy is reset from the live settings. The dialog
// result starts as kModalNone; OK sets kModalOk, Cancel (and Esc) kModalCancel, and nothing
// else changes it — the close box keeps the last one.
#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "gui/components/custom_dialog.h"
#include "gui/components/window_message.h"
#include "gui/settings_dialog/control_values.h"
#include "platform/file_system.h"
#include "platform/registry_store.h"
#include "settings/setting.h"

class QLineEdit;
class QPushButton;
class QTabWidget;

namespace zelvora::gui {

class DatePage;
class ExtendPage;
class OtherPage;
class PreventPage;
class SettingPage;
class TFileSel;
class TFolderSel;

// What the dialog works with; every reference must outlive the dialog.
struct SettingDialogServices {
  RegistryStore& store;  // where the free format's history is kept
  const TSetting& live;  // the live settings, read when Cancel resets the working copy
  // Shows the help at an anchor (the help of the page shown); the outcome is not needed.
  std::function<void(const std::string& anchor)> show_help;
  FileSystem& fs = RealFileSystem();  // what the browse buttons' file and folder dialogs list
};

class TFormSetting : public DialogWindow, public MessageTarget {
  Q_OBJECT

 public:
  // Builds the window with the defaults as its working copy (creation handling: the 日付記入
  // page shown, the template list filled, the format history loaded, the browse dialog's
  // HTML type and notification set up).
  explicit TFormSetting(SettingDialogServices services);
  ~TFormSetting() override;

  const TSetting& WorkingCopy() const { return working_; }
  void SetWorkingCopy(const TSetting& setting) { working_ = setting; }
  // The receiver of kMessageSettingsChanged (not owned; null sends nothing).
  void SetNotifyTarget(MessageTarget* target) { notify_target_ = target; }
  // The folder the browse button's file dialog starts in.
  void SetBrowseFolder(const std::string& folder);
  int DialogResult() const { return dialog_result_; }

  // Shows `setting` in the controls; a check box or radio button that changes runs its
  // enabling rule as a click would.
  void SettingToControls(const TSetting& setting);
  // Commits the free format to its history, then fills `setting` from the controls (see
  // FillSetting). On a failure, a range failure's edit box is corrected to the nearest
  // bound, the message is shown (exclamation, OK) and false is returned; the page and the
  // focus stay as they are.
  bool ControlsToSetting(TSetting& setting);
  // Applies every enabling rule: backup, date format, link depth, avoid list, log.
  void UpdateControlStates();

  // kMessageFileChosen from the browse dialog: its file name goes into the avoid list's
  // edit box.
  void HandleMessage(unsigned message) override;

  // Esc: as the cancel button.
  void reject() override;

 protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void ButtonOKClick();
  void ButtonCancelClick();
  void ButtonApplyClick();
  void ButtonDefaultClick();
  void ButtonHelpClick();
  void ButtonAddClick();
  void ButtonRemoveClick();
  void ButtonBrowseClick();
  void ButtonSiteRootClick();
  void BackupRule();
  void DateFormatRule();
  void LinkDepthRule();
  void AvoidListRule();
  void LogRule();

 private:
  void BuildButtons();
  void AddPage(SettingPage* page);
  void ChainKeyboardOrder();
  void ConnectRules();
  void FormCreate();
  void FormShow();
  void FormClose();
  void Notify();
  ControlValues CurrentValues() const;
  void ShowValues(const ControlValues& values);
  QLineEdit* EditOf(NumberField field) const;

  SettingDialogServices services_;
  MessageTarget* notify_target_ = nullptr;
  TSetting working_;
  int dialog_result_ = kModalNone;
  TFileSel* file_sel_;      // the browse button's file dialog, a child of this window
  TFolderSel* folder_sel_;  // the site root's folder dialog, a child of this window
  std::vector<SettingPage*> pages_;

  QTabWidget* PCSetting;
  DatePage* TaDate;
  PreventPage* TaPrevent;
  OtherPage* TaOther;
  ExtendPage* TaExtend;
  QPushButton* ButtonOK;
  QPushButton* ButtonCancel;
  QPushButton* ButtonApply;
  QPushButton* ButtonDefault;
  QPushButton* ButtonHelp;
};

}  // namespace zelvora::gui
