#include "gui/components/locale_order.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>
#include <numeric>

namespace zelvora::gui {

std::vector<qsizetype> LocaleOrder(const QStringList& texts) {
  QCollator collator{QLocale()};
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::vector<qsizetype> order(static_cast<size_t>(texts.size()));
  std::iota(order.begin(), order.end(), qsizetype{0});
  std::sort(order.begin(), order.end(), [&](qsizetype a, qsizetype b) {
    const int rank = collator.compare(texts[a], texts[b]);
    if (rank != 0) return rank < 0;
    return texts[a] < texts[b];
  });
  return order;
}

}  // namespace zelvora::gui
