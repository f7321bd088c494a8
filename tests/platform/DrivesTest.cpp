#include <gtest/gtest.h>

#include "platform/Drives.h"

using namespace vellumo;

namespace {
bool SdbRemovable(const std::string& dev) { return dev.rfind("/dev/sdb", 0) == 0; }
}  // namespace

TEST(Drives, MountTableGivesRealFileSystemsInOrder) {
    const char* mounts =
        "sysfs /sys sysfs rw 0 0\n"
        "proc /proc proc rw 0 0\n"
        "/dev/sda1 / ext4 rw 0 0\n"
        "tmpfs /run tmpfs rw 0 0\n"
        "tmpfs /run/user/1000 tmpfs rw 0 0\n"
        "devpts /dev/pts devpts rw 0 0\n"
        "/dev/sda2 /home ext4 rw 0 0\n"
        "/dev/sr0 /media/cd iso9660 ro 0 0\n"
        "/dev/sdb1 /media/My\\040Stick vfat rw 0 0\n"
        "server:/x /mnt/nfs nfs4 rw 0 0\n"
        "tmpfs /mnt/ram tmpfs rw 0 0\n"
        "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
        "/dev/sda1 /home ext4 rw 0 0\n"
        "garbage\n"
        "\n";
    auto drives = ParseDrives(mounts, "/home/u", &SdbRemovable);
    std::vector<std::string> paths;
    for (auto& d : drives) paths.push_back(d.path);
    EXPECT_EQ(paths, (std::vector<std::string>{"/", "/home/u", "/home", "/media/cd", "/media/My Stick", "/mnt/nfs",
                                                "/mnt/ram"}));
    EXPECT_EQ(drives[3].type, DriveType::CdRom);
    EXPECT_EQ(drives[4].type, DriveType::Removable);
    EXPECT_EQ(drives[5].type, DriveType::Remote);
    EXPECT_EQ(drives[6].type, DriveType::RamDisk);
    EXPECT_EQ(DriveRowText(drives[3]), "[/media/cd]");
}

TEST(Drives, DriveOfAPathIsTheDeepestContainingDrive) {
    std::vector<Drive> drives{{"/", DriveType::Fixed, ""}, {"/home/u", DriveType::Fixed, ""},
                              {"/media/cd", DriveType::CdRom, ""}};
    EXPECT_EQ(DriveOfPath(drives, "/media/cd/Trip/a.jpg"), "/media/cd");
    EXPECT_EQ(DriveOfPath(drives, "/media/cdrom"), "/");
    EXPECT_EQ(DriveOfPath(drives, "/home/u"), "/home/u");
    EXPECT_EQ(DriveOfPath(drives, "relative"), "");
}

TEST(Drives, ThisMachineListsRootFirst) {
    auto drives = ListDrives();
    ASSERT_FALSE(drives.empty());
    EXPECT_EQ(drives[0].path, "/");
}
