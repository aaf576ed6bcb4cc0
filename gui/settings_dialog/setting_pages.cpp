#include "gui/settings_dialog/setting_pages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "gui/components/help_anchors.h"
#include "gui/components/history_combo_box.h"
#include "gui/components/radio_tab_stop.h"

namespace zelvora::gui {
namespace {

// Heights of the kinds of controls, unless a control's place gives its own.
constexpr int kButtonHeight = 25;
constexpr int kCheckHeight = 17;
constexpr int kEditHeight = 21;

template <typename Control>
Control* Placed(Control* control, const char* name, int left, int top, int width, int height) {
  control->setObjectName(name);
  control->setGeometry(left, top, width, height);
  return control;
}

QCheckBox* NewCheckBox(QWidget* parent, const char* name, const char* caption, int left, int top,
                       int width) {
  return Placed(new QCheckBox(QString::fromUtf8(caption), parent), name, left, top, width,
                kCheckHeight);
}

QRadioButton* NewRadioButton(QWidget* parent, const char* name, const char* caption, int left,
                             int top, int width) {
  return Placed(new QRadioButton(QString::fromUtf8(caption), parent), name, left, top, width,
                kCheckHeight);
}

QLineEdit* NewEdit(QWidget* parent, const char* name, int left, int top, int width) {
  return Placed(new QLineEdit(parent), name, left, top, width, kEditHeight);
}

QPushButton* NewButton(QWidget* parent, const char* name, const char* caption, int left, int top,
                       int width) {
  return Placed(new QPushButton(QString::fromUtf8(caption), parent), name, left, top, width,
                kButtonHeight);
}

// A label as wide as its text, on the line of the edit box beside it: as high as an edit box,
// its text centred in that height (or higher, when the font needs it).
QLabel* NewLabel(QWidget* parent, const char* name, const char* caption, int left, int top,
                 QWidget* buddy) {
  auto* label = new QLabel(QString::fromUtf8(caption), parent);
  label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  if (buddy != nullptr) label->setBuddy(buddy);
  const int height = std::max(kEditHeight, label->sizeHint().height());
  return Placed(label, name, left, top - (height - kEditHeight) / 2, label->sizeHint().width(),
                height);
}

QGroupBox* NewGroupBox(QWidget* parent, const char* name, const char* caption, int left, int top,
                       int width, int height) {
  return Placed(new QGroupBox(QString::fromUtf8(caption), parent), name, left, top, width, height);
}

// Sets the keyboard order of `controls` after `previous` and returns the last control.
QWidget* Chain(QWidget* previous, std::initializer_list<QWidget*> controls) {
  for (QWidget* control : controls) {
    QWidget::setTabOrder(previous, control);
    previous = control;
  }
  return previous;
}

}  // namespace

SettingPage::SettingPage(const char* name, const char* caption, const char* help_anchor)
    : caption_(QString::fromUtf8(caption)), help_anchor_(help_anchor) {
  setObjectName(name);
}

DatePage::DatePage(RegistryStore& store) : SettingPage("TaDate", "日付記入", kHelpAnchorDateTab) {
  GBoxWriteFormat = NewGroupBox(this, "GBoxWriteFormat", "日付記入形式", 16, 16, 369, 89);
  RButtonWriteFmtTmpl =
      NewRadioButton(GBoxWriteFormat, "RButtonWriteFmtTmpl", "&T・右から選ぶ", 16, 24, 97);
  CBoxWriteFmtList =
      Placed(new QComboBox(GBoxWriteFormat), "CBoxWriteFmtList", 112, 24, 241, kEditHeight);
  RButtonWriteFmtFree =
      NewRadioButton(GBoxWriteFormat, "RButtonWriteFmtFree", "&F・自由指定", 16, 56, 97);
  HCBoxWriteFmtStr = Placed(new THistoryComboBox(store, GBoxWriteFormat), "HCBoxWriteFmtStr", 112,
                            56, 241, kEditHeight);

  CBoxKeepTimeStamp = NewCheckBox(this, "CBoxKeepTimeStamp",
                                  "&D・日付を記入したファイルのタイムスタンプを調整", 16, 120, 297);
  CBoxLinkWrite =
      NewCheckBox(this, "CBoxLinkWrite", "&L・リンク先にも日付を記入する", 16, 144, 185);
  CBoxOpenWriteF =
      NewCheckBox(this, "CBoxOpenWriteF", "&P・日付記入後に記入ファイルを開く", 16, 168, 265);

  GBoxErrCope =
      NewGroupBox(this, "GBoxErrCope", "日付記入中にエラーが発生した場合", 16, 200, 225, 97);
  RButtonAbortDeal =
      NewRadioButton(GBoxErrCope, "RButtonAbortDeal", "&X・即座に日付記入を中止", 16, 24, 185);
  RButtonContinueDeal = NewRadioButton(GBoxErrCope, "RButtonContinueDeal",
                                       "&N・できる限り日付記入を続行", 16, 48, 185);
  RButtonAskUser =
      NewRadioButton(GBoxErrCope, "RButtonAskUser", "&Q・ユーザーに尋ねる", 16, 72, 137);
  TabStopAtCheckedButton({RButtonWriteFmtTmpl, RButtonWriteFmtFree});
  TabStopAtCheckedButton({RButtonAbortDeal, RButtonContinueDeal, RButtonAskUser});
}

QWidget* DatePage::ChainKeyboardOrder(QWidget* previous) {
  return Chain(previous, {RButtonWriteFmtTmpl, CBoxWriteFmtList, RButtonWriteFmtFree,
                          HCBoxWriteFmtStr, CBoxLinkWrite, RButtonAbortDeal, RButtonContinueDeal,
                          RButtonAskUser, CBoxKeepTimeStamp, CBoxOpenWriteF});
}

PreventPage::PreventPage() : SettingPage("TaPrevent", "非記入設定", kHelpAnchorPreventTab) {
  CBoxMaxLinkNest = NewCheckBox(this, "CBoxMaxLinkNest", "&L・リンク先に記入するのは", 16, 16, 153);
  EditMaxLinkNest = NewEdit(this, "EditMaxLinkNest", 176, 16, 65);
  LabelMaxLinkNest = NewLabel(this, "LabelMaxLinkNest", "階層までにする", 248, 16, nullptr);
  CBoxAvoid = NewCheckBox(this, "CBoxAvoid", "&X・以下のファイルには日付を記入しない", 16, 48, 233);
  LBoxAvoid = Placed(new QListWidget(this), "LBoxAvoid", 16, 72, 369, 161);
  LBoxAvoid->setSelectionMode(QAbstractItemView::ExtendedSelection);
  ButtonAdd = NewButton(this, "ButtonAdd", "&P・追加　↑", 100, 240, 89);
  ButtonRemove = NewButton(this, "ButtonRemove", "&R・削除", 196, 240, 89);
  EditAvoid = NewEdit(this, "EditAvoid", 16, 272, 273);
  ButtonBrowse = NewButton(this, "ButtonBrowse", "&B・参照", 296, 272, 89);
}

QWidget* PreventPage::ChainKeyboardOrder(QWidget* previous) {
  return Chain(previous, {CBoxMaxLinkNest, EditMaxLinkNest, LBoxAvoid, EditAvoid, ButtonBrowse,
                          ButtonAdd, ButtonRemove, CBoxAvoid});
}

OtherPage::OtherPage() : SettingPage("TaOther", "その他", kHelpAnchorOtherTab) {
  CBoxBackup = NewCheckBox(this, "CBoxBackup", "&B・バックアップを作成する", 16, 16, 169);
  EditBackupGenes = NewEdit(this, "EditBackupGenes", 96, 40, 49);
  LabelBackupGenes = NewLabel(this, "LabelBackupGenes", "&G・世代数：", 32, 40, EditBackupGenes);
  CBoxLog = NewCheckBox(this, "CBoxLog", "&S・ログを保存する", 16, 72, 113);
  EditMaxLogLine = NewEdit(this, "EditMaxLogLine", 176, 96, 57);
  LabelMaxLogLine =
      NewLabel(this, "LabelMaxLogLine", "&L・ログファイルの最大行数：", 32, 96, EditMaxLogLine);
  CBoxUseNN = NewCheckBox(this, "CBoxUseNN", "&N・状況依存ヘルプを使う", 16, 128, 249);
}

QWidget* OtherPage::ChainKeyboardOrder(QWidget* previous) {
  return Chain(previous, {CBoxBackup, CBoxLog, EditBackupGenes, EditMaxLogLine, CBoxUseNN});
}

ExtendPage::ExtendPage() : SettingPage("TaExtend", "拡張", kHelpAnchorExtendTab) {
  CBoxUseGitDates =
      NewCheckBox(this, "CBoxUseGitDates",
                  "&G・gitで管理しているファイルの日付を、最後のコミットから取る", 16, 16, 377);
  EditSiteRoot = NewEdit(this, "EditSiteRoot", 32, 72, 257);
  LabelSiteRoot =
      NewLabel(this, "LabelSiteRoot", "&R・サイトのルートフォルダ（「/」で始まるリンクの起点）：",
               16, 48, EditSiteRoot);
  ButtonSiteRoot = NewButton(this, "ButtonSiteRoot", "&B・参照", 296, 72, 89);
  CBoxFollowAnyAnchor =
      NewCheckBox(this, "CBoxFollowAnyAnchor", "&E・属性の並びにかかわらず、すべてのリンクをたどる",
                  16, 112, 377);
}

QWidget* ExtendPage::ChainKeyboardOrder(QWidget* previous) {
  return Chain(previous, {CBoxUseGitDates, EditSiteRoot, ButtonSiteRoot, CBoxFollowAnyAnchor});
}

}  // namespace zelvora::gui
