// The pages of the settings dialog. Each page is a plain widget that builds its controls at
// their places (left, top, width, height within the page or its group box) with their captions
// and keyboard order; the dialog (setting_dialog.h) moves values in and out of them and
// applies the enabling rules. Controls are named as the dialog's code and its tests know them.
//
// A further page is one more class here, added to the dialog's tab control in the dialog's
// constructor.
#pragma once

#include <QWidget>

#include "platform/registry_store.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace zelvora::gui {

class THistoryComboBox;

// A page of the dialog: its caption on the tab and the section of the help that explains it.
class SettingPage : public QWidget {
  Q_OBJECT

 public:
  SettingPage(const char* name, const char* caption, const char* help_anchor);

  QString Caption() const { return caption_; }
  const char* HelpAnchor() const { return help_anchor_; }
  // Chains the page's controls into the window's keyboard order after `previous`; returns
  // the last of them.
  virtual QWidget* ChainKeyboardOrder(QWidget* previous) = 0;

 private:
  QString caption_;
  const char* help_anchor_;
};

// 日付記入: the date format, following links, time stamps, opening the page, the error policy.
class DatePage : public SettingPage {
  Q_OBJECT

 public:
  // The free format's history is kept in `store` (not owned; it must outlive the page).
  explicit DatePage(RegistryStore& store);
  QWidget* ChainKeyboardOrder(QWidget* previous) override;

  QGroupBox* GBoxWriteFormat;
  QRadioButton* RButtonWriteFmtTmpl;
  QComboBox* CBoxWriteFmtList;
  QRadioButton* RButtonWriteFmtFree;
  THistoryComboBox* HCBoxWriteFmtStr;
  QCheckBox* CBoxKeepTimeStamp;
  QCheckBox* CBoxLinkWrite;
  QCheckBox* CBoxOpenWriteF;
  QGroupBox* GBoxErrCope;
  QRadioButton* RButtonAbortDeal;
  QRadioButton* RButtonContinueDeal;
  QRadioButton* RButtonAskUser;
};

// 非記入設定: the link depth limit and the avoid list.
class PreventPage : public SettingPage {
  Q_OBJECT

 public:
  PreventPage();
  QWidget* ChainKeyboardOrder(QWidget* previous) override;

  QCheckBox* CBoxMaxLinkNest;
  QLineEdit* EditMaxLinkNest;
  QLabel* LabelMaxLinkNest;
  QCheckBox* CBoxAvoid;
  QListWidget* LBoxAvoid;
  QPushButton* ButtonAdd;
  QPushButton* ButtonRemove;
  QLineEdit* EditAvoid;
  QPushButton* ButtonBrowse;
};

// その他: backups, the log and context-sensitive help.
class OtherPage : public SettingPage {
  Q_OBJECT

 public:
  OtherPage();
  QWidget* ChainKeyboardOrder(QWidget* previous) override;

  QCheckBox* CBoxBackup;
  QLabel* LabelBackupGenes;
  QLineEdit* EditBackupGenes;
  QCheckBox* CBoxLog;
  QLabel* LabelMaxLogLine;
  QLineEdit* EditMaxLogLine;
  QCheckBox* CBoxUseNN;
};

// 拡張: dates from git history, the site's root folder, and the modern link grammar.
class ExtendPage : public SettingPage {
  Q_OBJECT

 public:
  ExtendPage();
  QWidget* ChainKeyboardOrder(QWidget* previous) override;

  QCheckBox* CBoxUseGitDates;
  QLabel* LabelSiteRoot;
  QLineEdit* EditSiteRoot;
  QPushButton* ButtonSiteRoot;
  QCheckBox* CBoxFollowAnyAnchor;
};

}  // namespace zelvora::gui
