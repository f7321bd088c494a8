#include "thumbs/ThumbnailCachePlace.h"

#include <unistd.h>

#include <cstdlib>

#include "platform/Files.h"
#include "platform/Paths.h"

namespace vellumo {

std::string FolderCacheFile(const std::string& folder, const std::string& programName) {
    return ResolveDerivedName(JoinPath(folder, programName + ".cache"));
}

bool FolderCacheWritable(const std::string& folder, const std::string& programName) {
    if (folder.empty() || access(folder.c_str(), W_OK) != 0) return false;
    const std::string file = FolderCacheFile(folder, programName);
    return !FileExists(file) || (IsRegularFile(file) && access(file.c_str(), W_OK) == 0);
}

std::string UserCacheHome() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg && xdg[0] == '/') return xdg;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return JoinPath(home, ".cache");
    return {};
}

void RemoveOldUserCaches(const std::string& cacheHome) {
    if (cacheHome.empty()) return;
    const std::string folder = JoinPath(cacheHome, "vellumo");
    if (!IsDirectory(folder)) return;
    for (const std::string& name : ListFolderNames(folder)) {
        if (name.size() != 22 || name.compare(16, 6, ".cache") != 0) continue;
        if (name.find_first_not_of("0123456789abcdef") < 16) continue;
        RemoveFile(JoinPath(folder, name));
    }
    rmdir(folder.c_str());  // only when nothing else is left in it
}

}  // namespace vellumo
