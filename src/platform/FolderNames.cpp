#include "platform/FolderNames.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>
#include <list>
#include <mutex>
#include <unordered_map>

#include "platform/TextCompare.h"

namespace vellumo {

namespace {

// Folders remembered at once: the one listed and the one left.
constexpr std::size_t kFolders = 4;

// Extensions of derived files: settings, comments, sound comments, thumbnail
// caches, descript.ion.
bool DerivedExtension(std::string_view name) {
    // Most names (photos) are turned away by their last letter, before the
    // dot is looked for.
    if (name.empty()) return false;
    const char last = static_cast<char>(name.back() | 0x20);
    if (last != 'i' && last != 't' && last != 'v' && last != 'e' && last != 'n') return false;
    const auto dot = name.rfind('.');
    if (dot == std::string_view::npos) return false;
    const std::string_view ext = name.substr(dot + 1);
    if (ext.size() < 3 || ext.size() > 5) return false;
    const char first = static_cast<char>(ext[0] | 0x20);
    if (first != 'i' && first != 't' && first != 'w' && first != 'c') return false;
    for (std::string_view known : {"ini", "txt", "wav", "cache", "ion"})
        if (EqualsAsciiNoCase(ext, known)) return true;
    return false;
}

// A slow folder is trusted without a look this long after it was read.
constexpr long long kTrustSlowFolderMs = 5000;
// Other files kept of one folder (addFile), at most: a folder of more
// answers for the rest with a request, as any folder.
constexpr std::size_t kMostFiles = 10000;

struct Remembered {
    std::string folder;
    FolderStamp stamp;
    // Lower-cased name -> the smallest entry of that name.
    std::unordered_map<std::string, std::string> names;
    // Every entry by its own name; other files only as given to addFile.
    std::unordered_map<std::string, EntryKind> kinds;
    std::size_t otherFiles = 0;
    // Trusted without a look until then (steady clock, ms); 0: never.
    long long trustedUntilMs = 0;
};

// Never destroyed: a worker that is never waited for (a decode ahead on a
// share that stops answering) may still look here while the process exits.
std::mutex& gMutex = *new std::mutex;
std::list<Remembered>& gFolders = *new std::list<Remembered>;  // most recent first

std::optional<FolderStamp> StampOfPath(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    auto stamp = StampOfFolder(fd);
    close(fd);
    return stamp;
}

long long SteadyMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// The trusted record of a folder; the caller holds the lock.
const Remembered* Trusted(const std::string& folder) {
    const long long now = SteadyMs();
    for (const auto& r : gFolders)
        if (r.folder == folder) return r.trustedUntilMs > now ? &r : nullptr;
    return nullptr;
}

// A change within the same tick of the file system's clock leaves the time
// as it was: a folder changed that lately is not remembered. Whole seconds
// are a file system that keeps no finer time.
bool SettledLongEnough(const FolderStamp& stamp) {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    const long long ageMs = (static_cast<long long>(now.tv_sec) - stamp.seconds) * 1000 +
                            (static_cast<long long>(now.tv_nsec) - stamp.nanoseconds) / 1000000;
    return ageMs > (stamp.nanoseconds == 0 ? 2000 : 50);
}

}  // namespace

std::optional<FolderStamp> StampOfFolder(int fd) {
    struct stat st{};
    if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    return FolderStamp{static_cast<unsigned long long>(st.st_dev), static_cast<unsigned long long>(st.st_ino),
                       static_cast<long long>(st.st_mtim.tv_sec), static_cast<long long>(st.st_mtim.tv_nsec)};
}

struct FolderNamesRecord::Names : Remembered {};

FolderNamesRecord::FolderNamesRecord(std::string folder, const FolderStamp& stamp) : names_(new Names) {
    names_->folder = std::move(folder);
    names_->stamp = stamp;
}

FolderNamesRecord::~FolderNamesRecord() { delete names_; }

void FolderNamesRecord::add(std::string_view name, EntryKind kind) {
    if (!DerivedExtension(name)) return;
    auto [it, added] = names_->names.emplace(ToLowerAscii(name), std::string(name));
    if (!added && name < it->second) it->second = std::string(name);
    names_->kinds.emplace(std::string(name), kind);
}

void FolderNamesRecord::addFile(std::string_view name) {
    if (DerivedExtension(name) || names_->otherFiles >= kMostFiles) return;
    if (names_->kinds.emplace(std::string(name), EntryKind::Regular).second) ++names_->otherFiles;
}

void FolderNamesRecord::keep(bool slowFolder) {
    if (names_->folder.empty() || !SettledLongEnough(names_->stamp)) return;
    if (slowFolder) names_->trustedUntilMs = SteadyMs() + kTrustSlowFolderMs;
    std::lock_guard lock(gMutex);
    for (auto it = gFolders.begin(); it != gFolders.end(); ++it) {
        if (it->folder == names_->folder) {
            gFolders.erase(it);
            break;
        }
    }
    gFolders.push_front(std::move(*names_));
    if (gFolders.size() > kFolders) gFolders.pop_back();
}

std::optional<std::string> RememberedNameIgnoringCase(const std::string& folder, const std::string& name) {
    if (!DerivedExtension(name)) return std::nullopt;
    {
        std::lock_guard lock(gMutex);
        bool known = false;
        for (const auto& r : gFolders) known = known || r.folder == folder;
        if (!known) return std::nullopt;
    }
    const auto stamp = StampOfPath(folder);
    if (!stamp) return std::nullopt;
    std::lock_guard lock(gMutex);
    for (auto it = gFolders.begin(); it != gFolders.end(); ++it) {
        if (it->folder != folder) continue;
        if (!(it->stamp == *stamp)) {
            gFolders.erase(it);
            return std::nullopt;
        }
        auto found = it->names.find(ToLowerAscii(name));
        return found == it->names.end() ? std::string() : found->second;
    }
    return std::nullopt;
}

std::optional<std::string> RecentNameIgnoringCase(const std::string& folder, const std::string& name) {
    if (!DerivedExtension(name)) return std::nullopt;
    std::lock_guard lock(gMutex);
    const Remembered* r = Trusted(folder);
    if (!r) return std::nullopt;
    if (r->kinds.count(name)) return name;
    auto found = r->names.find(ToLowerAscii(name));
    return found == r->names.end() ? std::string() : found->second;
}

namespace {

// The kind of a path's entry in a trusted record: nothing when not known
// so, Unknown... as listed; absent entries give Special with *absent set.
// Only names of derived files are known to be absent.
std::optional<EntryKind> RecentKind(const std::string& path, bool* absent) {
    *absent = false;
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash + 1 >= path.size()) return std::nullopt;
    std::lock_guard lock(gMutex);
    // Asked for every photo shown: nothing remembered costs no copies.
    if (gFolders.empty()) return std::nullopt;
    const std::string name = path.substr(slash + 1);
    const bool derived = DerivedExtension(name);
    const Remembered* r = Trusted(slash == 0 ? std::string("/") : path.substr(0, slash));
    if (!r) return std::nullopt;
    auto it = r->kinds.find(name);
    if (it != r->kinds.end()) return it->second;
    if (!derived) return std::nullopt;
    *absent = true;
    return EntryKind::Special;
}

}  // namespace

std::optional<bool> RecentlyARegularFile(const std::string& path) {
    bool absent = false;
    const auto kind = RecentKind(path, &absent);
    if (!kind || *kind == EntryKind::Unknown) return std::nullopt;
    return *kind == EntryKind::Regular;
}

bool RecentlyAbsent(const std::string& path) {
    bool absent = false;
    RecentKind(path, &absent);
    return absent;
}

std::optional<bool> RecentlyExists(const std::string& path) {
    bool absent = false;
    const auto kind = RecentKind(path, &absent);
    if (absent) return false;
    if (kind == EntryKind::Regular) return true;
    return std::nullopt;
}

void ForgetFolderNames(const std::string& folder) {
    std::lock_guard lock(gMutex);
    for (auto it = gFolders.begin(); it != gFolders.end(); ++it) {
        if (it->folder == folder) {
            gFolders.erase(it);
            return;
        }
    }
}

void ForgetFolderNames() {
    std::lock_guard lock(gMutex);
    gFolders.clear();
}

}  // namespace vellumo
