#include "settings/placement.h"

namespace zelvora {
namespace {

// One axis of PlaceOnScreen, computed in 64 bits so that no sum can overflow.
int32_t PlaceOnAxis(int32_t start, int32_t extent, int32_t screen_extent) {
  int64_t placed = start;
  if (placed < 0) placed = 0;
  if (placed + extent > screen_extent) placed = int64_t{screen_extent} - extent;
  return static_cast<int32_t>(placed);
}

}  // namespace

WindowPosition PlaceOnScreen(int32_t left, int32_t top, PixelSize window, PixelSize screen) {
  return {PlaceOnAxis(left, window.width, screen.width),
          PlaceOnAxis(top, window.height, screen.height)};
}

}  // namespace zelvora
