#include "archive/ArchiveWalker.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "archive/ArchiveItem.h"
#include "platform/Paths.h"
#include "platform/TextCompare.h"
#include "platform/ThreadPriority.h"

namespace vellumo {

struct VisitedFolders {
    std::set<std::pair<dev_t, ino_t>> seen;
};

namespace {

bool IsAscii(const std::string& s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

// For pure ASCII names the same order as CompareNoCase, without decoding.
int CompareAsciiNoCase(const std::string& a, const std::string& b) {
    size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        unsigned char ca = static_cast<unsigned char>(a[i]), cb = static_cast<unsigned char>(b[i]);
        if (ca >= 'A' && ca <= 'Z') ca += 32;
        if (cb >= 'A' && cb <= 'Z') cb += 32;
        if (ca != cb) return ca < cb ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : a.size() < b.size() ? -1 : 1;
}

// Sorted ignoring case; names equal ignoring case keep a fixed order by bytes.
void SortNames(std::vector<std::string>& names) {
    if (std::all_of(names.begin(), names.end(), IsAscii)) {
        std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
            int c = CompareAsciiNoCase(a, b);
            return c != 0 ? c < 0 : a < b;
        });
        return;
    }
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        int c = CompareNoCase(a, b);
        return c != 0 ? c < 0 : a < b;
    });
}

}  // namespace

bool IsOnPseudoFileSystem(int fd) {
    struct statfs fs;
    if (fstatfs(fd, &fs) != 0) return false;
    switch (static_cast<unsigned long>(fs.f_type)) {
        case 0x9fa0UL:      // proc
        case 0x62656572UL:  // sysfs
        case 0x1cd1UL:      // devpts
        case 0x27e0ebUL:    // cgroup
        case 0x63677270UL:  // cgroup2
        case 0x64626720UL:  // debugfs
        case 0x74726163UL:  // tracefs
        case 0x73636673UL:  // securityfs
        case 0x6165676cUL:  // pstore
        case 0xcafe4a11UL:  // bpf
        case 0x62656570UL:  // configfs
        case 0x65735543UL:  // fusectl
        case 0x42494e4dUL:  // binfmt_misc
        case 0xde5e81e4UL:  // efivarfs
        case 0x6e736673UL:  // nsfs
        case 0x19800202UL:  // mqueue
        case 0x958458f6UL:  // hugetlbfs
        case 0xf97cff8cUL:  // selinuxfs
        case 0x0187UL:      // autofs
            return true;
        default:
            return false;
    }
}

// One walk. Everything it hands out (entries, posts) passes the gate, which
// stop() closes; what it reads of its walker was copied in when it began.
struct ArchiveWalker::Run {
    Run(EventQueue& q, CommandTarget* t, TotalList& l, std::function<std::vector<Drive>()> d)
        : queue(q), target(t), list(l), listDrives(std::move(d)) {}
    EventQueue& queue;
    CommandTarget* target;
    TotalList& list;
    std::function<std::vector<Drive>()> listDrives;
    std::mutex gate;
    bool gateOpen = true;
    std::atomic<bool> run{true};
    std::atomic<bool> busy{true};

    bool walkRoots(const std::string& root);
    bool walkTree(const std::string& root, VisitedFolders& visited);
    // Appends a folder's photos; false when the run was closed.
    bool hand(std::vector<std::string> photos) {
        std::lock_guard lock(gate);
        if (!gateOpen) return false;
        if (list.append(std::move(photos)) == 0) queue.post(target, CmdTotalFirst);
        return true;
    }
    void closeGate() {
        {
            std::lock_guard lock(gate);
            gateOpen = false;
        }
        run = false;
        busy = false;
    }
};

ArchiveWalker::ArchiveWalker(EventQueue& queue, CommandTarget* target, TotalList& list,
                             std::function<std::vector<Drive>()> listDrives)
    : queue_(queue), target_(target), list_(list), listDrives_(std::move(listDrives)) {}

ArchiveWalker::~ArchiveWalker() { stop(); }

std::shared_ptr<ArchiveWalker::Run> ArchiveWalker::newRun() {
    stop();
    run_ = std::make_shared<Run>(queue_, target_, list_, listDrives_);
    return run_;
}

void ArchiveWalker::start(const std::string& root) {
    // The thread keeps its run alive; it is never joined.
    std::thread([run = newRun(), root] {
        LowerThisThreadPriority();
        run->walkRoots(root);
        run->busy = false;
    }).detach();
}

void ArchiveWalker::stop() {
    if (run_) run_->closeGate();
    run_.reset();
}

bool ArchiveWalker::running() const { return run_ && run_->busy; }

bool ArchiveWalker::walk(const std::string& root) {
    std::shared_ptr<Run> run = newRun();
    const bool completed = run->walkRoots(root);
    run->busy = false;
    return completed;
}

bool ArchiveWalker::Run::walkRoots(const std::string& root) {
    VisitedFolders visited;
    bool completed = true;
    if (root.empty()) {
        std::vector<Drive> drives;
        {
            std::lock_guard lock(gate);
            if (!gateOpen) return false;
            drives = listDrives ? listDrives() : ListDrives();
        }
        for (const auto& d : drives) {
            if (!walkTree(d.path, visited)) {
                completed = false;
                break;
            }
        }
    } else {
        completed = walkTree(root, visited);
    }
    std::lock_guard lock(gate);
    if (!completed || !gateOpen) return false;
    queue.post(target, CmdTotalWalkDone);
    return true;
}

bool ArchiveWalker::Run::walkTree(const std::string& root, VisitedFolders& visited) {
    if (!run) return false;
    // The root may itself be reached through a link; nothing below it is.
    int rootFd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK);
    if (rootFd < 0) return true;
    struct stat rootStat;
    bool usable = fstat(rootFd, &rootStat) == 0 && !IsOnPseudoFileSystem(rootFd);
    close(rootFd);
    if (!usable) return true;
    const dev_t device = rootStat.st_dev;

    // Depth first, pre-order: a stack of folders still to walk, the next on top.
    std::vector<std::string> pending{root};
    bool isRoot = true;
    while (!pending.empty()) {
        if (!run) return false;
        std::string folder = std::move(pending.back());
        pending.pop_back();

        int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | (isRoot ? 0 : O_NOFOLLOW);
        isRoot = false;
        int fd = open(folder.c_str(), flags);
        if (fd < 0) continue;  // gone, unreadable, or a link
        struct stat st;
        if (fstat(fd, &st) != 0 || st.st_dev != device || !visited.seen.insert({st.st_dev, st.st_ino}).second) {
            close(fd);
            continue;
        }
        DIR* dir = fdopendir(fd);
        if (!dir) {
            close(fd);
            continue;
        }
        std::vector<std::string> photos;
        std::vector<std::string> subfolders;
        bool stopped = false;
        while (true) {
            if (!run) {
                stopped = true;
                break;
            }
            dirent* e = readdir(dir);
            if (!e) break;
            const char* name = e->d_name;
            if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
            unsigned char type = e->d_type;
            if (type == DT_UNKNOWN) {
                struct stat es;
                if (fstatat(fd, name, &es, AT_SYMLINK_NOFOLLOW) != 0) continue;
                type = S_ISDIR(es.st_mode) ? DT_DIR : S_ISLNK(es.st_mode) ? DT_LNK : DT_REG;
            }
            if (type == DT_DIR) {
                if (name[0] != '.') subfolders.emplace_back(name);
                continue;
            }
            if (!IsPhotoName(name)) continue;
            if (type == DT_LNK) {
                // A link to a photo file counts; links to folders are never followed.
                struct stat ls;
                if (fstatat(fd, name, &ls, 0) != 0 || S_ISDIR(ls.st_mode)) continue;
            }
            photos.emplace_back(name);
        }
        closedir(dir);
        if (stopped) return false;

        if (!photos.empty()) {
            SortNames(photos);
            for (auto& p : photos) p = JoinPath(folder, p);
            if (!run || !hand(std::move(photos))) return false;
        }
        SortNames(subfolders);
        for (auto it = subfolders.rbegin(); it != subfolders.rend(); ++it) pending.push_back(JoinPath(folder, *it));
    }
    return true;
}

}  // namespace vellumo
