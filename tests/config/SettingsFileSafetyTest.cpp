// Settings files stay whole and the user's own whatever a disc holds: names
// with line breaks, files that cannot be read, the program folder browsed as a
// folder, and a locale with a decimal comma.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <clocale>
#include <cstdlib>

#include "ConfigTestSupport.h"
#include "config/ProfileFile.h"
#include "config/ScopeStack.h"
#include "config/Settings.h"

using namespace vellumo;
using vellumo::testing::TempFolder;

namespace {

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

}  // namespace

TEST(SettingsFileSafety, NoValueKeyOrSectionWithALineBreakOrNulReachesTheFile) {
    TempFolder t;
    t.write("a.ini", "[S]\r\nPath=/old\r\n");
    ProfileFile file(t.sub("a.ini"));
    for (std::string bad : {std::string("/x\nEvil=1"), std::string("/x\rEvil=1"), std::string("/x\0Evil", 7)}) {
        EXPECT_FALSE(file.set("S", "Path", bad));
        EXPECT_FALSE(file.set("S", "New", bad));
        EXPECT_FALSE(file.set("S", bad, "1"));
        EXPECT_FALSE(file.set(bad, "Key", "1"));
    }
    EXPECT_FALSE(file.set("S", "Key=Evil", "1"));    // would read back as the key "Key"
    EXPECT_FALSE(file.set("S]\r\n[T", "Key", "1"));
    EXPECT_FALSE(file.set("S] [T", "Key", "1"));
    EXPECT_FALSE(file.set("S", " [T", "1"));  // would read back as the section "T=1"
    EXPECT_FALSE(file.set("S", " ", "1"));    // a line with no key
    EXPECT_FALSE(file.modified());
    EXPECT_EQ(file.get("S", "Path"), "/old");
    // Any other byte is a value like the rest.
    EXPECT_TRUE(file.set("S", "Path", "/a b\t=;[c]"));
    ASSERT_TRUE(file.save());
    EXPECT_EQ(t.read("a.ini"), "[S]\r\nPath=/a b\t=;[c]\r\n");
}

TEST(SettingsFileSafety, AFolderNamedWithLineBreaksIsNotRememberedAsPathToStart) {
    TempFolder t;
    t.write("vellumo.ini", "[General Settings]\r\nPathToStart=/old\r\n");
    const std::string crafted =
        t.folder("trip\nOpenPhotoWith=evil-program\n[Commands Settings]\nCommandsAfterProgramStart=142");
    const std::string plain = t.folder("plain");
    {
        ScopeStack stack(t.program());
        stack.StartArchive();
        stack.EnterFolder(crafted);
        EXPECT_EQ(stack.current().PathToStart, "/old");
    }
    std::string file = t.read("vellumo.ini");
    EXPECT_EQ(Count(file, "[Commands Settings]"), 1u);
    EXPECT_EQ(file.find("evil-program"), std::string::npos);
    EXPECT_EQ(Count(file, "CommandsAfterProgramStart="), 1u);
    EXPECT_NE(file.find("\r\nPathToStart=/old\r\n"), std::string::npos);
    {
        // The next start reads the file as the program wrote it.
        ScopeStack stack(t.program());
        stack.StartArchive();
        EXPECT_EQ(stack.current().OpenPhotoWith, "");
        EXPECT_TRUE(stack.current().CommandsAfterProgramStart.empty());
        stack.EnterFolder(plain);  // an ordinary folder is remembered
    }
    EXPECT_NE(t.read("vellumo.ini").find("\r\nPathToStart=" + plain + "\r\n"), std::string::npos);
}

TEST(SettingsFileSafety, AnArchiveFileThatCannotBeReadIsNeverReplaced) {
    TempFolder t;
    t.write("vellumo.ini", "[Slideshow Settings]\r\nSlideShowDelay=9\r\n");
    // Something that exists but is no readable file: a FIFO (reading it would
    // block), then a folder.
    for (int kind = 0; kind < 2; ++kind) {
        std::remove(t.sub("vellumo.ini").c_str());
        if (kind == 0) ASSERT_EQ(mkfifo(t.sub("vellumo.ini").c_str(), 0644), 0);
        else ASSERT_TRUE(MakeFolder(t.sub("vellumo.ini")));
        {
            ScopeStack stack(t.program());
            stack.StartArchive();
            EXPECT_DOUBLE_EQ(stack.current().SlideShowDelay, 3.0);  // the defaults
            stack.current().Navigator = 0;
        }
        struct stat st{};
        ASSERT_EQ(lstat(t.sub("vellumo.ini").c_str(), &st), 0);
        EXPECT_TRUE(kind == 0 ? S_ISFIFO(st.st_mode) : S_ISDIR(st.st_mode)) << kind;
        rmdir(t.sub("vellumo.ini").c_str());
    }
    // Nothing was left behind beside it.
    for (const auto& name : ListFolderNames(t.path)) EXPECT_NE(name.front(), '.') << name;
}

TEST(SettingsFileSafety, TheProgramFolderListedAsAFolderKeepsChangesMadeThere) {
    TempFolder t;
    t.write("vellumo.ini", "[Navigator Settings]\r\nNavigator=1\r\n");
    {
        ScopeStack stack(t.program());
        stack.StartArchive();
        stack.EnterFolder(t.path);
        EXPECT_EQ(stack.scopes().size(), 1u);  // the archive scope stands for the folder
        stack.current().Navigator = 0;
    }
    EXPECT_NE(t.read("vellumo.ini").find("Navigator=0   ;(0-off, 1-on)"), std::string::npos);
}

TEST(SettingsFileSafety, APhotoNamedLikeTheProgramSharesItsFoldersFile) {
    TempFolder t;
    t.write("trip/vellumo.ini", "[Navigator Settings]\r\nNavigator=1\r\n");
    t.write("trip/vellumo.jpg", "x");
    {
        ScopeStack stack(t.program());
        stack.StartArchive();
        stack.EnterFolder(t.sub("trip"));
        stack.EnterPhoto(t.sub("trip/vellumo.jpg"));
        EXPECT_EQ(stack.scopes().size(), 2u);
        stack.current().Navigator = 0;
    }
    EXPECT_EQ(t.read("trip/vellumo.ini"), "[Navigator Settings]\r\nNavigator=0   ;(0-off, 1-on)\r\n");
}

TEST(SettingsFileSafety, NumbersInTheFileDoNotFollowTheLocale) {
    // A German locale made for this test: its decimal separator is a comma.
    TempFolder locales;
    const std::string made = locales.sub("de_DE.UTF-8");
    ASSERT_EQ(std::system(("localedef -i de_DE -f UTF-8 '" + made + "' 2>/dev/null").c_str()), 0)
        << "localedef and the locales package are needed (scripts/setup installs them)";

    auto firstStart = [](const TempFolder& t) {
        { ScopeStack stack(t.program()); stack.StartArchive(); }
        return t.read("vellumo.ini");
    };
    TempFolder plainC, german;
    const std::string inC = firstStart(plainC);

    setenv("LOCPATH", locales.path.c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    ASSERT_STREQ(std::localeconv()->decimal_point, ",");
    const std::string inGerman = firstStart(german);
    german.write("vellumo.ini", "[Slideshow Settings]\r\nSlideShowDelay=2.5\r\n");
    std::string delay;
    for (int start = 0; start < 2; ++start) {
        ScopeStack stack(german.program());
        stack.StartArchive();
        delay = std::to_string(static_cast<int>(stack.current().SlideShowDelay * 100));
    }
    const std::string after = german.read("vellumo.ini");
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");

    EXPECT_EQ(inGerman, inC);
    EXPECT_NE(inC.find("SlideShowDelay=3.00   ;in seconds (1.00-600.00)"), std::string::npos);
    EXPECT_EQ(delay, "250");
    EXPECT_NE(after.find("SlideShowDelay=2.50   ;in seconds (1.00-600.00)"), std::string::npos);
}
