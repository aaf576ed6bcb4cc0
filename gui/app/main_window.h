// TFormZELV: the program's main window, a small fixed-size window in which the user names the
// HTML file to stamp and starts a stamp run. It owns what a run needs besides the settings
// (the run host, the progress dialog, made at the first run), holds the status line through
// which the program talks to the user between runs, and loads the settings and the file name
// history when it is made and saves the settings when it is closed, however it is closed.
// Its menu opens the program's other windows and services: the file selection dialog, the
// log, the settings dialog, the help, the author's web page and the about dialog. Each window
// is made at its first use and then only hidden and shown, and closes with the main window.
#pragma once

#include <QMainWindow>
#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "engine/run.h"
#include "gui/app/gui_run_host.h"
#include "gui/app/help_launcher.h"
#include "gui/app/shell_requests.h"
#include "gui/components/window_message.h"
#include "platform/browser_conversation.h"
#include "platform/desktop_shell.h"
#include "platform/file_system.h"
#include "platform/registry_store.h"
#include "settings/setting.h"
#include "settings/settings_persistence.h"

class QAction;
class QFrame;
class QLabel;
class QPushButton;

namespace zelvora {
class RunSession;
}

namespace zelvora::gui {

class TAboutDialog;
class TFileSel;
class TFormProgress;
class TFormSetting;
class THistoryComboBox;

// The about dialog's texts.
inline constexpr char kAppVersion[] = "Ver " ZELVORA_VERSION;
inline constexpr char kRightsNotice[] = "Copyright © 2026 The Zelvora developers";

// What the main window works with; every reference must outlive the window.
struct MainWindowServices {
  RegistryStore& store;  // the settings store: settings, exit state, histories
  TSetting& settings;    // the live settings
  FileSystem& fs;        // the file system stamp runs work on
  std::string log_path;  // where runs keep their log
  // Opens a file with the program the desktop associates with it; true when the request was
  // accepted.
  std::function<bool(const std::string& file_name)> open_file;
  DesktopShell& shell;                // opens the log and web pages, finds the browser for help
  BrowserConversation& conversation;  // asks a running browser to show the help
};

class TFormZELV : public QMainWindow, public MessageTarget {
  Q_OBJECT

 public:
  // Builds the window and loads the file name history, the settings and the exit state
  // (the window's position, the file name box's text) from the store. When the store exists
  // but cannot be loaded, every option takes its default, a copy of the store is kept, and
  // the first showing's status line names the value that failed and the copy.
  explicit TFormZELV(MainWindowServices services);
  ~TFormZELV() override;

  // Shows one blank followed by `text` in the status line.
  void SetStatus(const std::string& text);
  QString StatusText() const;

  // Puts `name` in the file name box (without committing it to the history).
  void SetFileNameText(const QString& name);

  // The settings dialog, or null until the preferences command has made it.
  TFormSetting* SettingDialog() const { return FormSetting.get(); }

  // kMessageSettingsChanged from the settings dialog: its working copy becomes the live
  // settings (the store is written only when the window closes). kMessageFileChosen from
  // the file selection dialog: the chosen file goes into the file name box.
  void HandleMessage(unsigned message) override;

  // Whether a stamp run is under way.
  bool Running() const { return session_ != nullptr; }
  // Whether the window was asked to close during the run under way: the run is stopping,
  // and the window closes when it has ended.
  bool CloseRequested() const { return close_requested_; }
  // How many requests to the desktop (opening files, the log, pages, the help) have not told
  // their outcome yet.
  int PendingShellRequests() const { return shell_requests_.Pending(); }
  // How the last start command ended.
  RunOutcome LastOutcome() const { return last_outcome_; }
  // The run host, for options of runs started without a person (see GuiRunHost).
  GuiRunHost& RunHostOfWindow() { return host_; }

  // The window steps of a run, called by the run host.
  void EnableStartCommands(bool enabled);
  // Adds the file name box's text to its history.
  void CommitFileName();
  // The progress dialog, made and placed at the main window plus the stored offset at its
  // first use.
  TFormProgress& ProgressDialog();
  // Opens `file_name` with its associated program, returning at once; reports the outcome
  // in the status line when it is known, and a failure also in a message box.
  void OpenWrittenFile(const std::string& file_name);

 public slots:
  // The start command (start button, 記入開始, Ctrl+G, Enter): a stamp run on the text of
  // the file name box. Does nothing while a run is under way.
  void MItemGoClick();
  // Opens the file named in the file name box, as typed.
  void MItemOpenClick();
  // Closes the window, as its close box does.
  void MItemExitClick();
  // The browse button: the file selection dialog, placed below the window at its first use.
  void ButtonBrowseClick();
  // Shows the run log in the desktop's viewer.
  void MItemLogExpClick();
  // Shows the settings dialog, made and placed below the window at its first use.
  void MItemPreferencesClick();
  // The help at the main window's section; the status line says where to look either way.
  void MItemHelpClick();
  // The author's web page in the browser.
  void MItemJumpToAuthorWebClick();
  // The about dialog, placed below the window at its first use; the status line shows the
  // name and version every time.
  void MItemAboutClick();

 protected:
  void showEvent(QShowEvent* event) override;
  // Saves the settings and lets the window close; during a run, stops the run first and
  // closes when it has ended.
  void closeEvent(QCloseEvent* event) override;
  // Enter presses the start button wherever the focus is: it is the default button.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildControls();
  void BuildMenus();
  void FormCreate();
  void FormShow();
  void FormClose();
  // The file that the file name box names, as bytes on disk: a name chosen in the file
  // selection dialog exactly as it is on disk, even when it is shown otherwise.
  std::string NamedFile() const;
  void TakeOverSettings();
  void TakeChosenFile();

  MainWindowServices services_;
  GuiRunHost host_;
  ExitState exit_state_;
  ProgressOffset progress_offset_;
  TFormProgress* progress_ = nullptr;  // made at the first run, a child of this window
  RunSession* session_ = nullptr;      // the run under way
  bool close_requested_ = false;       // closing waits for the run to stop
  RunOutcome last_outcome_ = RunOutcome::kNotStarted;
  std::string status_text_;  // the status line's text, without its leading blank
  // Why the options have their defaults, shown in the status line at the first showing.
  std::string load_warning_;
  ShellRequests shell_requests_;  // waited for when the window goes
  HelpLauncher help_;
  std::string chosen_file_;      // the last file chosen in the file selection dialog
  QString chosen_file_display_;  // how the file name box shows it
  TFileSel* FileSel;             // the components are children of this window
  TAboutDialog* AboutDialog;
  std::unique_ptr<TFormSetting> FormSetting;  // made at the first preferences command

  QFrame* Bevel1;
  QLabel* LabelWriteFName;
  THistoryComboBox* HCBoxWriteFName;
  QPushButton* ButtonBrowse;
  QPushButton* ButtonGo;
  QLabel* SBar;  // the status bar's one simple panel
  QAction* MItemOpen;
  QAction* MItemGo;
  QAction* MItemExit;
  QAction* MItemLogExp;
  QAction* MItemPreferences;
  QAction* MItemHelp;
  QAction* MItemJumpToAuthorWeb;
  QAction* MItemAbout;
};

}  // namespace zelvora::gui
