// The program's own file dialog as a dialog component (custom_dialog.h): a folder tree beside
// a sorted list of the selected folder's files that match the current file type, a name
// field, and a type chooser whose patterns can also be typed. It runs modeless: when the
// user confirms a valid name, the window hides, the component takes over the chosen name,
// and the owner is told through a window message (window_message.h).
//
// An owner sets it up once:
//
//   file_sel_ = new TFileSel(this);
//   file_sel_->SetCaption("記入ファイルの選択");
//   file_sel_->SetFileMustExist(true);
//   file_sel_->AddFileType("HTML ファイル", "*.htm,*.html", 0);
//   file_sel_->SetNotifyWindow(this);                 // a MessageTarget
//   file_sel_->SetNotifyMessage(kMessageFileChosen);  // 1025
//
// and in HandleMessage(kMessageFileChosen) reads GetFileName().
//
// File names and folders are bytes exactly as on disk, "/"-separated (UTF-8 for names that
// are valid UTF-8); a chosen name that is not valid UTF-8 comes back unchanged.
#pragma once

#include <QStringList>
#include <string>
#include <vector>

#include "gui/components/custom_dialog.h"
#include "gui/components/folder_tree.h"
#include "gui/components/window_message.h"
#include "platform/file_system.h"

namespace zelvora::gui {

class TFormFileSel;

class TFileSel : public TMRVCustomDlg {
  Q_OBJECT

 public:
  // Files and folders are read through `fs` (not owned; it must outlive the component) and
  // the folder tree's roots come from `roots`; tests pass their own. Caption "ファイルの選択",
  // outer size 585 × 433 centred on the screen, one file type "すべてのファイル (*.*)",
  // InitialFolder FirstFileDialogFolder().
  explicit TFileSel(QObject* owner, FileSystem& fs = RealFileSystem(),
                    FolderRootSource roots = MachineFolderRoots);

  // The chosen file with its folder. Storing it shows its name part in the window at the
  // next configuration.
  const std::string& GetFileName() const { return file_name_; }
  void SetFileName(const std::string& file_name) { file_name_ = file_name; }
  // The folder the tree selects when the window is configured; after a successful OK, the
  // folder the user chose. Storing an empty text stores FirstFileDialogFolder() (the
  // program's folder when it is writable, otherwise the home folder). Folders are kept
  // without a trailing "/", except "/" itself.
  const std::string& GetInitialFolder() const { return initial_folder_; }
  void SetInitialFolder(const std::string& folder);
  // OK refuses a name whose file does not exist.
  bool GetFileMustExist() const { return file_must_exist_; }
  void SetFileMustExist(bool must_exist) { file_must_exist_ = must_exist; }
  // The file list allows extended multiple selection; the choice is in SelectedFiles.
  bool GetMultiSelect() const { return multi_select_; }
  void SetMultiSelect(bool multi_select) { multi_select_ = multi_select; }
  // OK asks before accepting a name whose file exists.
  bool GetOverwritePrompt() const { return overwrite_prompt_; }
  void SetOverwritePrompt(bool prompt) { overwrite_prompt_ = prompt; }
  // The user may type patterns into the pattern field (otherwise it is read-only).
  bool GetWildCardFree() const { return wild_card_free_; }
  void SetWildCardFree(bool free) { wild_card_free_ = free; }
  // The file type selected when the window is next shown; -1 after an OK with typed patterns.
  int GetFileTypeIndex() const { return file_type_index_; }
  // Stores `index` when it is below the number of types (a negative one included, which
  // selects no type and keeps the typed patterns), otherwise 0.
  void SetFileTypeIndex(int index);
  // The message sent to the notify window after a successful OK; 0 sends nothing.
  unsigned GetNotifyMessage() const { return notify_message_; }
  void SetNotifyMessage(unsigned message) { notify_message_ = message; }
  // The receiver of the notify message (not owned; it must outlive the component or be
  // cleared); null sends nothing.
  MessageTarget* GetNotifyWindow() const { return notify_window_; }
  void SetNotifyWindow(MessageTarget* target) { notify_window_ = target; }

  // The file type entries in display order, each "description (patterns)".
  const QStringList& FileTypes() const { return file_types_; }
  // Adds "description (patterns)" at `index` (clamped to 0 … count; a larger index appends)
  // unless an entry equal to it regardless of letter case exists. True if added. The
  // patterns are comma-separated without blanks; the description must hold no "(".
  bool AddFileType(const QString& description, const QString& patterns, int index);
  // Deletes the first entry that holds `text` anywhere (exact, case-sensitive). True if one
  // was deleted.
  bool DeleteFileType(const QString& text);
  void ClearFileType() { file_types_.clear(); }

  // In multi-select mode, after an OK: the full names of the selected files in list order,
  // then the typed name unless it is one of them.
  const std::vector<std::string>& SelectedFiles() const { return selected_files_; }

  // The window's state into the properties: caption, place and frame, FileName, the tree's
  // folder as InitialFolder, FileTypeIndex, and SelectedFiles in multi-select mode. The
  // window runs it itself when its OK succeeds. Requires the window.
  void DialogToProp() override;

 protected:
  DialogWindow* CreateSelf() override;
  // The properties into the window: caption, place and frame, the file types, the name part
  // of FileName, the tree walked to InitialFolder, the options and the selection mode.
  void PropToDialog() override;

 private:
  TFormFileSel* window() const;

  FileSystem& fs_;
  FolderRootSource roots_;
  std::string file_name_;
  std::string initial_folder_;
  bool file_must_exist_ = false;
  bool multi_select_ = false;
  bool overwrite_prompt_ = false;
  bool wild_card_free_ = true;
  int file_type_index_ = 0;
  unsigned notify_message_ = 0;
  MessageTarget* notify_window_ = nullptr;
  QStringList file_types_;
  std::vector<std::string> selected_files_;
};

}  // namespace zelvora::gui
