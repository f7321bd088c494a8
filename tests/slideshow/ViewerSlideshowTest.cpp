// Slideshows and transition effects through the whole viewer on the fakes:
// keys, the effect of each photo change, messages and start-up.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "app/ViewerRig.h"

namespace vellumo {
namespace {

using testing::Bmp;
using testing::TempTree;

constexpr int kF12 = 0x7B;
constexpr int kF9 = 0x78;

// The viewer with the start-up run.
struct App : testing::Viewer {
    explicit App(const TempTree& tree, std::vector<std::string> args = {}) : Viewer(tree, std::move(args)) {
        queue.runPending();
    }
    Slideshows& shows() { return app->navigator()->slideshows(); }
};

// Whether the window was asked to repaint exactly this rectangle.
bool Invalidated(const FakeWindowHost& host, const Rect& r) {
    return std::find(host.invalidated.begin(), host.invalidated.end(), r) != host.invalidated.end();
}

void Photos(const TempTree& tree, const std::string& folder, int n) {
    for (int i = 1; i <= n; ++i) tree.file(folder + "/p" + std::to_string(i) + ".bmp", Bmp(64, 48, 40 * i, 0, 0));
}

TEST(ViewerEffects, AllEffectsWrittenOutAndOnlySlideshowChangesAnimated) {
    TempTree tree;
    // No comment: its rectangle would be invalidated with every photo.
    tree.file("vellumo.ini", "[Effects Settings]\r\nEffectsIncluded=_all_\r\nEffectsRandom=0\r\n"
                             "[Comment Settings]\r\nComment=0\r\n");
    Photos(tree, "Trip", 3);
    App a(tree, {tree.path("Trip")});
    EXPECT_NE(ReadWholeFile(tree.path("vellumo.ini"))
                  .value_or("")
                  .find("EffectsIncluded=11,12,13,14,21,22,23,24,37,38,45,46   ;(all; _all_; none; 11,12,13,14, ...)"),
              std::string::npos);
    EXPECT_EQ(a.app->effectList().numbers().size(), 12u);

    // Browsing: drawn at once.
    a.queue.post(&a.viewer(), 115);
    a.queue.advance(100);
    EXPECT_EQ(a.viewer().display().photoPath(), tree.path("Trip/p1.bmp"));
    EXPECT_FALSE(a.viewer().effectRunning());
    EXPECT_FALSE(Invalidated(a.host, {1013, 0, 1024, 768}));

    // In the small slideshow every change is animated, the effects in turn.
    a.press(kF12);
    EXPECT_TRUE(a.shows().smallRunning());
    a.queue.advance(3000);
    EXPECT_EQ(a.viewer().display().photoPath(), tree.path("Trip/p2.bmp"));
    EXPECT_TRUE(a.viewer().effectRunning());
    EXPECT_TRUE(Invalidated(a.host, {1013, 0, 1024, 768}));  // 12, the second entry, first
    EXPECT_FALSE(Invalidated(a.host, {0, 0, 1024, 8}));
    a.queue.advance(1100);
    EXPECT_FALSE(a.viewer().effectRunning());
    a.host.invalidated.clear();
    a.queue.advance(2000);
    EXPECT_TRUE(Invalidated(a.host, {0, 0, 1024, 8}));  // then 13

    // Stop ends the running effect and redraws the whole window.
    EXPECT_TRUE(a.viewer().effectRunning());
    int redraws = a.host.invalidateAllCount;
    a.queue.post(&a.viewer(), 119);
    a.queue.runPending();
    EXPECT_FALSE(a.viewer().effectRunning());
    EXPECT_GT(a.host.invalidateAllCount, redraws);
    EXPECT_FALSE(a.shows().smallRunning());
}

TEST(ViewerEffects, APhotoChangeDuringAnEffectIsDrawnAtOnce) {
    TempTree tree;
    tree.file("vellumo.ini", "[Effects Settings]\r\nEffects=a\r\nEffectsIncluded=45\r\n");
    Photos(tree, "Trip", 3);
    App a(tree, {tree.path("Trip/p1.bmp")});
    EXPECT_TRUE(a.viewer().effectRunning());
    a.queue.advance(200);
    size_t rects = a.host.invalidated.size();
    int redraws = a.host.invalidateAllCount;
    a.viewer().showPhoto(tree.path("Trip/p2.bmp"));
    EXPECT_GT(a.host.invalidateAllCount, redraws);
    a.queue.advance(2000);
    EXPECT_GT(a.host.invalidated.size(), rects);  // the first effect went on to its end
    EXPECT_FALSE(a.viewer().effectRunning());
}

TEST(ViewerSlideshow, ABrokenPhotoIsSkippedWithoutAMessage) {
    TempTree tree;
    Photos(tree, "Trip", 1);
    tree.file("Trip/p2.jpg", "not a jpeg at all");
    tree.file("Trip/p3.bmp", Bmp(64, 48, 0, 0, 200));
    App a(tree, {tree.path("Trip")});
    a.press(kF12);
    a.queue.advance(3000);
    EXPECT_TRUE(a.viewer().noPhoto());
    a.queue.advance(3000);
    EXPECT_EQ(a.viewer().display().photoPath(), tree.path("Trip/p3.bmp"));
    EXPECT_TRUE(a.desktop.messages.empty());
    // Without a show the same photo gives its message.
    a.press(kF12);
    a.queue.post(&a.viewer(), 114);
    a.queue.advance(100);
    EXPECT_EQ(a.desktop.messages.size(), 1u);
}

// The show stops while its broken photo still decodes on the worker: the
// failure that arrives afterwards is the show's, and stays quiet.
TEST(ViewerSlideshow, ABrokenPhotoFailingAfterItsShowEndedGivesNoMessage) {
    TempTree tree;
    Photos(tree, "Trip", 1);
    tree.file("Trip/p2.jpg", "not a jpeg at all");
    App a(tree, {tree.path("Trip")});
    PrefetchWorker& worker = a.viewer().prefetcher().worker();
    worker.setRunMode(PrefetchWorker::RunMode::Held);
    a.press(kF12);
    a.queue.advance(3000);
    ASSERT_EQ(a.viewer().display().photoPath(), tree.path("Trip/p2.jpg"));
    a.press(kF12);
    ASSERT_FALSE(a.shows().smallRunning());
    while (worker.runHeld() > 0) a.queue.runPending();
    a.queue.advance(100);
    EXPECT_TRUE(a.viewer().noPhoto());
    EXPECT_TRUE(a.desktop.messages.empty());
}

TEST(ViewerSlideshow, AutoRunSmallShowWithQuitInAFolderWithoutPhotosExits) {
    TempTree tree;
    tree.folder("Empty");
    tree.file("vellumo.ini",
              "[General Settings]\r\nPathToStart=Empty\r\n[Slideshow Settings]\r\nSlideShowAutoExec=2\r\n"
              "SlideShowSmallEndAction=q\r\n");
    App a(tree);
    a.queue.advance(100);
    EXPECT_EQ(a.host.closeCount, 1);
}

TEST(ViewerSlideshow, TheSmallShowStartsQuietlyOnABrokenFirstPhoto) {
    TempTree tree;
    tree.file("Trip/p1.jpg", "not a jpeg at all");
    tree.file("Trip/p2.bmp", Bmp(64, 48, 0, 0, 200));
    App a(tree, {tree.path("Trip")});
    a.press(kF12);
    EXPECT_TRUE(a.shows().smallRunning());
    EXPECT_TRUE(a.desktop.messages.empty());
    a.queue.advance(3000);
    EXPECT_EQ(a.viewer().display().photoPath(), tree.path("Trip/p2.bmp"));
    EXPECT_TRUE(a.desktop.messages.empty());
}

TEST(ViewerSlideshow, TheViewerMenuStopsASmallShow) {
    TempTree tree;
    Photos(tree, "Trip", 3);
    App a(tree, {tree.path("Trip")});
    a.press(kF12);
    ASSERT_TRUE(a.shows().smallRunning());
    a.press(0x79);  // F10
    ASSERT_EQ(a.desktop.menus.size(), 1u);
    EXPECT_FALSE(a.shows().smallRunning());
    a.queue.advance(6000);
    EXPECT_EQ(a.viewer().display().photoPath(), tree.path("Trip/p1.bmp"));
}

TEST(ViewerSlideshow, TheScriptMenuOffersTheWholeArchiveFirstAsItsDefault) {
    TempTree tree;
    Photos(tree, "Trip", 3);
    tree.file("Summer.script.txt", tree.path("Trip/p2.bmp") + "\r\n");
    App a(tree, {tree.path("Trip")});
    a.press(kF9);
    ASSERT_EQ(a.desktop.menus.size(), 1u);
    const std::vector<MenuItem>& items = a.desktop.menus[0].items;
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].id, 3001);
    EXPECT_EQ(items[0].text, "SlideShow");
    EXPECT_TRUE(items[0].isDefault);
    EXPECT_EQ(items[2].text, "Summer");
    EXPECT_FALSE(items[2].isDefault);
}

TEST(ViewerSlideshow, F9RunsTheTotalShowAndAScriptOnTheCommandLinePlaysIt) {
    TempTree tree;
    Photos(tree, "Trip", 2);
    {
        App a(tree, {tree.path("Trip")});
        a.press(kF9);  // no scripts: over the archive at once, without a menu
        EXPECT_TRUE(a.desktop.menus.empty());
        // The walk runs on its own thread: real time passes for it.
        for (int i = 0; i < 2000 && a.shows().totalCollecting(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            a.queue.runPending();
        }
        EXPECT_TRUE(a.shows().totalRunning());
        EXPECT_EQ(a.shows().totalList().size(), 2u);
        a.key('S', true);  // Ctrl+S
        a.queue.advance(100);
        EXPECT_TRUE(IsRegularFile(tree.path("SlideShow1.script.txt")));
        a.press(kF9);
        EXPECT_FALSE(a.shows().totalRunning());
    }
    App b(tree, {tree.path("SlideShow1.script.txt")});
    EXPECT_TRUE(b.shows().totalRunning());
    EXPECT_TRUE(b.shows().playedFromScript());
    EXPECT_EQ(b.viewer().display().photoPath(), tree.path("Trip/p1.bmp"));
    b.press(kF9);
    EXPECT_FALSE(b.shows().totalRunning());
    EXPECT_FALSE(b.shows().playedFromScript());
}

}  // namespace
}  // namespace vellumo

namespace vellumo {
namespace {

// The comment's slideshow macros ask the running show; the music player hears
// the show start and end.
TEST(ViewerSlideshowLinks, TheCommentCountsTheShowAndTheMusicFollowsIt) {
    TempTree tree;
    tree.file("vellumo.ini", "[Effects Settings]\r\nEffects=n\r\n[Music Settings]\r\nMusic=1\r\nMusicPresent=s\r\n");
    Photos(tree, "Trip", 3);
    tree.file("Trip/vellumo.txt", "<SLIDESHOW>%SLIDESHOW_CURRENT% of %SLIDESHOW_COUNT%</SLIDESHOW>browsing");
    App a(tree, {tree.path("Trip/p1.bmp")});
    a.queue.advance(600);
    EXPECT_EQ(a.viewer().comments().shownComment(), "browsing");
    EXPECT_FALSE(a.app->musicPlayer()->inSlideshow());

    a.press(kF12);
    ASSERT_TRUE(a.shows().smallRunning());
    EXPECT_TRUE(a.app->musicPlayer()->inSlideshow());
    a.queue.advance(3100);
    EXPECT_EQ(a.viewer().display().photoPath(), tree.path("Trip/p2.bmp"));
    EXPECT_EQ(a.viewer().comments().shownComment(), "2 of 3browsing");

    a.press(kF12);
    EXPECT_FALSE(a.shows().smallRunning());
    EXPECT_FALSE(a.app->musicPlayer()->inSlideshow());
    EXPECT_EQ(a.viewer().comments().shownComment(), "browsing");
}

}  // namespace
}  // namespace vellumo
