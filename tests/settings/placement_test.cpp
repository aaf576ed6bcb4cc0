#include "settings/placement.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace zelvora {
namespace {

TEST(PlacementTest, PullsTheWindowInsideTheScreenLeftAndTopFirst) {
  const PixelSize screen{1024, 768};
  struct Case {
    int32_t left, top;
    PixelSize window;
    WindowPosition expected;
  };
  for (const Case& c : {
           Case{100, 50, {300, 200}, {100, 50}},       // inside: unchanged
           Case{-20, -5, {300, 200}, {0, 0}},          // past the left and top edges
           Case{900, 700, {300, 200}, {724, 568}},     // past the right and bottom edges
           Case{724, 568, {300, 200}, {724, 568}},     // touching them is inside
           Case{50, 10, {1100, 800}, {-76, -32}},      // larger than the screen: negative
           Case{-500, -500, {1100, 800}, {-76, -32}},  // the far edges win
       }) {
    SCOPED_TRACE(::testing::Message() << c.left << "," << c.top);
    EXPECT_EQ(PlaceOnScreen(c.left, c.top, c.window, screen), c.expected);
  }
}

TEST(PlacementTest, ExtremePositionsDoNotOverflow) {
  EXPECT_EQ(PlaceOnScreen(INT32_MAX, INT32_MAX, {300, 200}, {1024, 768}),
            (WindowPosition{724, 568}));
  EXPECT_EQ(PlaceOnScreen(INT32_MIN, INT32_MIN, {300, 200}, {1024, 768}), (WindowPosition{0, 0}));
}

}  // namespace
}  // namespace zelvora
