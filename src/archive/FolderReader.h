#pragma once
// Reads one folder for the Navigator: its subfolders and its other entries,
// each by its name as the file system gives it (any bytes but "/" and NUL).
#include <string>
#include <vector>

namespace vellumo {

struct FolderEntries {
    std::vector<std::string> folders;  // "." and ".." left out; symbolic links to folders included
    std::vector<bool> folderEmpty;     // per folder: nothing besides "." and "..", or unreadable
    std::vector<std::string> files;    // everything that is not a folder; dangling links left out
};

// False when the folder cannot be opened (missing, unreadable, not a folder).
// Entries that vanish while the folder is read are left out.
bool ReadFolder(const std::string& folder, FolderEntries& out, bool testEmptyFolders = true);

// True when the folder shows no entry besides "." and "..", or cannot be read.
bool FolderLooksEmpty(const std::string& folder);

}  // namespace vellumo
