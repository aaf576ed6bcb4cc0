#include "gui/components/folder_selection.h"

#include <QLineEdit>
#include <QPushButton>
#include <utility>

#include "gui/components/file_name_text.h"
#include "platform/program_folder.h"

namespace zelvora::gui {
namespace {

constexpr int kClientWidth = 353;
constexpr int kClientHeight = 377;

}  // namespace

TFolderSel::TFolderSel(QObject* owner, FileSystem& fs, FolderRootSource roots)
    : TMRVCustomDlg(owner), fs_(fs), roots_(std::move(roots)) {
  SetCaption(QString::fromUtf8("フォルダの選択"));
  SetDialogSize(kClientWidth, kClientHeight);
  SetFolderName(std::string());
}

void TFolderSel::SetFolderName(const std::string& folder) {
  folder_name_ = FolderWithoutTrailingSlash(folder.empty() ? FirstFileDialogFolder() : folder);
}

DialogWindow* TFolderSel::CreateSelf() { return new TFormFolderSel(fs_, roots_); }

void TFolderSel::PropToDialog() {
  TMRVCustomDlg::PropToDialog();
  static_cast<TFormFolderSel*>(dialog_form())->WalkTo(folder_name_);
}

void TFolderSel::DialogToProp() {
  TMRVCustomDlg::DialogToProp();
  folder_name_ = static_cast<const TFormFolderSel*>(dialog_form())->FolderName();
}

TFormFolderSel::TFormFolderSel(FileSystem& fs, FolderRootSource roots)
    : DialogWindow(kClientWidth, kClientHeight) {
  setObjectName("FormFolderSel");
  QWidget* area = client();
  tree_ = new TExpViewLite(area, fs, std::move(roots));
  tree_->setObjectName("EViewLite");
  tree_->setGeometry(16, 16, 321, 273);
  folder_field_ = new QLineEdit(area);
  folder_field_->setObjectName("EditFolderName");
  folder_field_->setGeometry(16, 300, 321, 21);
  folder_field_->setReadOnly(true);
  ok_ = new QPushButton("&OK", area);
  ok_->setObjectName("ButtonOk");
  ok_->setGeometry(128, 336, 97, 25);
  ok_->setDefault(true);
  ok_->setEnabled(false);
  auto* cancel = new QPushButton(QString::fromUtf8("&C・キャンセル"), area);
  cancel->setObjectName("ButtonCancel");
  cancel->setGeometry(240, 336, 97, 25);
  setTabOrder(tree_, folder_field_);
  setTabOrder(folder_field_, ok_);
  setTabOrder(ok_, cancel);
  connect(tree_, &TExpViewLite::Change, this, &TFormFolderSel::EViewLiteChange);
  connect(ok_, &QPushButton::clicked, this, [this] { done(kModalOk); });
  connect(cancel, &QPushButton::clicked, this, &TFormFolderSel::reject);
}

void TFormFolderSel::WalkTo(const std::string& folder) { tree_->SetFolderName(folder); }

std::string TFormFolderSel::FolderName() const { return tree_->GetFolderName(); }

// The field and the tree's tool tip show the whole path, which the tree's narrow column cuts.
void TFormFolderSel::EViewLiteChange() {
  const QString path = DisplayName(tree_->GetFolderName());
  folder_field_->setText(path);
  tree_->setToolTip(path);
  ok_->setEnabled(!path.isEmpty());
}

}  // namespace zelvora::gui
