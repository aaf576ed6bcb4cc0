// The settings dialog's controls as plain values, and the two steps between them and a
// settings record: showing a record in the controls (ValuesOfSetting) and checking the
// controls while filling a record from them (FillSetting). Kept free of the GUI toolkit so
// that every rule can be tested directly; the dialog window only moves these values in and
// out of its controls. Fields are named after the controls that hold them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/setting.h"

namespace zelvora {

struct ControlValues {
  // Page 日付記入.
  bool RButtonWriteFmtTmpl = false;  // the template is chosen from the list
  bool RButtonWriteFmtFree = false;  // the free format is used
  int32_t CBoxWriteFmtList = 0;      // index of the chosen template
  std::string HCBoxWriteFmtStr;      // the free format text
  bool CBoxKeepTimeStamp = false;
  bool CBoxLinkWrite = false;
  bool CBoxOpenWriteF = false;
  bool RButtonAbortDeal = false;
  bool RButtonContinueDeal = false;
  bool RButtonAskUser = false;
  // Page 非記入設定.
  bool CBoxMaxLinkNest = false;
  std::string EditMaxLinkNest;
  bool CBoxAvoid = false;
  std::vector<std::string> LBoxAvoid;  // the list's items in order
  // Page その他.
  bool CBoxBackup = false;
  std::string EditBackupGenes;
  bool CBoxLog = false;
  std::string EditMaxLogLine;
  bool CBoxUseNN = false;
  // Page 拡張.
  bool CBoxUseGitDates = false;
  std::string EditSiteRoot;
  bool CBoxFollowAnyAnchor = false;

  bool operator==(const ControlValues&) const = default;
};

// What the controls show for `setting`. A radio button is true only when its field holds its
// value; a field outside its values leaves every button of its group false, and the dialog
// then leaves that group as it is. Numbers are written in decimal.
ControlValues ValuesOfSetting(const TSetting& setting);

// The number fields that FillSetting checks.
enum class NumberField { kNone, kMaxLinkNest, kBackupGenes, kMaxLog };

// How FillSetting ended.
struct ControlCheck {
  bool passed = true;
  std::string message;                     // for a failure: the text of its message box
  NumberField field = NumberField::kNone;  // for a failure: the field that failed
  std::string corrected_text;              // for a range failure: the field's new text
  bool operator==(const ControlCheck&) const = default;
};

// Fills `setting` from `values` field by field, in this order, each written at once:
// AssignWriteFmt (0 when RButtonWriteFmtTmpl is checked, else 1), WriteFmtIdx, WriteFmtStr
// (unchecked, also empty), KeepTimeStamp, LinkWrite, OpenWriteF, ErrCope (0 for
// RButtonAbortDeal, else 1 for RButtonContinueDeal, else 2), RestrictLinkNest, MaxLinkNest,
// EnableAvoidList, AvoidList, Backup, BackupGenes, Log, MaxLog, UseNN, UseGitDates, SiteRoot
// (unchecked, also empty), FollowAnyAnchor.
// The three number texts go through ToWholeNumber. The first failure ends the filling:
// - a text that is no number: its "…は数値で指定して下さい。" message; the field is unchanged;
// - BackupGenes or MaxLog outside its range: the number is already written to `setting`,
//   the failure carries the range message and the nearest bound as the corrected text.
// MaxLinkNest takes any number; its range is applied when the settings are next loaded.
// Disabled controls are read and checked like the others.
ControlCheck FillSetting(const ControlValues& values, TSetting& setting);

// The failure messages, exactly as the message boxes show them.
inline constexpr char kLinkDepthNotANumber[] = "「階層制限」は数値で指定して下さい。";
inline constexpr char kGenerationsNotANumber[] = "「世代数」は数値で指定して下さい。";
inline constexpr char kLogLinesNotANumber[] = "「ログファイルの最大行数」は数値で指定して下さい。";
// The two range messages, composed once from their pieces and the bounds of the ranges:
// "「世代数」は1～9世代のどれかに設定して下さい。\n自動修正しました。" and the log lines' one.
const std::string& GenerationsRangeMessage();
const std::string& LogLinesRangeMessage();

}  // namespace zelvora
