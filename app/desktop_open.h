// Opening a file with the program the desktop associates with it (xdg-open).
#pragma once

#include <string>

namespace zelvora::gui {

// Asks xdg-open to open `file_name` and waits up to three seconds for its verdict, keeping
// the windows painted meanwhile. True when xdg-open reported success, or is still running
// then (outside a known desktop it runs the viewer itself); false when it could not be
// started or reported a failure (a missing file among them).
bool OpenWithDesktop(const std::string& file_name);

}  // namespace zelvora::gui
