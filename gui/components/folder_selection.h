// The program's own folder dialog as a dialog component (custom_dialog.h): the folder tree of
// the file dialog (folder_tree.h), the chosen folder's path below it, OK and キャンセル. It
// looks and reads like the program's other dialogs in any locale, unlike the toolkit's.
//
// An owner runs it modally:
//
//   folder_sel_->SetCaption("サイトのルートフォルダ");
//   folder_sel_->SetFolderName(current);
//   if (folder_sel_->ShowModal() == kModalOk) Use(folder_sel_->GetFolderName());
//
// Folders are bytes exactly as on disk, "/"-separated, without a trailing "/" except "/".
#pragma once

#include <string>

#include "gui/components/custom_dialog.h"
#include "gui/components/folder_tree.h"
#include "platform/file_system.h"

class QLineEdit;
class QPushButton;

namespace zelvora::gui {

class TFolderSel : public TMRVCustomDlg {
  Q_OBJECT

 public:
  // Folders are read through `fs` (not owned; it must outlive the component) and the tree's
  // roots come from `roots`. Caption "フォルダの選択", outer size 353 × 377 centred on the
  // screen, FolderName FirstFileDialogFolder().
  explicit TFolderSel(QObject* owner, FileSystem& fs = RealFileSystem(),
                      FolderRootSource roots = MachineFolderRoots);

  // The folder the tree walks to when the window is configured (ShowModal of a hidden
  // window); after an OK, the folder chosen. Storing an empty text stores
  // FirstFileDialogFolder().
  const std::string& GetFolderName() const { return folder_name_; }
  void SetFolderName(const std::string& folder);

 protected:
  DialogWindow* CreateSelf() override;
  // Base copy, then the tree walked to FolderName.
  void PropToDialog() override;
  // Base copy, then FolderName := the tree's selected folder.
  void DialogToProp() override;

 private:
  FileSystem& fs_;
  FolderRootSource roots_;
  std::string folder_name_;
};

// The window of TFolderSel. Controls (client area 353 × 377; left, top, width, height):
//   EViewLite       16, 16, 321 × 273, the folder tree
//   EditFolderName  16, 300, 321 × 21, the selected folder's path (read only)
//   ButtonOk        "&OK" 128, 336, 97 × 25, the default button; enabled while a folder is
//                   selected
//   ButtonCancel    "&C・キャンセル" 240, 336, 97 × 25, also Esc
class TFormFolderSel : public DialogWindow {
  Q_OBJECT

 public:
  TFormFolderSel(FileSystem& fs, FolderRootSource roots);

  void WalkTo(const std::string& folder);
  // The tree's selected folder (TExpViewLite::GetFolderName); empty when none is.
  std::string FolderName() const;

 private:
  void EViewLiteChange();

  TExpViewLite* tree_;
  QLineEdit* folder_field_;
  QPushButton* ok_;
};

}  // namespace zelvora::gui
