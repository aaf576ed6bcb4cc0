// The order in which the windows list names: the user's locale (LC_COLLATE) with letter case
// disregarded, as file lists and folder trees are sorted on the desktop.
#pragma once

#include <QStringList>
#include <vector>

namespace zelvora::gui {

// The positions of `texts` in locale order. Texts that the locale ranks equal (such as
// "A.htm" and "a.htm") keep a fixed order by their code points.
std::vector<qsizetype> LocaleOrder(const QStringList& texts);

}  // namespace zelvora::gui
