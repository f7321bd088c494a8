#pragma once
// The desktop's shared thumbnail cache, the one file managers on freedesktop
// desktops keep: PNG files in $XDG_CACHE_HOME/thumbnails/normal
// (at most 128 pixels each way) and large (256), named by the MD5 of the
// file's URI, each naming the file it shows (Thumb::URI) and that file's
// modification time (Thumb::MTime). File managers and other viewers read and
// write it; an entry whose time differs from the file's is stale.
//
// What is written there is a plain picture of the photo (upright, its
// proportions kept, no border, no mask), never a thumbnail cell: the cells
// are made from it as from the photo itself. Reading and writing happen on
// the thumbnail workers' threads.
#include <string>

#include "imaging/Bmp.h"

namespace vellumo {

class SharedThumbnailCache {
public:
    enum class Kind { Normal, Large };
    static constexpr int kNormalSize = 128;
    static constexpr int kLargeSize = 256;

    // cacheHome: $XDG_CACHE_HOME or ~/.cache ("" for no cache at all).
    explicit SharedThumbnailCache(std::string cacheHome);

    // "file://" and the path, escaped as the desktop escapes it.
    static std::string FileUri(const std::string& path);
    // Where the entry of a file lies ("" without a cache home).
    std::string entryFile(const std::string& path, Kind kind) const;

    // Reads a valid entry of the photo into a 32-bit bitmap: the normal one
    // for cells up to its size, else (or when it is missing) the large one.
    // False when there is none, it is stale, or it is no such file.
    bool read(const std::string& photo, int cellSize, CBmp& picture) const;
    // Writes the normal entry from the decoded photo (made smaller to fit,
    // never larger). False when it could not be written.
    bool write(const std::string& photo, const CBmp& picture) const;

private:
    std::string root_;  // .../thumbnails
};

}  // namespace vellumo
