#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

#include "config/Hotkeys.h"
#include "platform/Files.h"
#include "platform/Paths.h"

using namespace vellumo;

namespace {

struct TempFolder {
    std::string path;
    TempFolder() {
        char tmpl[] = "/tmp/vellumo-hotkeys-XXXXXX";
        path = mkdtemp(tmpl);
    }
    ~TempFolder() { std::system(("chmod -R u+rwx '" + path + "'; rm -rf '" + path + "'").c_str()); }
    std::string keysFile(const std::string& name = "Default") const { return path + "/keys/" + name + ".keys.txt"; }
    void write(const std::string& name, const std::string& content) const {
        MakeFolder(path + "/keys");
        std::ofstream(keysFile(name), std::ios::binary) << content;
    }
    std::string read(const std::string& name = "Default") const { return ReadWholeFile(keysFile(name)).value_or("<missing>"); }
};

const char* const kHeader =
    "; Vellumo hotkeys definition file\r\n; Author:\r\n\r\n; Use the following keys notation:\r\n"
    "; Shift Ctrl Alt\r\n; F1-F12 0-9 A-Z\r\n; / * - + = [ ] `(apostrophe) ,(comma) .(dot) \r\n"
    "; Ins Del Home End PageUp PageDown\r\n; Left Right Up Down\r\n"
    "; Pause Esc Backspace Enter Spacebar Context\r\n; none (hotkey is absent)\r\n\r\n";

const char* const kMouseSection =
    "\r\n[Mouse]\r\n"
    "LeftDoubleClick=125   ;default is 125 - show or hide navigator window (Esc)\r\n"
    "MiddleDoubleClick=168   ;default is 168 - switch IntelliMouse mode (Alt+Z)\r\n"
    "RightClick=172   ;default is 172 - call main menu (F10)\r\n";

std::string DefaultKeyboardLines() {
    std::string s;
    for (int c = kFirstCommand; c <= kLastCommand; ++c) s += std::to_string(c) + "=" + std::string(DefaultHotkeyLine(c)) + "\r\n";
    return s;
}

}  // namespace

TEST(HotkeysFile, AMissingFileIsCreatedWithHeaderAndEveryDefaultLine) {
    TempFolder t;
    HotkeySet set = LoadHotkeys(t.path, "Default");
    EXPECT_EQ(set.path, t.keysFile());
    EXPECT_TRUE(set.fileWritten);
    std::string expected = std::string(kHeader) + "[Keyboard]\r\n" + DefaultKeyboardLines() + kMouseSection;
    EXPECT_EQ(t.read(), expected);
    // Lines whose text is easy to get wrong, exactly as a user will see them.
    std::string file = t.read();
    for (const char* line : {"\r\n100=PageUp   ;zoom in (PageUp)\r\n", "\r\n101=PageDown   ;zoom out  (PageDown)\r\n",
                             "\r\n145=Ctrl+,   ;decrease font size by 2 units (Ctrl+comma)\r\n",
                             "\r\n166=2   ;run second instance of programm (2)\r\n",
                             "\r\n169=Alt+S   ;switch the mode of saving/not saving the scale of an image to be applied to the next photo (Alt+S)\r\n",
                             "\r\n173=Context   ;call context menu (Context)\r\n\r\n[Mouse]\r\n"})
        EXPECT_NE(file.find(line), std::string::npos) << line;
    EXPECT_EQ(set.keys.entries, DefaultHotkeyTable().entries);
    EXPECT_EQ(set.mouse, (MouseCommands{125, 168, 172}));
    EXPECT_TRUE(set.badCommands.empty());
    EXPECT_TRUE(set.badMouseKeys.empty());

    // Loading again changes nothing on disk.
    struct stat before{};
    stat(set.path.c_str(), &before);
    HotkeySet again = LoadHotkeys(t.path, "Default");
    struct stat after{};
    stat(set.path.c_str(), &after);
    EXPECT_EQ(t.read(), expected);
    EXPECT_EQ(before.st_ino, after.st_ino);  // not even rewritten
    EXPECT_EQ(again.keys.entries, set.keys.entries);
}

TEST(HotkeysFile, OnlyMissingLinesAreAddedAndUserLinesStay) {
    TempFolder t;
    std::string user =
        "; my own keys\n[Keyboard]\n100=ctrl+f7 ;mine\n; a note between\n105= \"F11\"\n173=none\n\n"
        "[Other]\nx=1\n[Mouse]\nRightClick=125\n";
    t.write("Mine", user);
    HotkeySet set = LoadHotkeys(t.path, "Mine");
    ASSERT_TRUE(set.fileWritten);
    std::string file = t.read("Mine");
    std::string added;
    for (int c = 101; c <= 172; ++c)
        if (c != 105) added += std::to_string(c) + "=" + std::string(DefaultHotkeyLine(c)) + "\r\n";
    std::string expected = "; my own keys\n[Keyboard]\n100=ctrl+f7 ;mine\n; a note between\n105= \"F11\"\n173=none\n" + added +
                           "\n[Other]\nx=1\n[Mouse]\nRightClick=125\n"
                           "LeftDoubleClick=125   ;default is 125 - show or hide navigator window (Esc)\r\n"
                           "MiddleDoubleClick=168   ;default is 168 - switch IntelliMouse mode (Alt+Z)\r\n";
    EXPECT_EQ(file, expected);
    EXPECT_EQ(set.keys.of(100), (HotkeyEntry{kHotkeyDefined | kHotkeyCtrl, 0x76, 100}));
    EXPECT_EQ(set.keys.of(105).key, 0x7A);  // quotes around a value are dropped
    EXPECT_EQ(set.keys.of(173).key, kHotkeyNoKey);
    EXPECT_EQ(set.mouse, (MouseCommands{125, 168, 125}));
    // Ctrl+F7 is now bound twice: the lower command wins.
    EXPECT_EQ(CommandForKey(set.keys, 0x76, kHotkeyCtrl, false), 100);
    EXPECT_TRUE(set.badCommands.empty());
}

TEST(HotkeysFile, DiagnosticsReportExactlyWhatIsUnusable) {
    TempFolder t;
    t.write("Default",
            "[Keyboard]\r\n101=Ctrl+F7;rotate\r\n105=Ctrl+\r\n140=Shift   ;only a modifier\r\n141=\r\n"
            "[Mouse]\r\nLeftDoubleClick=0\r\nMiddleDoubleClick=99\r\nRightClick=174\r\n");
    HotkeySet set = LoadHotkeys(t.path, "Default");
    EXPECT_EQ(set.badCommands, (std::vector<int>{101, 105, 140, 141}));
    EXPECT_EQ(set.badMouseKeys, (std::vector<std::string>{"LeftDoubleClick", "MiddleDoubleClick", "RightClick"}));
    EXPECT_EQ(set.mouse, MouseCommands{});
    EXPECT_EQ(set.keys.of(101), HotkeyEntry{});
    EXPECT_EQ(HotkeyText(set.keys, 101), "");
    EXPECT_EQ(CommandForKey(set.keys, 0x22, 0, false), 0);  // PageDown now does nothing
    std::string file = t.read();
    EXPECT_NE(file.find("\r\n\r\n[Diagnostics]\r\nKeyboard=Bad Command(s):101,105,140,141\r\n"
                        "Mouse=bad value of LeftDoubleClick, MiddleDoubleClick, RightClick\r\n"),
              std::string::npos)
        << file;
    EXPECT_NE(file.find("101=Ctrl+F7;rotate\r\n"), std::string::npos);  // the user's text stays

    // Repair the keyboard lines: only the mouse report stays.
    std::string fixed = file;
    for (auto [from, to] : {std::pair{"101=Ctrl+F7;rotate", "101=PageDown"}, {"105=Ctrl+", "105=Right"},
                            {"140=Shift ", "140=F1 "}, {"141=\r", "141=F2\r"}})
        fixed.replace(fixed.find(from), std::string(from).size(), to);
    t.write("Default", fixed);
    set = LoadHotkeys(t.path, "Default");
    EXPECT_TRUE(set.badCommands.empty());
    file = t.read();
    EXPECT_EQ(file.find("Keyboard=Bad"), std::string::npos);
    EXPECT_NE(file.find("[Diagnostics]\r\nMouse=bad value of LeftDoubleClick, MiddleDoubleClick, RightClick\r\n"),
              std::string::npos);

    // Repair the mouse lines: the whole section goes.
    fixed = file;
    fixed.replace(fixed.find("LeftDoubleClick=0"), 17, "LeftDoubleClick=125");
    fixed.replace(fixed.find("MiddleDoubleClick=99"), 20, "MiddleDoubleClick=168 ;x");
    fixed.replace(fixed.find("RightClick=174"), 14, "RightClick=172");
    t.write("Default", fixed);
    set = LoadHotkeys(t.path, "Default");
    EXPECT_TRUE(set.badMouseKeys.empty());
    EXPECT_EQ(set.mouse, (MouseCommands{125, 168, 172}));
    const std::string clean = t.read();
    EXPECT_EQ(clean.find("Diagnostics"), std::string::npos);

    // Stale reports in many sections, in any case, all go with their lines, and nothing else does.
    std::string stale = "[diagnostics]\r\nKeyboard=old\r\n" + clean;
    stale.insert(stale.find("[Mouse]"), "[DIAGNOSTICS]\r\nx=1\r\n");
    for (int i = 0; i < 1000; ++i) stale += "[Diagnostics]\r\n";
    t.write("Default", stale);
    LoadHotkeys(t.path, "Default");
    EXPECT_EQ(t.read(), clean);
}

TEST(HotkeysFile, GarbageBinaryAndHugeValuesStillGiveAWorkingSet) {
    using namespace std::string_literals;
    TempFolder t;
    std::string huge(100000, 'Q');
    std::string head = "\0\1garbage\xff\xfe line\r\n=no key\r\n[Mouse\r\nLeftDoubleClick=99999999999999999999999\r\n"s;
    std::string keyboard = "[Unknown]\r\n100=F1\r\n[keyboard]\r\n100="s + huge +
                           "\r\n999=F1\r\nabc=Ctrl+A\r\n101=\x80\x81\x82\r\n102=Home\0\1\r\n"s;
    t.write("Default", head + "[Diagnostics]\r\nKeyboard=stale\r\n" + keyboard);
    HotkeySet set = LoadHotkeys(t.path, "Default");
    EXPECT_TRUE(set.fileWritten);
    EXPECT_EQ(set.badCommands, (std::vector<int>{100, 101, 102}));
    EXPECT_EQ(set.badMouseKeys, (std::vector<std::string>{"LeftDoubleClick"}));
    EXPECT_EQ(set.mouse, (MouseCommands{0, 168, 172}));
    HotkeyTable defaults = DefaultHotkeyTable();
    for (int c = 103; c <= kLastCommand; ++c) EXPECT_EQ(set.keys.of(c), defaults.of(c)) << c;
    EXPECT_EQ(CommandForKey(set.keys, 0x23, 0, false), 103);  // End still works
    // Nothing the user wrote is lost; the missing lines and an honest report are added.
    std::string added;
    for (int c = 103; c <= kLastCommand; ++c) added += std::to_string(c) + "=" + std::string(DefaultHotkeyLine(c)) + "\r\n";
    std::string expected = head +
                           "MiddleDoubleClick=168   ;default is 168 - switch IntelliMouse mode (Alt+Z)\r\n"
                           "RightClick=172   ;default is 172 - call main menu (F10)\r\n"
                           "[Diagnostics]\r\nKeyboard=Bad Command(s):100,101,102\r\nMouse=bad value of LeftDoubleClick\r\n" +
                           keyboard + added;
    EXPECT_EQ(t.read(), expected);
    // Loading again reports the same and changes nothing.
    LoadHotkeys(t.path, "Default");
    EXPECT_EQ(t.read(), expected);
}

TEST(HotkeysFile, AMissingKeyboardSectionIsAppended) {
    TempFolder t;
    t.write("Default", "; keys for the club\r\n[Mouse]\r\nRightClick=125\r\n");
    HotkeySet set = LoadHotkeys(t.path, "Default");
    EXPECT_EQ(t.read(), "; keys for the club\r\n[Mouse]\r\nRightClick=125\r\n"
                        "LeftDoubleClick=125   ;default is 125 - show or hide navigator window (Esc)\r\n"
                        "MiddleDoubleClick=168   ;default is 168 - switch IntelliMouse mode (Alt+Z)\r\n"
                        "\r\n[Keyboard]\r\n" + DefaultKeyboardLines());
    EXPECT_EQ(set.keys.entries, DefaultHotkeyTable().entries);
}

TEST(HotkeysFile, NamesFromWindowsAndUnsafeOrUnwritablePlaces) {
    TempFolder t;
    // A set written on Windows in other case.
    MakeFolder(t.path + "/Keys");
    std::ofstream(t.path + "/Keys/CLUB.KEYS.TXT", std::ios::binary) << "[Keyboard]\r\n128=F6\r\n";
    HotkeySet club = LoadHotkeys(t.path, "Club");
    EXPECT_EQ(club.path, t.path + "/Keys/CLUB.KEYS.TXT");
    EXPECT_EQ(club.keys.of(128).key, 0x75);
    EXPECT_FALSE(IsDirectory(t.path + "/keys"));

    // A name that would leave the keys folder loads Default.
    for (const char* bad : {"../../evil", "a/b", "..", ""}) {
        HotkeySet s = LoadHotkeys(t.path, bad);
        EXPECT_EQ(s.name, "Default") << bad;
        EXPECT_EQ(s.path, t.path + "/Keys/Default.keys.txt");
    }
    EXPECT_FALSE(FileExists(t.path + "/evil.keys.txt"));
}

TEST(HotkeysFile, WhatCannotBeWrittenOrReadIsLeftAloneAndDefaultsApply) {
    TempFolder t;
    // "keys" is a file: the folder cannot be made, the defaults apply.
    std::ofstream(t.path + "/keys") << "not a folder";
    HotkeySet set = LoadHotkeys(t.path, "Default");
    EXPECT_FALSE(set.fileWritten);
    EXPECT_EQ(set.keys.entries, DefaultHotkeyTable().entries);
    EXPECT_EQ(set.mouse, DefaultMouseCommands());
    EXPECT_EQ(*ReadWholeFile(t.path + "/keys"), "not a folder");

    // Something that is not a readable file under the name is never replaced.
    TempFolder u;
    MakeFolder(u.path + "/keys");
    MakeFolder(u.keysFile());
    set = LoadHotkeys(u.path, "Default");
    EXPECT_FALSE(set.fileWritten);
    EXPECT_TRUE(IsDirectory(u.keysFile()));
    EXPECT_EQ(set.keys.entries, DefaultHotkeyTable().entries);
}
