#include "gui/app/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QStatusBar>
#include <utility>

#include "engine/run_session.h"
#include "gui/app/log_viewer.h"
#include "gui/app/progress_dialog.h"
#include "gui/components/about_dialog.h"
#include "gui/components/busy_cursor.h"
#include "gui/components/file_name_text.h"
#include "gui/components/file_selection.h"
#include "gui/components/history_combo_box.h"
#include "gui/components/message_box.h"
#include "gui/settings_dialog/setting_dialog.h"
#include "settings/placement.h"

namespace zelvora::gui {
namespace {

constexpr const char* kCaption = kApplicationTitle;
// Dialogs open this far below the main window's top edge, at its left edge.
constexpr int kDialogDrop = 22;
constexpr int kClientWidth = 577;
constexpr int kClientHeight = 75;  // the file row and the status line, below the menu bar
constexpr int kStatusHeight = 19;
constexpr char kHistoryName[] = "HistWriteFName";
constexpr int kHistoryCount = 15;

constexpr Qt::WindowFlags kWindowFlags = Qt::Window | Qt::CustomizeWindowHint |
                                         Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                                         Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint;

QPushButton* MakeButton(QWidget* parent, const char* name, const char* caption, QRect place) {
  auto* button = new QPushButton(QString::fromUtf8(caption), parent);
  button->setObjectName(name);
  button->setGeometry(place);
  return button;
}

QAction* MakeItem(QMenu* menu, const char* name, const char* caption,
                  const QKeySequence& shortcut = QKeySequence()) {
  QAction* item = menu->addAction(QString::fromUtf8(caption));
  item->setObjectName(name);
  item->setShortcut(shortcut);
  return item;
}

// The status text that tells why every option has its default: `failed_value` could not be
// read (or, when empty, the store file itself), and the store as it was is kept as `copy`.
std::string StoreLoadWarning(const std::string& failed_value, const std::string& store_path,
                             const Result<std::string>& copy) {
  std::string text = "設定を読み込めないため標準の設定に戻しました（";
  text += failed_value.empty() ? store_path + " が読めません" : "読めない値：" + failed_value;
  text += "）。";
  if (copy.ok()) text += "元の設定は " + *copy + " に残してあります。";
  return text;
}

}  // namespace

TFormZELV::TFormZELV(MainWindowServices services)
    : QMainWindow(nullptr, kWindowFlags),
      services_(std::move(services)),
      host_(*this),
      help_(services_.settings, services_.shell, services_.conversation, shell_requests_, this),
      FileSel(new TFileSel(this, services_.fs)),
      AboutDialog(new TAboutDialog(this)) {
  setObjectName("FormZELV");
  FileSel->setObjectName("FileSel");
  AboutDialog->setObjectName("AboutDialog");
  BuildControls();
  BuildMenus();
  FormCreate();
}

TFormZELV::~TFormZELV() = default;

void TFormZELV::BuildControls() {
  auto* client = new QWidget(this);
  client->setFixedSize(kClientWidth, kClientHeight - kStatusHeight);
  setCentralWidget(client);

  Bevel1 = new QFrame(client);
  Bevel1->setObjectName("Bevel1");
  Bevel1->setFrameShape(QFrame::HLine);
  Bevel1->setFrameShadow(QFrame::Sunken);
  Bevel1->setGeometry(0, 0, kClientWidth, 2);

  LabelWriteFName = new QLabel(QString::fromUtf8("記入ファイル："), client);
  LabelWriteFName->setObjectName("LabelWriteFName");
  LabelWriteFName->setGeometry(16, 16, 70, LabelWriteFName->sizeHint().height());

  HCBoxWriteFName = new THistoryComboBox(services_.store, client);
  HCBoxWriteFName->setObjectName("HCBoxWriteFName");
  HCBoxWriteFName->setGeometry(88, 16, 305, HCBoxWriteFName->sizeHint().height());
  HCBoxWriteFName->SetHistoryCount(kHistoryCount);

  ButtonBrowse = MakeButton(client, "ButtonBrowse", "&B・参照 ...", QRect(400, 16, 75, 25));
  connect(ButtonBrowse, &QPushButton::clicked, this, &TFormZELV::ButtonBrowseClick);
  ButtonGo = MakeButton(client, "ButtonGo", "&G・開始", QRect(488, 16, 75, 25));
  ButtonGo->setDefault(true);
  connect(ButtonGo, &QPushButton::clicked, this, &TFormZELV::MItemGoClick);

  setTabOrder(HCBoxWriteFName, ButtonBrowse);
  setTabOrder(ButtonBrowse, ButtonGo);

  SBar = new QLabel(statusBar());
  SBar->setObjectName("SBar");
  SBar->setTextFormat(Qt::PlainText);  // file names are never markup
  statusBar()->setSizeGripEnabled(false);
  statusBar()->setFixedHeight(kStatusHeight);
  statusBar()->addWidget(SBar, 1);
}

void TFormZELV::BuildMenus() {
  QMenu* file_menu = menuBar()->addMenu(QString::fromUtf8("&F・ファイル"));
  file_menu->setObjectName("MenuFile");
  MItemOpen = MakeItem(file_menu, "MItemOpen", "&O・記入ファイルを開く", QKeySequence("Ctrl+O"));
  file_menu->addSeparator();
  MItemGo = MakeItem(file_menu, "MItemGo", "&G・記入開始", QKeySequence("Ctrl+G"));
  file_menu->addSeparator();
  MItemExit = MakeItem(file_menu, "MItemExit", "&X・終了", QKeySequence("Alt+F4"));
  connect(MItemOpen, &QAction::triggered, this, &TFormZELV::MItemOpenClick);
  connect(MItemGo, &QAction::triggered, this, &TFormZELV::MItemGoClick);
  connect(MItemExit, &QAction::triggered, this, &TFormZELV::MItemExitClick);

  QMenu* tool_menu = menuBar()->addMenu(QString::fromUtf8("&T・ツール"));
  tool_menu->setObjectName("MenuTool");
  MItemLogExp = MakeItem(tool_menu, "MItemLogExp", "&L・ログ表示", QKeySequence("Ctrl+L"));
  tool_menu->addSeparator();
  MItemPreferences = MakeItem(tool_menu, "MItemPreferences", "&P・動作設定 ...");

  QMenu* help_menu = menuBar()->addMenu(QString::fromUtf8("&H・ヘルプ"));
  help_menu->setObjectName("MenuHelp");
  MItemHelp = MakeItem(help_menu, "MItemHelp", "&H・ヘルプ", QKeySequence("F1"));
  help_menu->addSeparator();
  MItemJumpToAuthorWeb = MakeItem(help_menu, "MItemJumpToAuthorWeb", "&J・作者のホームページ");
  help_menu->addSeparator();
  MItemAbout = MakeItem(help_menu, "MItemAbout", "&A・バージョン情報 ...");

  connect(MItemLogExp, &QAction::triggered, this, &TFormZELV::MItemLogExpClick);
  connect(MItemPreferences, &QAction::triggered, this, &TFormZELV::MItemPreferencesClick);
  connect(MItemHelp, &QAction::triggered, this, &TFormZELV::MItemHelpClick);
  connect(MItemJumpToAuthorWeb, &QAction::triggered, this, &TFormZELV::MItemJumpToAuthorWebClick);
  connect(MItemAbout, &QAction::triggered, this, &TFormZELV::MItemAboutClick);
}

void TFormZELV::FormCreate() {
  setWindowTitle(QString::fromUtf8(kCaption));
  // The label and the file name box stand centred on the buttons' row.
  for (QWidget* control :
       {static_cast<QWidget*>(LabelWriteFName), static_cast<QWidget*>(HCBoxWriteFName)}) {
    control->move(control->x(),
                  ButtonBrowse->y() + (ButtonBrowse->height() - control->height()) / 2);
  }
  AboutDialog->SetAppName(QString::fromUtf8(kApplicationTitle));
  AboutDialog->SetAppVer(QString::fromUtf8(kAppVersion));
  AboutDialog->SetCright(QString::fromUtf8(kRightsNotice));
  FileSel->SetCaption(QString::fromUtf8("記入ファイルの選択"));
  FileSel->SetFileMustExist(true);
  FileSel->AddFileType(QString::fromUtf8("HTML ファイル"), "*.htm,*.html", 0);
  FileSel->SetNotifyWindow(this);
  FileSel->SetNotifyMessage(kMessageFileChosen);

  HCBoxWriteFName->SetRegKey(kProgramKey);
  HCBoxWriteFName->SetSubKey(std::string("ExitState\\") + kHistoryName);
  HCBoxWriteFName->LoadHistory();

  // A store that exists but cannot be loaded is kept as it was before the window's defaults
  // replace it at closing, and the status line says so.
  const bool had_store = services_.fs.Stat(services_.store.file_path()).ok();
  std::string failed_value;
  const Status loaded = LoadSettings(services_.store, services_.settings, exit_state_,
                                     progress_offset_, &failed_value);
  if (!loaded.ok() && had_store) {
    load_warning_ =
        StoreLoadWarning(failed_value, services_.store.file_path(), services_.store.KeepCopy());
  }
  move(exit_state_.MWLeft, exit_state_.MWTop);
  HCBoxWriteFName->setEditText(QString::fromStdString(exit_state_.WriteFName));
  FileSel->SetInitialFolder(exit_state_.FileSelFolder);

  setFixedSize(kClientWidth, menuBar()->sizeHint().height() + kClientHeight);
}

void TFormZELV::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!event->spontaneous()) FormShow();
}

void TFormZELV::FormShow() {
  if (!load_warning_.empty()) {
    SetStatus(std::exchange(load_warning_, std::string()));
    return;
  }
  SetStatus("ゼルヴォラマークを記述したファイルを指定し、「開始」ボタンをクリックして下さい。");
}

void TFormZELV::closeEvent(QCloseEvent* event) {
  if (Running()) {
    // The run stops at its next check, as by the abort button; the window closes when
    // MItemGoClick has seen the run end.
    close_requested_ = true;
    session_->context().state.ContinueFlag = false;
    event->ignore();
    return;
  }
  FormClose();
  event->accept();
}

void TFormZELV::FormClose() {
  // The other windows close with the main window, so that the program ends with it.
  FileSel->Hide(false);
  AboutDialog->Hide(false);
  if (FormSetting != nullptr) FormSetting->hide();
  const ExitState leaving{pos().x(), pos().y(), HCBoxWriteFName->currentText().toStdString(),
                          FileSel->GetInitialFolder()};
  std::optional<WindowPosition> progress_position;
  if (progress_ != nullptr) progress_position = WindowPosition{progress_->x(), progress_->y()};
  (void)SaveSettings(services_.store, services_.settings, leaving, progress_offset_,
                     progress_position);
}

void TFormZELV::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (enter && event->modifiers() == Qt::NoModifier) {
    if (ButtonGo->isEnabled()) ButtonGo->click();
    event->accept();
    return;
  }
  QMainWindow::keyPressEvent(event);
}

// A run sets the same text again at every link it returns from: only a change reaches the
// status bar.
void TFormZELV::SetStatus(const std::string& text) {
  if (text == status_text_ && !SBar->text().isEmpty()) return;
  status_text_ = text;
  SBar->setText(QLatin1Char(' ') + QString::fromStdString(text));
  // A text longer than the line (a long path) can still be read in full.
  SBar->setToolTip(QString::fromStdString(text));
}

void TFormZELV::SetFileNameText(const QString& name) { HCBoxWriteFName->setEditText(name); }

QString TFormZELV::StatusText() const { return SBar->text(); }

void TFormZELV::EnableStartCommands(bool enabled) {
  ButtonGo->setEnabled(enabled);
  MItemGo->setEnabled(enabled);
}

void TFormZELV::CommitFileName() { HCBoxWriteFName->AddHistory(); }

TFormProgress& TFormZELV::ProgressDialog() {
  if (progress_ == nullptr) {
    BusyCursor busy;
    progress_ = new TFormProgress(this);
    const QSize outer = progress_->frameGeometry().size();
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const WindowPosition placed =
        PlaceOnScreen(x() + progress_offset_.PWLeft, y() + progress_offset_.PWTop,
                      {outer.width(), outer.height()}, {screen.width(), screen.height()});
    progress_->move(placed.left, placed.top);
  }
  return *progress_;
}

void TFormZELV::OpenWrittenFile(const std::string& file_name) {
  shell_requests_.Start(
      [open_file = services_.open_file, file_name] { return open_file && open_file(file_name); },
      [this](bool opened) {
        if (opened) {
          SetStatus("記入ファイルを開きました。");
          return;
        }
        SetStatus("記入ファイルを開けません。");
        ShowMessageBox(this,
                       QString::fromUtf8(
                           "記入ファイルを開けません。ファイル名が正しいかどうか確認して下さい。"),
                       BoxButtons::kOk, BoxIcon::kExclamation);
      });
}

void TFormZELV::MItemGoClick() {
  if (Running()) return;  // a run never starts inside another
  RunSession session(services_.settings, host_, services_.fs);
  session_ = &session;
  host_.BeginRun(session.context().state);
  last_outcome_ = session.Run(NamedFile(), services_.log_path);
  session_ = nullptr;
  if (close_requested_) close();
}

void TFormZELV::MItemOpenClick() { OpenWrittenFile(NamedFile()); }

void TFormZELV::MItemExitClick() { close(); }

std::string TFormZELV::NamedFile() const {
  const QString text = HCBoxWriteFName->currentText();
  if (!chosen_file_display_.isEmpty() && text == chosen_file_display_) return chosen_file_;
  return text.toStdString();
}

void TFormZELV::HandleMessage(unsigned message) {
  if (message == kMessageSettingsChanged) TakeOverSettings();
  if (message == kMessageFileChosen) TakeChosenFile();
}

// A run under way reads the live settings at each step, so it goes on with these.
void TFormZELV::TakeOverSettings() {
  if (FormSetting == nullptr) return;
  services_.settings = FormSetting->WorkingCopy();
  SetStatus("動作設定を変更しました。");
}

void TFormZELV::TakeChosenFile() {
  chosen_file_ = FileSel->GetFileName();
  chosen_file_display_ = DisplayName(chosen_file_);
  HCBoxWriteFName->setEditText(chosen_file_display_);
  SetStatus("「開始」ボタンをクリックして下さい。");
}

void TFormZELV::ButtonBrowseClick() {
  if (!FileSel->IsCreated()) {
    if (!FileSel->Create()) return;
    FileSel->SetPos(true, x(), y() + kDialogDrop);
  }
  FileSel->Show();
}

void TFormZELV::MItemLogExpClick() {
  ShowLog(
      services_.shell, services_.fs, shell_requests_,
      [this](const std::string& text) { SetStatus(text); }, this);
}

void TFormZELV::MItemPreferencesClick() {
  if (FormSetting == nullptr) {
    BusyCursor busy;
    FormSetting = std::make_unique<TFormSetting>(SettingDialogServices{
        services_.store, services_.settings,
        [this](const std::string& anchor) { help_.ShowHelp(anchor); }, services_.fs});
    FormSetting->SetBrowseFolder(FileSel->GetInitialFolder());
    FormSetting->SetWorkingCopy(services_.settings);
    FormSetting->SetNotifyTarget(this);
    const QSize outer = FormSetting->frameGeometry().size();
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    const WindowPosition placed = PlaceOnScreen(
        x(), y() + kDialogDrop, {outer.width(), outer.height()}, {screen.width(), screen.height()});
    FormSetting->move(placed.left, placed.top);
  }
  if (FormSetting->isMinimized()) {
    FormSetting->setWindowState(FormSetting->windowState() & ~Qt::WindowMinimized);
  }
  FormSetting->show();
  FormSetting->raise();
  FormSetting->activateWindow();
}

void TFormZELV::MItemHelpClick() {
  RunHelpCommand(help_, [this](const std::string& text) { SetStatus(text); });
}

void TFormZELV::MItemJumpToAuthorWebClick() {
  RunAuthorWebPageCommand(help_, [this](const std::string& text) { SetStatus(text); });
}

void TFormZELV::MItemAboutClick() {
  if (!AboutDialog->IsCreated()) {
    if (!AboutDialog->Create()) return;
    AboutDialog->SetPos(true, x(), y() + kDialogDrop);
  }
  SetStatus(std::string(kApplicationTitle) + "  " + kAppVersion);
  AboutDialog->Show();
}

}  // namespace zelvora::gui
