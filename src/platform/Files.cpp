#include "platform/Files.h"

#include <dirent.h>
#include <signal.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <set>

#include "platform/FolderNames.h"
#include "platform/Paths.h"
#include "platform/TextCompare.h"

namespace vellumo {

bool FileExists(const std::string& path) {
    // A slow share read a moment ago answers without a request.
    if (auto known = RecentlyExists(path)) return *known;
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0;
}

bool IsRegularFile(const std::string& path) {
    // A slow share read a moment ago answers without a request.
    if (auto known = RecentlyARegularFile(path)) return *known;
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsDirectory(const std::string& path) {
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

int OpenRegularFileForReading(const std::string& path) {
    if (RecentlyARegularFile(path) == false) return -1;
    // Looked at before it is opened: opening a device can act on it, and
    // opening a FIFO tells its writer that a reader came.
    struct stat st{};
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return -1;
    // Non-blocking and checked again: it may have been replaced meanwhile.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return -1;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return -1;
    }
    int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    return fd;
}

std::optional<std::string> ReadWholeFile(const std::string& path, std::uint64_t maxBytes) {
    int fd = OpenRegularFileForReading(path);
    if (fd < 0) return std::nullopt;
    struct stat st{};
    if (fstat(fd, &st) != 0) {
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

std::optional<std::string> ReadFileNoLargerThan(const std::string& path, std::uint64_t limit) {
    auto data = ReadWholeFile(path, limit == UINT64_MAX ? limit : limit + 1);
    if (data && data->size() > limit) return std::nullopt;
    return data;
}

bool IsLinkLoop(const std::string& path) {
    if (RecentlyAbsent(path)) return false;
    struct stat st{};
    return !path.empty() && stat(path.c_str(), &st) != 0 && errno == ELOOP;
}

std::string FinalLinkTarget(const std::string& path) {
    std::string current = path;
    // As many hops as the kernel follows; a longer chain or a loop is written as it stands.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st{};
        if (lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return current;
        std::vector<char> target(static_cast<size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        ssize_t n = readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<size_t>(n) >= target.size()) return current;
        std::string next(target.data(), static_cast<size_t>(n));
        current = next.front() == '/' ? NormalizePath(next) : NormalizePath(JoinPath(ParentPath(current), next));
    }
    return path;
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    if (RecentlyAbsent(a) || RecentlyAbsent(b)) return a == b;
    struct stat sa{}, sb{};
    if (stat(a.c_str(), &sa) == 0 && stat(b.c_str(), &sb) == 0) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return a == b;
}

namespace {

bool WriteAll(int fd, std::string_view bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return fsync(fd) == 0;
}

// Gives an unnamed file (O_TMPFILE) a fresh hidden name in its folder.
bool NameUnnamedFile(int fd, const std::string& tmpl, std::string& name) {
    static std::atomic<unsigned> counter{0};
    const std::string self = "/proc/self/fd/" + std::to_string(fd);
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = tmpl + std::to_string(getpid()) + "-" + std::to_string(counter++);
        if (linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) return true;
        if (errno != EEXIST) return false;
    }
    return false;
}

// A killed writer can leave its temporary file (".NAME.PID-N") if it died in
// the instant between naming it and the rename: the first write of the file
// in this process removes those whose process is gone. Later writes skip the
// folder scan: this process leaves none, and the settings file is written
// often.
void RemoveStaleTemporaries(const std::string& folder, const std::string& name) {
    static std::mutex sweptLock;
    static std::set<std::string> swept;
    {
        std::lock_guard<std::mutex> lock(sweptLock);
        if (!swept.insert(JoinPath(folder, name)).second) return;
    }
    const std::string prefix = "." + name + ".";
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (dirent* e = readdir(dir)) {
        std::string_view entry = e->d_name;
        if (entry.size() <= prefix.size() || entry.substr(0, prefix.size()) != prefix) continue;
        std::string_view rest = entry.substr(prefix.size());
        size_t dash = rest.find('-');
        if (dash == 0 || dash == std::string_view::npos) continue;
        long pid = 0;
        bool digits = true;
        for (char c : rest.substr(0, dash)) {
            if (c < '0' || c > '9' || pid > 4194304) digits = false;
            else pid = pid * 10 + (c - '0');
        }
        for (char c : rest.substr(dash + 1)) digits = digits && c >= '0' && c <= '9';
        if (!digits || pid <= 0 || pid == getpid()) continue;
        if (kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH) continue;  // still running
        unlinkat(dirfd(dir), e->d_name, 0);
    }
    closedir(dir);
}

}  // namespace

bool WriteFileAtomically(const std::string& linkOrPath, std::string_view bytes) {
    // A settings file may be a link to one kept elsewhere: the new content
    // replaces the target, so the link stays a link.
    const std::string path = FinalLinkTarget(linkOrPath);
    std::string folder = ParentPath(path);
    if (folder.empty()) folder = ".";
    ForgetFolderNames(folder);
    ForgetFolderNames(ParentPath(linkOrPath));
    struct stat st{};
    mode_t mode = 0644;
    if (stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
    const std::string tmpl = JoinPath(folder, "." + FileNameOf(path) + ".");
    RemoveStaleTemporaries(folder, FileNameOf(path));

    // Where the file system offers it, the new content is written into an
    // unnamed file: a crash or a kill while writing leaves nothing behind in
    // the folder. It gets a name only for the instant before the rename.
    std::string name;
    int fd = open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd >= 0) {
        fchmod(fd, mode);
        if (!WriteAll(fd, bytes) || !NameUnnamedFile(fd, tmpl, name)) {
            close(fd);
            if (!name.empty()) unlink(name.c_str());
            return false;
        }
    } else {
        std::vector<char> buffer(tmpl.begin(), tmpl.end());
        for (char c : std::string_view("XXXXXX")) buffer.push_back(c);
        buffer.push_back('\0');
        fd = mkstemp(buffer.data());
        if (fd < 0) return false;
        name = buffer.data();
        fchmod(fd, mode);
        if (!WriteAll(fd, bytes)) {
            close(fd);
            unlink(name.c_str());
            return false;
        }
    }
    if (close(fd) != 0 || rename(name.c_str(), path.c_str()) != 0) {
        unlink(name.c_str());
        return false;
    }
    return true;
}

bool CreateEmptyFile(const std::string& path) {
    if (path.empty()) return false;
    ForgetFolderNames(ParentPath(path));
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd >= 0) {
        close(fd);
        return true;
    }
    return errno == EEXIST && IsRegularFile(path);
}

bool RemoveFile(const std::string& path) {
    if (path.empty()) return false;
    ForgetFolderNames(ParentPath(path));
    struct stat st{};
    if (lstat(path.c_str(), &st) != 0) return errno == ENOENT;
    if (S_ISDIR(st.st_mode)) return false;
    return unlink(path.c_str()) == 0 || errno == ENOENT;
}

bool MakeFolder(const std::string& path) {
    ForgetFolderNames(ParentPath(path));
    if (mkdir(path.c_str(), 0755) == 0) return true;
    return IsDirectory(path);
}

bool MakeFolders(const std::string& path) {
    if (path.empty() || IsDirectory(path)) return !path.empty();
    std::string parent = ParentPath(path);
    if (!parent.empty() && parent != path && !MakeFolders(parent)) return false;
    return MakeFolder(path);
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
    std::string folder = ParentPath(path);
    std::string name = FileNameOf(path);
    // A slow share read a moment ago answers without a request.
    if (!folder.empty() && !name.empty()) {
        if (auto recent = RecentNameIgnoringCase(folder, name))
            return recent->empty() || *recent == name ? path : JoinPath(folder, *recent);
    }
    struct stat st{};
    if (lstat(path.c_str(), &st) == 0) return path;
    if (folder.empty() || name.empty()) return path;
    // A large folder the Navigator listed lately need not be read again.
    if (auto remembered = RememberedNameIgnoringCase(folder, name))
        return remembered->empty() ? path : JoinPath(folder, *remembered);
    DIR* dir = opendir(folder.c_str());
    if (!dir) return path;
    const auto stamp = StampOfFolder(dirfd(dir));
    std::optional<FolderNamesRecord> record;
    if (stamp) record.emplace(folder, *stamp);
    std::string found;
    std::size_t entries = 0;
    while (dirent* e = readdir(dir)) {
        // Directory order is arbitrary: of several matches take the smallest
        // name, so the same file is chosen every time.
        if (EqualsAsciiNoCase(e->d_name, name) && (found.empty() || std::strcmp(e->d_name, found.c_str()) < 0))
            found = e->d_name;
        if (record) record->add(e->d_name, e->d_type == DT_REG   ? EntryKind::Regular
                                           : e->d_type == DT_DIR ? EntryKind::Folder
                                                                 : EntryKind::Unknown);
        ++entries;
    }
    closedir(dir);
    // Worth remembering when reading it again would cost.
    if (record && entries > 256) record->keep();
    return found.empty() ? path : JoinPath(folder, found);
}

}  // namespace vellumo
