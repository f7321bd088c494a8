#pragma once
// The drive list: "/", the home folder, then every mount point of a real disk,
// optical, network or RAM file system in the order of the mount table.
#include <string>
#include <string_view>
#include <vector>

namespace vellumo {

enum class DriveType { Fixed, Removable, Remote, CdRom, RamDisk };

struct Drive {
    std::string path;
    DriveType type = DriveType::Fixed;
    std::string fileSystem;
    friend bool operator==(const Drive&, const Drive&) = default;
};

// Tells whether a block device (by its /dev name) is removable.
using RemovableTest = bool (*)(const std::string& device);

// Builds the list from the text of /proc/self/mounts. Pseudo and system
// mounts are left out; each path is listed once.
std::vector<Drive> ParseDrives(std::string_view mounts, const std::string& home, RemovableTest removable);

// The list of this machine.
std::vector<Drive> ListDrives();

// The listed drive that contains the path with the most components; "" when
// none does.
std::string DriveOfPath(const std::vector<Drive>& drives, std::string_view path);
// Whether that drive is an optical disc (nothing is written there).
bool OnOpticalDisc(const std::vector<Drive>& drives, std::string_view path);

// The text a drive row shows: "[" + path + "]".
std::string DriveRowText(const Drive& drive);

}  // namespace vellumo
