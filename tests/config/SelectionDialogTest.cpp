// The language and hotkeys selection dialog's list, preselection and texts.
#include <gtest/gtest.h>

#include "config/ConfigTestSupport.h"
#include "config/Language.h"
#include "config/ScopeStack.h"
#include "config/SelectionDialog.h"

using namespace vellumo;
using vellumo::testing::TempFolder;

using Names = std::vector<std::string>;

TEST(SelectionDialog, WithoutLanguageFilesOnlyEnglishIsListedAndPreselected) {
    TempFolder t;
    // No "lang" folder at all, then an empty one with an unrelated file.
    for (int round = 0; round < 2; ++round) {
        ListChoice c = PrepareSelection(SelectionUse::Language, t.path, "Deutsch", nullptr);
        EXPECT_EQ(c.items, Names{"English"});
        EXPECT_EQ(c.selected, 0);
        EXPECT_EQ(c.caption, "Select language");
        EXPECT_EQ(c.okText, "OK");
        EXPECT_EQ(c.cancelText, "Cancel");
        t.write("lang/readme.txt", "x");
        t.folder("lang/Folder.lang.txt");  // a folder is no language file
    }
    ListChoice keys = PrepareSelection(SelectionUse::Hotkeys, t.path, "", nullptr);
    EXPECT_EQ(keys.items, Names{"Default"});
    EXPECT_EQ(keys.selected, 0);
}

TEST(SelectionDialog, ASingleHotkeysFileIsPreselectedWhenTheSetInUseDoesNotExist) {
    TempFolder t;
    t.write("keys/Mine.keys.txt", "");
    ListChoice c = PrepareSelection(SelectionUse::Hotkeys, t.path, "Gone", nullptr);
    EXPECT_EQ(c.items, Names{"Mine"});
    EXPECT_EQ(c.selected, 0);
    // With two files and no match nothing is preselected.
    t.write("keys/Other.keys.txt", "");
    c = PrepareSelection(SelectionUse::Hotkeys, t.path, "Gone", nullptr);
    EXPECT_EQ(c.items, (Names{"Mine", "Other"}));
    EXPECT_EQ(c.selected, -1);
}

TEST(SelectionDialog, NamesAreCutAtTheEndingSortedIgnoringCaseAndPreselectedByPrefix) {
    TempFolder t;
    t.write("lang/zulu.lang.txt", "");
    t.write("lang/Deutsch.LANG.TXT", "");  // written on Windows
    t.write("lang/english.lang.txt", "");
    t.write("lang/Old.lang.txt.lang.txt", "");  // cut at the first ending
    t.write("lang/.lang.txt", "");              // no name
    t.write("lang/Bad\nName.lang.txt", "");     // cannot be kept in a settings file
    t.write("lang/Swedish.lang.txt.bak", "");
    t.write("keys/Francais.lang.txt", "");  // another folder
    ListChoice c = PrepareSelection(SelectionUse::Language, t.path, "ENGLISH", nullptr);
    EXPECT_EQ(c.items, (Names{"Deutsch", "english", "Old", "zulu"}));
    EXPECT_EQ(c.selected, 1);
    // The first item that begins with the name in use.
    EXPECT_EQ(PrepareSelection(SelectionUse::Language, t.path, "z", nullptr).selected, 3);
    EXPECT_EQ(PrepareSelection(SelectionUse::Language, t.path, "Englisch", nullptr).selected, -1);
}

TEST(SelectionDialog, ALoadedLanguageGivesTheCaptionAndTheButtons) {
    TempFolder t;
    t.write("lang/Deutsch.lang.txt",
            "[Dialogs]\r\nOK=Gut\r\nCancel=Abbrechen   ; comment\r\nSelectLanguage=Sprache\r\n"
            "SelectHotkeys=Tasten\r\n");
    Language language;
    Settings current;
    language.LoadLanguage("Deutsch", t.path, current);
    ListChoice c = PrepareSelection(SelectionUse::Language, t.path, "Deutsch", &language);
    EXPECT_EQ(c.caption, "Sprache");
    EXPECT_EQ(c.okText, "Gut");
    EXPECT_EQ(c.cancelText, "Abbrechen");
    EXPECT_EQ(c.items, Names{"Deutsch"});
    EXPECT_EQ(PrepareSelection(SelectionUse::Hotkeys, t.path, "Default", &language).caption, "Tasten");
}

TEST(SelectionDialog, NothingChosenLoadsTheFallback) {
    EXPECT_EQ(SelectionResult(SelectionUse::Language, ""), "English");
    EXPECT_EQ(SelectionResult(SelectionUse::Hotkeys, ""), "Default");
    EXPECT_EQ(SelectionResult(SelectionUse::Hotkeys, "Mine"), "Mine");
}

TEST(FirstStartLanguage, WithAUserFolderTheChoiceIsKeptThereAndNotAskedAgain) {
    TempFolder program, home;
    ProgramLocation location = program.program();
    location.userFolder = home.sub("vellumo/prog");
    int asked = 0;
    ScopeHooks hooks;
    hooks.chooseLanguage = [&] {
        ++asked;
        return std::string("Deutsch");
    };
    {
        ScopeStack stack(location, hooks);
        stack.StartArchive();
        EXPECT_EQ(stack.current().ApplicationLanguage, "Deutsch");
    }
    EXPECT_EQ(asked, 1);
    EXPECT_NE(home.read("vellumo/prog/vellumo.ini").find("ApplicationLanguage=Deutsch\r\n"), std::string::npos);
    EXPECT_FALSE(IsRegularFile(program.sub("vellumo.ini")));
    {
        ScopeStack stack(location, hooks);
        stack.StartArchive();
        EXPECT_EQ(stack.current().ApplicationLanguage, "Deutsch");
    }
    EXPECT_EQ(asked, 1);
}
