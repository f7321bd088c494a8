// A mounted disc pulled out while the viewer uses it: from then on every
// access fails with EIO (not "no such file"), reads included. The viewer
// behaves as for a tree that vanished: the Navigator goes up, shows and
// thumbnails end quietly, nothing hangs. Runs where FUSE mounts are allowed.
#include <sys/stat.h>

#include "PullableDisc.h"
#include "ReliabilityRig.h"

namespace vellumo {
namespace {

using namespace testing;

// The disc mounted on the folder "Disc" of the temporary tree; empty, with
// the reason, where this machine does not allow the mount.
std::string MountOn(PullableDisc& disc, const TempFolder& t, std::string* why) {
    const std::string root = t.TempTree::path("Disc");
    mkdir(root.c_str(), 0755);
    return disc.mount(root, why) ? root : std::string();
}

TEST(PulledDisc, WhileAPhotoIsShownTheNavigatorGoesUpAndNothingIsSaid) {
    TempFolder t;
    t.write("vellumo.ini", MediaSettings("Thumbnails=1\r\n"));
    PullableDisc disc;
    for (int i = 1; i <= 3; ++i) disc.addFile("Trip/Day/p" + std::to_string(i) + ".bmp", Bmp(64, 48, 60 * i, 0, 0));
    disc.addFile("Trip/Other/q.bmp", Bmp(64, 48, 0, 90, 0));
    std::string why;
    const std::string discRoot = MountOn(disc, t, &why);
    if (discRoot.empty()) GTEST_SKIP() << why;
    const std::string day = discRoot + "/Trip/Day";
    MediaViewer v(t, {day + "/p1.bmp"});
    ASSERT_TRUE(v.pumpUntil([&] { return v.thumbnailsDone(); }));
    v.queue.runPending();
    ASSERT_EQ(v.viewer().display().photoPath(), day + "/p1.bmp");
    EXPECT_GE(v.imageOf("p2"), 11);  // thumbnails made from the disc

    disc.pull();
    const std::uint64_t before = disc.requests();
    v.press(kNextPhotoKey);
    EXPECT_GT(disc.requests(), before);  // the step did go to the disc
    EXPECT_EQ(v.viewer().display().photoPath(), day + "/p1.bmp");
    EXPECT_TRUE(v.desktop.messages.empty());

    // Listing again goes up past every folder of the disc: the disc is a
    // drive of its own, so going up from its root ends at the drive list.
    v.nav().onCommand(kRefresh, 0);
    v.queue.advance(1000);
    EXPECT_EQ(v.nav().archive().currentFolder(), "");
    EXPECT_TRUE(v.desktop.messages.empty());
    EXPECT_NE(v.host.cursor.id, 2003);  // no busy cursor left behind
}

// Pulled while the walker of a total show lists its folders: the walk ends
// with what it found, the show tries those photos quietly and ends.
TEST(PulledDisc, WhileATotalShowWalksAndShowsItTheShowEndsQuietly) {
    TempFolder t;
    t.write("vellumo.ini", MediaSettings());
    PullableDisc disc;
    for (int f = 0; f < 60; ++f)
        for (int i = 1; i <= 2; ++i)
            disc.addFile("F" + std::to_string(100 + f) + "/p" + std::to_string(i) + ".bmp", Bmp(16, 12, 4 * f, 0, 0));
    std::string why;
    const std::string discRoot = MountOn(disc, t, &why);
    if (discRoot.empty()) GTEST_SKIP() << why;
    MediaViewer v(t, {discRoot});
    disc.pullAtListing(disc.listings() + 20);
    v.press(kTotalShowKey);
    ASSERT_TRUE(v.shows().totalRunning());
    ASSERT_TRUE(v.pumpUntil([&] { return !v.shows().totalCollecting(); })) << "the walk never ended";
    // Some folders were walked before the pull, not all of them.
    EXPECT_GT(v.shows().totalList().size(), 0u);
    EXPECT_LT(v.shows().totalList().size(), 120u);
    EXPECT_TRUE(v.runShowToItsEnd(130));
    EXPECT_TRUE(v.desktop.messages.empty());
    v.nav().onCommand(kRefresh, 0);
    v.queue.advance(1000);
    EXPECT_EQ(v.nav().archive().currentFolder(), "");  // the drive list
}

// Pulled in the middle of reading a photo while thumbnails are made: the
// photos read before have thumbnails, the rest get the failure frame, and no
// message is shown.
TEST(PulledDisc, WhileThumbnailsAreMadeEachIsMadeOrFailsQuietly) {
    TempFolder t;
    t.write("vellumo.ini", MediaSettings("Thumbnails=1\r\n"));
    PullableDisc disc;
    for (int i = 1; i <= 30; ++i) disc.addFile("Big/b" + std::to_string(100 + i) + ".bmp", Bmp(400, 300, 0, 0, 200));
    std::string why;
    const std::string discRoot = MountOn(disc, t, &why);
    if (discRoot.empty()) GTEST_SKIP() << why;
    disc.pullAtRead(12);  // the last of the fourth photo's three pieces
    MediaViewer v(t, {discRoot + "/Big"});
    ASSERT_TRUE(v.pumpUntil([&] { return v.thumbnailsDone(); }));
    v.queue.runPending();
    const auto [made, failed] = v.thumbnailOutcomes("b", 30);
    // Three photos were read whole (three pieces each) before the pull.
    EXPECT_EQ(made, 3);
    EXPECT_EQ(failed, 27);
    EXPECT_TRUE(v.desktop.messages.empty());
}

}  // namespace
}  // namespace vellumo
