#pragma once
// The listing of one folder as the Navigator shows it, made off the
// user-interface thread: the up entry, the subfolders and the photos in their
// order. A folder that takes long to read (a slow share) is delivered in
// parts, each holding every row read so far in order; a large one then
// delivers its first rows in their final order (the head) while the rest is
// sorted; then come the complete rows, and the subfolders found empty that
// were not yet known to be empty. The order: the up entry, the folders, the
// photos, each by name ignoring case; names equal ignoring case keep a fixed
// order (photos by format table position, then by their bytes).
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "archive/ArchiveItem.h"
#include "archive/ArchivePlaces.h"

namespace vellumo {

struct FolderListingRequest {
    // The folder; with goTo a path that may name a file in its folder.
    std::string path;
    // Go to path: a path that is no folder and has a "." after its last "/"
    // names a file, whose folder is listed.
    bool goTo = false;
    // Drives and horizon, for the up entry.
    ArchivePlaces places;
};

// When the parts come (milliseconds since the listing began).
struct ListingPace {
    int firstPartMs = 250;
    int partEveryMs = 400;
    // Subfolders are tested for emptiness with the rows until the listing
    // has taken this long; the rest follow the complete rows.
    int emptinessMs = 100;
    // A folder of more than four times this many rows first delivers its
    // first rows in their order (a screenful), then all of them.
    int headRows = 1000;
};

struct ListingDelivery {
    enum class Kind { Part, Head, Complete, Unreadable, EmptyFolders };
    Kind kind = Kind::Part;
    // The folder listed and, for a go to path, the file named in it.
    std::string folder;
    std::string file;
    // Part: every row read so far, in order; Head: the first rows of the
    // final order; Complete: all rows; Unreadable: the up entry.
    std::vector<ArchiveItem> rows;
    // EmptyFolders: names of folder rows that are empty folders.
    std::vector<std::string> emptyFolders;
};

// Lists on the calling thread, handing every delivery to deliver. Returns at
// once, delivering nothing more, when stop is set. onEntry (may be empty) is
// called before each entry is read with the entries read so far, and after
// a head with -1.
void ListFolder(const FolderListingRequest& request, const ListingPace& pace, const std::atomic<bool>& stop,
                const std::function<void(ListingDelivery)>& deliver,
                const std::function<void(const std::string& folder, int entries)>& onEntry = {});

}  // namespace vellumo
