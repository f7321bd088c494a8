#include <gtest/gtest.h>

#include "app/CommandLine.h"

using namespace vellumo;

TEST(CommandLine, SettingsScriptAndPathAreTakenApart) {
    auto cl = CommandLine::Parse({"My Archive.INI", "trip/Summer.Script.TXT", "Photos/IMG 1.JPG"}, "/home/u");
    EXPECT_EQ(cl.settingsFile, "/home/u/My Archive.INI");
    EXPECT_EQ(cl.script, "/home/u/trip/Summer.Script.TXT");
    // Kept as typed: never lower-cased.
    EXPECT_EQ(cl.path, "/home/u/Photos/IMG 1.JPG");
}

TEST(CommandLine, OnlyTheFirstOfEachKindCounts) {
    auto cl = CommandLine::Parse({"/a/x.ini", "/b/y.ini", "/p1", "/p2", ""}, "/w");
    EXPECT_EQ(cl.settingsFile, "/a/x.ini");
    EXPECT_EQ(cl.path, "/p1");
    EXPECT_TRUE(cl.script.empty());
}

TEST(CommandLine, AFolderWithDotsIsAPathAndEmptyArgumentsAreSkipped) {
    auto cl = CommandLine::Parse({"", "./2001.11.ini.backup", "-dash dir"}, "/w");
    EXPECT_EQ(cl.path, "/w/2001.11.ini.backup");
    EXPECT_TRUE(cl.settingsFile.empty());
    EXPECT_EQ(CommandLine::Parse({"-dash dir"}, "/w").path, "/w/-dash dir");
}
