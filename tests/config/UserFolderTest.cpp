// A program folder that cannot be written (an installed copy, a disc): the
// user's changes go to a folder of the user's own and the folder's settings
// still apply.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ConfigTestSupport.h"
#include "config/Hotkeys.h"
#include "config/ScopeStack.h"
#include "fakes/ReadOnlyMount.h"

using namespace vellumo;
using vellumo::testing::TempFolder;

TEST(UserFolder, IsNamedAfterTheProgramFolderBelowTheConfigHome) {
    const char* oldHome = std::getenv("HOME");
    const std::string home = oldHome ? oldHome : "";
    setenv("XDG_CONFIG_HOME", "/home/u/cfg/", 1);
    EXPECT_EQ(UserFolderFor("/usr/lib/vellumo"), "/home/u/cfg/vellumo/%2Fusr%2Flib%2Fvellumo");
    EXPECT_EQ(UserFolderFor("/media/a%2Fb"), "/home/u/cfg/vellumo/%2Fmedia%2Fa%252Fb");
    setenv("XDG_CONFIG_HOME", "relative", 1);  // not absolute: ignored, as the XDG rules say
    setenv("HOME", "/home/u", 1);
    EXPECT_EQ(UserFolderFor("/cd"), "/home/u/.config/vellumo/%2Fcd");
    unsetenv("XDG_CONFIG_HOME");
    if (oldHome) setenv("HOME", home.c_str(), 1);
    else unsetenv("HOME");
}

TEST(UserFolder, KeepsOnlyTheChangedKeysAndLeavesTheProgramFolderAlone) {
    TempFolder disc, home;
    const std::string discIni = "[Slideshow Settings]\r\nSlideShowDelay=5\r\n[Navigator Settings]\r\nNavigator=1\r\n";
    disc.write("vellumo.ini", discIni);
    disc.folder("trip");
    ProgramLocation program = disc.program();
    program.userFolder = home.sub("vellumo/disc");
    const std::string userIni = home.sub("vellumo/disc/vellumo.ini");

    // The first start runs with the disc mounted read-only, as a real disc is.
    int code = vellumo::testing::RunWithReadOnlyFolder(disc.path, [&] {
        ScopeStack stack(program);
        stack.StartArchive();
        if (stack.current().SlideShowDelay != 5.0 || stack.current().Navigator != 1) return 2;
        LoadHotkeys(program.folder, "Default", program.userFolder);
        stack.EnterFolder(disc.sub("trip"));
        stack.current().Navigator = 0;
        return 0;
    });
    ASSERT_EQ(code, 0);
    EXPECT_EQ(disc.read("vellumo.ini"), discIni);
    EXPECT_EQ(ListFolderNames(disc.path).size(), 2u);  // vellumo.ini and trip: no lang, no keys
    EXPECT_EQ(ReadWholeFile(userIni).value_or(""),
              "[General Settings]\r\nPathToStart=" + disc.sub("trip") +
                  "\r\n\r\n[Navigator Settings]\r\nNavigator=0   ;(0-off, 1-on)\r\n");
    // Language and hotkeys files are written whole beside it.
    EXPECT_NE(ReadWholeFile(home.sub("vellumo/disc/lang/English.lang.txt")).value_or("").find("[Language Settings]"),
              std::string::npos);
    EXPECT_NE(ReadWholeFile(home.sub("vellumo/disc/keys/Default.keys.txt")).value_or("").find("[Keyboard]"),
              std::string::npos);

    // A new disc version changes the delay: the user's file does not hold it, so it applies.
    disc.write("vellumo.ini", "[Slideshow Settings]\r\nSlideShowDelay=7\r\n[Navigator Settings]\r\nNavigator=1\r\n");
    {
        ScopeStack stack(program);
        stack.StartArchive();
        EXPECT_DOUBLE_EQ(stack.current().SlideShowDelay, 7.0);
        EXPECT_EQ(stack.current().Navigator, 0);
        EXPECT_EQ(stack.current().PathToStart, disc.sub("trip"));
        stack.current().Navigator = 1;  // back to the disc's value: no longer the user's own
    }
    EXPECT_EQ(ReadWholeFile(userIni).value_or(""),
              "[General Settings]\r\nPathToStart=" + disc.sub("trip") + "\r\n\r\n[Navigator Settings]\r\n");
}
