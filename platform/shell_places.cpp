#include "platform/shell_places.h"

namespace zelvora {

bool IsSlowPlace(ShellPlace::Kind kind) {
  return kind == ShellPlace::Kind::kRemovable || kind == ShellPlace::Kind::kNetwork ||
         kind == ShellPlace::Kind::kCdRom;
}

std::string DriveLabel(ShellPlace::Kind kind, char letter, const std::string& name) {
  std::string shown = name;
  if (kind == ShellPlace::Kind::kNetwork && shown.rfind("\\\\", 0) == 0) {
    // "\\server\share" → "share (\\server)".
    const size_t last = shown.find_last_of('\\');
    if (last > 2) shown = shown.substr(last + 1) + " (" + shown.substr(0, last) + ")";
  }
  if (shown.empty()) {
    switch (kind) {
      case ShellPlace::Kind::kRemovable:
        shown = "リムーバブル ディスク";
        break;
      case ShellPlace::Kind::kNetwork:
        shown = "ネットワーク ドライブ";
        break;
      case ShellPlace::Kind::kCdRom:
        shown = "CD ドライブ";
        break;
      default:
        shown = "ローカル ディスク";
        break;
    }
  }
  return shown + " (" + letter + ":)";
}

}  // namespace zelvora
