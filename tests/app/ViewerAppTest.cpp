// Start-up, commands and exit of the whole viewer on the fakes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <array>
#include <fstream>

#include "app/ViewerRig.h"
#include "imaging/ProfileBuilder.h"
#include "platform/Files.h"
#include "prefetch/PhotoPrefetcher.h"
#include "platform/Paths.h"

using namespace vellumo;
using vellumo::testing::Bmp;
using vellumo::testing::TempFolder;
using vellumo::testing::Viewer;

TEST(ViewerStartup, FirstStartWritesItsFilesShowsTheWindowAndRunsTheStartSteps) {
    TempFolder folder;
    Viewer v(folder);
    // Before the event loop runs: the window is up and StartupBegin waits.
    EXPECT_TRUE(v.host.visible);
    EXPECT_EQ(v.host.rect, (Rect{0, 0, 1024, 768}));
    EXPECT_EQ(v.queue.pendingCount(), 2u);  // the Navigator's first listing, then StartupBegin
    std::string ini = folder.read("vellumo.ini");
    EXPECT_EQ(ini.rfind("[General Settings]\r\nApplicationLanguage=English\r\n", 0), 0u);
    EXPECT_NE(ini.find("[Commands Settings]"), std::string::npos);
    EXPECT_TRUE(IsRegularFile(JoinPath(folder.path, "lang/English.lang.txt")));
    EXPECT_TRUE(IsRegularFile(JoinPath(folder.path, "keys/Default.keys.txt")));
    v.queue.runPending();
    EXPECT_TRUE(v.host.focused);
    EXPECT_TRUE(v.viewer().noPhoto());
    EXPECT_GE(v.host.invalidateAllCount, 1);
    EXPECT_TRUE(v.desktop.beeps.empty());
    // A second start changes neither file.
    std::string lang = folder.read("lang/English.lang.txt");
    v.app->exit();
    EXPECT_EQ(folder.read("vellumo.ini"), ini);
    Viewer again(folder);
    again.queue.runPending();
    again.app->exit();
    EXPECT_EQ(folder.read("vellumo.ini"), ini);
    EXPECT_EQ(folder.read("lang/English.lang.txt"), lang);
}

TEST(ViewerStartup, CommandsAfterProgramStartRunAfterTheStartSteps) {
    TempFolder folder;
    // 169 toggles ScaleSavingMode; 168 switches the wheel mode.
    folder.write("vellumo.ini", "[Commands Settings]\r\nCommandsAfterProgramStart=169,168\r\n");
    Viewer v(folder);
    v.queue.runPending();
    EXPECT_EQ(v.app->scopes().current().ScaleSavingMode, 1);
    EXPECT_EQ(v.app->scopes().current().IntelliMouseMode, 'n');
    EXPECT_EQ(v.desktop.beeps, (std::vector<BeepKind>{BeepKind::Exclamation, BeepKind::Exclamation}));
}

TEST(ViewerStartup, WorkHeldForTheStartGoesOnOnlyAfterTheStartUpCommands) {
    // A start-up command that closes the program must come before the
    // Navigator sorts the rest of a large folder, which the start held back.
    TempFolder folder;
    folder.write("vellumo.ini", "[Commands Settings]\r\nCommandsAfterProgramStart=169\r\n");
    Viewer v(folder);
    std::vector<int> scaleSavingWhenOver;
    v.panel.onStartupOver = [&] { scaleSavingWhenOver.push_back(v.app->scopes().current().ScaleSavingMode); };
    v.queue.runPending();
    EXPECT_EQ(scaleSavingWhenOver, std::vector<int>{1});
}

TEST(ViewerStartup, TheStartPictureShowsAtRealScaleAndAPathOnTheCommandLineSkipsIt) {
    TempFolder folder;
    folder.write("vellumo.bmp", Bmp(100, 50, 255, 0, 0));
    std::string photo = folder.write("photo.bmp", Bmp(2048, 1536, 0, 255, 0));
    {
        Viewer v(folder);
        v.queue.runPending();
        EXPECT_TRUE(v.viewer().noPhoto());
        ASSERT_NE(v.viewer().bitmap(), nullptr);
        EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 100);
        // Real scale, centred.
        EXPECT_EQ(v.viewer().display().view().photoRect(), (Rect{462, 359, 562, 409}));
    }
    {
        Viewer v(folder, {"photo.bmp"});
        v.queue.runPending();
        EXPECT_FALSE(v.viewer().noPhoto());
        ASSERT_NE(v.viewer().bitmap(), nullptr);
        EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 2048);
        // Fitted to the 1024 x 768 screen (auto scale of a larger photo).
        EXPECT_EQ(v.viewer().display().view().photoRect(), (Rect{0, 0, 1024, 768}));
        EXPECT_EQ(v.viewer().display().photoPath(), photo);
    }
}

TEST(ViewerStartup, AnIniArgumentIsTheArchiveFileAndKeysHelpRunsWhileCounted) {
    TempFolder folder;
    std::string other = folder.write("My Archive.ini", "[General Settings]\r\nKeysHelpRunCount=2\r\n");
    folder.write("help/Keys.English.html", "<html></html>");
    {
        Viewer v(folder, {other});
        v.queue.runPending();
        EXPECT_FALSE(IsRegularFile(JoinPath(folder.path, "vellumo.ini")));
        ASSERT_EQ(v.desktop.opened.size(), 1u);
        EXPECT_EQ(v.desktop.opened[0], JoinPath(folder.path, "help/Keys.English.html"));
        v.app->exit();
    }
    // Counted down on the save at exit.
    EXPECT_NE(folder.read("My Archive.ini").find("KeysHelpRunCount=1   ;(0-10)"), std::string::npos);
}

TEST(ViewerCommands, AltXQuitsAfterTheBurstWindowAndExitWritesTheChangedKeys) {
    TempFolder folder;
    Viewer v(folder);
    v.queue.runPending();
    v.key(0x4E, false, true);  // Alt+N: nothing bound
    v.key('Z', false, true);   // Alt+Z: switch the wheel mode
    v.key('X', false, true);   // Alt+X flushes Alt+Z, then waits 80 ms
    EXPECT_EQ(v.host.closeCount, 0);
    v.queue.advance(79);
    EXPECT_EQ(v.host.closeCount, 0);
    v.queue.advance(2);
    EXPECT_EQ(v.host.closeCount, 1);
    v.app->exit();
    EXPECT_NE(folder.read("vellumo.ini").find("IntelliMouseMode=n   ;(z-Zoom, n-Next/Prev)"), std::string::npos);
}

TEST(ViewerCommands, SixPageDownsZoomFiveStepsThenOne) {
    TempFolder folder;
    folder.write("photo.bmp", Bmp(400, 300, 0, 0, 255));
    Viewer v(folder, {"photo.bmp"});
    v.queue.runPending();
    Rect start = v.viewer().display().view().photoRect();
    EXPECT_EQ(start, (Rect{312, 234, 712, 534}));
    for (int i = 0; i < 6; ++i) v.key(0x22);  // PageDown
    EXPECT_EQ(v.viewer().display().view().zoomSteps().applied, -5);
    v.queue.advance(80);
    EXPECT_EQ(v.viewer().display().view().zoomSteps().applied, -6);
}

TEST(ViewerCommands, ABrokenPhotoShowsItsMessageOnceAndPhotoCommandsThenBeep) {
    TempFolder folder;
    folder.write("broken.jpg", "\xFF\xD8\xFF\xE0 not really a jpeg");
    Viewer v(folder, {"broken.jpg"});
    v.queue.runPending();
    ASSERT_EQ(v.desktop.messages.size(), 1u);
    EXPECT_EQ(v.desktop.messages[0].caption, "Vellumo");
    EXPECT_TRUE(v.viewer().noPhoto());
    v.key(0x21);  // PageUp
    v.queue.advance(100);
    EXPECT_EQ(v.desktop.messages.size(), 1u);
    EXPECT_FALSE(v.desktop.beeps.empty());
}

TEST(ViewerCommands, ExtremePhotoShapesZoomPanAndRotate) {
    TempFolder folder;
    folder.write("dot.bmp", Bmp(1, 1, 9, 9, 9));
    folder.write("strip.bmp", Bmp(30000, 2, 200, 100, 0));
    for (const char* name : {"dot.bmp", "strip.bmp"}) {
        Viewer v(folder, {name});
        v.queue.runPending();
        ASSERT_NE(v.viewer().bitmap(), nullptr) << name;
        for (int vk : {0x21, 0x21, 0x21, 0x25, 0x27, 0x26, 0x28, 0x76, 0x77, 0x22, 0x22, 0x24, 0x23}) {
            v.key(vk);
            v.queue.advance(100);
        }
        const Rect& r = v.viewer().display().view().photoRect();
        EXPECT_GT(r.width(), 0) << name;
        EXPECT_GT(r.height(), 0) << name;
    }
}

TEST(ViewerCommands, TheMenuOpensAtTheMouseForARightClickAndCentredForF10) {
    TempFolder folder;
    Viewer v(folder);
    v.queue.runPending();
    v.viewer().mouseDown(MouseButton::Right, {300, 200}, {});
    v.queue.advance(100);
    ASSERT_EQ(v.desktop.menus.size(), 1u);
    EXPECT_EQ(v.desktop.menus[0].align, MenuAlign::RightVerticalCenter);
    EXPECT_EQ(v.desktop.menus[0].at, (Point{300, 200}));
    v.desktop.menuChoices.push_back(142);  // Exit chosen from the menu
    v.key(0x79);                           // F10
    v.queue.advance(100);
    ASSERT_EQ(v.desktop.menus.size(), 2u);
    EXPECT_EQ(v.desktop.menus[1].align, MenuAlign::Centered);
    EXPECT_EQ(v.host.closeCount, 1);
    // Items carry the language texts with the hotkeys.
    EXPECT_EQ(v.desktop.menus[1].items.front().text, "Zoom In\tPageUp");
    EXPECT_FALSE(v.desktop.menus[1].items.front().enabled);  // no photo yet
}

TEST(ViewerCommands, StartingATotalSlideshowOffersTheScriptsOfTheProgramFolder) {
    TempFolder folder;
    {
        Viewer v(folder);
        v.queue.runPending();
        v.viewer().onCommand(118, 0);
        EXPECT_TRUE(v.desktop.menus.empty());  // no script: the whole archive at once
    }
    folder.write("b trip.script.txt", "format=1000\r\n");
    folder.write("A Walk.SCRIPT.TXT", "format=1000\r\n");
    folder.write("notes.txt", "");
    Viewer v(folder);
    v.queue.runPending();
    v.viewer().onCommand(118, 0);
    ASSERT_EQ(v.desktop.menus.size(), 1u);
    const auto& items = v.desktop.menus[0].items;
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].id, 3001);
    EXPECT_EQ(items[0].text, "SlideShow");
    EXPECT_TRUE(items[1].separator);
    EXPECT_EQ(items[2].text, "A Walk");
    EXPECT_EQ(items[2].id, 3002);
    EXPECT_EQ(items[3].text, "b trip");
    EXPECT_EQ(v.desktop.menus[0].at, (Point{512, 384}));
}

TEST(ViewerCommands, TheMenuGreysPreviousAndNextAtTheEndsOfTheFolder) {
    TempFolder folder;
    folder.write("pics/a.bmp", Bmp(10, 10, 1, 2, 3));
    folder.write("pics/b.bmp", Bmp(10, 10, 1, 2, 3));
    Viewer v(folder, {"pics/a.bmp"});
    v.queue.runPending();
    auto itemEnabled = [&](int id) {
        for (const auto& item : v.desktop.menus.back().items)
            if (item.id == id) return item.enabled;
        ADD_FAILURE() << "no item " << id;
        return false;
    };
    v.key(0x79);  // F10
    v.queue.advance(100);
    ASSERT_FALSE(v.desktop.menus.empty());
    EXPECT_FALSE(itemEnabled(114));
    EXPECT_TRUE(itemEnabled(115));
    EXPECT_TRUE(itemEnabled(100));  // a photo is shown: zooming works
    v.viewer().onCommand(115, 1);   // next photo
    v.queue.runPending();
    v.key(0x79);
    v.queue.advance(100);
    EXPECT_TRUE(itemEnabled(114));
    EXPECT_FALSE(itemEnabled(115));
    EXPECT_EQ(FileNameOf(v.viewer().display().photoPath()), "b.bmp");
}

TEST(ViewerStartup, ASettingsFileAndAScriptOnTheCommandLineAreNeitherTakenAsAPath) {
    TempFolder folder;
    folder.write("vellumo.bmp", Bmp(8, 8, 1, 1, 1));
    std::string ini = folder.write("Trip.ini", "");
    std::string script = folder.write("Summer.script.txt", "format=1000\r\n");
    Viewer v(folder, {"Trip.ini", "Summer.script.txt"});
    v.queue.runPending();
    const Settings& s = v.app->scopes().current();
    EXPECT_EQ(s.SlideShowAutoExec, 1);
    EXPECT_EQ(s.SlideShowAutoExecScript, script);
    // The start picture shows: no path was opened.
    EXPECT_TRUE(v.viewer().noPhoto());
    ASSERT_NE(v.viewer().bitmap(), nullptr);
    EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 8);
    // The settings file named on the command line was completed, not the program's own.
    EXPECT_NE(folder.read("Trip.ini").find("[Commands Settings]"), std::string::npos);
    EXPECT_FALSE(IsRegularFile(JoinPath(folder.path, "vellumo.ini")));
}

TEST(ViewerStartup, WithTheNavigatorSettingOffItStaysHiddenUntilTabShowsIt) {
    TempFolder folder;
    folder.write("vellumo.ini", "[Navigator Settings]\r\nNavigator=0\r\n");
    Viewer v(folder);
    v.queue.runPending();
    EXPECT_FALSE(v.panel.window.visible);
    v.key(0x09);  // Tab
    v.queue.runPending();
    EXPECT_TRUE(v.panel.window.visible);
    EXPECT_EQ(v.app->scopes().current().Navigator, 1);
}

TEST(ViewerMouse, ADragEndsWhenItsButtonReleaseGoesElsewhere) {
    TempFolder folder;
    folder.write("big.bmp", Bmp(2048, 1536, 30, 60, 90));
    Viewer v(folder, {"big.bmp"});
    v.queue.runPending();
    v.viewer().onCommand(cmd::RealScale, 0);
    ASSERT_NE(v.viewer().bitmap(), nullptr);
    auto& viewer = v.viewer();
    const auto left = [&] { return viewer.display().view().photoRect().left; };

    // A release lost to a menu or another window: the next move without the button ends the drag.
    viewer.mouseDown(MouseButton::Left, {500, 400}, {});
    ASSERT_TRUE(viewer.display().dragging());
    EXPECT_TRUE(v.host.captured);
    viewer.mouseMove({450, 400}, true);
    const int dragged = left();
    viewer.mouseMove({300, 400}, false);
    EXPECT_FALSE(viewer.display().dragging());
    EXPECT_FALSE(v.host.captured);
    EXPECT_EQ(left(), dragged);
    viewer.mouseMove({100, 400}, false);
    EXPECT_EQ(left(), dragged);

    // Losing the focus or the activation ends it as well.
    viewer.mouseDown(MouseButton::Left, {500, 400}, {});
    viewer.focusChanged(false);
    EXPECT_FALSE(viewer.display().dragging());
    EXPECT_FALSE(v.host.captured);
    viewer.mouseDown(MouseButton::Left, {500, 400}, {});
    viewer.activationChanged(false);
    EXPECT_FALSE(viewer.display().dragging());
    viewer.mouseMove({200, 400}, true);
    EXPECT_EQ(left(), dragged);

    // A sideways wheel step scrolls by the move step.
    const int before = left();
    viewer.scrollStep(0, true);
    EXPECT_LT(left(), before);
    viewer.scrollStep(0, false);
    EXPECT_EQ(left(), before);
}

TEST(ViewerPhotos, PhotosAreShownInTheColoursOfTheScreensProfile) {
    TempFolder folder;
    folder.write("a.bmp", Bmp(64, 48, 200, 0, 0));
    folder.write("b.bmp", Bmp(64, 48, 0, 0, 200));
    // A screen whose red and green channels are changed round: sRGB red is
    // lit by its green channel.
    Viewer v(folder, {"a.bmp"}, [](Viewer& viewer) {
        viewer.desktop.screenProfile =
            BuildRgbProfile({0.3127, 0.3290, 0.30, 0.60, 0.64, 0.33, 0.15, 0.06}, TransferCurve::Srgb);
    });
    v.queue.runPending();
    auto shown = [&v] {
        const RGBAPixel p = v.viewer().bitmap()->GetPixel(10, 10);
        return std::array<int, 3>{PixelRed(p), PixelGreen(p), PixelBlue(p)};
    };
    auto step = [&v](int command) {
        v.queue.advance(kPrefetchSettleMs + 10);  // the neighbours are decoded ahead
        v.queue.post(&v.viewer(), command);
        v.queue.runPending();
        ASSERT_NE(v.viewer().bitmap(), nullptr);
    };
    ASSERT_NE(v.viewer().bitmap(), nullptr);
    EXPECT_NEAR(shown()[0], 0, 2);
    EXPECT_NEAR(shown()[1], 200, 2);
    // The next photo, decoded ahead for this screen, and the one left, kept.
    step(115);
    EXPECT_NEAR(shown()[2], 200, 2);
    step(114);
    EXPECT_NEAR(shown()[1], 200, 2);
    // The screen goes plain: what was decoded for the other profile is not shown.
    v.desktop.screenProfile.clear();
    step(115);
    EXPECT_NEAR(shown()[2], 200, 2);
    step(114);
    EXPECT_NEAR(shown()[0], 200, 2);
    EXPECT_NEAR(shown()[1], 0, 2);
    // The colour manager sets the swapping profile again while the photo is
    // on screen, turned: shown anew in the screen's colours, still turned.
    v.queue.post(&v.viewer(), 111);  // turn right
    v.queue.runPending();
    v.desktop.screenProfile =
        BuildRgbProfile({0.3127, 0.3290, 0.30, 0.60, 0.64, 0.33, 0.15, 0.06}, TransferCurve::Srgb);
    v.viewer().screenColoursChanged();
    v.queue.runPending();
    ASSERT_NE(v.viewer().bitmap(), nullptr);
    EXPECT_EQ(v.viewer().bitmap()->GetWidth(), 48);
    EXPECT_NEAR(shown()[0], 0, 2);
    EXPECT_NEAR(shown()[1], 200, 2);
}
