#include "thumbs/ThumbnailCachePlace.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/Files.h"
#include "platform/Paths.h"

namespace vellumo {

std::string FolderCacheFile(const std::string& folder, const std::string& programName) {
    return ResolveDerivedName(JoinPath(folder, programName + ".cache"));
}

std::string UserThumbnailFolder(const std::string& cacheHome) { return JoinPath(cacheHome, "vellumo"); }

std::string UserCacheFile(const std::string& folder, const std::string& cacheHome) {
    // FNV-1a over the path's bytes: the same folder always gets the same file.
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : folder) {
        h ^= c;
        h *= 1099511628211ull;
    }
    static const char kHex[] = "0123456789abcdef";
    std::string name(16, '0');
    for (int i = 15; i >= 0; --i, h >>= 4) name[static_cast<std::size_t>(i)] = kHex[h & 0xF];
    return JoinPath(UserThumbnailFolder(cacheHome), name + ".cache");
}

std::string UserCacheHome() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return JoinPath(home, ".cache");
    return {};
}

}  // namespace vellumo
