// Pictures of windows for the documentation. The offscreen platform draws no window frames,
// so a dialog is drawn inside a plain frame with its icon and caption.
#pragma once

#include <QImage>

class QWidget;

namespace zelvora::tools {

// `window`'s client area under a title bar with the program's icon and the window's caption.
QImage Framed(QWidget& window);

}  // namespace zelvora::tools
