#include <gtest/gtest.h>

#include "platform/shell_places.h"

namespace zelvora {
namespace {

TEST(ShellPlacesPosixTest, TheDiskRootComesFirstAndShowsItsPath) {
  const std::vector<ShellPlace> places = MachineShellPlaces();
  ASSERT_FALSE(places.empty());
  EXPECT_EQ(places[0].path, "/");
  EXPECT_EQ(places[0].label, "");
  EXPECT_EQ(places[0].kind, ShellPlace::Kind::kFixed);
  for (size_t i = 1; i < places.size(); ++i) {
    EXPECT_EQ(places[i].kind, ShellPlace::Kind::kRemovable) << places[i].path;
  }
}

}  // namespace
}  // namespace zelvora
