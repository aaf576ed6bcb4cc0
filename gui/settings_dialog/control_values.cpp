#include "gui/settings_dialog/control_values.h"

#include <algorithm>
#include <optional>

#include "gui/settings_dialog/whole_number.h"

namespace zelvora {
namespace {

constexpr char kCorrected[] = "自動修正しました。";

std::string ComposeRangeMessage(const char* subject, FieldRange range, const char* unit) {
  return std::string(subject) + std::to_string(range.lower) + "～" + std::to_string(range.upper) +
         unit + "のどれかに設定して下さい。\n" + kCorrected;
}

// How one number field is read.
struct NumberRule {
  NumberField field;
  const char* not_a_number;          // the message when the text holds no number
  std::optional<FieldRange> range;   // none: any number is taken
  const std::string* range_message;  // with a range: the message when it is left
};

// Writes the number of `text` to `target`, then checks its range; a number outside it is
// corrected to the nearest bound. Returns the failure, if any.
std::optional<ControlCheck> ReadNumber(const std::string& text, const NumberRule& rule,
                                       int32_t& target) {
  const std::optional<int32_t> number = ToWholeNumber(text);
  if (!number) return ControlCheck{false, rule.not_a_number, rule.field, {}};
  target = *number;
  if (!rule.range) return std::nullopt;
  const int32_t nearest = std::clamp(*number, rule.range->lower, rule.range->upper);
  if (nearest == *number) return std::nullopt;
  return ControlCheck{false, *rule.range_message, rule.field, std::to_string(nearest)};
}

}  // namespace

const std::string& GenerationsRangeMessage() {
  static const std::string message = ComposeRangeMessage("「世代数」は", kBackupGenesRange, "世代");
  return message;
}

const std::string& LogLinesRangeMessage() {
  static const std::string message =
      ComposeRangeMessage("「ログファイルの最大行数」は", kMaxLogRange, "行");
  return message;
}

ControlValues ValuesOfSetting(const TSetting& setting) {
  ControlValues values;
  values.RButtonWriteFmtTmpl = setting.AssignWriteFmt == 0;
  values.RButtonWriteFmtFree = setting.AssignWriteFmt == 1;
  values.CBoxWriteFmtList = setting.WriteFmtIdx;
  values.HCBoxWriteFmtStr = setting.WriteFmtStr;
  values.CBoxKeepTimeStamp = setting.KeepTimeStamp;
  values.CBoxLinkWrite = setting.LinkWrite;
  values.CBoxOpenWriteF = setting.OpenWriteF;
  values.RButtonAbortDeal = setting.ErrCope == kErrCopeAbort;
  values.RButtonContinueDeal = setting.ErrCope == kErrCopeContinue;
  values.RButtonAskUser = setting.ErrCope == kErrCopeAsk;
  values.CBoxMaxLinkNest = setting.RestrictLinkNest;
  values.EditMaxLinkNest = std::to_string(setting.MaxLinkNest);
  values.CBoxAvoid = setting.EnableAvoidList;
  values.LBoxAvoid = setting.AvoidList;
  values.CBoxBackup = setting.Backup;
  values.EditBackupGenes = std::to_string(setting.BackupGenes);
  values.CBoxLog = setting.Log;
  values.EditMaxLogLine = std::to_string(setting.MaxLog);
  values.CBoxUseNN = setting.UseNN;
  values.CBoxUseGitDates = setting.UseGitDates;
  values.EditSiteRoot = setting.SiteRoot;
  values.CBoxFollowAnyAnchor = setting.FollowAnyAnchor;
  return values;
}

ControlCheck FillSetting(const ControlValues& values, TSetting& setting) {
  setting.AssignWriteFmt = values.RButtonWriteFmtTmpl ? 0 : 1;
  setting.WriteFmtIdx = values.CBoxWriteFmtList;
  setting.WriteFmtStr = values.HCBoxWriteFmtStr;
  setting.KeepTimeStamp = values.CBoxKeepTimeStamp;
  setting.LinkWrite = values.CBoxLinkWrite;
  setting.OpenWriteF = values.CBoxOpenWriteF;
  setting.ErrCope = values.RButtonAbortDeal      ? kErrCopeAbort
                    : values.RButtonContinueDeal ? kErrCopeContinue
                                                 : kErrCopeAsk;
  setting.RestrictLinkNest = values.CBoxMaxLinkNest;
  const NumberRule link_depth{NumberField::kMaxLinkNest, kLinkDepthNotANumber, {}, nullptr};
  if (auto failed = ReadNumber(values.EditMaxLinkNest, link_depth, setting.MaxLinkNest)) {
    return *failed;
  }
  setting.EnableAvoidList = values.CBoxAvoid;
  setting.AvoidList = values.LBoxAvoid;
  setting.Backup = values.CBoxBackup;
  const NumberRule generations{NumberField::kBackupGenes, kGenerationsNotANumber, kBackupGenesRange,
                               &GenerationsRangeMessage()};
  if (auto failed = ReadNumber(values.EditBackupGenes, generations, setting.BackupGenes)) {
    return *failed;
  }
  setting.Log = values.CBoxLog;
  const NumberRule log_lines{NumberField::kMaxLog, kLogLinesNotANumber, kMaxLogRange,
                             &LogLinesRangeMessage()};
  if (auto failed = ReadNumber(values.EditMaxLogLine, log_lines, setting.MaxLog)) {
    return *failed;
  }
  setting.UseNN = values.CBoxUseNN;
  setting.UseGitDates = values.CBoxUseGitDates;
  setting.SiteRoot = values.EditSiteRoot;
  setting.FollowAnyAnchor = values.CBoxFollowAnyAnchor;
  return ControlCheck{};
}

}  // namespace zelvora
