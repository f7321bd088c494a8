#pragma once
// Where a folder's thumbnail cache file lives: in the folder itself, named
// after the program ("vellumo.cache"), or, when it may not or cannot be
// written there (ThumbnailsCacheInFolders off, a read-only folder, an
// optical disc), in the user's cache folder ($XDG_CACHE_HOME/vellumo/, else
// ~/.cache/vellumo/), one file per folder keyed by the folder's path.
#include <string>

namespace vellumo {

// The cache file inside the folder; an existing file whose name differs only
// in ASCII case (written on Windows) is taken instead.
std::string FolderCacheFile(const std::string& folder, const std::string& programName);
// The user's cache folder for thumbnails: cacheHome + "/vellumo".
std::string UserThumbnailFolder(const std::string& cacheHome);
// The file in the user's cache folder for a folder's thumbnails.
std::string UserCacheFile(const std::string& folder, const std::string& cacheHome);
// $XDG_CACHE_HOME when it is an absolute path, else $HOME/.cache; "" when
// neither is known.
std::string UserCacheHome();

}  // namespace vellumo
