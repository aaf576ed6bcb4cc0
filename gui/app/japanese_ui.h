// The program's Japanese look: the user-interface font and Qt's own Japanese texts for
// standard buttons and dialogs.
#pragma once

#include <QString>
#include <QStringList>

class QApplication;

namespace zelvora::gui {

// The character height of the user-interface font, in pixels: the font's ascent plus its
// descent, as the windows' layouts assume it.
inline constexpr int kUiFontHeight = 13;

// Sets the application font to a Japanese sans-serif family whose characters are
// kUiFontHeight pixels high (the largest pixel size that keeps them within it) and
// loads Qt's Japanese translation (qtbase_ja.qm), so standard buttons read "キャンセル",
// "中止", "再試行", "無視". Missing fonts or translations leave Qt's defaults; the program
// still runs. Call once, after the QApplication is made.
void SetUpJapaneseUi(QApplication& application);

// The user-interface font families, best first. On Windows the ones Windows ships for
// Japanese user interfaces: MS UI Gothic, then Yu Gothic UI, then Meiryo UI. Elsewhere the
// fontconfig names of the Japanese sans-serif fonts Debian ships: IPA Gothic (proportional,
// then fixed), then Noto Sans CJK JP.
QStringList UiFontFamilies();

// The font family chosen by SetUpJapaneseUi: the first of UiFontFamilies that is installed;
// empty when none is.
QString JapaneseUiFontFamily();

}  // namespace zelvora::gui
