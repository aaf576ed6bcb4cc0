// The window of the file selection component (file_selection.h). Only its component
// configures it and reads it back; owners talk to the component.
//
// Controls (client area 577 × 406; left, top, width, height), named as below so that tests
// can find them:
//   Panel1        16, 16, 545 × 273: EViewLite (folder tree, 217 wide), Splitter1, LBoxFiles
//   Label1        "&N･ファイル名：" at 16, 308, for EditFileName (96, 304, 465 × 20)
//   Label2        "&T･種類：" at 16, 340, for EditFileType (96, 336, 137 × 21)
//   CBoxFileType  240, 336, 321 × 21, the file types (pick only)
//   ButtonOk      "&OK" 352, 368, 97 × 25, the default button
//   ButtonCancel  "&C・キャンセル" 464, 368, 97 × 25, also Esc
#pragma once

#include <QPointer>
#include <QStringList>
#include <string>
#include <string_view>
#include <vector>

#include "gui/components/custom_dialog.h"
#include "gui/components/folder_tree.h"
#include "gui/components/window_message.h"
#include "platform/file_system.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zelvora::gui {

class TFileSel;

// The component's settings that the window keeps its own copy of.
struct FileSelOptions {
  bool file_must_exist = false;
  bool overwrite_prompt = false;
  bool wild_card_free = true;
  int file_type_index = 0;
  unsigned notify_message = 0;
  MessageTarget* notify_window = nullptr;
};

class TFormFileSel : public DialogWindow {
  Q_OBJECT

 public:
  // `component` receives the values after a successful OK; it is not owned and may go
  // first. Files are read through `fs`, which must outlive the window.
  TFormFileSel(TFileSel* component, FileSystem& fs, FolderRootSource roots);

  // --- configuration by the component ---
  void SetFileTypes(const QStringList& entries);
  // Shows the name part (after the last "/") of `file_name` in the name field.
  void SetFileNameField(std::string_view file_name);
  // Walks the folder tree to `folder`, which lists its files.
  void WalkTo(const std::string& folder);
  void SetOptions(const FileSelOptions& options) { options_ = options; }
  // Extended multiple selection in the file list, or single selection.
  void SetMultiSelect(bool multi_select);

  // --- read back by the component ---
  // The file the last successful OK accepted, with its folder; empty before.
  const std::string& ChosenFileName() const { return chosen_file_name_; }
  // The tree's selected folder (TExpViewLite::GetFolderName).
  std::string FolderName() const;
  // The entry selected in the type chooser; -1 for none (typed patterns).
  int SelectedTypeIndex() const;
  // The tree's folder + each selected file in list order, then the folder + the name field
  // unless that name is among them.
  std::vector<std::string> SelectedFiles() const;

  // Fills the file list with the selected folder's files (not its subfolders) that match
  // any of the comma-separated patterns in the pattern field (put "*.*" there when it is
  // empty), each once, in locale order. Nothing is listed without a selected folder or when
  // the folder cannot be read.
  void ListFiles();

 protected:
  // At every showing: the pattern field is read-only unless patterns may be typed; the
  // window's file type is selected and its patterns listed.
  void showEvent(QShowEvent* event) override;
  // The pattern field: Enter checks the typed patterns (and is swallowed); while the field
  // has the focus, OK is not the default button.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void BuildControls(FileSystem& fs, FolderRootSource roots);
  // OK: checks the name and accepts it (see the .cpp for the sequence).
  void ButtonOkClick();
  void CBoxFileTypeChange();
  void EViewLiteChange();
  void LBoxFilesClick();
  // Relists when the pattern field was edited since the last check, with no type selected.
  void CheckTypedPatterns();
  // The bytes of the name in the name field: the listed file it shows when there is one
  // (so a name that is not valid UTF-8 reaches its file), else the typed text as UTF-8.
  std::string NameFieldBytes() const;
  // Whether `path` names an existing file; a folder does not count.
  bool FileExists(const std::string& path) const;
  // Accepts chosen_file_name_: the component takes the values, the window hides with
  // kModalOk and the notify window gets its message.
  void AcceptChoice();

  QPointer<TFileSel> component_;
  FileSystem& fs_;
  FileSelOptions options_;
  std::string chosen_file_name_;

  TExpViewLite* tree_ = nullptr;
  QListWidget* files_ = nullptr;
  QLineEdit* file_name_ = nullptr;
  QLineEdit* file_type_ = nullptr;
  QComboBox* file_types_ = nullptr;
  QPushButton* ok_ = nullptr;
  QPushButton* cancel_ = nullptr;
};

}  // namespace zelvora::gui
