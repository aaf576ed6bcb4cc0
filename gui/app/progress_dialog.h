// TFormProgress: the small always-on-top window a stamp run shows while it works: the name
// of the file being scanned, a gauge for how far that file's scan has come, a gauge for how
// far the scan of the file named in the main window has come, and a button that stops the
// run.
//
// The run writes the dialog's fields and then sends it a message (components/
// window_message.h) that updates the label and the gauges at once; they reach the screen at
// the run's next processing of pending events. The dialog is made at the first run and then
// only hidden and shown; the user cannot close it (close box, Alt+F4, Esc do nothing).
#pragma once

#include <QString>
#include <QWidget>

#include "gui/components/window_message.h"

class QLabel;
class QPushButton;

namespace zelvora::gui {

class TCGauge;

class TFormProgress : public QWidget, public MessageTarget {
  Q_OBJECT

 public:
  // A window of its own that stays on top of the other windows; `owner` (may be null) owns
  // it and keeps it above itself.
  explicit TFormProgress(QWidget* owner = nullptr);

  // The file the current run was started on (as the run stamps it). The total gauge follows
  // the run only while the current file is this file, compared without regard to letter
  // case.
  const QString& RootFName() const { return root_fname_; }
  void SetRootFName(const QString& name);
  // The full path of the file being scanned.
  const QString& CurFName() const { return cur_fname_; }
  void SetCurFName(const QString& name);
  // How far the scan of CurFName() has come, in percent.
  int CurPercent() const { return cur_percent_; }
  void SetCurPercent(int percent) { cur_percent_ = percent; }

  // The continue flag of the run under way, which the abort button clears; null between runs
  // (the button then does nothing). Not owned.
  void SetContinueFlag(bool* continue_flag) { continue_flag_ = continue_flag; }

  // kMessageRefreshGauges: the current file's gauge takes CurPercent(), and the total gauge
  // too when CurFName() is RootFName(). kMessageCurrentFileChanged: the label shows the name
  // part of CurFName(), then the gauges are refreshed. Other messages are ignored.
  void HandleMessage(unsigned message) override;

 protected:
  // Showing resets CurPercent() to 0 and refreshes label and gauges for the CurFName() left
  // from before.
  void showEvent(QShowEvent* event) override;
  // Only the run hides the dialog.
  void closeEvent(QCloseEvent* event) override;

 private slots:
  void ButtonAbortClick();

 private:
  void RefreshGauges();

  QLabel* Label1;
  TCGauge* CGaugeTotal;
  QPushButton* ButtonAbort;
  QLabel* LabelCurFName;
  TCGauge* CGaugeCurF;

  QString root_fname_;
  QString cur_fname_;
  bool current_is_root_ = false;
  int cur_percent_ = 0;
  bool* continue_flag_ = nullptr;
};

}  // namespace zelvora::gui
