#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/Random.h"
#include "slideshow/SlideshowHarness.h"

namespace vellumo {
namespace {

using testing::SlideshowHarness;

bool Has(const std::vector<int>& v, int x) { return std::find(v.begin(), v.end(), x) != v.end(); }

TEST(SmallSlideshow, InOrderWithStopEndsOnThePhotoItBeganWith) {
    SlideshowHarness h;
    std::string dir = h.photos("S", {"1.jpg", "2.jpg", "3.jpg"});
    h.openAt(dir);
    h.settings.SlideShowSmallEndAction = 's';
    h.nav->archive().selectAndShow(2);  // photo 2 (row 0 is the up entry)
    h.command(116);
    EXPECT_TRUE(h.shows().smallRunning());
    EXPECT_EQ(h.shows().slideshowCount(), 3);
    EXPECT_EQ(h.shows().slideshowCurrent(), 2);
    EXPECT_EQ(h.viewer.cursors, std::vector<int>{2001});
    EXPECT_TRUE(h.desktop.screenSaverInhibited);
    EXPECT_EQ(h.viewer.commands, std::vector<int>{127});  // CommandsAfterSlideshowStart
    EXPECT_EQ(h.listener.events, std::vector<std::string>{"+small"});

    h.queue.advance(2999);
    EXPECT_EQ(h.viewer.shown.size(), 1u);
    h.queue.advance(1);
    EXPECT_EQ(h.shownNames(1), std::vector<std::string>{"3.jpg"});
    EXPECT_EQ(h.shows().slideshowCurrent(), 3);
    h.queue.advance(6000);
    h.queue.runPending();
    EXPECT_EQ(h.shownNames(1), (std::vector<std::string>{"3.jpg", "1.jpg", "2.jpg"}));
    EXPECT_FALSE(h.shows().smallRunning());
    EXPECT_EQ(h.shows().slideshowCount(), 0);
    EXPECT_EQ(h.viewer.cursors, (std::vector<int>{2001, 0}));
    EXPECT_FALSE(h.desktop.screenSaverInhibited);
    EXPECT_EQ(h.viewer.commands, (std::vector<int>{127, 126}));  // then CommandsAfterSlideshowFinish
    EXPECT_EQ(h.listener.events, (std::vector<std::string>{"+small", "-small"}));
    h.queue.advance(10000);
    EXPECT_EQ(h.viewer.shown.size(), 4u);
}

TEST(SmallSlideshow, BeginAgainGoesRoundAndF12Stops) {
    SlideshowHarness h;
    std::string dir = h.photos("S", {"a.jpg", "b.jpg"});
    h.openAt(dir);
    h.command(116);  // from the up entry: the first photo is shown at once
    EXPECT_EQ(h.shownNames(), std::vector<std::string>{"a.jpg"});
    EXPECT_EQ(h.shows().smallStartRow(), 1);
    h.queue.advance(9000);
    EXPECT_EQ(h.shownNames(), (std::vector<std::string>{"a.jpg", "b.jpg", "a.jpg", "b.jpg"}));
    h.command(116);
    EXPECT_FALSE(h.shows().smallRunning());
    EXPECT_EQ(h.shows().tickCounter(), -1);
    h.queue.advance(9000);
    EXPECT_EQ(h.viewer.shown.size(), 4u);
}

TEST(SmallSlideshow, RefusedWithoutPhotosAndQuitsWithEndActionQ) {
    SlideshowHarness h;
    h.openAt(h.tree.folder("empty"));
    EXPECT_FALSE(h.shows().smallCommandActs());  // the menu greys the item
    h.command(116);
    EXPECT_FALSE(h.shows().smallRunning());
    EXPECT_EQ(h.desktop.beeps, std::vector<BeepKind>{BeepKind::Default});
    EXPECT_FALSE(Has(h.viewer.commands, 142));
    h.settings.SlideShowSmallEndAction = 'q';
    h.command(116);
    ASSERT_FALSE(h.viewer.commands.empty());
    EXPECT_TRUE(Has(h.viewer.commands, 142));
    EXPECT_FALSE(h.desktop.screenSaverInhibited);
}

TEST(SmallSlideshow, EndActionQuitShowsNothingMore) {
    SlideshowHarness h;
    std::string dir = h.photos("S", {"a.jpg", "b.jpg"});
    h.openAt(dir);
    h.settings.SlideShowSmallEndAction = 'q';
    h.command(116);
    h.queue.advance(6000);
    EXPECT_EQ(h.shownNames(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    EXPECT_TRUE(Has(h.viewer.commands, 142));
}

TEST(SmallSlideshow, RandomShowsEachPhotoOnceThenEndsOnTheFirstOfTheNextPass) {
    SeedProcessRandom(5);
    SlideshowHarness h;
    std::string dir = h.photos("R", {"a.jpg", "b.jpg", "c.jpg"});
    h.openAt(dir);
    h.settings.SlideShowSmallRandom = 1;
    h.settings.SlideShowSmallEndAction = 's';
    h.command(116);
    h.queue.advance(20000);
    auto names = h.shownNames();
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.begin() + 3), (std::set<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_FALSE(h.shows().smallRunning());
}

TEST(SmallSlideshow, RandomStartedOnAPhotoLeavesItForLast) {
    SeedProcessRandom(9);
    SlideshowHarness h;
    std::string dir = h.photos("R", {"a.jpg", "b.jpg", "c.jpg"});
    h.openAt(dir);
    h.settings.SlideShowSmallRandom = 1;
    h.nav->archive().selectAndShow(2);  // b.jpg
    h.command(116);
    h.queue.advance(6000);
    auto later = h.shownNames(1);
    EXPECT_EQ(std::set<std::string>(later.begin(), later.end()), (std::set<std::string>{"a.jpg", "c.jpg"}));
    // The only photo of a folder: every draw refills the bag, the show goes on.
    SlideshowHarness one;
    std::string solo = one.photos("one", {"x.jpg"});
    one.openAt(solo);
    one.settings.SlideShowSmallRandom = 1;
    one.settings.SlideShowSmallEndAction = 's';
    one.nav->archive().selectAndShow(1);
    one.command(116);
    one.queue.advance(15000);
    EXPECT_TRUE(one.shows().smallRunning());
    EXPECT_EQ(one.viewer.shown.size(), 6u);
}

TEST(SmallSlideshow, StepsWaitForTheEffectAndAHeldSoundComment) {
    SlideshowHarness h;
    std::string dir = h.photos("S", {"a.jpg", "b.jpg", "c.jpg"});
    h.openAt(dir);
    h.command(116);
    h.viewer.effect = true;
    h.queue.advance(3000);
    EXPECT_EQ(h.viewer.shown.size(), 1u);
    h.viewer.effect = false;
    h.listener.hold = true;
    h.queue.advance(3000);
    EXPECT_EQ(h.viewer.shown.size(), 1u);
    h.listener.hold = false;
    h.queue.advance(3000);
    EXPECT_EQ(h.shownNames(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
}

TEST(SmallSlideshow, AStepHeldByASoundCommentComesWhenTheSoundEnds) {
    SlideshowHarness h;
    std::string dir = h.photos("S", {"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    h.openAt(dir);
    h.command(116);
    // A 4 s sound with a delay of 3 s: the tick at 3 s is held ...
    h.listener.hold = true;
    h.queue.advance(3000);
    EXPECT_EQ(h.shownNames(), std::vector<std::string>{"a.jpg"});
    h.queue.advance(1000);
    EXPECT_EQ(h.shownNames(), std::vector<std::string>{"a.jpg"});
    // ... and its step comes when the sound ends at 4 s, not at the tick after.
    h.listener.release();
    EXPECT_EQ(h.shownNames(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    // That photo gets the whole delay.
    h.queue.advance(2999);
    EXPECT_EQ(h.viewer.shown.size(), 2u);
    h.queue.advance(1);
    EXPECT_EQ(h.viewer.shown.size(), 3u);
    // A sound that ended before the tick holds nothing: the step comes at the tick.
    h.listener.hold = true;
    h.queue.advance(1000);
    h.listener.release();
    EXPECT_EQ(h.viewer.shown.size(), 3u);
    h.queue.advance(2000);
    EXPECT_EQ(h.shownNames(), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg", "d.jpg"}));
    // A show stopped while its step waits takes no step at the release.
    h.listener.hold = true;
    h.queue.advance(3000);
    h.command(116);
    h.listener.release();
    EXPECT_EQ(h.viewer.shown.size(), 4u);
}

TEST(SlideshowSpeed, SlowerAndFasterWithinTheirLimits) {
    SlideshowHarness h;
    std::string dir = h.photos("S", {"a.jpg", "b.jpg", "c.jpg"});
    h.openAt(dir);
    // No show: both beep and change nothing.
    h.command(123);
    h.command(124);
    EXPECT_EQ(h.desktop.beeps.size(), 2u);
    EXPECT_DOUBLE_EQ(h.settings.SlideShowDelay, 3.0);

    h.command(116);
    h.command(124);  // 3 -> 2 and one step at once
    EXPECT_DOUBLE_EQ(h.settings.SlideShowDelay, 2.0);
    EXPECT_EQ(h.shownNames(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    h.queue.advance(1999);
    EXPECT_EQ(h.viewer.shown.size(), 2u);
    h.queue.advance(1);
    EXPECT_EQ(h.viewer.shown.size(), 3u);
    h.command(124);
    EXPECT_NEAR(h.settings.SlideShowDelay, 4.0 / 3.0, 1e-9);
    h.command(124);
    EXPECT_DOUBLE_EQ(h.settings.SlideShowDelay, 1.0);
    size_t beeps = h.desktop.beeps.size();
    size_t shown = h.viewer.shown.size();
    h.command(124);  // at 1 s: beep, no step
    EXPECT_EQ(h.desktop.beeps.size(), beeps + 1);
    EXPECT_EQ(h.viewer.shown.size(), shown);
    h.command(123);
    EXPECT_DOUBLE_EQ(h.settings.SlideShowDelay, 2.0);
    h.command(123);
    EXPECT_DOUBLE_EQ(h.settings.SlideShowDelay, 3.0);
    h.settings.SlideShowDelay = 500;
    h.command(123);
    EXPECT_DOUBLE_EQ(h.settings.SlideShowDelay, 600.0);
    h.command(123);  // at 600 s: beep, unchanged
    EXPECT_DOUBLE_EQ(h.settings.SlideShowDelay, 600.0);
    EXPECT_EQ(h.desktop.beeps.size(), beeps + 2);
    for (BeepKind b : h.desktop.beeps) EXPECT_EQ(b, BeepKind::Default);
}

TEST(SlideshowCursor, MovedOutOfTheWayAndBackUnlessTheUserMovedIt) {
    SlideshowHarness h;
    std::string dir = h.photos("S", {"a.jpg"});
    h.openAt(dir);
    h.settings.SlideShowMoveDownCursor = 1;
    h.command(116);
    EXPECT_EQ(h.desktop.cursorMoves, (std::vector<Point>{Point{500, 799}}));
    EXPECT_EQ(h.viewer.lastMouse, (std::vector<Point>{Point{500, 799}}));
    h.command(116);
    EXPECT_EQ(h.desktop.cursorMoves, (std::vector<Point>{{500, 799}, {10, 20}}));
    EXPECT_EQ(h.viewer.lastMouse.back(), (Point{10, 20}));

    h.settings.SlideShowMoveDownCursor = 2;
    h.command(116);
    EXPECT_EQ(h.desktop.cursorMoves.back(), (Point{999, 400}));
    h.desktop.cursor = {7, 7};  // the user moved the mouse meanwhile
    h.command(116);
    EXPECT_EQ(h.desktop.cursorMoves.size(), 3u);
    // The screen saver was kept off only when asked to.
    h.settings.SlideShowStopScreenSaver = 0;
    int calls = h.desktop.screenSaverCalls;
    h.command(116);
    h.command(116);
    EXPECT_EQ(h.desktop.screenSaverCalls, calls);
}

TEST(SmallSlideshow, NavigatorDestructionStopsItQuietly) {
    SlideshowHarness h;
    std::string dir = h.photos("S", {"a.jpg", "b.jpg"});
    h.openAt(dir);
    h.command(116);
    h.nav->destroy();
    EXPECT_FALSE(h.shows().smallRunning());
    EXPECT_FALSE(h.desktop.screenSaverInhibited);
    h.queue.advance(10000);
    EXPECT_EQ(h.viewer.shown.size(), 1u);
    EXPECT_EQ(h.viewer.commands, std::vector<int>{127});
}

}  // namespace
}  // namespace vellumo
