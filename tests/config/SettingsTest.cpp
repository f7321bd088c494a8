#include <gtest/gtest.h>

#include <sys/stat.h>

#include "ConfigTestSupport.h"
#include "fakes/ReadOnlyMount.h"
#include "config/ProfileFile.h"
#include "config/ScopeStack.h"
#include "config/Settings.h"
#include "config/SettingsScope.h"

using namespace vellumo;
using vellumo::testing::TempFolder;

namespace {

// The archive file a first start writes into an empty program folder.
const char* const kFirstStartFile =
    "[General Settings]\r\n"
    "ApplicationLanguage=English\r\n"
    "ApplicationName=Photoarchive\r\n"
    "ApplicationIcon=1   ;(1-5)\r\n"
    "PathHorizon=\r\n"
    "PathToStart=\r\n"
    "BackgroundColor=0,0,0   ;RGB (0-255, ...)\r\n"
    "PlaySoundCommentToPhoto=1   ;(1-yes, 0-no)\r\n"
    "KeysHelpRunCount=0   ;(0-10)\r\n"
    "IntelliMouseMode=z   ;(z-Zoom, n-Next/Prev)\r\n"
    "ScaleStart=a   ;(r-Real, f-Fit to Screen, a-Auto)\r\n"
    "ScaleSavingMode=0   ;(0-off, 1-on)\r\n"
    "OpenPhotoWith=   ;(photoshp.exe, mspaint.exe, ...)\r\n"
    "OpenCommentWith=notepad.exe   ;(notepad.exe, etc)\r\n"
    "OpenConfigurationWith=notepad.exe   ;(notepad.exe, VellumoEdit.exe)\r\n"
    "\r\n"
    "[Navigator Settings]\r\n"
    "Navigator=1   ;(0-off, 1-on)\r\n"
    "NavigatorRect=750,500,250,500   ;XYWH (1-1000, ...)\r\n"
    "NavigatorDockingSpace=9   ;in pixels (0-19)\r\n"
    "\r\n"
    "[Comment Settings]\r\n"
    "Comment=1   ;(0-off, 1-on)\r\n"
    "CommentRect=250,900,500,100   ;XYWH (1-1000, ...)\r\n"
    "CommentRectAutoSize=1   ;(1-yes, 0-no)\r\n"
    "CommentColor=255,255,255   ;RGB (0-255, ...)\r\n"
    "CommentShadowColor=0,0,0   ;RGB (0-255, ...)\r\n"
    "CommentShadowOffset=1   ;in pixels (0-10)\r\n"
    "CommentAlign=c   ;(l-left, c-center, r-right)\r\n"
    "CommentFont=Arial,24,0,0,0   ;Name,Height(6-72),Bold(0-1),Italic(0-1),Underline(0-1)\r\n"
    "CommentFontFile=\r\n"
    "CommentsOrder=1   ;(1-from embedded to global, 2-from global to embedded, 3-first from embedded only, 4-first "
    "from global only)\r\n"
    "CommentsIncluded=e,a,d,f,s,g   ;(e-embedded, a-attached, d-descript.ion, f-to folder, s-to script, g-global)\r\n"
    "\r\n"
    "[Slideshow Settings]\r\n"
    "SlideShowAutoExec=0   ;(0-none, 1-run total slideshow, 2-run small slideshow)\r\n"
    "SlideShowAutoExecScript=\r\n"
    "SlideShowDelay=3.00   ;in seconds (1.00-600.00)\r\n"
    "SlideShowAbsolutePathes=0   ;(1-yes, 0-no)\r\n"
    "SlideShowStopScreenSaver=1   ;(1-yes, 0-no)\r\n"
    "SlideShowMoveDownCursor=0   ;(0-no, 1-down, 2-right)\r\n"
    "SlideShowSmallEndAction=b   ;(b-begin again, s-stop slideshow, q-quit program)\r\n"
    "SlideShowTotalEndAction=b   ;(b-begin again, s-stop slideshow, q-quit program)\r\n"
    "SlideShowSmallRandom=0   ;(1-yes, 0-no)\r\n"
    "SlideShowTotalRandom=0   ;(1-yes, 0-no)\r\n"
    "\r\n"
    "[Thumbnails Settings]\r\n"
    "Thumbnails=0   ;(0-off, 1-on)\r\n"
    "ThumbnailsSize=48   ;in pixels (32-128)\r\n"
    "ThumbnailsSpaceX=13   ;horizontal spacing between thumbnails in pixels (13-53)\r\n"
    "ThumbnailsSpaceY=43   ;vertical spacing between thumbnails in pixels (13-53)\r\n"
    "ThumbnailsBorderColor=0,0,255   ;RGB (0-255, ...)\r\n"
    "ThumbnailsBorder=1   ;(0-off, 1-on)\r\n"
    "ThumbnailsCacheInFolders=0   ;(0-off, 1-on)\r\n"
    "ThumbnailsFineQuality=0   ;(1-yes, 0-no)\r\n"
    "ThumbnailsSelection=1   ;(1-usual, 2-extended)\r\n"
    "\r\n"
    "[Music Settings]\r\n"
    "Music=0   ;(0-off, 1-on)\r\n"
    "MusicPresent=a   ;(a-always, s-only in slideshow)\r\n"
    "MusicSearchMask=.\\*.mp3\r\n"
    "MusicRandom=0   ;(1-yes, 0-no)\r\n"
    "\r\n"
    "[Effects Settings]\r\n"
    "Effects=s   ;(a-always, s-only in slideshow, n-none, m-only in small slideshow, t-only in total slideshow)\r\n"
    "EffectsIncluded=all   ;(all; _all_; none; 11,12,13,14, ...)\r\n"
    "EffectsExcluded=none   ;(none; 11,12,13,14, ...)\r\n"
    "EffectsRandom=1   ;(1-yes, 0-no)\r\n"
    "\r\n"
    "[Commands Settings]\r\n"
    "CommandsHotkeys=Default\r\n"
    "CommandsAfterProgramStart=0   ;0-no command, see other commands numbers in the [Keyboard] section of "
    "\"*.keys.txt\" files\r\n"
    "CommandsAfterMusicFileEnd=0   ;0-no commands\r\n"
    "CommandsAfterSlideshowStart=127   ;default is 127 - hide navigator\r\n"
    "CommandsAfterSlideshowFinish=126   ;default is 126 - show navigator\r\n"
    "CommandsAfterZoomIn=127,130   ;default is 127,130 - hide navigator and comment \r\n"
    "CommandsAfterZoomOut=127,130   ;default is 127,130 - hide navigator and comment \r\n"
    "CommandsAfterKeyDown=0   ;0-no commands\r\n"
    "CommandsAfterMouseMove=0   ;0-no commands\r\n";

std::string Replace(std::string text, const std::string& from, const std::string& to) {
    size_t at = text.find(from);
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// Starts the program in the folder and shuts it down again; returns the archive file.
std::string StartAndStop(const TempFolder& t, ScopeHooks hooks = {}) {
    ScopeStack stack(t.program(), std::move(hooks));
    stack.StartArchive();
    stack.Shutdown();
    return t.read("vellumo.ini");
}

}  // namespace

TEST(SettingsLoad, FirstStartWritesEveryKeyInOrderAndASecondStartChangesNothing) {
    TempFolder t;
    ScopeStack stack(t.program());
    stack.StartArchive();
    EXPECT_EQ(t.read("vellumo.ini"), kFirstStartFile);
    const Settings& s = stack.current();
    EXPECT_EQ(s.ApplicationLanguage, "English");
    EXPECT_EQ(s.ApplicationName, "Photoarchive");
    EXPECT_EQ(s.MusicSearchMask, t.sub("*.mp3"));
    EXPECT_EQ(s.NavigatorRect, (Rect{750, 500, 1000, 1000}));
    EXPECT_EQ(s.CommentFont.faceName, "Arial");
    EXPECT_EQ(s.CommentFont.weight, 400);
    EXPECT_EQ(s.CommentFont.pitchAndFamily, 2);
    EXPECT_EQ(s.IncludedMask, 0x3F);
    EXPECT_EQ(s.CommandsAfterZoomIn, (CommandList{127, 130}));
    EXPECT_TRUE(s.CommandsAfterProgramStart.empty());
    EXPECT_EQ(s.NavigatorBackgroundColorGiven, 0);
    EXPECT_EQ(stack.scopes().front()->changes, [] { SettingsChangeSet c; c.setAll(); return c; }());
    stack.Shutdown();
    EXPECT_EQ(t.read("vellumo.ini"), kFirstStartFile);

    struct stat before{}, after{};
    stat(t.sub("vellumo.ini").c_str(), &before);
    EXPECT_EQ(StartAndStop(t), kFirstStartFile);
    stat(t.sub("vellumo.ini").c_str(), &after);
    EXPECT_EQ(before.st_ino, after.st_ino);  // not even rewritten
}

TEST(SettingsLoad, MissingKeysAreAddedAndOutOfRangeValuesRewrittenClamped) {
    TempFolder t;
    t.write("vellumo.ini",
            "; my archive\n[general settings]\nApplicationIcon=9\nKeysHelpRunCount=3\nMyOwnKey=kept\n"
            "[Thumbnails Settings]\nThumbnailsSize=49\nThumbnailsSpaceX=20\n; trailing note\n");
    ScopeStack stack(t.program());
    stack.StartArchive();
    const Settings& s = stack.current();
    EXPECT_EQ(s.ApplicationIcon, 5);
    EXPECT_EQ(s.ThumbnailsSize, 50);
    EXPECT_EQ(s.ThumbnailsSpaceX, 21);
    EXPECT_EQ(s.ThumbnailsSpaceY, 43);
    std::string file = t.read("vellumo.ini");
    EXPECT_EQ(file.rfind("; my archive\n[general settings]\nApplicationIcon=5   ;(1-5)\nKeysHelpRunCount=3   ;(0-10)\n"
                         "MyOwnKey=kept\n",
                         0),
              0u);
    EXPECT_NE(file.find("ThumbnailsSize=49   ;in pixels (32-128)\n"), std::string::npos);
    EXPECT_NE(file.find("ThumbnailsSpaceX=20   ;horizontal"), std::string::npos);
    EXPECT_NE(file.find("; trailing note\n"), std::string::npos);
    // Every key of the table is there afterwards.
    ProfileFile written(t.sub("vellumo.ini"));
    for (const auto& k : SettingsKeys()) {
        bool navigatorColour = std::string_view(k.name).starts_with("Navigator") && k.kind == ValueKind::Colour;
        EXPECT_EQ(written.get(SectionName(k.section), k.name).has_value(), !navigatorColour) << k.name;
    }
    stack.Shutdown();
    // Written back at exit counted down; the only change of a second start.
    EXPECT_NE(t.read("vellumo.ini").find("KeysHelpRunCount=2   ;(0-10)\n"), std::string::npos);
    std::string afterFirst = t.read("vellumo.ini");
    EXPECT_EQ(StartAndStop(t), Replace(afterFirst, "KeysHelpRunCount=2", "KeysHelpRunCount=1"));
}

TEST(SettingsLoad, ValueKindsReadAndClamp) {
    TempFolder t;
    t.write("vellumo.ini",
            "[General Settings]\r\nIntelliMouseMode=Next\r\nScaleStart=x\r\nBackgroundColor=300,-5\r\n"
            "ApplicationIcon=65530\r\nOpenPhotoWith=gimp --new;odd   ;(photoshp.exe)\r\n"
            "[Navigator Settings]\r\nNavigatorRect=900,950,5000\r\nNavigatorTextColor=1,2,3\r\n"
            "[Comment Settings]\r\nCommentFont=Tahoma,100,1\r\nCommentsIncluded=E,a   ;(e-embedded)\r\n"
            "CommentColor=1,2,3 $$$\r\n"
            "[Slideshow Settings]\r\nSlideShowDelay=abc\r\n"
            "[Commands Settings]\r\nCommandsAfterZoomIn=127, 99,130\r\nCommandsAfterZoomOut=127,99,130,174,0100\r\n"
            "CommandsAfterKeyDown=\r\nCommandsHotkeys=\r\n");
    ScopeStack stack(t.program());
    stack.StartArchive();
    const Settings& s = stack.current();
    EXPECT_EQ(s.IntelliMouseMode, 'n');
    EXPECT_EQ(s.ScaleStart, 'a');
    EXPECT_EQ(s.BackgroundColor, Rgb(255, 0, 0));
    EXPECT_EQ(s.ApplicationIcon, 1);  // 65530 counts as absent
    EXPECT_EQ(s.OpenPhotoWith, "gimp --new;odd");
    EXPECT_EQ(s.NavigatorRect, (Rect{900, 950, 1900, 950}));
    EXPECT_EQ(s.NavigatorTextColor, Rgb(1, 2, 3));
    EXPECT_EQ(s.NavigatorTextColorGiven, 1);
    EXPECT_EQ(s.NavigatorBackgroundColorGiven, 0);
    EXPECT_EQ(s.CommentFont.faceName, "Tahoma");
    EXPECT_EQ(s.CommentFont.height, 72);
    EXPECT_EQ(s.CommentFont.weight, 700);
    EXPECT_EQ(s.CommentFont.italic, 0);
    EXPECT_EQ(s.CommentFont.underline, 0);
    EXPECT_EQ(s.CommentsIncluded, ",a");
    EXPECT_EQ(s.IncludedMask, IncludedAttached);
    EXPECT_EQ(s.CommentColor, Rgb(255, 255, 255));  // "$$$" marks an absent value
    EXPECT_EQ(s.SlideShowDelay, 1.0);               // no number gives 0, clamped
    EXPECT_EQ(s.CommandsAfterZoomIn, (CommandList{127}));
    EXPECT_EQ(s.CommandsAfterZoomOut, (CommandList{127, 130, 100}));
    EXPECT_TRUE(s.CommandsAfterKeyDown.empty());
    EXPECT_EQ(s.CommandsHotkeys, "Default");
    std::string file = t.read("vellumo.ini");
    EXPECT_NE(file.find("BackgroundColor=255,0,0   ;RGB (0-255, ...)\r\n"), std::string::npos);
    EXPECT_NE(file.find("NavigatorRect=900,950,1000,0   ;XYWH (1-1000, ...)\r\n"), std::string::npos);
    EXPECT_NE(file.find("NavigatorTextColor=1,2,3\r\n"), std::string::npos);  // never rewritten
    EXPECT_NE(file.find("CommentFont=Tahoma,72,1,0,0   ;Name"), std::string::npos);
    EXPECT_NE(file.find("CommentsIncluded=,a   ;(e-embedded, a-attached"), std::string::npos);
    EXPECT_NE(file.find("SlideShowDelay=1.00   ;in seconds (1.00-600.00)\r\n"), std::string::npos);
    EXPECT_NE(file.find("CommandsAfterZoomIn=127   ;default is 127,130"), std::string::npos);
    EXPECT_NE(file.find("CommandsAfterKeyDown=0   ;0-no commands\r\n"), std::string::npos);
    EXPECT_NE(file.find("CommandsHotkeys=Default\r\n"), std::string::npos);
}

TEST(SettingsLoad, ParsersSurviveGarbage) {
    EXPECT_EQ(LeadingInt("99999999999999999999"), INT_MAX);
    EXPECT_EQ(LeadingInt("-99999999999999999999"), INT_MIN);
    EXPECT_EQ(LeadingInt("12abc"), 12);
    EXPECT_EQ(LeadingInt(""), 0);
    EXPECT_EQ(ParseSeconds("1e999"), 1e300);
    EXPECT_EQ(ParseSeconds("nan"), 0);
    EXPECT_EQ(ParseSeconds(" 2.5 ;x"), 2.5);
    EXPECT_EQ(ParseRect(""), (Rect{0, 0, 0, 0}));
    FontDescription f;
    f.charSet = 204;
    f.width = 3;
    ParseFont("", f);
    EXPECT_EQ(f.faceName, "");
    EXPECT_EQ(f.height, 6);
    EXPECT_EQ(f.charSet, 204);  // the language decides it
    EXPECT_EQ(f.width, 3);
    ParseFont("Face only", f);
    EXPECT_EQ(f.height, 6);
    // A face name longer than 31 bytes is cut back to a whole character.
    ParseFont(std::string(30, 'x') + "\xc3\xa9\xc3\xa9,12,0,1,1", f);
    EXPECT_EQ(f.faceName, std::string(30, 'x'));
    EXPECT_EQ(f.italic, 1);
    EXPECT_EQ(f.underline, 1);
    EXPECT_EQ(ParseCommandList(std::string(1000, '1')).size(), 0u);
    std::string many;
    for (int i = 0; i < 200; ++i) many += "101,";
    EXPECT_EQ(ParseCommandList(many).size(), kCommandListLimit);
    EXPECT_EQ(CleanText(std::string(300, 'a') + ";x"), std::string(259, 'a'));
    EXPECT_EQ(CleanText("a;b;c \t"), "a;b");
}

TEST(SettingsLoad, GarbageFilesNeverCrashAndKeepTheUsersLines) {
    TempFolder t;
    std::string garbage;
    for (int i = 0; i < 5000; ++i) garbage += static_cast<char>((i * 7919) % 256);
    std::string content = garbage + "\n[General Settings\nApplicationIcon=3\nApplicationName=" +
                          std::string(100000, 'n') + "\n[General Settings]\nApplicationIcon=4\n[Comment Settings]\nCommentFont=" +
                          std::string(100000, ',') + "\nCommentRect=,,,,,,\n[Music Settings]\nMusic=1";
    t.write("vellumo.ini", content);
    ScopeStack stack(t.program());
    stack.StartArchive();
    const Settings& s = stack.current();
    EXPECT_EQ(s.ApplicationIcon, 3);  // the first of duplicate sections wins; a missing "]" still names it
    EXPECT_EQ(s.ApplicationName, std::string(259, 'n'));
    EXPECT_EQ(s.Music, 1);
    EXPECT_EQ(s.CommentRect, (Rect{0, 0, 0, 0}));
    stack.Shutdown();
    std::string file = t.read("vellumo.ini");
    EXPECT_EQ(file.rfind(garbage, 0), 0u);  // the garbage lines stay as they were
    EXPECT_NE(file.find("\n[General Settings]\nApplicationIcon=4\n"), std::string::npos);
    EXPECT_NE(file.find("Music=1   ;(0-off, 1-on)\r\n"), std::string::npos);
    // A second start reads its own output back to the same values.
    ScopeStack again(t.program());
    again.StartArchive();
    EXPECT_EQ(again.current().ApplicationName, std::string(259, 'n'));
    again.Shutdown();
    EXPECT_EQ(t.read("vellumo.ini"), file);
}

TEST(SettingsLoad, EffectListAllIsReplacedByTheEffectNumbers) {
    TempFolder t;
    t.write("vellumo.ini", "[Effects Settings]\r\nEffectsIncluded=_ALL_   ;(all; ...)\r\nEffectsExcluded=12, 13 ;x\r\n");
    ScopeHooks hooks;
    hooks.effectNumbers = [] { return std::vector<int>{11, 12, 13, 21}; };
    ScopeStack stack(t.program(), hooks);
    stack.StartArchive();
    EXPECT_EQ(stack.current().EffectsIncluded, "11,12,13,21");
    EXPECT_EQ(stack.current().EffectsExcluded, "12, 13");
    std::string file = t.read("vellumo.ini");
    EXPECT_NE(file.find("EffectsIncluded=11,12,13,21   ;(all; _all_; none; 11,12,13,14, ...)\r\n"), std::string::npos);
    EXPECT_NE(file.find("EffectsExcluded=12, 13   ;(none; 11,12,13,14, ...)\r\n"), std::string::npos);

    // The joined list stops at 255 characters, after a whole number.
    TempFolder u;
    u.write("vellumo.ini", "[Effects Settings]\r\nEffectsIncluded=_all_\r\n");
    ScopeHooks many;
    many.effectNumbers = [] {
        std::vector<int> v;
        for (int i = 1000; i < 1100; ++i) v.push_back(i);
        return v;
    };
    ScopeStack big(u.program(), many);
    big.StartArchive();
    EXPECT_EQ(big.current().EffectsIncluded.size(), 254u);  // 51 numbers of 4 digits and 50 commas
    EXPECT_EQ(big.current().EffectsIncluded.substr(249), ",1050");
}

TEST(SettingsLoad, PathsExpandAndPathToStartStaysInsideTheHorizon) {
    TempFolder t;
    t.write("vellumo.ini", "[General Settings]\r\nPathHorizon=..\\photos\\\r\nPathToStart=D:\\elsewhere\r\n");
    ScopeStack stack(t.program());
    stack.StartArchive();
    std::string horizon = JoinPath(ParentPath(t.path), "photos");
    EXPECT_EQ(stack.current().PathHorizon, horizon);
    EXPECT_EQ(stack.current().PathToStart, horizon);
    std::string file = t.read("vellumo.ini");
    EXPECT_NE(file.find("PathHorizon=" + horizon + "\r\n"), std::string::npos);
    EXPECT_NE(file.find("PathToStart=" + horizon + "\r\n"), std::string::npos);

    // Inside the horizon it stays; containment is by whole components and exact in case.
    TempFolder u;
    u.write("vellumo.ini", "[General Settings]\r\nPathHorizon=/data/Photos\r\nPathToStart=/data/Photos/2020\r\n");
    ScopeStack inside(u.program());
    inside.StartArchive();
    EXPECT_EQ(inside.current().PathToStart, "/data/Photos/2020");
    TempFolder w;
    w.write("vellumo.ini", "[General Settings]\r\nPathHorizon=/data/Photos\r\nPathToStart=/data/Photos2\r\n");
    ScopeStack sibling(w.program());
    sibling.StartArchive();
    EXPECT_EQ(sibling.current().PathToStart, "/data/Photos");
    TempFolder x;
    x.write("vellumo.ini", "[General Settings]\r\nPathHorizon=/data/Photos\r\nPathToStart=/data/photos/2020\r\n");
    ScopeStack otherCase(x.program());
    otherCase.StartArchive();
    EXPECT_EQ(otherCase.current().PathToStart, "/data/Photos");
}

TEST(SettingsLoad, ExpandProgramPathRules) {
    ProgramLocation p = ProgramLocation::FromExecutable("/media/cd/app/vellumo",
                                                        {Drive{"/", DriveType::Fixed, "ext4"},
                                                         Drive{"/media/cd", DriveType::CdRom, "iso9660"}});
    EXPECT_EQ(ExpandProgramPath("", p), "");
    EXPECT_EQ(ExpandProgramPath(".\\*.mp3", p), "/media/cd/app/*.mp3");
    EXPECT_EQ(ExpandProgramPath("..\\photos\\", p), "/media/cd/photos");
    EXPECT_EQ(ExpandProgramPath("\\photos", p), "/media/cd/app/photos");
    EXPECT_EQ(ExpandProgramPath("photos", p), "/media/cd/app/photos");
    EXPECT_EQ(ExpandProgramPath(":\\Trip", p), "/media/cd/Trip");
    EXPECT_EQ(ExpandProgramPath("D:\\Trip\\", p), "/media/cd/Trip");
    EXPECT_EQ(ExpandProgramPath("/home/x/", p), "/home/x");
    EXPECT_EQ(ExpandProgramPath("/", p), "/");
}

TEST(SettingsSave, SavePresentParticulars) {
    TempFolder t;
    t.write("vellumo.ini", "[General Settings]\r\nKeysHelpRunCount=1\r\nScaleSavingMode=1\r\nScaleStart=r\r\n");
    char viewerLetter = 'u';
    ScopeHooks hooks;
    hooks.viewerScaleLetter = [&] { return viewerLetter; };
    {
        ScopeStack stack(t.program(), hooks);
        stack.StartArchive();
        EXPECT_EQ(stack.current().ScaleStart, 'r');
        stack.current().NavigatorRect = Rect{-50, 990, 5, 2000};
        stack.current().CommentRect = Rect{10, 20, 30, 40};
    }
    std::string file = t.read("vellumo.ini");
    EXPECT_NE(file.find("KeysHelpRunCount=0   ;(0-10)\r\n"), std::string::npos);
    EXPECT_NE(file.find("ScaleStart=a   ;(r-Real"), std::string::npos);  // u is stored as a
    EXPECT_NE(file.find("NavigatorRect=0,980,55,1000   ;XYWH"), std::string::npos);
    EXPECT_NE(file.find("CommentRect=10,20,20,20   ;XYWH"), std::string::npos);

    // Without the saving mode the scale letter is not written.
    viewerLetter = 'f';
    t.write("vellumo.ini", "[General Settings]\r\nScaleSavingMode=0\r\nScaleStart=r\r\n");
    StartAndStop(t, hooks);
    EXPECT_NE(t.read("vellumo.ini").find("ScaleStart=r   ;"), std::string::npos);
    EXPECT_NE(t.read("vellumo.ini").find("KeysHelpRunCount=0   ;(0-10)"), std::string::npos);  // never below 0
}

TEST(SettingsSave, AReadOnlyFolderLeavesTheFileUnchangedSilently) {
    TempFolder t;
    t.write("vellumo.ini", "[General Settings]\nApplicationIcon=9\n");
    int code = vellumo::testing::RunWithReadOnlyFolder(t.path, [&] {
        ScopeStack stack(t.program());
        stack.StartArchive();
        if (stack.current().ApplicationIcon != 5) return 2;  // the record is as loaded
        stack.current().KeysHelpRunCount = 4;
        return 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(t.read("vellumo.ini"), "[General Settings]\nApplicationIcon=9\n");
    EXPECT_FALSE(FileExists(t.sub("lang")));
}

TEST(SettingsSave, AProgramFolderThatCannotBeWrittenStartsWithDefaults) {
    // /proc refuses new files even for root.
    ProgramLocation p = ProgramLocation::FromExecutable("/proc/vellumo", {Drive{"/", DriveType::Fixed, "ext4"}});
    ScopeStack stack(p);
    stack.StartArchive();
    EXPECT_EQ(stack.current().ApplicationIcon, 1);
    EXPECT_EQ(stack.current().ApplicationName, "Photoarchive");
    EXPECT_EQ(stack.LanguageText(LanguageTextId(LanguageKey::Exit)), "Exit\tAlt+X");
    stack.EnterFolder("/proc");
    stack.Shutdown();
    EXPECT_FALSE(FileExists("/proc/vellumo.ini"));
}

TEST(SettingsCompare, ComparesByKind) {
    Settings a, b;
    a.OpenPhotoWith = "GIMP";
    b.OpenPhotoWith = "gimp";
    a.PathHorizon = "/Photos";
    b.PathHorizon = "/photos";
    a.CommentFont.faceName = "Arial";
    b.CommentFont.faceName = "ARIAL";
    b.CommentFont.charSet = 204;
    b.NavigatorTextColorGiven = 1;
    b.CommandsAfterKeyDown = {127};
    b.SlideShowDelay = 0.5;
    SettingsChangeSet c = Compare(&a, &b);
    EXPECT_FALSE(c.has(SectionGeneral, 0x800));  // texts ignore case
    EXPECT_TRUE(c.has(SectionGeneral, 0x8));     // paths do not
    EXPECT_TRUE(c.has(SectionComment, 0x80));    // the character set counts
    EXPECT_TRUE(c.has(SectionNavigator, 0x10));  // a given-flag counts
    EXPECT_TRUE(c.has(SectionSlideshow, 0x4));
    EXPECT_EQ(c.words[SectionCommands], 0u);     // command lists are not compared
    EXPECT_EQ(c.words[SectionGeneral], 0x8u);
    SettingsChangeSet all = Compare(nullptr, &b);
    EXPECT_EQ(all.words[SectionMusic], 0xFFFFu);
    EXPECT_FALSE(all.isEmpty());
    all.clear();
    EXPECT_TRUE(all.isEmpty());
    all.merge(c);
    EXPECT_EQ(all, c);
    EXPECT_TRUE(Compare(&a, &a).isEmpty());
}

TEST(SettingsTemplate, VoidTemplateListsEveryKeyCommentedOut) {
    TempFolder t;
    ScopeStack stack(t.program());
    stack.StartArchive();
    stack.current().NavigatorRect = Rect{990, 0, 995, 10};
    EXPECT_FALSE(stack.WriteVoidTemplate(t.sub("missing/vellumo.ini")));
    MakeFolder(t.sub("photos"));
    ASSERT_TRUE(stack.WriteVoidTemplate(t.sub("photos/vellumo.ini")));
    std::string file = t.read("photos/vellumo.ini");
    EXPECT_EQ(file.rfind("[General Settings]\r\n#ApplicationLanguage=English\r\n#ApplicationName=Photoarchive\r\n", 0),
              0u);
    EXPECT_NE(file.find("#OpenCommentWith=notepad.exe\r\n"), std::string::npos);
    EXPECT_NE(file.find("#NavigatorRect=980,0,20,20   ;XYWH (1-1000, ...)\r\n"), std::string::npos);
    EXPECT_NE(file.find("#NavigatorBackgroundColor=0,0,0   ;RGB (0-255, ...)\r\n"), std::string::npos);
    EXPECT_NE(file.find("#ThumbnailsSpaceX=13   ;in pixels (13-53)\r\n"), std::string::npos);
    EXPECT_NE(file.find("#ThumbnailsFineQuality=0   ;(0-off, 1-on)\r\n"), std::string::npos);
    EXPECT_NE(file.find("#EffectsIncluded=all\r\n"), std::string::npos);
    EXPECT_NE(file.find("#MusicSearchMask=" + t.sub("*.mp3") + "\r\n"), std::string::npos);
    EXPECT_NE(file.find("#SlideShowDelay=3.00   ;in seconds (1.00-600.00)\r\n"), std::string::npos);
    EXPECT_NE(file.find("#CommandsAfterZoomOut=127,130   ;default is 127,130 - hide navigator and comment \r\n"),
              std::string::npos);
    // The template changes nothing while it is a folder's settings file.
    stack.current().NavigatorRect = Rect{750, 500, 1000, 1000};
    stack.EnterFolder(t.sub("photos"));
    ASSERT_EQ(stack.scopes().size(), 2u);
    EXPECT_TRUE(stack.scopes().back()->changes.isEmpty());
    EXPECT_TRUE(stack.scopes().back()->present.isEmpty());
    ASSERT_TRUE(stack.CopySettingsFile(t.sub("vellumo.ini"), t.sub("photos/copy.ini")));
    EXPECT_EQ(t.read("photos/copy.ini"), t.read("vellumo.ini"));
    EXPECT_FALSE(stack.CopySettingsFile(t.sub("missing.ini"), t.sub("photos/x.ini")));
}

TEST(SettingsLoad, ALegacyArchiveFileIsReadInTheLanguagesCodePage) {
    TempFolder t;
    t.write("lang/Russian.lang.txt", "[Language Settings]\r\nCharSet=RUSSIAN\r\n");
    // "Выход" and Ѓ in CP1251; 0x81 is undefined in CP1252, so reading it as CP1252 would lose it.
    std::string original = "[General Settings]\r\nApplicationLanguage=Russian\r\nApplicationName=\xc2\xfb\xf5\xee\xe4\x81\r\n";
    t.write("vellumo.ini", original);
    {
        ScopeStack stack(t.program());
        stack.StartArchive();
        EXPECT_EQ(stack.current().ApplicationName, "\xd0\x92\xd1\x8b\xd1\x85\xd0\xbe\xd0\xb4\xd0\x83");
        EXPECT_EQ(stack.current().CommentFont.charSet, 204);
    }
    std::string file = t.read("vellumo.ini");
    EXPECT_EQ(file.rfind(original, 0), 0u);
    EXPECT_NE(file.find("ApplicationIcon=1   ;(1-5)\r\n"), std::string::npos);
}
