#include "settings/setting.h"

#include <algorithm>

namespace zelvora {
namespace {

template <typename T>
void ClampField(T& field, int32_t lower, int32_t upper) {
  const int32_t widened = field;  // 8-bit fields are widened with their sign
  field = static_cast<T>(std::min(std::max(widened, lower), upper));
}

}  // namespace

void ClampSetting(TSetting& setting) {
  ClampField(setting.BackupGenes, 1, 9);
  ClampField(setting.MaxLinkNest, 1, 99);
  ClampField(setting.MaxLog, 50, 5000);
  ClampField(setting.WriteFmtIdx, 0, 7);
  ClampField(setting.AssignWriteFmt, 0, 1);
  ClampField(setting.ErrCope, 0, 2);
}

TSetting& LiveSettings() {
  static TSetting live;
  return live;
}

}  // namespace zelvora
