#include "platform/shell_places.h"

#include <gtest/gtest.h>

#include "platform/file_system.h"
#include "platform/paths.h"

namespace zelvora {
namespace {

using Kind = ShellPlace::Kind;

TEST(ShellPlacesTest, DriveLabelsReadAsTheShellWritesThem) {
  EXPECT_EQ(DriveLabel(Kind::kFixed, 'C', "Windows"), "Windows (C:)");
  EXPECT_EQ(DriveLabel(Kind::kFixed, 'D', ""), "ローカル ディスク (D:)");
  EXPECT_EQ(DriveLabel(Kind::kRemovable, 'E', ""), "リムーバブル ディスク (E:)");
  EXPECT_EQ(DriveLabel(Kind::kRemovable, 'E', "写真"), "写真 (E:)");
  EXPECT_EQ(DriveLabel(Kind::kCdRom, 'Q', ""), "CD ドライブ (Q:)");
  EXPECT_EQ(DriveLabel(Kind::kNetwork, 'Z', ""), "ネットワーク ドライブ (Z:)");
  // A network drive is named after the shared folder it is connected to.
  EXPECT_EQ(DriveLabel(Kind::kNetwork, 'Z', "\\\\nas\\www"), "www (\\\\nas) (Z:)");
  EXPECT_EQ(DriveLabel(Kind::kNetwork, 'Y', "\\\\nas\\share\\deep"), "deep (\\\\nas\\share) (Y:)");
  // A name that is no shared folder is shown as it is.
  EXPECT_EQ(DriveLabel(Kind::kNetwork, 'X', "\\\\"), "\\\\ (X:)");
}

TEST(ShellPlacesTest, OnlyMediaThatMayBeAbsentOrSlowAreLeftUnreadUntilOpened) {
  EXPECT_FALSE(IsSlowPlace(Kind::kDesktop));
  EXPECT_FALSE(IsSlowPlace(Kind::kUserFolder));
  EXPECT_FALSE(IsSlowPlace(Kind::kFixed));
  EXPECT_TRUE(IsSlowPlace(Kind::kRemovable));
  EXPECT_TRUE(IsSlowPlace(Kind::kNetwork));
  EXPECT_TRUE(IsSlowPlace(Kind::kCdRom));
}

TEST(ShellPlacesTest, TheMachineHasAFixedDiskAndEveryFastPlaceIsAnAbsoluteFolder) {
  const std::vector<ShellPlace> places = MachineShellPlaces();
  bool fixed = false;
  for (const ShellPlace& place : places) {
    SCOPED_TRACE(place.path);
    EXPECT_TRUE(IsAbsolutePath(place.path));
    fixed = fixed || place.kind == Kind::kFixed;
    if (IsSlowPlace(place.kind)) continue;
    auto listing = RealFileSystem().ListFolder(JoinPath(place.path, ""));
    EXPECT_TRUE(listing.ok());
  }
  EXPECT_TRUE(fixed);
}

}  // namespace
}  // namespace zelvora
