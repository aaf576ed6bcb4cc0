#include "gui/app/japanese_ui.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace zelvora::gui {

QString JapaneseUiFontFamily() {
  const QStringList installed = QFontDatabase::families();
  for (const QString& family : UiFontFamilies()) {
    if (installed.contains(family)) return family;
  }
  return QString();
}

void SetUpJapaneseUi(QApplication& application) {
  const QString family = JapaneseUiFontFamily();
  if (!family.isEmpty()) {
    QFont font(family);
    // A pixel size sets the em; the characters with their ascent and descent stand higher.
    for (int size = kUiFontHeight; size > 1; --size) {
      font.setPixelSize(size);
      if (QFontMetrics(font).height() <= kUiFontHeight) break;
    }
    QApplication::setFont(font);
  }
  // The translator lives as long as the application, which owns it.
  auto* translator = new QTranslator(&application);
  if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), "qtbase", "_",
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    QApplication::installTranslator(translator);
  }
}

}  // namespace zelvora::gui
