// Placing a dialog at a position and pulling it inside the screen.
#pragma once

#include <cstdint>

namespace zelvora {

struct WindowPosition {
  int32_t left = 0;
  int32_t top = 0;
  bool operator==(const WindowPosition&) const = default;
};

struct PixelSize {
  int32_t width = 0;
  int32_t height = 0;
};

// The position of a window of outer size `window` put at (`left`, `top`) on a primary screen
// of size `screen`: a negative left becomes 0, then a window reaching past the right edge is
// moved left to end there; then the same for the top and the bottom edge. The right and
// bottom rules run last, so a window larger than the screen ends with a negative left or top.
WindowPosition PlaceOnScreen(int32_t left, int32_t top, PixelSize window, PixelSize screen);

}  // namespace zelvora
