#include "gui/app/japanese_ui.h"

namespace zelvora::gui {

QStringList UiFontFamilies() { return {"IPAPGothic", "IPAGothic", "Noto Sans CJK JP"}; }

}  // namespace zelvora::gui
