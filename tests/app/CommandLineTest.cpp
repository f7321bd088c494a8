#include <gtest/gtest.h>

#include <algorithm>

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

namespace {
using Action = ProgramOptions::Action;
using Words = std::vector<std::string>;

ProgramOptions Read(const Words& argv, const Words& existing = {}) {
    return ProgramOptions::Read(argv, [&](const std::string& a) {
        return std::find(existing.begin(), existing.end(), a) != existing.end();
    });
}
}  // namespace

TEST(ProgramOptions, HelpAndVersionAnywhereUnknownOptionsAreUsageErrors) {
    EXPECT_EQ(Read({"-h"}).action, Action::Help);
    EXPECT_EQ(Read({"photo.jpg", "--help"}).action, Action::Help);
    EXPECT_EQ(Read({"--version", "x.ini"}).action, Action::Version);
    for (const Words& w : {Words{"--bogus"}, Words{"a.jpg", "-x"}, Words{"-"}, Words{"-help"}, Words{"--h"}}) {
        ProgramOptions o = Read(w);
        EXPECT_EQ(o.action, Action::UsageError) << w.back();
        EXPECT_EQ(o.badOption, w.back());
    }
    // The first of an error and a help decides.
    EXPECT_EQ(Read({"--bogus", "--help"}).action, Action::UsageError);
}

TEST(ProgramOptions, ExistingFilesAndWhatFollowsDoubleDashArePaths) {
    ProgramOptions o = Read({"-x.jpg", "--", "--help", "-"}, {"-x.jpg"});
    EXPECT_EQ(o.action, Action::Run);
    EXPECT_EQ(o.arguments, (Words{"-x.jpg", "--help", "-"}));
    EXPECT_TRUE(o.toolkitArguments.empty());
    // A file named like an option is a path, not the option.
    o = Read({"--version"}, {"--version"});
    EXPECT_EQ(o.action, Action::Run);
    EXPECT_EQ(o.arguments, Words{"--version"});
}

TEST(ProgramOptions, TheToolkitsOptionsGoToItWithTheirValues) {
    ProgramOptions o = Read({"-platform", "offscreen", "Trip", "--display=:1", "-reverse", "-style", "fusion",
                             "a.ini", "-qwindowgeometry", "640x480"});
    EXPECT_EQ(o.action, Action::Run);
    EXPECT_EQ(o.arguments, (Words{"Trip", "a.ini"}));
    EXPECT_EQ(o.toolkitArguments,
              (Words{"-platform", "offscreen", "--display=:1", "-reverse", "-style", "fusion", "-qwindowgeometry", "640x480"}));
    // A flag given a value is no option of the toolkit.
    EXPECT_EQ(Read({"-reverse=1"}).action, Action::UsageError);
}
