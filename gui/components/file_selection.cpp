#include "gui/components/file_selection.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "gui/components/file_name_text.h"
#include "gui/components/file_selection_window.h"
#include "platform/program_folder.h"

namespace zelvora::gui {
namespace {

constexpr int kDialogWidth = 585;
constexpr int kDialogHeight = 433;

}  // namespace

TFileSel::TFileSel(QObject* owner, FileSystem& fs, FolderRootSource roots)
    : TMRVCustomDlg(owner), fs_(fs), roots_(std::move(roots)) {
  SetCaption(QString::fromUtf8("ファイルの選択"));
  SetDialogSize(kDialogWidth, kDialogHeight);
  AddFileType(QString::fromUtf8("すべてのファイル"), "*.*", std::numeric_limits<int>::max());
  SetInitialFolder(std::string());
}

void TFileSel::SetInitialFolder(const std::string& folder) {
  initial_folder_ = FolderWithoutTrailingSlash(folder.empty() ? FirstFileDialogFolder() : folder);
}

void TFileSel::SetFileTypeIndex(int index) {
  file_type_index_ = index < file_types_.size() ? index : 0;
}

bool TFileSel::AddFileType(const QString& description, const QString& patterns, int index) {
  const QString entry = description + " (" + patterns + ")";
  for (const QString& existing : file_types_) {
    if (existing.compare(entry, Qt::CaseInsensitive) == 0) return false;
  }
  const qsizetype at = std::clamp<qsizetype>(index, 0, file_types_.size());
  file_types_.insert(at, entry);
  return true;
}

bool TFileSel::DeleteFileType(const QString& text) {
  for (qsizetype i = 0; i < file_types_.size(); ++i) {
    if (file_types_[i].contains(text)) {
      file_types_.removeAt(i);
      return true;
    }
  }
  return false;
}

TFormFileSel* TFileSel::window() const { return static_cast<TFormFileSel*>(dialog_form()); }

DialogWindow* TFileSel::CreateSelf() { return new TFormFileSel(this, fs_, roots_); }

void TFileSel::PropToDialog() {
  TMRVCustomDlg::PropToDialog();
  TFormFileSel* form = window();
  form->SetFileTypes(file_types_);
  form->SetFileNameField(file_name_);
  form->WalkTo(initial_folder_);
  form->SetOptions({file_must_exist_, overwrite_prompt_, wild_card_free_, file_type_index_,
                    notify_message_, notify_window_});
  form->SetMultiSelect(multi_select_);
}

void TFileSel::DialogToProp() {
  TMRVCustomDlg::DialogToProp();
  const TFormFileSel* form = window();
  file_name_ = form->ChosenFileName();
  initial_folder_ = form->FolderName();
  file_type_index_ = form->SelectedTypeIndex();
  if (multi_select_) selected_files_ = form->SelectedFiles();
}

}  // namespace zelvora::gui
