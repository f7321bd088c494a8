// Archive benchmarks: listing a folder of 10,000 photos in the Navigator model
// against `ls -l` on it, the worker's listing of 100,000 photos, and walking a tree of 100,000 photos in 1,000 folders
// against `find DIR -type f`, with the time until the first photo is posted.
// Prints figures; never fails on time.
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "archive/ArchiveNavigator.h"
#include "archive/FolderListing.h"
#include "archive/ArchiveWalker.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// Records when commands arrive; delivers nothing.
class TimingQueue : public vellumo::EventQueue {
public:
    void post(vellumo::CommandTarget*, int command, std::intptr_t) override {
        if (command == vellumo::CmdTotalFirst && !firstSeen.exchange(true)) firstAt = Clock::now();
    }
    void setTimer(vellumo::CommandTarget*, int, int) override {}
    void killTimer(vellumo::CommandTarget*, int) override {}
    void forget(vellumo::CommandTarget*) override {}
    std::uint64_t tickCount() const override { return 0; }
    std::atomic<bool> firstSeen{false};
    Clock::time_point firstAt;
};

struct NoTarget : vellumo::CommandTarget {
    void onCommand(int, std::intptr_t) override {}
    void onTimer(int) override {}
};

void Touch(const std::string& path) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) close(fd);
}

// Runs a command with its output going to /dev/null; returns milliseconds.
double TimeCommand(std::vector<std::string> argv) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    std::vector<char*> args;
    for (auto& a : argv) args.push_back(a.data());
    args.push_back(nullptr);
    auto start = Clock::now();
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    return Ms(Clock::now() - start);
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

void BenchListing(const std::string& base) {
    std::string dir = base + "/listing";
    std::filesystem::create_directories(dir);
    for (int i = 0; i < 10000; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/IMG_%05d.%s", i, i % 3 == 0 ? "JPG" : i % 3 == 1 ? "jpg" : "tif");
        Touch(dir + name);
        if (i % 50 == 0) Touch(dir + "/IMG_" + std::to_string(i) + ".txt");
    }
    for (int i = 0; i < 20; ++i) std::filesystem::create_directories(dir + "/folder " + std::to_string(i) + "/x");

    TimingQueue queue;
    NoTarget target;
    vellumo::NavigatorList list;
    vellumo::ArchiveHooks hooks;
    hooks.listDrives = [] { return std::vector<vellumo::Drive>{{"/", vellumo::DriveType::Fixed, ""}}; };
    vellumo::ArchiveNavigator nav(list, queue, &target, hooks);
    nav.goToPath(dir);  // warm the caches once

    std::vector<double> model, ls;
    for (int run = 0; run < 8; ++run) {
        auto start = Clock::now();
        nav.listCurrentFolder();
        model.push_back(Ms(Clock::now() - start));
        ls.push_back(TimeCommand({"ls", "-l", dir}));
    }
    // The first round warms the caches for both and is not counted.
    model.erase(model.begin());
    ls.erase(ls.begin());
    std::printf("listing a folder of 10,000 photos (%d rows): %.1f ms (median of 7; target <= 200 ms)\n", list.count(),
                Median(model));
    std::printf("  ls -l on the same folder:                   %.1f ms (median of 7)\n", Median(ls));
    std::printf("  ratio model / ls -l: %.2f\n", Median(model) / std::max(0.001, Median(ls)));
}

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The Navigator's worker on a folder of 100,000 photos: CPU time of the
// thread (kernel included) until the first screenful in its order, and until
// the complete rows.
void BenchLargeListing(const std::string& base) {
    std::string dir = base + "/large";
    std::filesystem::create_directories(dir + "/Sub");
    for (int i = 1; i <= 100000; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/IMG_%06d.jpg", i);
        Touch(dir + name);
    }
    vellumo::FolderListingRequest request;
    request.path = dir;
    request.places.drives = {{"/", vellumo::DriveType::Fixed, ""}};
    std::vector<double> head, whole, bare;
    for (int run = 0; run < 8; ++run) {
        // What the system alone costs: the same folder's entries read and
        // dropped, as ls -f would.
        const double bareStart = ThreadCpuMs();
        if (DIR* d = opendir(dir.c_str())) {
            while (readdir(d) != nullptr) {
            }
            closedir(d);
        }
        if (run > 0) bare.push_back(ThreadCpuMs() - bareStart);
        std::atomic<bool> stop{false};
        double started = ThreadCpuMs(), headAt = -1, wholeAt = -1;
        vellumo::ListFolder(request, vellumo::ListingPace{}, stop, [&](vellumo::ListingDelivery d) {
            if (d.kind == vellumo::ListingDelivery::Kind::Head) headAt = ThreadCpuMs() - started;
            if (d.kind == vellumo::ListingDelivery::Kind::Complete) wholeAt = ThreadCpuMs() - started;
        });
        if (run == 0) continue;  // warms the caches
        head.push_back(headAt);
        whole.push_back(wholeAt);
    }
    std::printf("listing a folder of 100,000 photos on the worker, CPU: first screenful %.1f ms, all rows %.1f ms "
                "(medians of 7)\n",
                Median(head), Median(whole));
    std::printf("  its entries alone read and dropped (readdir), CPU: %.1f ms (median of 7)\n", Median(bare));
}

void BenchWalk(const std::string& base) {
    std::string root = base + "/walk";
    for (int a = 0; a < 10; ++a) {
        for (int b = 0; b < 100; ++b) {
            char folder[128];
            std::snprintf(folder, sizeof folder, "%s/Year %02d/Event %03d", root.c_str(), a, b);
            std::filesystem::create_directories(folder);
            for (int i = 0; i < 100; ++i) {
                char name[64];
                std::snprintf(name, sizeof name, "/DSC%04d.jpg", i);
                Touch(folder + std::string(name));
            }
        }
    }
    std::vector<double> walk, first, find;
    size_t count = 0;
    // The first round warms the caches for both and is not counted.
    for (int run = 0; run < 6; ++run) {
        find.push_back(TimeCommand({"find", root, "-type", "f"}));
        TimingQueue queue;
        NoTarget target;
        vellumo::TotalList total;
        vellumo::ArchiveWalker walker(queue, &target, total);
        auto start = Clock::now();
        walker.start(root);
        while (walker.running()) std::this_thread::sleep_for(std::chrono::microseconds(200));
        walk.push_back(Ms(Clock::now() - start));
        first.push_back(queue.firstSeen ? Ms(queue.firstAt - start) : -1);
        count = total.size();
        if (run == 0) {
            walk.clear();
            first.clear();
            find.clear();
        }
    }
    std::printf("walking 100,000 photos in 1,000 folders (%zu listed): %.1f ms (median of 5)\n", count, Median(walk));
    std::printf("  find DIR -type f on the same tree:               %.1f ms (median of 5)\n", Median(find));
    std::printf("  ratio walk / find: %.2f (target <= 2)\n", Median(walk) / std::max(0.001, Median(find)));
    std::printf("  first photo posted after: %.2f ms (target <= 50 ms)\n", Median(first));
}

}  // namespace

int main() {
    std::string templ = (std::filesystem::temp_directory_path() / "vellumo-bench-XXXXXX").string();
    if (!mkdtemp(templ.data())) return 1;
    BenchListing(templ);
    BenchLargeListing(templ);
    BenchWalk(templ);
    std::error_code ec;
    std::filesystem::remove_all(templ, ec);
    return 0;
}
