// The desktop shell as the windows use it.
#pragma once

#include "platform/desktop_shell.h"

namespace zelvora::gui {

// The process's XdgDesktopShell for the GUI: while it waits for a helper program (xdg-open's
// verdict), pending paint and timer events run, so the windows do not freeze; the user's
// input waits until the command is done.
DesktopShell& GuiDesktopShell();

}  // namespace zelvora::gui
