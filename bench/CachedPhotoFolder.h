#pragma once
// A folder of 500 photo files (never decoded) with a valid cache of their
// 48-pixel thumbnails, for the benchmarks of entering a cached folder.
#include <cstdio>
#include <string>

#include "platform/Files.h"
#include "thumbs/ThumbnailsStorage.h"

namespace vellumo {

inline void MakeCachedPhotoFolder(const std::string& dir, std::uint32_t borderColor, int photos = 500) {
    CThumbnailsStorage storage;
    storage.photoCount = photos;
    storage.thumbnailSize = 48;
    storage.borderColor = borderColor;
    storage.border = 1;
    for (int i = 0; i < photos; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04d", i);
        WriteFileAtomically(dir + "/" + name + ".jpg", "not decoded: the cache has it");
        storage.names.push_back(name);
        auto t = std::make_shared<ThumbImage>(48);
        t->pixels.assign(48 * 48, 0xFF000000u | static_cast<unsigned>(i * 0x10203));
        storage.images.push_back(t);
    }
    WriteFileAtomically(dir + "/vellumo.cache", storage.Serialize());
}

}  // namespace vellumo
