#pragma once
// Where a folder's thumbnail cache file lives: in the folder itself, named
// after the program ("vellumo.cache"), when it may and can be written there
// (ThumbnailsCacheInFolders on, a folder that can be written, not an optical
// disc). Elsewhere thumbnails go to the desktop's shared thumbnail cache
// (SharedThumbnails.h), under the user's cache home.
#include <string>

namespace vellumo {

// The cache file inside the folder; an existing file whose name differs only
// in ASCII case (written on Windows) is taken instead.
std::string FolderCacheFile(const std::string& folder, const std::string& programName);
// The folder and its cache file (when it exists) can be written.
bool FolderCacheWritable(const std::string& folder, const std::string& programName);
// $XDG_CACHE_HOME when it is an absolute path, else $HOME/.cache; "" when
// neither is known.
std::string UserCacheHome();
// Earlier versions kept one cache file per folder in cacheHome/vellumo/
// (16 hex digits and ".cache"); those files and then the folder are removed.
void RemoveOldUserCaches(const std::string& cacheHome);

}  // namespace vellumo
