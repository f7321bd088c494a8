#include "platform/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/Paths.h"
#include "platform/TextCompare.h"

namespace vellumo {

bool FileExists(const std::string& path) {
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& path) {
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::uint64_t maxBytes) {
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    struct stat st{};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return std::nullopt;
    }
    std::string data;
    std::uint64_t want = std::min<std::uint64_t>(static_cast<std::uint64_t>(st.st_size), maxBytes);
    data.reserve(static_cast<size_t>(want));
    char buffer[65536];
    while (data.size() < maxBytes) {
        size_t chunk = static_cast<size_t>(std::min<std::uint64_t>(sizeof buffer, maxBytes - data.size()));
        ssize_t n = read(fd, buffer, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            close(fd);
            return std::nullopt;
        }
        if (n == 0) break;
        data.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return data;
}

bool WriteFileAtomically(const std::string& path, std::string_view bytes) {
    std::string folder = ParentPath(path);
    if (folder.empty()) folder = ".";
    std::string tmpl = JoinPath(folder, "." + FileNameOf(path) + ".XXXXXX");
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd < 0) return false;
    auto fail = [&] {
        close(fd);
        unlink(name.data());
        return false;
    };
    struct stat st{};
    mode_t mode = 0644;
    if (stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
    fchmod(fd, mode);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail();
        }
        done += static_cast<size_t>(n);
    }
    if (fsync(fd) != 0) return fail();
    if (close(fd) != 0) {
        unlink(name.data());
        return false;
    }
    if (rename(name.data(), path.c_str()) != 0) {
        unlink(name.data());
        return false;
    }
    return true;
}

bool CreateEmptyFile(const std::string& path) {
    if (path.empty()) return false;
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd >= 0) {
        close(fd);
        return true;
    }
    return errno == EEXIST && IsRegularFile(path);
}

bool RemoveFile(const std::string& path) {
    if (path.empty()) return false;
    struct stat st{};
    if (lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    if (S_ISDIR(st.st_mode)) return false;
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool MakeFolder(const std::string& path) {
    if (mkdir(path.c_str(), 0755) == 0) return true;
    return IsDirectory(path);
}

std::vector<std::string> ListFolderNames(const std::string& folder) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return names;
    while (dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0) continue;
        names.emplace_back(e->d_name);
    }
    closedir(dir);
    return names;
}

std::string ResolveDerivedName(const std::string& path) {
    struct stat st{};
    if (lstat(path.c_str(), &st) == 0) return path;
    std::string folder = ParentPath(path);
    std::string name = FileNameOf(path);
    if (folder.empty() || name.empty()) return path;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return path;
    std::string found;
    while (dirent* e = readdir(dir)) {
        // Directory order is arbitrary: of several matches take the smallest
        // name, so the same file is chosen every time.
        if (EqualsAsciiNoCase(e->d_name, name) && (found.empty() || std::strcmp(e->d_name, found.c_str()) < 0))
            found = e->d_name;
    }
    closedir(dir);
    return found.empty() ? path : JoinPath(folder, found);
}

}  // namespace vellumo
