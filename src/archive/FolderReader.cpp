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

bool ReadFolder(const std::string& folder, FolderEntries& out, bool testEmptyFolders) {
    out = {};
    if (folder.empty()) return false;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return false;
    int dfd = dirfd(dir);
    while (dirent* e = readdir(dir)) {
        const char* name = e->d_name;
        if (IsDotOrDotDot(name)) continue;
        bool isDir = false;
        unsigned char type = e->d_type;
        if (type == DT_DIR) {
            isDir = true;
        } else if (type == DT_LNK || type == DT_UNKNOWN) {
            struct stat st;
            if (fstatat(dfd, name, &st, 0) != 0) continue;  // dangling link or gone meanwhile
            isDir = S_ISDIR(st.st_mode);
        }
        if (isDir) {
            out.folders.emplace_back(name);
            if (testEmptyFolders) {
                int fd = openat(dfd, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
                out.folderEmpty.push_back(DescriptorLooksEmpty(fd));
            } else {
                out.folderEmpty.push_back(false);
            }
        } else {
            out.files.emplace_back(name);
        }
    }
    closedir(dir);
    return true;
}

bool FolderLooksEmpty(const std::string& folder) {
    return DescriptorLooksEmpty(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK));
}

}  // namespace vellumo
