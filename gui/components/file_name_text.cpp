#include "gui/components/file_name_text.h"

#include "platform/encoding.h"
#include "platform/paths.h"

namespace zelvora::gui {

QString DisplayName(std::string_view bytes) {
  if (IsValidUtf8(bytes))
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  auto shift_jis = ConvertText(bytes, kCp932, kUtf8);
  if (shift_jis.ok()) return QString::fromStdString(*shift_jis);
  return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

std::string TypedName(const QString& text) { return text.toStdString(); }

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a == b) return true;
  if (!IsValidUtf8(a) || !IsValidUtf8(b)) return false;
  const QString left = QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()));
  const QString right = QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size()));
  return left.compare(right, Qt::CaseInsensitive) == 0;
}

std::string FolderWithoutTrailingSlash(std::string folder) {
  // A drive's root keeps its separator: "C:" alone means the drive's current folder.
  const bool drive_root = folder.size() == 3 && folder[1] == ':' && IsAbsolutePath(folder);
  if (folder.size() > 1 && IsPathSeparator(folder.back()) && !drive_root) folder.pop_back();
  return folder;
}

}  // namespace zelvora::gui
