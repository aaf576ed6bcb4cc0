#include "platform/removable_media.h"

#include <gtest/gtest.h>

namespace zelvora {
namespace {

TEST(RemovableMediaTest, MountPointsBelowTheUsersMediaFoldersInTableOrder) {
  const std::string table =
      "/dev/sda1 / ext4 rw,relatime 0 0\n"
      "/dev/sdb1 /media/hanako/USB\\040STICK vfat rw,nosuid 0 0\n"
      "/dev/sr0 /run/media/hanako/CDROM iso9660 ro 0 0\n"
      "/dev/sdc1 /media/taro/OTHER vfat rw 0 0\n"
      "/dev/sdd1 /media/hanako ext4 rw 0 0\n"
      "/dev/sdb1 /media/hanako/USB\\040STICK vfat rw,nosuid 0 0\n"
      "tmpfs /media/hanako/back\\134slash/ tmpfs rw 0 0\n"
      "broken-line-without-fields\n"
      "/dev/sde1 /media/hanakox/X vfat rw 0 0";
  EXPECT_EQ(RemovableMediaIn(table, "hanako"),
            std::vector<std::string>({"/media/hanako/USB STICK", "/run/media/hanako/CDROM",
                                      "/media/hanako/back\\slash"}));
  EXPECT_TRUE(RemovableMediaIn(table, "").empty());
  EXPECT_TRUE(RemovableMediaIn(table, "../hanako").empty());
}

}  // namespace
}  // namespace zelvora
