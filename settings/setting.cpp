#include "settings/setting.h"

#include <algorithm>

namespace zelvora {
namespace {

template <typename T>
void ClampField(T& field, FieldRange range) {
  const int32_t widened = field;  // 8-bit fields are widened with their sign
  field = static_cast<T>(std::min(std::max(widened, range.lower), range.upper));
}

}  // namespace

void ClampSetting(TSetting& setting) {
  ClampField(setting.BackupGenes, kBackupGenesRange);
  ClampField(setting.MaxLinkNest, kMaxLinkNestRange);
  ClampField(setting.MaxLog, kMaxLogRange);
  ClampField(setting.WriteFmtIdx, kWriteFmtIdxRange);
  ClampField(setting.AssignWriteFmt, kAssignWriteFmtRange);
  ClampField(setting.ErrCope, kErrCopeRange);
}

TSetting& LiveSettings() {
  static TSetting live;
  return live;
}

}  // namespace zelvora
