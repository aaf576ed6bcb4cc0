// The settings record: every user option that shapes a stamp run, with its defaults and the
// silent range correction applied after loading and to command-line overrides.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace zelvora {

// Error policy values of TSetting::ErrCope.
inline constexpr int8_t kErrCopeAbort = 0;     // abort the run at once
inline constexpr int8_t kErrCopeContinue = 1;  // continue as far as possible
inline constexpr int8_t kErrCopeAsk = 2;       // ask the user

// A plain value: copying copies every field, the list included. A new TSetting holds the
// defaults. Fields are in their declared order, which the store and the command line follow.
struct TSetting {
  std::string WriteFmtStr = "yyyy/mm/dd";  // free date format, used when AssignWriteFmt is 1
  bool KeepTimeStamp = true;               // restore a rewritten file's time stamps
  bool Backup = true;                      // keep backup generations of rewritten files
  bool EnableAvoidList = true;             // pass over linked files that match AvoidList
  bool LinkWrite = true;                   // follow links and stamp linked local files
  bool Log = true;                         // record each run in the log file
  bool OpenWriteF = false;                 // open the stamped file after a successful run
  bool RestrictLinkNest = false;           // limit link following to MaxLinkNest levels
  bool UseNN = true;                       // context-sensitive help
  int32_t BackupGenes = 3;                 // backup generations, 1..9
  int32_t MaxLinkNest = 5;                 // deepest link level stamped, 1..99
  int32_t MaxLog = 500;                    // maximum lines of the log file, 50..5000
  int32_t WriteFmtIdx = 0;                 // chosen date template, 0..7
  std::vector<std::string> AvoidList = {"*.png", "*.gif", "*.jpg", "*.jpeg", "*.lzh", "*.zip"};
  int8_t AssignWriteFmt = 0;     // 0: template WriteFmtIdx, 1: free format WriteFmtStr
  int8_t ErrCope = kErrCopeAsk;  // error policy: kErrCopeAbort, kErrCopeContinue, kErrCopeAsk

  bool operator==(const TSetting&) const = default;
};

// The valid range of a numeric field, bounds included.
struct FieldRange {
  int32_t lower;
  int32_t upper;
};
inline constexpr FieldRange kBackupGenesRange{1, 9};
inline constexpr FieldRange kMaxLinkNestRange{1, 99};
inline constexpr FieldRange kMaxLogRange{50, 5000};
inline constexpr FieldRange kWriteFmtIdxRange{0, 7};
inline constexpr FieldRange kAssignWriteFmtRange{0, 1};
inline constexpr FieldRange kErrCopeRange{0, 2};

// Pulls every ranged field into its range, field by field: below the lower bound becomes the
// lower bound, then above the upper bound becomes the upper bound. No message is shown.
void ClampSetting(TSetting& setting);

// The process's one live settings record, made with the defaults at first use. Front ends
// hand it to the run by reference, so every reader sees a change at once; tests make their
// own records instead.
TSetting& LiveSettings();

}  // namespace zelvora
