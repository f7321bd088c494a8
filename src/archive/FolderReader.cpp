#include "archive/FolderReader.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace vellumo {

namespace {

bool IsDotOrDotDot(const char* name) {
    return name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0));
}

// Reads until the first real entry of an open folder descriptor (takes ownership).
bool DescriptorLooksEmpty(int fd) {
    if (fd < 0) return true;
    DIR* dir = fdopendir(fd);
    if (!dir) {
        close(fd);
        return true;
    }
    bool empty = true;
    while (dirent* e = readdir(dir)) {
        if (!IsDotOrDotDot(e->d_name)) {
            empty = false;
            break;
        }
    }
    closedir(dir);
    return empty;
}

}  // namespace

FolderEntryReader::FolderEntryReader(const std::string& folder) {
    if (folder.empty()) return;
    dir_ = opendir(folder.c_str());
    if (!dir_) return;
    fd_ = dirfd(dir_);
    stamp_ = StampOfFolder(fd_);
}

FolderEntryReader::~FolderEntryReader() {
    if (dir_) closedir(dir_);
}

bool FolderEntryReader::next(std::string& name, bool& isFolder) {
    if (!dir_) return false;
    while (dirent* e = readdir(dir_)) {
        const char* n = e->d_name;
        if (IsDotOrDotDot(n)) continue;
        isFolder = false;
        const unsigned char type = e->d_type;
        lastKind_ = type == DT_REG ? EntryKind::Regular : EntryKind::Special;
        if (type == DT_DIR) {
            isFolder = true;
        } else if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat st;
            if (fstatat(fd_, n, &st, 0) != 0) continue;  // dangling link or gone meanwhile
            isFolder = S_ISDIR(st.st_mode);
            lastKind_ = S_ISREG(st.st_mode) ? EntryKind::Regular : EntryKind::Special;
        }
        if (isFolder) lastKind_ = EntryKind::Folder;
        name.assign(n);
        return true;
    }
    return false;
}

bool FolderEntryReader::subfolderLooksEmpty(const std::string& name) const {
    if (fd_ < 0) return true;
    return DescriptorLooksEmpty(openat(fd_, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
}

bool ReadFolder(const std::string& folder, FolderEntries& out, bool testEmptyFolders) {
    out = {};
    FolderEntryReader reader(folder);
    if (!reader.opened()) return false;
    std::string name;
    bool isFolder = false;
    while (reader.next(name, isFolder)) {
        if (isFolder) {
            out.folders.push_back(name);
            out.folderEmpty.push_back(testEmptyFolders && reader.subfolderLooksEmpty(name));
        } else {
            out.files.push_back(name);
        }
    }
    return true;
}

bool FolderLooksEmpty(const std::string& folder) {
    return DescriptorLooksEmpty(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
}

}  // namespace vellumo
