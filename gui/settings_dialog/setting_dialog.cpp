#include "gui/settings_dialog/setting_dialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTabWidget>
#include <algorithm>

#include "engine/date_format.h"
#include "gui/components/file_name_text.h"
#include "gui/components/file_selection.h"
#include "gui/components/folder_selection.h"
#include "gui/components/history_combo_box.h"
#include "gui/components/message_box.h"
#include "gui/settings_dialog/setting_pages.h"
#include "settings/settings_persistence.h"

namespace zelvora::gui {
namespace {

constexpr int kClientWidth = 537;
constexpr int kClientHeight = 350;
constexpr char kCaptionSuffix[] = "の動作設定";
constexpr char kFormatHistoryName[] = "HistWriteFmtStr";
constexpr int kFormatHistoryCount = 10;
// How long a button's hint stays on screen: long enough to read a Japanese sentence.
constexpr int kHintShowMs = 5000;

QPushButton* NewButton(QWidget* parent, const char* name, const char* caption, int top,
                       const char* hint) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(name);
  button->setGeometry(432, top, 89, 25);
  button->setToolTip(QString::fromUtf8(hint));
  button->setToolTipDuration(kHintShowMs);
  return button;
}

QString Text(const std::string& utf8) { return QString::fromStdString(utf8); }
std::string Bytes(const QString& text) { return text.toStdString(); }

}  // namespace

TFormSetting::TFormSetting(SettingDialogServices services)
    : DialogWindow(kClientWidth, kClientHeight),
      services_(std::move(services)),
      file_sel_(new TFileSel(this, services_.fs)),
      folder_sel_(new TFolderSel(this, services_.fs)) {
  setObjectName("FormSetting");
  file_sel_->setObjectName("FileSel");
  folder_sel_->setObjectName("FolderSel");
  PCSetting = new QTabWidget(client());
  PCSetting->setObjectName("PCSetting");
  PCSetting->setGeometry(8, 8, 409, 337);
  TaDate = new DatePage(services_.store);
  TaPrevent = new PreventPage;
  TaOther = new OtherPage;
  TaExtend = new ExtendPage;
  for (SettingPage* page :
       {static_cast<SettingPage*>(TaDate), static_cast<SettingPage*>(TaPrevent),
        static_cast<SettingPage*>(TaOther), static_cast<SettingPage*>(TaExtend)}) {
    AddPage(page);
  }
  BuildButtons();
  ChainKeyboardOrder();
  ConnectRules();
  FormCreate();
}

TFormSetting::~TFormSetting() = default;

void TFormSetting::AddPage(SettingPage* page) {
  PCSetting->addTab(page, page->Caption());
  pages_.push_back(page);
}

void TFormSetting::BuildButtons() {
  QWidget* area = client();
  ButtonOK = NewButton(area, "ButtonOK", "&OK", 28, "新たな設定を有効にします");
  ButtonOK->setDefault(true);
  ButtonCancel = NewButton(area, "ButtonCancel", "&C・キャンセル", 60,
                           "設定変更を中止し、今までの設定を使用します");
  ButtonApply = NewButton(area, "ButtonApply", "&A・適用", 92,
                          "ダイアログを閉じずに、新たな設定を有効にします");
  ButtonDefault =
      NewButton(area, "ButtonDefault", "&D・デフォルト", 140, "ＭＯＲＶＩＤの標準設定に戻します");
  ButtonHelp =
      NewButton(area, "ButtonHelp", "&H・ヘルプ", 172, "解らないことがあったらクリックして下さい");
  connect(ButtonOK, &QPushButton::clicked, this, &TFormSetting::ButtonOKClick);
  connect(ButtonCancel, &QPushButton::clicked, this, &TFormSetting::ButtonCancelClick);
  connect(ButtonApply, &QPushButton::clicked, this, &TFormSetting::ButtonApplyClick);
  connect(ButtonDefault, &QPushButton::clicked, this, &TFormSetting::ButtonDefaultClick);
  connect(ButtonHelp, &QPushButton::clicked, this, &TFormSetting::ButtonHelpClick);
  connect(TaPrevent->ButtonAdd, &QPushButton::clicked, this, &TFormSetting::ButtonAddClick);
  connect(TaPrevent->ButtonRemove, &QPushButton::clicked, this, &TFormSetting::ButtonRemoveClick);
  connect(TaPrevent->ButtonBrowse, &QPushButton::clicked, this, &TFormSetting::ButtonBrowseClick);
  connect(TaExtend->ButtonSiteRoot, &QPushButton::clicked, this,
          &TFormSetting::ButtonSiteRootClick);
}

// The tab control, the controls of each page (only the shown page's are reached), then the
// five buttons.
void TFormSetting::ChainKeyboardOrder() {
  QWidget* previous = PCSetting;
  for (SettingPage* page : pages_) previous = page->ChainKeyboardOrder(previous);
  for (QWidget* button : {ButtonOK, ButtonCancel, ButtonApply, ButtonHelp, ButtonDefault}) {
    setTabOrder(previous, button);
    previous = button;
  }
}

// A switch runs its rules whenever its state changes, by a click or by SettingToControls.
void TFormSetting::ConnectRules() {
  connect(TaOther->CBoxBackup, &QCheckBox::toggled, this, &TFormSetting::BackupRule);
  connect(TaDate->RButtonWriteFmtTmpl, &QRadioButton::toggled, this, &TFormSetting::DateFormatRule);
  connect(TaDate->RButtonWriteFmtFree, &QRadioButton::toggled, this, &TFormSetting::DateFormatRule);
  connect(TaDate->CBoxLinkWrite, &QCheckBox::toggled, this, &TFormSetting::LinkDepthRule);
  connect(TaDate->CBoxLinkWrite, &QCheckBox::toggled, this, &TFormSetting::AvoidListRule);
  connect(TaPrevent->CBoxMaxLinkNest, &QCheckBox::toggled, this, &TFormSetting::LinkDepthRule);
  connect(TaPrevent->CBoxAvoid, &QCheckBox::toggled, this, &TFormSetting::AvoidListRule);
  connect(TaOther->CBoxLog, &QCheckBox::toggled, this, &TFormSetting::LogRule);
}

void TFormSetting::FormCreate() {
  setWindowTitle(QString::fromUtf8(kApplicationTitle) + QString::fromUtf8(kCaptionSuffix));
  PCSetting->setCurrentWidget(TaDate);
  for (const std::string_view entry : kDateTemplates) {
    TaDate->CBoxWriteFmtList->addItem(
        QString::fromUtf8(entry.data(), static_cast<qsizetype>(entry.size())));
  }
  THistoryComboBox* history = TaDate->HCBoxWriteFmtStr;
  history->SetHistoryCount(kFormatHistoryCount);
  history->SetRegKey(kProgramKey);
  history->SetSubKey(std::string("ExitState\\") + kFormatHistoryName);
  history->LoadHistory();
  file_sel_->AddFileType(QString::fromUtf8("HTML ファイル"), "*.htm,*.html", 0);
  file_sel_->SetNotifyWindow(this);
  file_sel_->SetNotifyMessage(kMessageFileChosen);
  folder_sel_->SetCaption(QString::fromUtf8("サイトのルートフォルダ"));
}

void TFormSetting::SetBrowseFolder(const std::string& folder) {
  file_sel_->SetInitialFolder(folder);
}

void TFormSetting::showEvent(QShowEvent* event) {
  DialogWindow::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TFormSetting::FormShow() {
  SettingToControls(working_);
  UpdateControlStates();
}

void TFormSetting::closeEvent(QCloseEvent* event) {
  FormClose();
  event->accept();
}

void TFormSetting::FormClose() {
  if (dialog_result_ == kModalCancel) working_ = services_.live;
}

void TFormSetting::reject() { ButtonCancelClick(); }

void TFormSetting::HandleMessage(unsigned message) {
  if (message == kMessageFileChosen) {
    TaPrevent->EditAvoid->setText(DisplayName(file_sel_->GetFileName()));
  }
}

void TFormSetting::Notify() {
  if (notify_target_ != nullptr) notify_target_->HandleMessage(kMessageSettingsChanged);
}

// --- the values in the controls ----------------------------------------------------------------

void TFormSetting::ShowValues(const ControlValues& values) {
  if (values.RButtonWriteFmtTmpl) TaDate->RButtonWriteFmtTmpl->setChecked(true);
  if (values.RButtonWriteFmtFree) TaDate->RButtonWriteFmtFree->setChecked(true);
  TaDate->CBoxWriteFmtList->setCurrentIndex(values.CBoxWriteFmtList);
  TaDate->HCBoxWriteFmtStr->setEditText(Text(values.HCBoxWriteFmtStr));
  TaDate->CBoxKeepTimeStamp->setChecked(values.CBoxKeepTimeStamp);
  TaDate->CBoxLinkWrite->setChecked(values.CBoxLinkWrite);
  TaDate->CBoxOpenWriteF->setChecked(values.CBoxOpenWriteF);
  if (values.RButtonAbortDeal) TaDate->RButtonAbortDeal->setChecked(true);
  if (values.RButtonContinueDeal) TaDate->RButtonContinueDeal->setChecked(true);
  if (values.RButtonAskUser) TaDate->RButtonAskUser->setChecked(true);
  TaPrevent->CBoxMaxLinkNest->setChecked(values.CBoxMaxLinkNest);
  TaPrevent->EditMaxLinkNest->setText(Text(values.EditMaxLinkNest));
  TaPrevent->CBoxAvoid->setChecked(values.CBoxAvoid);
  TaPrevent->LBoxAvoid->clear();
  for (const std::string& entry : values.LBoxAvoid) TaPrevent->LBoxAvoid->addItem(Text(entry));
  TaOther->CBoxBackup->setChecked(values.CBoxBackup);
  TaOther->EditBackupGenes->setText(Text(values.EditBackupGenes));
  TaOther->CBoxLog->setChecked(values.CBoxLog);
  TaOther->EditMaxLogLine->setText(Text(values.EditMaxLogLine));
  TaOther->CBoxUseNN->setChecked(values.CBoxUseNN);
  TaExtend->CBoxUseGitDates->setChecked(values.CBoxUseGitDates);
  TaExtend->EditSiteRoot->setText(Text(values.EditSiteRoot));
  TaExtend->CBoxFollowAnyAnchor->setChecked(values.CBoxFollowAnyAnchor);
}

ControlValues TFormSetting::CurrentValues() const {
  ControlValues values;
  values.RButtonWriteFmtTmpl = TaDate->RButtonWriteFmtTmpl->isChecked();
  values.RButtonWriteFmtFree = TaDate->RButtonWriteFmtFree->isChecked();
  values.CBoxWriteFmtList = TaDate->CBoxWriteFmtList->currentIndex();
  values.HCBoxWriteFmtStr = Bytes(TaDate->HCBoxWriteFmtStr->currentText());
  values.CBoxKeepTimeStamp = TaDate->CBoxKeepTimeStamp->isChecked();
  values.CBoxLinkWrite = TaDate->CBoxLinkWrite->isChecked();
  values.CBoxOpenWriteF = TaDate->CBoxOpenWriteF->isChecked();
  values.RButtonAbortDeal = TaDate->RButtonAbortDeal->isChecked();
  values.RButtonContinueDeal = TaDate->RButtonContinueDeal->isChecked();
  values.RButtonAskUser = TaDate->RButtonAskUser->isChecked();
  values.CBoxMaxLinkNest = TaPrevent->CBoxMaxLinkNest->isChecked();
  values.EditMaxLinkNest = Bytes(TaPrevent->EditMaxLinkNest->text());
  values.CBoxAvoid = TaPrevent->CBoxAvoid->isChecked();
  for (int i = 0; i < TaPrevent->LBoxAvoid->count(); ++i) {
    values.LBoxAvoid.push_back(Bytes(TaPrevent->LBoxAvoid->item(i)->text()));
  }
  values.CBoxBackup = TaOther->CBoxBackup->isChecked();
  values.EditBackupGenes = Bytes(TaOther->EditBackupGenes->text());
  values.CBoxLog = TaOther->CBoxLog->isChecked();
  values.EditMaxLogLine = Bytes(TaOther->EditMaxLogLine->text());
  values.CBoxUseNN = TaOther->CBoxUseNN->isChecked();
  values.CBoxUseGitDates = TaExtend->CBoxUseGitDates->isChecked();
  values.EditSiteRoot = Bytes(TaExtend->EditSiteRoot->text());
  values.CBoxFollowAnyAnchor = TaExtend->CBoxFollowAnyAnchor->isChecked();
  return values;
}

void TFormSetting::SettingToControls(const TSetting& setting) {
  ShowValues(ValuesOfSetting(setting));
}

bool TFormSetting::ControlsToSetting(TSetting& setting) {
  TaDate->HCBoxWriteFmtStr->AddHistory();
  const ControlCheck check = FillSetting(CurrentValues(), setting);
  if (check.passed) return true;
  if (!check.corrected_text.empty()) EditOf(check.field)->setText(Text(check.corrected_text));
  ShowMessageBox(this, Text(check.message), BoxButtons::kOk, BoxIcon::kExclamation);
  return false;
}

QLineEdit* TFormSetting::EditOf(NumberField field) const {
  switch (field) {
    case NumberField::kMaxLinkNest:
      return TaPrevent->EditMaxLinkNest;
    case NumberField::kBackupGenes:
      return TaOther->EditBackupGenes;
    case NumberField::kMaxLog:
    case NumberField::kNone:
      break;
  }
  return TaOther->EditMaxLogLine;
}

// --- enabling rules ------------------------------------------------------------------------

void TFormSetting::UpdateControlStates() {
  BackupRule();
  DateFormatRule();
  LinkDepthRule();
  AvoidListRule();
  LogRule();
}

void TFormSetting::BackupRule() {
  const bool backup = TaOther->CBoxBackup->isChecked();
  TaOther->LabelBackupGenes->setEnabled(backup);
  TaOther->EditBackupGenes->setEnabled(backup);
}

void TFormSetting::DateFormatRule() {
  const bool from_template = TaDate->RButtonWriteFmtTmpl->isChecked();
  TaDate->CBoxWriteFmtList->setEnabled(from_template);
  TaDate->HCBoxWriteFmtStr->setEnabled(!from_template);
}

void TFormSetting::LinkDepthRule() {
  const bool follow_links = TaDate->CBoxLinkWrite->isChecked();
  TaPrevent->CBoxMaxLinkNest->setEnabled(follow_links);
  TaPrevent->LabelMaxLinkNest->setEnabled(follow_links);
  TaPrevent->EditMaxLinkNest->setEnabled(TaPrevent->CBoxMaxLinkNest->isEnabled() &&
                                         TaPrevent->CBoxMaxLinkNest->isChecked());
}

void TFormSetting::AvoidListRule() {
  TaPrevent->CBoxAvoid->setEnabled(TaDate->CBoxLinkWrite->isChecked());
  const bool avoid = TaPrevent->CBoxAvoid->isEnabled() && TaPrevent->CBoxAvoid->isChecked();
  for (QWidget* control :
       {static_cast<QWidget*>(TaPrevent->LBoxAvoid), static_cast<QWidget*>(TaPrevent->ButtonAdd),
        static_cast<QWidget*>(TaPrevent->ButtonRemove), static_cast<QWidget*>(TaPrevent->EditAvoid),
        static_cast<QWidget*>(TaPrevent->ButtonBrowse)}) {
    control->setEnabled(avoid);
  }
}

void TFormSetting::LogRule() {
  const bool log = TaOther->CBoxLog->isChecked();
  TaOther->LabelMaxLogLine->setEnabled(log);
  TaOther->EditMaxLogLine->setEnabled(log);
}

// --- buttons -------------------------------------------------------------------------------

void TFormSetting::ButtonOKClick() {
  if (!ControlsToSetting(working_)) return;
  dialog_result_ = kModalOk;
  close();
  Notify();
}

void TFormSetting::ButtonApplyClick() {
  if (ControlsToSetting(working_)) Notify();
}

void TFormSetting::ButtonCancelClick() {
  dialog_result_ = kModalCancel;
  close();
}

// Only the controls change; OK or Apply takes the defaults over later.
void TFormSetting::ButtonDefaultClick() { SettingToControls(TSetting()); }

void TFormSetting::ButtonHelpClick() {
  const auto* page = static_cast<const SettingPage*>(PCSetting->currentWidget());
  if (services_.show_help) services_.show_help(page->HelpAnchor());
}

// A text already in the list, in whatever letter case, is not added again.
void TFormSetting::ButtonAddClick() {
  const QString text = TaPrevent->EditAvoid->text();
  QListWidget* list = TaPrevent->LBoxAvoid;
  for (int i = 0; i < list->count(); ++i) {
    if (list->item(i)->text().compare(text, Qt::CaseInsensitive) == 0) return;
  }
  list->addItem(text);
}

void TFormSetting::ButtonRemoveClick() {
  QListWidget* list = TaPrevent->LBoxAvoid;
  for (int i = list->count() - 1; i >= 0; --i) {
    if (list->item(i)->isSelected()) delete list->takeItem(i);
  }
}

void TFormSetting::ButtonBrowseClick() {
  if (!file_sel_->IsCreated()) {
    if (!file_sel_->Create()) return;
    file_sel_->SetPos(true, x(), y() + 22);
  }
  file_sel_->Show();
}

// The folder dialog starts at the folder typed, else where the file dialog starts; the chosen
// folder replaces the text, and Cancel leaves it as it is.
void TFormSetting::ButtonSiteRootClick() {
  if (!folder_sel_->IsCreated()) {
    if (!folder_sel_->Create()) return;
    folder_sel_->SetPos(true, x(), y() + 22);
  }
  const std::string typed = Bytes(TaExtend->EditSiteRoot->text());
  folder_sel_->SetFolderName(typed.empty() ? file_sel_->GetInitialFolder() : typed);
  if (folder_sel_->ShowModal() == kModalOk) {
    TaExtend->EditSiteRoot->setText(DisplayName(folder_sel_->GetFolderName()));
  }
}

}  // namespace zelvora::gui
