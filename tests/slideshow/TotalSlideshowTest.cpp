#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/Random.h"
#include "slideshow/SlideshowHarness.h"

namespace vellumo {
namespace {

using testing::SlideshowHarness;

bool Has(const std::vector<int>& v, int x) { return std::find(v.begin(), v.end(), x) != v.end(); }

// A: a.jpg b.jpg, A/B: c.jpg, A/B/D: e.jpg, A/C: d.jpg, and a text file.
std::string MakeArchive(SlideshowHarness& h) {
    std::string root = h.photos("A", {"b.jpg", "a.jpg", "notes.txt"});
    h.photos("A/B", {"c.jpg"});
    h.photos("A/B/D", {"e.jpg"});
    h.photos("A/C", {"d.jpg"});
    return root;
}

TEST(TotalSlideshow, WalksDepthFirstAndShowsTheFirstEntryAtOnce) {
    SlideshowHarness h;
    std::string root = MakeArchive(h);
    h.openAt(root);
    EXPECT_TRUE(h.shows().smallCommandActs());
    h.shows().startTotal("");
    EXPECT_TRUE(h.shows().totalRunning());
    EXPECT_EQ(h.listener.events, std::vector<std::string>{"+total"});
    h.waitForWalk();
    EXPECT_EQ(h.shows().totalList().snapshot(),
              (std::vector<std::string>{root + "/a.jpg", root + "/b.jpg", root + "/B/c.jpg", root + "/B/D/e.jpg",
                                        root + "/C/d.jpg"}));
    EXPECT_EQ(h.shownNames(), std::vector<std::string>{"a.jpg"});
    EXPECT_EQ(h.viewer.cursors, (std::vector<int>{2003, 2002}));
    EXPECT_EQ(h.shows().slideshowCount(), 5);
    EXPECT_EQ(h.shows().slideshowCurrent(), 1);

    h.queue.advance(3000 * 5);
    // The end of the list begins again with the first entry.
    EXPECT_EQ(h.shownNames(), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg", "e.jpg", "d.jpg", "a.jpg"}));
    // The Navigator follows the show into each folder.
    EXPECT_EQ(h.nav->archive().currentFolder(), root);

    // Previous and next step through the list with the repeat count, wrapping.
    h.command(115, 2);
    EXPECT_EQ(h.shownNames().back(), "c.jpg");
    h.command(114, 3);
    EXPECT_EQ(h.shownNames().back(), "d.jpg");
    EXPECT_EQ(h.shows().slideshowCurrent(), 5);

    h.command(119);
    EXPECT_FALSE(h.shows().totalRunning());
    EXPECT_EQ(h.nav->archive().currentFolder(), root);  // back where it began
    EXPECT_TRUE(h.shows().totalList().empty());
    EXPECT_EQ(h.viewer.cursors.back(), 0);
    EXPECT_TRUE(Has(h.viewer.commands, 126));
    EXPECT_EQ(h.listener.events, (std::vector<std::string>{"+total", "-total"}));
    EXPECT_FALSE(h.desktop.screenSaverInhibited);
    size_t shown = h.viewer.shown.size();
    h.queue.advance(10000);
    EXPECT_EQ(h.viewer.shown.size(), shown);
}

TEST(TotalSlideshow, PauseChooseAPhotoElsewhereAndContinueAfterIt) {
    SlideshowHarness h;
    std::string root = MakeArchive(h);
    h.openAt(root);
    h.shows().startTotal("");
    h.waitForWalk();
    h.command(121);
    EXPECT_TRUE(h.shows().totalPaused());
    EXPECT_EQ(h.viewer.cursors.back(), 2004);
    h.queue.advance(10000);
    EXPECT_EQ(h.viewer.shown.size(), 1u);

    // The user opens A/B and picks c.jpg in the list.
    h.nav->archive().goToPath(root + "/B");
    h.queue.runPending();
    int row = -1;
    for (int i = 0; i < h.nav->list().count(); ++i)
        if (h.nav->list().at(i).text == "c") row = i;
    ASSERT_GE(row, 0);
    h.panel.userSelects(row);
    h.queue.advance(500);
    EXPECT_EQ(h.shownNames().back(), "c.jpg");
    EXPECT_EQ(h.shows().totalPosition(), 2);

    h.command(120);  // continue: the entry after c.jpg at once
    EXPECT_FALSE(h.shows().totalPaused());
    EXPECT_EQ(h.viewer.cursors.back(), 2002);
    EXPECT_EQ(h.shownNames().back(), "e.jpg");
    h.queue.advance(3000);
    EXPECT_EQ(h.shownNames().back(), "d.jpg");

    // While running, the user's list selection is not shown.
    size_t shown = h.viewer.shown.size();
    h.panel.userSelects(1);
    h.queue.advance(600);
    EXPECT_EQ(h.viewer.shown.size(), shown);
}

TEST(TotalSlideshow, RandomOverThreePhotosEndsAtTheFourthDraw) {
    SeedProcessRandom(21);
    SlideshowHarness h;
    std::string root = h.photos("R", {"a.jpg", "b.jpg", "c.jpg"});
    h.openAt(root);
    h.settings.SlideShowTotalRandom = 1;
    h.settings.SlideShowTotalEndAction = 's';
    h.shows().startTotal("");
    h.waitForWalk();
    h.queue.advance(6000);
    auto names = h.shownNames();
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()), (std::set<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_FALSE(Has(h.viewer.commands, 119));
    h.queue.advance(3000);
    EXPECT_EQ(h.viewer.shown.size(), 3u);  // the end shows nothing
    EXPECT_TRUE(Has(h.viewer.commands, 119));
}

TEST(TotalSlideshow, EndActionsQuitAndEmptyArchive) {
    SlideshowHarness h;
    std::string root = h.photos("Q", {"a.jpg"});
    h.openAt(root);
    h.settings.SlideShowTotalEndAction = 'q';
    h.shows().startTotal("");
    h.waitForWalk();
    h.queue.advance(3000);
    EXPECT_TRUE(Has(h.viewer.commands, 142));

    SlideshowHarness empty;
    empty.openAt(empty.tree.folder("nothing/here"));
    empty.shows().startTotal("");
    empty.waitForWalk();
    EXPECT_FALSE(empty.shows().totalRunning());
    EXPECT_EQ(empty.listener.events, (std::vector<std::string>{"+total", "-total"}));
    EXPECT_TRUE(empty.viewer.shown.empty());
}

TEST(TotalSlideshow, StartWhilePausedContinuesAndSmallShowIsRefused) {
    SlideshowHarness h;
    std::string root = MakeArchive(h);
    h.openAt(root);
    h.shows().startTotal("");
    h.waitForWalk();
    EXPECT_FALSE(h.shows().smallCommandActs());
    h.command(116);  // no small show during a total one
    EXPECT_FALSE(h.shows().smallRunning());
    h.command(121);
    h.shows().startTotal("");
    h.queue.runPending();
    EXPECT_FALSE(h.shows().totalPaused());
    EXPECT_EQ(h.shows().totalList().size(), 5u);
    // The start picture set the tick counter: the first entry waits for a tick.
    h.command(119);
    h.shows().resetTicks();
    size_t before = h.viewer.shown.size();
    h.shows().startTotal("");
    h.waitForWalk();
    EXPECT_EQ(h.viewer.shown.size(), before);
    h.queue.advance(3000);
    EXPECT_EQ(h.shownNames().back(), "a.jpg");
}

TEST(TotalSlideshow, EffectHoldsTheTimerStep) {
    SlideshowHarness h;
    std::string root = MakeArchive(h);
    h.openAt(root);
    h.shows().startTotal("");
    h.waitForWalk();
    h.viewer.effect = true;
    h.queue.advance(3000);
    EXPECT_EQ(h.viewer.shown.size(), 1u);
    h.viewer.effect = false;
    h.queue.advance(3000);
    EXPECT_EQ(h.shownNames().back(), "b.jpg");
}

}  // namespace
}  // namespace vellumo
