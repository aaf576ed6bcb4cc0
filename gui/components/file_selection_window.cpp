#include "gui/components/file_selection_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>
#include <algorithm>
#include <utility>

#include "gui/components/busy_cursor.h"
#include "gui/components/file_name_text.h"
#include "gui/components/file_selection.h"
#include "gui/components/locale_order.h"
#include "gui/components/message_box.h"
#include "platform/paths.h"
#include "platform/wildcard.h"

namespace zelvora::gui {
namespace {

constexpr int kClientWidth = 577;
constexpr int kClientHeight = 406;
constexpr int kTreeWidth = 217;
constexpr int kMinimumPaneWidth = 150;
// A listed file's name on disk, as bytes.
constexpr int kNameRole = Qt::UserRole;

const char kNoFileName[] = "ファイルを指定して下さい。";
const char kFileMissing[] = "ファイルが存在しません。";
const char kOverwrite[] = "上書きしてよろしいですか？";

// The patterns of the pattern field, split at each comma; blanks belong to the patterns.
std::vector<std::string> SplitPatterns(const std::string& text) {
  std::vector<std::string> patterns;
  size_t start = 0;
  for (;;) {
    const size_t comma = text.find(',', start);
    patterns.push_back(text.substr(start, comma - start));
    if (comma == std::string::npos) return patterns;
    start = comma + 1;
  }
}

bool MatchesAny(const std::vector<std::string>& patterns, const std::string& name) {
  return std::any_of(patterns.begin(), patterns.end(), [&name](const std::string& pattern) {
    return MatchesWildcard(pattern, name);
  });
}

// A name without an extension (no "." in its name part) gets the first pattern's
// extension: the patterns' text from its first "." up to its first comma, when that piece
// holds no wildcard. "*.htm,*.html" gives ".htm"; "*.*" gives nothing.
void AppendDefaultExt(std::string& file_name, const std::string& patterns) {
  if (NamePart(file_name).find('.') != std::string_view::npos) return;
  const size_t dot = patterns.find('.');
  if (dot == std::string::npos) return;
  const size_t comma = patterns.find(',');
  if (comma != std::string::npos && comma < dot) return;
  const std::string extension =
      patterns.substr(dot, comma == std::string::npos ? comma : comma - dot);
  if (extension.find_first_of("*?") != std::string::npos) return;
  file_name += extension;
}

std::string RawName(const QListWidgetItem* item) {
  return item->data(kNameRole).toByteArray().toStdString();
}

QLabel* NewLabel(const char* text, QWidget* buddy, int left, int top, QWidget* parent) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setBuddy(buddy);
  label->move(left, top);
  label->adjustSize();
  return label;
}

}  // namespace

TFormFileSel::TFormFileSel(TFileSel* component, FileSystem& fs, FolderRootSource roots)
    : DialogWindow(kClientWidth, kClientHeight), component_(component), fs_(fs) {
  BuildControls(fs, std::move(roots));
  connect(tree_, &TExpViewLite::Change, this, &TFormFileSel::EViewLiteChange);
  connect(files_, &QListWidget::itemSelectionChanged, this, &TFormFileSel::LBoxFilesClick);
  connect(files_, &QListWidget::itemClicked, this, &TFormFileSel::LBoxFilesClick);
  connect(files_, &QListWidget::itemDoubleClicked, this, [this] {
    LBoxFilesClick();
    ButtonOkClick();
  });
  connect(file_types_, &QComboBox::activated, this, &TFormFileSel::CBoxFileTypeChange);
  connect(ok_, &QPushButton::clicked, this, &TFormFileSel::ButtonOkClick);
  connect(cancel_, &QPushButton::clicked, this, &TFormFileSel::reject);
  file_type_->installEventFilter(this);
}

void TFormFileSel::BuildControls(FileSystem& fs, FolderRootSource roots) {
  QWidget* area = client();
  auto* panel = new QWidget(area);
  panel->setObjectName("Panel1");
  panel->setGeometry(16, 16, 545, 273);
  auto* splitter = new QSplitter(Qt::Horizontal, panel);
  splitter->setObjectName("Splitter1");
  splitter->setHandleWidth(4);
  splitter->setChildrenCollapsible(false);
  auto* panel_layout = new QHBoxLayout(panel);
  panel_layout->setContentsMargins(0, 0, 0, 0);
  panel_layout->addWidget(splitter);

  tree_ = new TExpViewLite(splitter, fs, std::move(roots));
  tree_->setObjectName("EViewLite");
  tree_->setMinimumWidth(kMinimumPaneWidth);
  files_ = new QListWidget(splitter);
  files_->setObjectName("LBoxFiles");
  files_->setMinimumWidth(kMinimumPaneWidth);
  files_->setUniformItemSizes(true);
  splitter->setSizes({kTreeWidth, 545 - kTreeWidth - splitter->handleWidth()});

  file_name_ = new QLineEdit(area);
  file_name_->setObjectName("EditFileName");
  file_name_->setGeometry(96, 304, 465, 20);
  NewLabel("&N･ファイル名：", file_name_, 16, 308, area)->setObjectName("Label1");
  file_type_ = new QLineEdit(area);
  file_type_->setObjectName("EditFileType");
  file_type_->setGeometry(96, 336, 137, 21);
  NewLabel("&T･種類：", file_type_, 16, 340, area)->setObjectName("Label2");
  file_types_ = new QComboBox(area);
  file_types_->setObjectName("CBoxFileType");
  file_types_->setGeometry(240, 336, 321, 21);

  ok_ = new QPushButton("&OK", area);
  ok_->setObjectName("ButtonOk");
  ok_->setGeometry(352, 368, 97, 25);
  ok_->setDefault(true);
  cancel_ = new QPushButton(QString::fromUtf8("&C・キャンセル"), area);
  cancel_->setObjectName("ButtonCancel");
  cancel_->setGeometry(464, 368, 97, 25);

  setTabOrder(files_, tree_);
  setTabOrder(tree_, file_name_);
  setTabOrder(file_name_, file_type_);
  setTabOrder(file_type_, file_types_);
  setTabOrder(file_types_, ok_);
  setTabOrder(ok_, cancel_);
}

// --- configuration and reading back -------------------------------------------------------

void TFormFileSel::SetFileTypes(const QStringList& entries) {
  file_types_->clear();
  file_types_->addItems(entries);
}

void TFormFileSel::SetFileNameField(std::string_view file_name) {
  file_name_->setText(DisplayName(NamePart(file_name)));
}

void TFormFileSel::WalkTo(const std::string& folder) { tree_->SetFolderName(folder); }

void TFormFileSel::SetMultiSelect(bool multi_select) {
  files_->setSelectionMode(multi_select ? QAbstractItemView::ExtendedSelection
                                        : QAbstractItemView::SingleSelection);
}

std::string TFormFileSel::FolderName() const { return tree_->GetFolderName(); }

int TFormFileSel::SelectedTypeIndex() const { return file_types_->currentIndex(); }

std::vector<std::string> TFormFileSel::SelectedFiles() const {
  const std::string folder = tree_->GetPathName();
  std::vector<std::string> selected;
  for (int i = 0; i < files_->count(); ++i) {
    if (files_->item(i)->isSelected()) selected.push_back(folder + RawName(files_->item(i)));
  }
  if (!file_name_->text().isEmpty()) {
    std::string typed = folder + NameFieldBytes();
    if (std::find(selected.begin(), selected.end(), typed) == selected.end()) {
      selected.push_back(std::move(typed));
    }
  }
  return selected;
}

// --- listing ---------------------------------------------------------------------------------

void TFormFileSel::ListFiles() {
  const std::string folder = tree_->GetPathName();
  if (folder.empty()) return;
  BusyCursor busy;
  files_->setUpdatesEnabled(false);
  if (file_type_->text().isEmpty()) file_type_->setText("*.*");
  files_->clear();
  const std::vector<std::string> patterns = SplitPatterns(TypedName(file_type_->text()));
  auto entries = fs_.ListFolder(folder);
  if (entries.ok()) {
    std::vector<const std::string*> names;
    QStringList texts;
    for (const FolderEntry& entry : *entries) {
      if (entry.is_folder || !MatchesAny(patterns, entry.name)) continue;
      names.push_back(&entry.name);
      texts.append(DisplayName(entry.name));
    }
    for (const qsizetype i : LocaleOrder(texts)) {
      const std::string& name = *names[static_cast<size_t>(i)];
      auto* item = new QListWidgetItem(texts[i]);
      item->setData(kNameRole, QByteArray(name.data(), static_cast<qsizetype>(name.size())));
      files_->addItem(item);
    }
  }
  files_->setUpdatesEnabled(true);
}

// --- events ----------------------------------------------------------------------------------

void TFormFileSel::showEvent(QShowEvent* event) {
  DialogWindow::showEvent(event);
  if (event->spontaneous()) return;
  file_type_->setReadOnly(!options_.wild_card_free);
  file_types_->setCurrentIndex(options_.file_type_index);
  CBoxFileTypeChange();
}

bool TFormFileSel::eventFilter(QObject* watched, QEvent* event) {
  if (watched == file_type_) {
    switch (event->type()) {
      case QEvent::FocusIn:
        ok_->setDefault(false);
        break;
      case QEvent::FocusOut:
        ok_->setDefault(true);
        CheckTypedPatterns();
        break;
      case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
          CheckTypedPatterns();
          return true;
        }
        break;
      }
      default:
        break;
    }
  }
  return DialogWindow::eventFilter(watched, event);
}

void TFormFileSel::CheckTypedPatterns() {
  if (!file_type_->isModified()) return;
  file_type_->setModified(false);
  file_types_->setCurrentIndex(-1);
  ListFiles();
}

void TFormFileSel::CBoxFileTypeChange() {
  const int index = file_types_->currentIndex();
  if (index < 0) return;
  const QString entry = file_types_->itemText(index);
  QString patterns = entry.mid(entry.indexOf('(') + 1);
  patterns.chop(1);
  file_type_->setText(patterns);
  ListFiles();
}

void TFormFileSel::EViewLiteChange() {
  tree_->setToolTip(DisplayName(tree_->GetPathName()));
  ListFiles();
}

void TFormFileSel::LBoxFilesClick() {
  const QListWidgetItem* item = files_->currentItem();
  if (item != nullptr && item->isSelected()) file_name_->setText(item->text());
}

std::string TFormFileSel::NameFieldBytes() const {
  const QString text = file_name_->text();
  const std::string typed = TypedName(text);
  for (int i = 0; i < files_->count(); ++i) {
    if (RawName(files_->item(i)) == typed) return typed;
  }
  for (int i = 0; i < files_->count(); ++i) {
    if (files_->item(i)->text() == text) return RawName(files_->item(i));
  }
  return typed;
}

bool TFormFileSel::FileExists(const std::string& path) const {
  auto info = fs_.Stat(path);
  return info.ok() && info->kind != FileKind::kFolder;
}

// OK: an empty name is refused; the name is joined to the selected folder as typed and gets
// the default extension; with FileMustExist a missing file is refused, with OverwritePrompt
// an existing one needs a Yes. Refusals keep the window open with no modal result, so a
// modal run goes on too.
void TFormFileSel::ButtonOkClick() {
  setResult(kModalNone);
  if (file_name_->text().isEmpty()) {
    ShowMessageBox(this, QString::fromUtf8(kNoFileName), BoxButtons::kOk, BoxIcon::kExclamation);
    return;
  }
  chosen_file_name_ = tree_->GetPathName() + NameFieldBytes();
  AppendDefaultExt(chosen_file_name_, TypedName(file_type_->text()));
  file_name_->setText(DisplayName(NamePart(chosen_file_name_)));
  const bool exists = FileExists(chosen_file_name_);
  if (options_.file_must_exist && !exists) {
    ShowMessageBox(this, QString::fromUtf8(kFileMissing), BoxButtons::kOk, BoxIcon::kExclamation);
    return;
  }
  if (options_.overwrite_prompt && exists &&
      ShowMessageBox(this, QString::fromUtf8(kOverwrite), BoxButtons::kYesNo,
                     BoxIcon::kExclamation) != BoxAnswer::kYes) {
    return;
  }
  AcceptChoice();
}

void TFormFileSel::AcceptChoice() {
  if (component_ != nullptr) component_->DialogToProp();
  done(kModalOk);
  if (options_.notify_window != nullptr && options_.notify_message != 0) {
    options_.notify_window->HandleMessage(options_.notify_message);
  }
}

}  // namespace zelvora::gui
