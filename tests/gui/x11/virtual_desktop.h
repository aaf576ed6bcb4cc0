// A virtual X display with a real window manager, for the tests whose point is how windows
// stack and take the focus on a desktop: Xvfb on a display number it picks itself among the
// free ones, and openbox managing it. Also the small X tools the tests ask about windows
// (xprop) and type with (xdotool), and the window manager's close request (wmctrl).
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace zelvora::testing {

class VirtualDesktop {
 public:
  // Starts Xvfb and openbox and points DISPLAY at the display. Null when that fails, with
  // the reason in `why`; `missing_xvfb` then tells whether Xvfb is not installed at all.
  static std::unique_ptr<VirtualDesktop> Start(std::string& why, bool& missing_xvfb);
  // Ends openbox and Xvfb.
  ~VirtualDesktop();
  VirtualDesktop(const VirtualDesktop&) = delete;
  VirtualDesktop& operator=(const VirtualDesktop&) = delete;

  const std::string& display() const { return display_; }

 private:
  VirtualDesktop() = default;

  std::string display_;
  int xvfb_pid_ = -1;
  int window_manager_pid_ = -1;
};

// Why the tests have no desktop: empty while they have one. The test main sets it; each test
// skips, saying so, when it is not empty.
const std::string& NoDesktopReason();
void SetNoDesktopReason(std::string why);

// The managed top-level windows from the bottom of the stack to its top, as the window
// manager tells (_NET_CLIENT_LIST_STACKING).
std::vector<unsigned long> StackingOrder();

// The window that `window` is transient for (WM_TRANSIENT_FOR), 0 for none.
unsigned long TransientFor(unsigned long window);

// Whether the window is mapped and all its ancestors are: it can be seen on the screen.
bool IsViewable(unsigned long window);

// Types `keys` (xdotool's names: "Tab", "shift+Tab", "alt+r") into the window that has the
// focus, as the keyboard would.
void TypeKeys(const std::string& keys);

// Asks the window manager to close `window`, as its close button does.
void AskToClose(unsigned long window);

}  // namespace zelvora::testing
