#pragma once
// Where a folder lies in the archive: its drive, the text of its up entry and
// where going up from it leads, given the drive list and the horizon. A plain
// value, copied into the listing worker so that it builds the up entry itself.
#include <optional>
#include <string>
#include <vector>

#include "archive/ArchiveItem.h"
#include "platform/Drives.h"

namespace vellumo {

struct ArchivePlaces {
    std::vector<Drive> drives;
    // The horizon folder ("" for none): nothing above it can be reached.
    std::string horizon;

    bool isDriveRoot(const std::string& folder) const;
    // The drive row image of a drive's path (a fixed drive when unknown).
    int driveImage(const std::string& drivePath) const;
    const Drive* driveOf(const std::string& path) const;
    // The folder's last component, or "[path]" for a drive root ("" for the drive list).
    std::string ownNameOf(const std::string& folder) const;
    bool insideHorizon(const std::string& path) const;
    bool atHorizon(const std::string& folder) const { return !horizon.empty() && folder == horizon; }
    // Where going up from a folder leads ("" the drive list); nothing when
    // going up is not allowed there (drive list, horizon).
    std::optional<std::string> upTarget(const std::string& folder) const;
    // The first row of a folder's listing: its up entry, unless going up is
    // not allowed there.
    std::optional<ArchiveItem> upEntry(const std::string& folder) const;
};

int ImageOfDriveType(DriveType type);

}  // namespace vellumo
