#include "gui/app/japanese_ui.h"

namespace zelvora::gui {

QStringList UiFontFamilies() { return {"MS UI Gothic", "Yu Gothic UI", "Meiryo UI"}; }

}  // namespace zelvora::gui
