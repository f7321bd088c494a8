#pragma once
// Reads one folder for the Navigator: its subfolders and its other entries,
// each by its name as the file system gives it (any bytes but "/" and NUL).
#include <dirent.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/FolderNames.h"

namespace vellumo {

// The entries of an open folder, one at a time.
class FolderEntryReader {
public:
    explicit FolderEntryReader(const std::string& folder);
    ~FolderEntryReader();
    FolderEntryReader(const FolderEntryReader&) = delete;
    FolderEntryReader& operator=(const FolderEntryReader&) = delete;

    // False when the folder cannot be opened (missing, unreadable, not a folder).
    bool opened() const { return dir_ != nullptr; }
    // The folder's stamp, taken when it was opened (before any entry was read).
    const std::optional<FolderStamp>& stamp() const { return stamp_; }
    // The next entry besides "." and ".."; false at the end. Symbolic links
    // to folders are folders; dangling links and entries that vanish while
    // the folder is read are left out.
    bool next(std::string& name, bool& isFolder);
    // What the entry last read is (a link: what it leads to).
    EntryKind lastKind() const { return lastKind_; }
    // A subfolder shows no entry besides "." and "..", or cannot be read.
    bool subfolderLooksEmpty(const std::string& name) const;

private:
    DIR* dir_ = nullptr;
    int fd_ = -1;
    std::optional<FolderStamp> stamp_;
    EntryKind lastKind_ = EntryKind::Unknown;
};

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
