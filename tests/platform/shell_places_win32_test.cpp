#include <gtest/gtest.h>

#include <string>

#include "platform/shell_places.h"

namespace zelvora {
namespace {

// The desktop leads, with the shell's own name for it; the user's folders follow; drive C:
// is a fixed drive labelled as the shell labels it, "... (C:)".
TEST(ShellPlacesWin32Test, TheDesktopLeadsAndDriveCIsAFixedDriveWithItsLabel) {
  const std::vector<ShellPlace> places = MachineShellPlaces();
  ASSERT_FALSE(places.empty());
  EXPECT_EQ(places[0].kind, ShellPlace::Kind::kDesktop);
  EXPECT_FALSE(places[0].label.empty());
  bool drive_c = false;
  for (const ShellPlace& place : places) {
    if (place.path != "C:\\") continue;
    drive_c = true;
    EXPECT_EQ(place.kind, ShellPlace::Kind::kFixed);
    ASSERT_GE(place.label.size(), 5u);
    EXPECT_EQ(place.label.substr(place.label.size() - 5), " (C:)");
  }
  EXPECT_TRUE(drive_c);
}

}  // namespace
}  // namespace zelvora
