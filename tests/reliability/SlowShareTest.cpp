// A share that answers slowly, or not at all, while the viewer lists it: the
// FUSE disc with a delay per request, as a NAS over Wi-Fi (2 ms a stat, 50 ms
// a listing call, 5 ms a read). Folders are read on the Navigator's worker:
// the window answers at once, and a share that stops answering holds only
// the work that was waiting for it. Runs where FUSE mounts are allowed.
#include <sys/stat.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "PullableDisc.h"
#include "ReliabilityRig.h"

namespace vellumo {
namespace {

using namespace testing;
using Clock = std::chrono::steady_clock;

constexpr int kEscapeKey = 0x1B;

// The disc mounted on the folder "Disc" of the temporary tree, answering
// like the share above; empty, with the reason, where mounting is not allowed.
std::string MountSlow(PullableDisc& disc, const TempFolder& t, std::string* why) {
    const std::string root = t.TempTree::path("Disc");
    mkdir(root.c_str(), 0755);
    if (!disc.mount(root, why)) return {};
    disc.setDelays(std::chrono::milliseconds(2), std::chrono::milliseconds(50), std::chrono::milliseconds(5));
    return root;
}

void AddPhotos(PullableDisc& disc, const std::string& folder, int n) {
    for (int i = 1; i <= n; ++i) disc.addFile(folder + "/p" + std::to_string(1000 + i) + ".bmp", Bmp(16, 12, i % 250, 0, 0));
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The viewer with the program's listing on a worker, started in a folder.
std::unique_ptr<MediaViewer> ViewerIn(const TempFolder& t, const std::string& folder) {
    return std::make_unique<MediaViewer>(t, std::vector<std::string>{folder},
                                         [](testing::Viewer& v) { v.app->listFoldersOnWorker = true; });
}

// Waits until the share's root is listed with its Trip folder, then shows
// the Navigator; false when the listing never came.
bool ShownWithTrip(MediaViewer& v) {
    if (!v.pumpUntil([&] { return !v.nav().archive().listingPending() && v.rowOf("Trip") >= 0; })) return false;
    v.nav().setShown(true);
    return true;
}

// Enters a folder row of the Navigator as the user does: selected, Enter.
void Enter(MediaViewer& v, const std::string& row) {
    v.nav().list().setSelectionFromUser(v.rowOf(row));
    v.nav().listKeyDown(0x0D);
    v.queue.runPending();
}

// The temporary tree with the viewer's settings, and the disc to fill and
// mount (MountSlow) in each test.
class SlowShare : public ::testing::Test {
protected:
    SlowShare() { t.write("vellumo.ini", MediaSettings()); }
    TempFolder t;
    PullableDisc disc;
    std::string why;
};

TEST_F(SlowShare, EscapeRightAfterEnteringAFolderOfThousandsActsAtOnce) {
    AddPhotos(disc, "Trip", 1500);
    const std::string root = MountSlow(disc, t, &why);
    if (root.empty()) GTEST_SKIP() << why;
    auto v = ViewerIn(t, root);
    ASSERT_TRUE(ShownWithTrip(*v));

    const Clock::time_point start = Clock::now();
    Enter(*v, "Trip");
    v->press(kEscapeKey);
    // Answered while the folder is still being read (the key's 100 ms of
    // burst merging are the fake clock's, not waited for).
    EXPECT_LT(MsSince(start), 200.0);
    EXPECT_FALSE(v->nav().isShown());
    EXPECT_TRUE(v->nav().archive().listingPending());
    EXPECT_EQ(v->nav().archive().currentFolder(), root + "/Trip");

    v->press(kEscapeKey);
    EXPECT_TRUE(v->nav().isShown());
    ASSERT_TRUE(v->pumpUntil([&] { return !v->nav().archive().listingPending(); }, 60000));
    EXPECT_EQ(v->nav().list().count(), 1501);
    EXPECT_EQ(v->nav().list().at(1).text, "p1001");
    EXPECT_TRUE(v->desktop.messages.empty());
}

TEST_F(SlowShare, AShareThatStopsAnsweringLeavesTheWindowAnswering) {
    AddPhotos(disc, "Trip", 20);
    AddPhotos(disc, "Other", 3);
    const std::string root = MountSlow(disc, t, &why);
    if (root.empty()) GTEST_SKIP() << why;
    auto v = ViewerIn(t, root);
    ASSERT_TRUE(ShownWithTrip(*v));

    disc.stopAnswering();
    const Clock::time_point start = Clock::now();
    Enter(*v, "Trip");
    v->press(kEscapeKey);
    EXPECT_FALSE(v->nav().isShown());
    v->press(kEscapeKey);
    EXPECT_TRUE(v->nav().isShown());
    v->press(kNextPhotoKey);  // waits for the rows that do not come
    // Going up lists the share's root, which does not answer either; the
    // ancestors menu then leads to the drive list, which needs no share.
    v->nav().listKeyDown(0x08);
    v->queue.runPending();
    EXPECT_EQ(v->nav().archive().currentFolder(), root);
    EXPECT_TRUE(v->nav().archive().listingPending());
    v->nav().archive().ancestorsMenu();
    v->nav().onCommand(CmdAncestorFirst, 0);
    v->queue.runPending();
    EXPECT_LT(MsSince(start), 1000.0);
    EXPECT_TRUE(v->nav().archive().isDriveList());
    EXPECT_FALSE(v->nav().archive().listingPending());
    EXPECT_GE(v->rowOf("[" + root + "]"), 0);
    EXPECT_NE(v->host.cursor.id, 2003);  // no busy cursor left behind

    // Answering again, the abandoned listings come to nothing.
    disc.answerAgain();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    v->queue.runPending();
    EXPECT_TRUE(v->nav().archive().isDriveList());
    EXPECT_TRUE(v->desktop.messages.empty());
}

// A photo of a folder the Navigator has just read from the share is known
// to be there: showing it asks the share nothing on the window's thread
// (a look there may wait behind a walk's listing calls), and a share that
// stops answering holds only the photo's decode.
TEST_F(SlowShare, APhotoOfAFolderJustListedIsShownWithoutALookAtTheShare) {
    AddPhotos(disc, "Trip", 3);
    const std::string root = MountSlow(disc, t, &why);
    if (root.empty()) GTEST_SKIP() << why;
    auto v = ViewerIn(t, root + "/Trip");
    ASSERT_TRUE(v->pumpUntil([&] { return !v->nav().archive().listingPending() && v->rowOf("p1002") >= 0; }));
    v->nav().setShown(true);

    disc.stopAnswering();
    // Should the window look at the share after all, it is not left hanging.
    std::atomic<bool> shown{false};
    std::thread rescue([&] {
        for (int i = 0; i < 300 && !shown; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
        disc.answerAgain();
    });
    const Clock::time_point start = Clock::now();
    v->nav().archive().selectAndShow(v->rowOf("p1002"));
    v->queue.runPending();
    shown = true;
    EXPECT_LT(MsSince(start), 500.0);
    EXPECT_EQ(v->viewer().display().photoPath(), root + "/Trip/p1002.bmp");
    rescue.join();
    EXPECT_TRUE(v->pumpUntil([&] { return !v->viewer().prefetcher().decodingShown(); }));
    EXPECT_FALSE(v->viewer().noPhoto());
    EXPECT_TRUE(v->desktop.messages.empty());
}

// The walk of a total show waits for a share that stopped answering; ending
// the show does not wait for the walk.
TEST_F(SlowShare, EndingATotalShowNeverWaitsForItsWalk) {
    for (int f = 0; f < 30; ++f) AddPhotos(disc, "Years/Y" + std::to_string(2000 + f), 2);
    const std::string root = MountSlow(disc, t, &why);
    if (root.empty()) GTEST_SKIP() << why;
    auto v = ViewerIn(t, root + "/Years");
    ASSERT_TRUE(v->pumpUntil([&] { return !v->nav().archive().listingPending(); }));
    v->press(kTotalShowKey);
    ASSERT_TRUE(v->shows().totalRunning());
    // The first photo on screen (read before the share stops answering).
    ASSERT_TRUE(v->pumpUntil([&] { return !v->viewer().display().photoPath().empty(); }));
    disc.stopAnswering();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the walk is now waiting
    const Clock::time_point start = Clock::now();
    v->press(kTotalShowKey);
    EXPECT_LT(MsSince(start), 500.0);
    EXPECT_FALSE(v->shows().totalRunning());
    EXPECT_TRUE(v->shows().totalList().empty());
    disc.answerAgain();
}

}  // namespace
}  // namespace vellumo
