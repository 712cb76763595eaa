// Which mounts stand for the removable medium, on a fake mount table.
#include "platform/RemovableMedia.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace platform {
namespace {

const char kTable[] =
    "/dev/sda1 / ext4 rw,relatime 0 0\n"
    "proc /proc proc rw,nosuid 0 0\n"
    "/dev/sdb1 /media/olga/STICK vfat rw,nosuid,nodev,uid=1000 0 0\n"
    "/dev/sr0 /media/olga/CDROM iso9660 ro,nosuid 0 0\n"
    "/dev/sdc1 /media/olga/My\\040Card\\134x vfat rw,nosuid 0 0\n"
    "/dev/sdd1 /run/media/olga/Флешка exfat rw,nosuid 0 0\n"
    "/dev/sde1 /run/media/ivan/THEIRS vfat rw 0 0\n"
    "/dev/sdf1 /mnt/backup ext4 rw 0 0\n"
    "/dev/sdg1 /media/usb0 vfat rw,sync 0 0\n"
    "/dev/sdb1 /media/olga/STICK vfat rw,nosuid 0 0\n"
    "/dev/sdh1 /media/olga/LOCKED vfat rw 0 0\n"
    "broken line\n"
    "/dev/sdi1 /media rw\n";

TEST(RemovableMediaTest, WritableMountsBelowTheUsersMediaFoldersInTableOrder) {
    const auto writable = [](const std::string& folder) { return folder != "/media/olga/LOCKED"; };
    EXPECT_EQ(RemovableMountPoints(kTable, "olga", writable),
              (std::vector<std::string>{"/media/olga/STICK", "/media/olga/My Card\\x",
                                        "/run/media/olga/Флешка", "/media/usb0"}));
    EXPECT_TRUE(RemovableMountPoints("/dev/sda1 / ext4 rw 0 0\n", "olga", writable).empty());
}

TEST(RemovableMediaTest, MountTableFieldsAreUnescaped) {
    const std::vector<MountEntry> entries =
        ParseMountTable("/dev/x\\011y /a\\040b\\012c vfat rw 0 0\nshort line\n");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].device, "/dev/x\ty");
    EXPECT_EQ(entries[0].mountPoint, "/a b\nc");
    EXPECT_EQ(entries[0].type, "vfat");
    EXPECT_EQ(entries[0].options, "rw");
}

}  // namespace
}  // namespace platform
