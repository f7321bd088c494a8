#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "fakes/TempTree.h"
#include "archive/ArchiveItem.h"
#include "archive/ArchiveWalker.h"
#include "fakes/FakeEventQueue.h"

namespace vellumo {
namespace {

using testing::TempTree;

struct Recorder : CommandTarget {
    std::vector<int> commands;
    void onCommand(int command, std::intptr_t) override { commands.push_back(command); }
    void onTimer(int) override {}
};

struct WalkHarness {
    TempTree tree;
    FakeEventQueue queue;
    Recorder target;
    TotalList total;
    std::vector<Drive> drives;
    ArchiveWalker walker{queue, &target, total, [this] { return drives; }};

    std::vector<std::string> relative() const {
        std::vector<std::string> out;
        for (auto& p : total.snapshot()) out.push_back(p.substr(tree.root().size() + 1));
        return out;
    }
};

TEST(ArchiveWalk, DepthFirstPhotosBeforeSubfoldersSortedIgnoringCase) {
    WalkHarness h;
    h.tree.file("A/b.jpg");
    h.tree.file("A/A.tif");
    h.tree.file("A/notes.txt");
    h.tree.file("A/Z/z1.bmp");
    h.tree.file("A/y/y1.pcx");
    h.tree.file("A/y/deeper/d.eps");
    h.tree.file("A/.hidden/h.jpg");
    h.tree.file("A/y/.x.jpg");  // a photo file whose name begins with a dot is still a photo
    EXPECT_TRUE(h.walker.walk(h.tree.path("A")));
    EXPECT_EQ(h.relative(), (std::vector<std::string>{"A/A.tif", "A/b.jpg", "A/y/.x.jpg", "A/y/y1.pcx",
                                                       "A/y/deeper/d.eps", "A/Z/z1.bmp"}));
    h.queue.runPending();
    EXPECT_EQ(h.target.commands, (std::vector<int>{CmdTotalFirst, CmdTotalWalkDone}));
}

TEST(ArchiveWalk, LinksAreNotFollowedAndLoopsEnd) {
    WalkHarness h;
    h.tree.file("root/a.jpg");
    h.tree.file("root/sub/b.jpg");
    h.tree.file("outside/o.jpg");
    h.tree.link(h.tree.path("root"), "root/sub/back");       // a loop back to the top
    h.tree.link(h.tree.path("outside"), "root/elsewhere");   // a link to a folder elsewhere
    h.tree.link(h.tree.path("root/sub/loop2"), "root/sub/loop1");
    h.tree.link(h.tree.path("root/sub/loop1"), "root/sub/loop2");
    h.tree.link(h.tree.path("outside/o.jpg"), "root/linked.jpg");  // a link to a photo file
    h.tree.link(h.tree.path("missing.jpg"), "root/dangling.jpg");
    EXPECT_TRUE(h.walker.walk(h.tree.path("root")));
    EXPECT_EQ(h.relative(), (std::vector<std::string>{"root/a.jpg", "root/linked.jpg", "root/sub/b.jpg"}));
}

TEST(ArchiveWalk, AllDrivesListEachPhotoOnce) {
    WalkHarness h;
    h.tree.file("d1/p.jpg");
    h.tree.file("d1/inner/q.jpg");
    h.tree.file("d2/r.jpg");
    // The second drive lies inside the first on the same file system.
    h.drives = {{h.tree.path("d1"), DriveType::Fixed, ""},
                {h.tree.path("d1/inner"), DriveType::Fixed, ""},
                {h.tree.path("missing"), DriveType::CdRom, ""},
                {h.tree.path("d2"), DriveType::Fixed, ""}};
    EXPECT_TRUE(h.walker.walk(""));
    EXPECT_EQ(h.relative(), (std::vector<std::string>{"d1/p.jpg", "d1/inner/q.jpg", "d2/r.jpg"}));
}

TEST(ArchiveWalk, PseudoFileSystemsAndEmptyTreesPostOnlyTheEnd) {
    WalkHarness h;
    h.tree.folder("empty/a/b");
    EXPECT_TRUE(h.walker.walk(h.tree.path("empty")));
    EXPECT_TRUE(h.walker.walk("/proc"));
    EXPECT_TRUE(h.walker.walk(h.tree.path("no such folder")));
    EXPECT_EQ(h.total.size(), 0u);
    h.queue.runPending();
    EXPECT_EQ(h.target.commands, (std::vector<int>{CmdTotalWalkDone, CmdTotalWalkDone, CmdTotalWalkDone}));
}

TEST(ArchiveWalk, ThreadAppendsWhileReadAndStopsPromptly) {
    WalkHarness h;
    for (int f = 0; f < 40; ++f)
        for (int i = 0; i < 50; ++i) h.tree.file("t/f" + std::to_string(f) + "/p" + std::to_string(i) + ".jpg", "");
    h.walker.start(h.tree.path("t"));
    size_t seen = 0;
    while (h.walker.running()) {
        seen = std::max(seen, h.total.size());  // reading while the walker appends
        std::this_thread::yield();
    }
    EXPECT_EQ(h.total.size(), 2000u);
    h.queue.runPending();
    EXPECT_EQ(h.target.commands, (std::vector<int>{CmdTotalFirst, CmdTotalWalkDone}));

    // Stopped at once: nothing is appended after stop() returns, and only a
    // walk that got to its end reports completion. (How far the walker got
    // before the stop depends on the scheduler, so that is not asserted.)
    h.target.commands.clear();
    h.total.clear();
    h.walker.start(h.tree.path("t"));
    auto begin = std::chrono::steady_clock::now();
    h.walker.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    EXPECT_FALSE(h.walker.running());
    size_t atStop = h.total.size();
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_EQ(h.total.size(), atStop);
    h.queue.runPending();
    bool completed = false;
    for (int c : h.target.commands) completed = completed || c == CmdTotalWalkDone;
    if (completed) {
        EXPECT_EQ(atStop, 2000u);
    }
}

}  // namespace
}  // namespace vellumo
