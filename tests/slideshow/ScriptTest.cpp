#include <gtest/gtest.h>

#include "fakes/ReadOnlyMount.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/Files.h"
#include "slideshow/ScriptFile.h"
#include "slideshow/ScriptFiles.h"
#include "slideshow/SlideDelay.h"
#include "slideshow/SlideshowCommands.h"
#include "slideshow/SlideshowHarness.h"

namespace vellumo {
namespace {

using testing::SlideshowHarness;
using testing::TempTree;

std::string Read(const std::string& path) {
    auto bytes = ReadWholeFile(path);
    return bytes ? *bytes : std::string("<missing>");
}

const std::string kFirst = "format=1000   ; after semicolon may be your comment (only on this line)";

TEST(SlideDelay, LimitsAndSteps) {
    EXPECT_EQ(SlowerDelay(3.0), 4.5);
    EXPECT_EQ(SlowerDelay(1.0), 2.0);
    EXPECT_EQ(SlowerDelay(1.5), 2.0);
    EXPECT_EQ(SlowerDelay(500.0), 600.0);
    EXPECT_FALSE(SlowerDelay(600.0));
    EXPECT_EQ(FasterDelay(3.0), 2.0);
    EXPECT_NEAR(*FasterDelay(2.0), 1.3333333, 1e-6);
    EXPECT_EQ(FasterDelay(1.3333333), 1.0);
    EXPECT_FALSE(FasterDelay(1.0));
    EXPECT_EQ(SlideTimerMs(2.5), 2500);
    EXPECT_EQ(SlideTimerMs(1.3333333), 1333);
    EXPECT_EQ(SlideTimerMs(0), 1);
}

TEST(ScriptNames, LowestFreeNumberAndEmptyPrefix) {
    TempTree t;
    std::string dir = t.folder("prog");
    EXPECT_EQ(NextScriptName({dir}, "SlideShow"), "SlideShow1.script.txt");
    t.file("prog/SlideShow1.script.txt");
    t.file("prog/slideshow2.SCRIPT.TXT");  // made on Windows: the number is taken
    EXPECT_EQ(NextScriptName({dir}, "SlideShow"), "SlideShow3.script.txt");
    std::filesystem::remove(t.path("prog/SlideShow1.script.txt"));
    EXPECT_EQ(NextScriptName({dir}, "SlideShow"), "SlideShow1.script.txt");
    EXPECT_EQ(NextScriptName({dir}, ""), "_list1.script.txt");
}

TEST(ScriptText, DriveFreeOrWholePathsWithCrLfAndNoFinalBreak) {
    std::vector<Drive> drives{{"/", DriveType::Fixed, "ext4"},
                              {"/home/u", DriveType::Fixed, "ext4"},
                              {"/media/cd", DriveType::CdRom, "iso9660"}};
    EXPECT_EQ(ScriptLineFor("/media/cd/Trip/a.jpg", false, drives), ":/Trip/a.jpg");
    EXPECT_EQ(ScriptLineFor("/home/u/P/b.jpg", false, drives), ":/P/b.jpg");
    EXPECT_EQ(ScriptLineFor("/srv/c.jpg", false, drives), ":/srv/c.jpg");
    EXPECT_EQ(ScriptLineFor("/media/cd/Trip/a.jpg", true, drives), "/media/cd/Trip/a.jpg");
    EXPECT_EQ(ScriptLineFor("/media/cdrom/x.jpg", false, drives), ":/media/cdrom/x.jpg");
    EXPECT_EQ(ScriptText({"/media/cd/Trip/a.jpg", "/media/cd/bad\nname.jpg", "/media/cd/Trip/b.jpg"}, false, drives),
              kFirst + "\r\n:/Trip/a.jpg\r\n:/Trip/b.jpg");
    EXPECT_EQ(ScriptText({}, false, drives), kFirst);
}

TEST(ScriptReading, LinesAfterTheFirstWithAnyLineEnd) {
    using V = std::vector<std::string_view>;
    EXPECT_EQ(ScriptPathLines(""), V{});
    EXPECT_EQ(ScriptPathLines("/only/first/line.jpg"), V{});
    EXPECT_EQ(ScriptPathLines("first\r\na\r\n\r\nb"), (V{"a", "", "b"}));
    EXPECT_EQ(ScriptPathLines("first\na\rb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(ScriptPathLines("\r\n\r\n \r\n"), (V{"", " "}));
}

TEST(ScriptReading, PathsByTheRulesForPathsInFiles) {
    const std::string prog = "/media/cd/prog", drive = "/media/cd";
    auto path = [&](std::string_view line) { return ScriptLinePath(line, prog, drive).value_or("<skipped>"); };
    EXPECT_EQ(path(":\\Trip\\a.jpg"), "/media/cd/Trip/a.jpg");
    EXPECT_EQ(path("E:\\Trip\\a.jpg"), "/media/cd/Trip/a.jpg");
    EXPECT_EQ(path(":/Trip/a.JPG"), "/media/cd/Trip/a.JPG");
    EXPECT_EQ(path("/home/u/b.tif"), "/home/u/b.tif");
    EXPECT_EQ(path("Trip\\c.jpg"), "/media/cd/prog/Trip/c.jpg");
    EXPECT_EQ(path("\\Trip\\c.jpg"), "/media/cd/prog/Trip/c.jpg");
    EXPECT_EQ(path("..\\Trip\\.\\d.jpg"), "/media/cd/Trip/d.jpg");
    // Out of the disc with "..", no photo name, nothing at all.
    EXPECT_EQ(path("..\\..\\etc\\x.jpg"), "<skipped>");
    EXPECT_EQ(path(":\\..\\x.jpg"), "<skipped>");
    EXPECT_EQ(path("/../x.jpg"), "<skipped>");
    EXPECT_EQ(path(":\\Trip\\notes.txt"), "<skipped>");
    EXPECT_EQ(path(":\\Trip\\a.jpg "), "<skipped>");  // the blank belongs to the name
    EXPECT_EQ(path(""), "<skipped>");
    EXPECT_EQ(path("D:"), "<skipped>");
    EXPECT_EQ(path(std::string_view("a\0.jpg", 6)), "<skipped>");
}

// A running total show over the disc's Trip folder is written as a script.
TEST(MakeScript, WritesTheListOnceWithDriveFreePaths) {
    SlideshowHarness h;
    std::string trip = h.photos("cd/Trip", {"b.jpg", "a.jpg"});
    h.openAt(trip);
    h.command(167);  // no show: nothing
    EXPECT_TRUE(ListFolderNames(h.programFolder).empty());
    h.shows().startTotal("");
    h.waitForWalk();
    h.command(167);
    EXPECT_EQ(Read(h.programFolder + "/SlideShow1.script.txt"), kFirst + "\r\n:/Trip/a.jpg\r\n:/Trip/b.jpg");
    EXPECT_TRUE(h.shows().listSaved());
    h.command(167);  // once per show
    EXPECT_EQ(ListFolderNames(h.programFolder).size(), 1u);
    h.command(119);

    h.settings.SlideShowAbsolutePathes = 1;
    h.shows().startTotal("");
    h.waitForWalk();
    h.command(167);
    EXPECT_EQ(Read(h.programFolder + "/SlideShow2.script.txt"), kFirst + "\r\n" + trip + "/a.jpg\r\n" + trip + "/b.jpg");
    h.command(119);

    std::filesystem::remove(h.programFolder + "/SlideShow1.script.txt");
    h.prefix = "";
    h.shows().startTotal("");
    h.waitForWalk();
    h.command(167);
    EXPECT_TRUE(IsRegularFile(h.programFolder + "/_list1.script.txt"));
    h.command(119);
    // A prefix from a language file never leads out of the program folder.
    h.prefix = "../evil/";
    h.shows().startTotal("");
    h.waitForWalk();
    h.command(167);
    EXPECT_TRUE(IsRegularFile(h.programFolder + "/.._evil_1.script.txt"));
}

TEST(MakeScript, ReadOnlyProgramFolderWritesNothingSilently) {
    // The program folder is mounted read-only in a child process of its own,
    // which stops root as well.
    int code = vellumo::testing::RunInChild([] {
        SlideshowHarness h;
        std::string trip = h.photos("cd/Trip", {"a.jpg"});
        h.openAt(trip);
        if (!vellumo::testing::MountReadOnlyInOwnNamespace(h.programFolder)) return vellumo::testing::kNoReadOnlyMount;
        h.shows().startTotal("");
        h.waitForWalk();
        h.command(167);
        const int result = !ListFolderNames(h.programFolder).empty() ? 2 : !h.desktop.messages.empty() ? 3 : 0;
        // The mount point could not be removed with the tree, which would stop
        // the removal of the whole temporary folder.
        umount2(h.programFolder.c_str(), MNT_DETACH);
        return result;
    });
    EXPECT_EQ(code, 0);
}

TEST(PlayScript, PlaysWhatExistsAndSkipsTheRest) {
    SlideshowHarness h;
    std::string trip = h.photos("cd/Trip", {"a.jpg", "b.jpg", "c.jpg"});
    std::string script = h.tree.file("cd/prog/Trip.script.txt",
                                     ":\\Trip\\c.jpg\r\n"  // line 1 is never a path
                                     ":\\Trip\\b.jpg\r\n"
                                     "missing.jpg\r\n"
                                     "\r\n"
                                     "E:\\Trip\\a.jpg\r\n"
                                     ":/Trip/b.jpg \r\n"
                                     "..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\..\\etc\\x.jpg\r\n"
                                     "Trip\\..\\..\\Trip\\c.jpg\r\n" +
                                         std::string(10 << 20, 'x') + "\r\n");
    h.openAt(h.tree.folder("elsewhere"));
    h.shows().startTotal(script);
    h.queue.runPending();
    EXPECT_TRUE(h.shows().totalRunning());
    EXPECT_TRUE(h.shows().playedFromScript());
    EXPECT_EQ(h.shows().totalList().snapshot(),
              (std::vector<std::string>{trip + "/b.jpg", trip + "/a.jpg", trip + "/c.jpg"}));
    EXPECT_EQ(h.scopeCalls, std::vector<std::string>{"enter " + script});
    EXPECT_EQ(h.shownNames(), std::vector<std::string>{"b.jpg"});
    EXPECT_FALSE(h.shows().totalCollecting());
    EXPECT_EQ(h.viewer.cursors, (std::vector<int>{2003, 2002}));
    // A list read from a script is never written again.
    h.command(167);
    EXPECT_EQ(ListFolderNames(h.programFolder), std::vector<std::string>{"Trip.script.txt"});
    // Starting again while it runs changes nothing of its scope.
    h.shows().startTotal(script);
    EXPECT_EQ(h.scopeCalls.size(), 1u);
    h.command(119);
    EXPECT_EQ(h.scopeCalls, (std::vector<std::string>{"enter " + script, "leave"}));
    EXPECT_EQ(h.nav->archive().currentFolder(), h.tree.path("elsewhere"));
}

TEST(MakeScript, AReadOnlyProgramFolderHasItsScriptsInTheUserFolder) {
    SlideshowHarness h;
    h.photos("cd/Trip", {"a.jpg"});
    h.tree.file("cd/prog/SlideShow1.script.txt", "x\r\n:/Trip/a.jpg");
    h.tree.file("user/SlideShow2.script.txt", "x\r\n:/Trip/a.jpg");
    h.tree.file("user/SlideShow1.script.txt", "shadowed by the program folder's");
    // The harness's Navigator, told of a user folder.
    NavigatorSettingsAccess access = h.access();
    access.userFolder = h.tree.path("user");
    h.create(access);
    h.openAt(h.tree.path("cd/Trip"));
    h.shows().startTotal("");
    h.waitForWalk();
    h.command(167);
    EXPECT_EQ(Read(h.tree.path("user/SlideShow3.script.txt")), kFirst + "\r\n:/Trip/a.jpg");
    EXPECT_EQ(ListScriptPaths(h.programFolder, h.tree.path("user")),
              (std::vector<std::string>{h.programFolder + "/SlideShow1.script.txt", h.tree.path("user/SlideShow2.script.txt"),
                                        h.tree.path("user/SlideShow3.script.txt")}));
    EXPECT_EQ(ListScriptPaths(h.programFolder, ""), std::vector<std::string>{h.programFolder + "/SlideShow1.script.txt"});
}

TEST(PlayScript, ScriptsWithNothingToShowEndAtOnce) {
    SlideshowHarness h;
    h.openAt(h.tree.folder("here"));
    const std::string scripts[] = {
        h.tree.file("cd/prog/gone.script.txt", "format=1000\r\n:\\Trip\\gone.jpg"),
        h.tree.file("cd/prog/empty.script.txt", ""),
        h.tree.file("cd/prog/blank.script.txt", "\r\n\r\n\r\n"),
        h.tree.path("cd/prog/not-there.script.txt"),
    };
    for (const auto& s : scripts) {
        h.shows().startTotal(s);
        h.queue.runPending();
        EXPECT_FALSE(h.shows().totalRunning()) << s;
    }
    EXPECT_EQ(h.scopeCalls.size(), 8u);
    EXPECT_EQ(h.scopeCalls.back(), "leave");
    EXPECT_TRUE(h.viewer.shown.empty());
}

// The viewer's commands: F9, the script menu and the script numbers.
struct ViewerSide : CommandTarget {
    std::vector<int> commands;
    void onCommand(int c, std::intptr_t) override { commands.push_back(c); }
    void onTimer(int) override {}
};

TEST(ScriptMenu, OffersTheScriptsAndPlaysTheChosenOne) {
    SlideshowHarness h;
    std::string trip = h.photos("cd/Trip", {"a.jpg"});
    h.tree.file("cd/prog/b.script.txt", "x\r\n:/Trip/a.jpg");
    h.tree.file("cd/prog/A.script.txt", "x\r\n:/Trip/a.jpg");
    h.openAt(trip);
    ViewerSide viewer;
    SlideshowCommandContext c;
    c.queue = &h.queue;
    c.viewer = &viewer;
    c.desktop = &h.desktop;
    c.slideshows = [&h] { return &h.shows(); };
    c.navigator = [&h]() -> CommandTarget* { return h.nav.get(); };
    int effectsEnded = 0;
    c.endEffect = [&] { ++effectsEnded; };
    c.settings = [&h]() -> const Settings& { return h.settings; };
    std::vector<CommandList> lists;
    c.runCommandList = [&](const CommandList& l) { lists.push_back(l); };
    c.wholeArchiveText = [] { return std::string("SlideShow"); };
    c.programFolder = h.programFolder;
    c.programDrive = h.tree.path("cd");
    c.screen = {0, 0, 1000, 800};
    SlideshowCommands commands(c);

    EXPECT_TRUE(commands.handle(117, 1));
    h.queue.runPending();
    EXPECT_EQ(viewer.commands, std::vector<int>{118});
    h.desktop.menuChoices.push_back(3003);
    EXPECT_TRUE(commands.handle(118, 1));
    ASSERT_EQ(h.desktop.menus.size(), 1u);
    const auto& items = h.desktop.menus[0].items;
    ASSERT_EQ(items.size(), 4u);
    EXPECT_EQ(items[0].id, 3001);
    EXPECT_EQ(items[0].text, "SlideShow");
    EXPECT_TRUE(items[1].separator);
    EXPECT_EQ(items[2].text, "A");
    EXPECT_EQ(items[3].text, "b");
    EXPECT_EQ(items[3].id, 3003);
    EXPECT_EQ(h.desktop.menus[0].at, (Point{500, 400}));
    EXPECT_EQ(h.scopeCalls, std::vector<std::string>{"enter " + h.programFolder + "/b.script.txt"});
    EXPECT_EQ(lists.size(), 1u);  // CommandsAfterSlideshowStart
    h.queue.runPending();
    EXPECT_TRUE(h.shows().totalRunning());

    EXPECT_TRUE(commands.handle(117, 1));
    h.queue.runPending();
    EXPECT_EQ(viewer.commands.back(), 119);
    EXPECT_TRUE(commands.handle(121, 1));
    EXPECT_EQ(effectsEnded, 1);
    EXPECT_TRUE(commands.handle(123, 1));
    EXPECT_EQ(h.desktop.beeps.back(), BeepKind::Exclamation);
    EXPECT_FALSE(commands.handle(125, 1));
    h.command(119);

    // Numbers beyond the list are ignored; 3000 plays the auto-run script.
    EXPECT_TRUE(commands.handle(3010, 1));
    EXPECT_FALSE(h.shows().totalRunning());
    h.settings.SlideShowAutoExecScript = "A.script.txt";
    EXPECT_TRUE(commands.handle(3000, 1));
    EXPECT_EQ(h.scopeCalls.back(), "enter " + h.programFolder + "/A.script.txt");
}

TEST(ScriptMenu, ScriptForCommandFallsBackToTheArchive) {
    TempTree t;
    std::string prog = t.folder("cd/prog");
    std::string a = t.file("cd/prog/a.script.txt");
    std::string other = t.file("cd/lists/x.script.txt");
    std::vector<std::string> listed{a, prog + "/gone.script.txt"};
    const std::string drive = t.path("cd");
    EXPECT_EQ(ScriptForCommand(3002, listed, "", prog, drive), a);
    EXPECT_EQ(ScriptForCommand(3003, listed, "", prog, drive), "");  // deleted meanwhile
    EXPECT_EQ(ScriptForCommand(3004, listed, "", prog, drive), "");
    EXPECT_EQ(ScriptForCommand(3001, listed, "a.script.txt", prog, drive), "");
    EXPECT_EQ(ScriptForCommand(3000, listed, "", prog, drive), "");
    EXPECT_EQ(ScriptForCommand(3000, listed, "a.script.txt", prog, drive), a);
    EXPECT_EQ(ScriptForCommand(3000, listed, "D:\\lists\\x.script.txt", prog, drive), other);
    EXPECT_EQ(ScriptForCommand(3000, listed, other, prog, drive), other);
    EXPECT_EQ(ScriptForCommand(3000, listed, "nope.script.txt", prog, drive), "");
}

}  // namespace
}  // namespace vellumo
