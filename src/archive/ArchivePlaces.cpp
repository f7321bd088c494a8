#include "archive/ArchivePlaces.h"

#include <algorithm>

#include "platform/Paths.h"

namespace vellumo {

int ImageOfDriveType(DriveType type) {
    switch (type) {
        case DriveType::Removable: return ItemImage::RemovableDrive;
        case DriveType::Remote: return ItemImage::NetworkDrive;
        case DriveType::CdRom: return ItemImage::CdRomDrive;
        case DriveType::RamDisk: return ItemImage::RamDisk;
        case DriveType::Fixed: break;
    }
    return ItemImage::FixedDrive;
}

bool ArchivePlaces::isDriveRoot(const std::string& folder) const {
    if (folder.empty()) return false;
    return std::any_of(drives.begin(), drives.end(), [&](const Drive& d) { return d.path == folder; });
}

int ArchivePlaces::driveImage(const std::string& drivePath) const {
    for (const auto& d : drives) {
        if (d.path == drivePath) return ImageOfDriveType(d.type);
    }
    return ItemImage::FixedDrive;
}

const Drive* ArchivePlaces::driveOf(const std::string& path) const {
    std::string root = DriveOfPath(drives, path);
    for (const auto& d : drives) {
        if (d.path == root) return &d;
    }
    return nullptr;
}

std::string ArchivePlaces::ownNameOf(const std::string& folder) const {
    if (folder.empty()) return {};
    if (isDriveRoot(folder)) return "[" + folder + "]";
    return FileNameOf(folder);
}

bool ArchivePlaces::insideHorizon(const std::string& path) const {
    return horizon.empty() || PathContains(horizon, path);
}

std::optional<std::string> ArchivePlaces::upTarget(const std::string& folder) const {
    if (folder.empty()) return std::nullopt;
    if (!horizon.empty()) {
        // Only folders inside the horizon can be reached; the drive list never.
        if (folder == horizon || !PathContains(horizon, folder)) return std::nullopt;
        return ParentPath(folder);
    }
    if (isDriveRoot(folder)) return std::string();
    return ParentPath(folder);  // "" for a path without a parent: the drive list
}

std::optional<ArchiveItem> ArchivePlaces::upEntry(const std::string& folder) const {
    if (!upTarget(folder)) return std::nullopt;
    ArchiveItem up;
    up.text = ownNameOf(folder);
    up.image = isDriveRoot(folder) ? driveImage(folder) : ItemImage::OpenFolder;
    up.flags = ItemFlags::UpEntry;
    return up;
}

}  // namespace vellumo
