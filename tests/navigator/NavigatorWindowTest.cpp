#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "NavigatorRig.h"
#include "fakes/TempTree.h"

namespace vellumo {
namespace {

using testing::TempTree;

constexpr int kVkBackspace = 0x08;
constexpr int kVkTab = 0x09;
constexpr int kVkEnter = 0x0D;
constexpr int kVkEscape = 0x1B;
constexpr int kVkDown = 0x28;

struct Harness : testing::NavigatorRig {
    TempTree tree;
    std::vector<std::string> entered;

    Harness() {
        settings.ApplicationName = "Photo archive";
        settings.NavigatorRect = {750, 500, 1000, 1000};
        settings.NavigatorDockingSpace = 9;
        viewer.screen = {0, 0, 1000, 800};
        drives = {{"/", DriveType::Fixed, "ext4"}, {tree.root(), DriveType::CdRom, "iso9660"}};
        NavigatorSettingsAccess access;
        access.enterFolder = [this](const std::string& f) { entered.push_back(f); };
        create(access);
    }
    ~Harness() { nav->destroy(); }  // before the tree goes
    void openAt(const std::string& folder, const std::string& horizon = "") {
        settings.PathHorizon = horizon;
        NavigatorRig::openAt(folder);
    }
    std::vector<std::string> menuTexts(size_t menu) const {
        std::vector<std::string> t;
        for (const auto& item : desktop.menus.at(menu).items) t.push_back(item.text);
        return t;
    }
};

TEST(NavigatorWindowOpen, RectangleTitleColoursAndFirstListing) {
    Harness h;
    std::string dir = h.tree.folder("Trip");
    h.tree.file("Trip/a.jpg");
    h.settings.NavigatorBackgroundColor = Rgb(1, 2, 3);
    h.settings.NavigatorBackgroundColorGiven = 1;
    h.settings.NavigatorTextColor = Rgb(9, 9, 9);  // not given: the desktop's colour
    h.openAt(dir);
    EXPECT_EQ(h.panel.list, &h.list());
    EXPECT_EQ(h.panel.window.rect, (Rect{750, 400, 1000, 800}));
    EXPECT_EQ(h.panel.window.title, "Photo archive");
    EXPECT_EQ(h.viewer.captions, std::vector<std::string>{"Photo archive"});
    EXPECT_EQ(h.panel.background, Rgb(1, 2, 3));
    EXPECT_FALSE(h.panel.text);
    EXPECT_FALSE(h.panel.window.visible);  // the viewer shows it per the Navigator setting
    EXPECT_EQ(h.entered, std::vector<std::string>{dir});
    EXPECT_EQ(h.list().count(), 2);
    EXPECT_EQ(h.viewer.busy, 0);
    EXPECT_GT(h.viewer.busyCalls, 0);
    // Opening shows nothing by itself.
    h.queue.advance(2000);
    EXPECT_TRUE(h.viewer.shown.empty());
}

TEST(NavigatorWindowSelection, PhotoShownOnlyAfterTheSelectionRests) {
    Harness h;
    std::string dir = h.tree.folder("Trip");
    for (const char* n : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) h.tree.file(std::string("Trip/") + n);
    h.openAt(dir);
    ASSERT_EQ(h.list().count(), 5);  // up entry and four photos

    // Arrows every 200 ms: nothing is shown while the selection moves.
    for (int row = 1; row <= 3; ++row) {
        h.panel.userSelects(row);
        h.queue.advance(200);
    }
    EXPECT_TRUE(h.viewer.shown.empty());
    h.queue.advance(299);
    EXPECT_TRUE(h.viewer.shown.empty());
    h.queue.advance(1);
    EXPECT_EQ(h.viewer.shown, std::vector<std::string>{dir + "/c.jpg"});
    EXPECT_EQ(h.viewer.noPhotoCleared, 1);
    EXPECT_EQ(h.nav->currentIndex(), 3);
    // Nothing further fires once the pending row was shown.
    h.queue.advance(5000);
    EXPECT_EQ(h.viewer.shown.size(), 1u);

    // While a transition still draws, the selected photo waits for it.
    h.viewer.effect = true;
    h.panel.userSelects(4);
    h.queue.advance(1000);
    EXPECT_EQ(h.viewer.shown.size(), 1u);
    h.viewer.effect = false;
    h.queue.advance(500);
    EXPECT_EQ(h.viewer.shown.back(), dir + "/d.jpg");
    h.queue.advance(5000);
    EXPECT_EQ(h.viewer.shown.size(), 2u);

    // Selecting a folder row shows nothing.
    h.panel.userSelects(0);
    h.queue.advance(600);
    EXPECT_EQ(h.viewer.shown.size(), 2u);
    EXPECT_EQ(h.nav->currentIndex(), 0);
}

TEST(NavigatorWindowSelection, StepCommandsUseTheRepeatCount) {
    Harness h;
    std::string dir = h.tree.folder("S");
    for (const char* n : {"1.jpg", "2.jpg", "3.jpg", "4.jpg", "5.jpg"}) h.tree.file(std::string("S/") + n);
    h.openAt(dir);
    h.nav->onCommand(115, 3);  // from the up entry three rows on: photo 3
    EXPECT_EQ(h.viewer.shown.back(), dir + "/3.jpg");
    h.nav->onCommand(115, 0);  // a missing count is one
    EXPECT_EQ(h.viewer.shown.back(), dir + "/4.jpg");
    h.nav->onCommand(115, 5);
    EXPECT_EQ(h.viewer.shown.back(), dir + "/5.jpg");
    h.nav->onCommand(115, 1);  // past the end: beep
    EXPECT_EQ(h.desktop.beeps, std::vector<BeepKind>{BeepKind::Default});
    h.nav->onCommand(114, 2);
    EXPECT_EQ(h.viewer.shown.back(), dir + "/3.jpg");
    EXPECT_EQ(h.list().selection(), 3);
    // Program selections never start the delayed display.
    h.queue.advance(1000);
    EXPECT_EQ(h.viewer.shown.size(), 4u);
}

TEST(NavigatorWindowKeys, EnterBackspaceEscapeTabAndDoubleClick) {
    Harness h;
    std::string dir = h.tree.folder("A");
    h.tree.folder("A/B/C");
    h.tree.file("A/B/x.jpg");
    h.openAt(dir);
    int b = h.rowOf("B");
    ASSERT_GE(b, 0);

    // Escape changes nothing (and is used, so the viewer does not see it).
    h.panel.userSelects(b);
    EXPECT_TRUE(h.panel.listEvents->listKeyDown(kVkEscape));
    h.queue.runPending();
    EXPECT_EQ(h.nav->archive().currentFolder(), dir);

    // Enter on a folder opens it.
    EXPECT_TRUE(h.panel.listEvents->listKeyDown(kVkEnter));
    h.queue.runPending();
    EXPECT_EQ(h.nav->archive().currentFolder(), dir + "/B");

    // Backspace goes up and selects the folder one came from.
    EXPECT_TRUE(h.panel.listEvents->listKeyDown(kVkBackspace));
    h.queue.runPending();
    EXPECT_EQ(h.nav->archive().currentFolder(), dir);
    EXPECT_EQ(h.list().selection(), h.rowOf("B"));

    // A double click on a row opens it; off the rows it does nothing.
    h.panel.listEvents->listDoubleClicked(-1);
    h.queue.runPending();
    EXPECT_EQ(h.nav->archive().currentFolder(), dir);
    h.panel.listEvents->listDoubleClicked(h.rowOf("B"));
    h.queue.runPending();
    EXPECT_EQ(h.nav->archive().currentFolder(), dir + "/B");

    // Arrows stay with the list; Tab hands the focus back to the viewer.
    EXPECT_FALSE(h.panel.listEvents->listKeyDown(kVkDown));
    EXPECT_TRUE(h.panel.listEvents->listKeyDown(kVkTab));
    EXPECT_EQ(h.viewer.focusRequests, 1);
    h.nav->focusList();
    EXPECT_TRUE(h.nav->listHasFocus());
    EXPECT_TRUE(h.viewer.shown.empty());
}

TEST(NavigatorWindowShow, CommandsToggleAndWriteTheSetting) {
    Harness h;
    h.openAt(h.tree.root());
    h.nav->onCommand(125, 0);
    EXPECT_TRUE(h.panel.window.visible);
    EXPECT_EQ(h.settings.Navigator, 1);
    h.nav->onCommand(125, 0);
    EXPECT_FALSE(h.nav->isShown());
    EXPECT_EQ(h.settings.Navigator, 0);
    h.nav->onCommand(127, 0);  // already hidden: nothing
    EXPECT_EQ(h.settings.Navigator, 0);
    h.nav->onCommand(126, 0);
    EXPECT_TRUE(h.nav->isShown());
    EXPECT_EQ(h.settings.Navigator, 1);
    h.settings.Navigator = 7;  // 126 when shown does not touch it
    h.nav->onCommand(126, 0);
    EXPECT_EQ(h.settings.Navigator, 7);
    h.nav->onCommand(127, 0);
    EXPECT_FALSE(h.nav->isShown());
    EXPECT_EQ(h.settings.Navigator, 0);
}

TEST(NavigatorWindowPanel, DockingWhileDraggingAndStoringTheRectangle) {
    Harness h;
    h.openAt(h.tree.root());
    const Rect start{100, 100, 300, 400};
    // The left edge dragged to x = 8 snaps to 0 (docking space 9).
    Point cursor{150, 110};
    Rect r = h.nav->panelMoving(start.offset(-50, 0), {cursor.x - 50, cursor.y}, start);
    EXPECT_EQ(r, start.offset(-50, 0));  // x = 50: free
    r = h.nav->panelMoving(start.offset(-92, 0), {cursor.x - 92, cursor.y}, r);
    EXPECT_EQ(r, (Rect{0, 100, 200, 400}));
    // Pulling the cursor 10 pixels further right releases it.
    r = h.nav->panelMoving(start.offset(-82, 0), {cursor.x - 82, cursor.y}, r);
    EXPECT_EQ(r, (Rect{18, 100, 218, 400}));
    // Near the bottom-right corner both directions dock.
    r = h.nav->panelMoving({795, 495, 995, 795}, {cursor.x + 695, cursor.y + 395}, r);
    EXPECT_EQ(r, (Rect{800, 500, 1000, 800}));
    h.nav->panelMoveEnded(r);
    EXPECT_EQ(h.settings.NavigatorRect, (Rect{800, 625, 1000, 1000}));

    // A new drag starts from where the panel is; without a docking space it moves freely.
    h.settings.NavigatorDockingSpace = 0;
    r = h.nav->panelMoving({3, 2, 203, 302}, {5, 5}, r);
    EXPECT_EQ(r, (Rect{3, 2, 203, 302}));
    h.nav->panelMoveEnded({333, 0, 666, 400});
    EXPECT_EQ(h.settings.NavigatorRect, (Rect{333, 0, 666, 500}));
}

TEST(NavigatorWindowPanel, ClosingEndsTheProgramAndMouseMovesTrigger) {
    Harness h;
    h.openAt(h.tree.root());
    h.nav->panelCloseClicked();
    h.queue.runPending();
    EXPECT_EQ(h.viewer.commands, std::vector<int>{142});

    // The first position is only recorded; each new position triggers once.
    h.viewer.commands.clear();
    h.panel.listEvents->listMouseMoved({10, 10});
    h.panel.listEvents->listMouseMoved({10, 10});
    h.queue.runPending();
    EXPECT_TRUE(h.viewer.commands.empty());
    h.panel.listEvents->listMouseMoved({11, 10});
    h.panel.listEvents->listMouseMoved({11, 10});
    h.panel.listEvents->listMouseMoved({11, 12});
    h.queue.runPending();
    EXPECT_EQ(h.viewer.commands, (std::vector<int>{31849, 31849}));
}

TEST(NavigatorWindowMenu, AncestorsOfTheExamplesWithAndWithoutHorizon) {
    Harness h;
    std::string root = h.tree.root();
    h.tree.folder("A/B/C");
    h.tree.file("A/B/C/x.jpg");

    // In root/A/B: the computer, the drive and A, from a right click.
    h.openAt(root + "/A/B");
    h.desktop.menuChoices = {CmdAncestorFirst + 1};
    h.panel.listEvents->listRightClicked({640, 300});
    h.queue.runPending();
    ASSERT_EQ(h.desktop.menus.size(), 1u);
    EXPECT_EQ(h.menuTexts(0), (std::vector<std::string>{"Computer", root, "A"}));
    const auto& items = h.desktop.menus[0].items;
    EXPECT_EQ(items[0].id, CmdAncestorFirst);
    EXPECT_EQ(items[0].icon, ItemImage::Computer);
    EXPECT_EQ(items[1].icon, ItemImage::CdRomDrive);
    EXPECT_EQ(items[2].icon, ItemImage::OpenFolder);
    EXPECT_EQ(h.desktop.menus[0].at, (Point{640, 300}));
    EXPECT_EQ(h.desktop.menus[0].align, MenuAlign::RightVerticalCenter);
    // Choosing the drive lists the drive root.
    h.queue.runPending();
    EXPECT_EQ(h.nav->archive().currentFolder(), root);
    EXPECT_EQ(h.list().at(0).text, "[" + root + "]");

    // The context key opens it at the list's corner, clamped to the screen;
    // choosing the computer lists the drives.
    h.nav->goToPath(root + "/A/B/C");
    h.desktop.menuChoices = {CmdAncestorFirst};
    h.nav->onCommand(173, 0);
    EXPECT_EQ(h.desktop.menus[1].at, (Point{0, 25}));
    EXPECT_EQ(h.desktop.menus[1].align, MenuAlign::TopLeft);
    EXPECT_EQ(h.menuTexts(1), (std::vector<std::string>{"Computer", root, "A", "B"}));
    h.queue.runPending();
    EXPECT_TRUE(h.nav->archive().isDriveList());

    // At the drive list the menu is empty: a beep and no menu.
    h.nav->onCommand(173, 0);
    EXPECT_EQ(h.desktop.menus.size(), 2u);
    EXPECT_EQ(h.desktop.beeps, std::vector<BeepKind>{BeepKind::Default});

    // With the horizon root/A, in root/A/B/C only B is offered; a dismissed menu changes nothing.
    Harness g;
    std::string top = g.tree.folder("A");
    g.tree.folder("A/B/C");
    g.openAt(top + "/B/C", top);
    g.nav->onCommand(173, 0);
    ASSERT_EQ(g.desktop.menus.size(), 1u);
    EXPECT_EQ(g.menuTexts(0), std::vector<std::string>{"B"});
    EXPECT_EQ(g.desktop.menus[0].items[0].id, CmdAncestorFirst + 3);
    g.queue.runPending();
    EXPECT_EQ(g.nav->archive().currentFolder(), top + "/B/C");
    g.desktop.menuChoices = {CmdAncestorFirst + 3};
    g.nav->onCommand(173, 0);
    g.queue.runPending();
    EXPECT_EQ(g.nav->archive().currentFolder(), top + "/B");
    // At the horizon folder itself nothing is offered above it.
    g.nav->goToPath(top);
    g.nav->onCommand(173, 0);
    EXPECT_EQ(g.desktop.menus.size(), 2u);
    EXPECT_EQ(g.desktop.beeps, std::vector<BeepKind>{BeepKind::Default});
    EXPECT_TRUE(g.panel.listEvents->listKeyDown(kVkBackspace));
    g.queue.runPending();
    EXPECT_EQ(g.desktop.beeps.size(), 2u);
}

TEST(NavigatorWindowRefresh, RefreshShowsTheCurrentPhotoAgainAfterTheDelay) {
    Harness h;
    std::string dir = h.tree.folder("R");
    h.tree.file("R/a.jpg");
    h.tree.file("R/b.jpg");
    h.openAt(dir);
    h.nav->goToPath(dir + "/b.jpg");
    EXPECT_EQ(h.viewer.shown, std::vector<std::string>{dir + "/b.jpg"});
    h.tree.file("R/0.jpg");  // a new photo before it: the position stays
    h.nav->onCommand(143, 0);
    h.queue.advance(499);
    EXPECT_EQ(h.viewer.shown.size(), 1u);
    h.queue.advance(1);
    EXPECT_EQ(h.viewer.shown.back(), dir + "/a.jpg");
    EXPECT_EQ(h.list().count(), 4);
}

TEST(NavigatorWindowSettings, ChangesMoveRecolourRetitleAndRelist) {
    Harness h;
    std::string top = h.tree.folder("A");
    h.tree.folder("A/B");
    h.tree.folder("Other");
    h.openAt(top + "/B");
    h.panel.repaints = 0;
    h.queue.runPending();

    SettingsChangeSet changes;
    h.settings.ApplicationName = "Holiday";
    h.settings.NavigatorRect = {0, 0, 500, 500};
    h.settings.NavigatorTextColor = Rgb(200, 0, 0);
    h.settings.NavigatorTextColorGiven = 1;
    changes.set(SectionGeneral, 0x2);
    changes.set(SectionNavigator, 0x2 | 0x10);
    h.nav->settingsChanged(changes, 4);
    EXPECT_EQ(h.panel.window.title, "Holiday");
    EXPECT_EQ(h.viewer.captions.back(), "Holiday");
    EXPECT_EQ(h.panel.window.rect, (Rect{0, 0, 500, 400}));
    EXPECT_EQ(h.panel.text, Rgb(200, 0, 0));
    EXPECT_EQ(h.panel.repaints, 1);
    EXPECT_EQ(h.queue.pendingCount(), 0u);

    // A horizon that still contains the folder needs no relisting...
    changes.clear();
    changes.set(SectionGeneral, 0x8);
    h.settings.PathHorizon = top;
    h.nav->settingsChanged(changes, 4);
    EXPECT_EQ(h.queue.pendingCount(), 0u);
    // ...one that does not relists it (the folder stays current).
    h.settings.PathHorizon = h.tree.path("Other");
    h.nav->settingsChanged(changes, 4);
    EXPECT_EQ(h.queue.pendingCount(), 1u);
    size_t before = h.entered.size();
    h.queue.runPending();
    EXPECT_EQ(h.entered.size(), before + 1);
    EXPECT_EQ(h.nav->archive().currentFolder(), top + "/B");
}

TEST(NavigatorWindowBadInput, VanishingFoldersAndAwkwardNames) {
    Harness h;
    std::string dir = h.tree.folder("V/W");
    h.tree.file(std::string("V/W/bad\xff\xfe name.jpg"));
    h.tree.file("V/W/-dash [1] \"q\".jpg");
    h.openAt(dir);
    ASSERT_EQ(h.list().count(), 3);
    h.panel.userSelects(1);
    h.queue.advance(500);
    ASSERT_EQ(h.viewer.shown.size(), 1u);
    EXPECT_EQ(h.viewer.shown[0], dir + "/-dash [1] \"q\".jpg");

    // The folder vanishes; a refresh lands on the parent, then the drive root.
    std::filesystem::remove_all(h.tree.path("V"));
    h.nav->onCommand(143, 0);
    h.queue.advance(1000);
    EXPECT_EQ(h.nav->archive().currentFolder(), h.tree.root());
    EXPECT_EQ(h.viewer.busy, 0);
    EXPECT_EQ(h.viewer.shown.size(), 1u);

    // A destroyed Navigator ignores late commands and timers.
    h.panel.userSelects(0);
    h.nav->destroy();
    EXPECT_EQ(h.panel.list, nullptr);
    h.nav->onCommand(CmdRelist, 0);
    h.queue.advance(1000);
    EXPECT_EQ(h.viewer.shown.size(), 1u);
}

}  // namespace
}  // namespace vellumo
