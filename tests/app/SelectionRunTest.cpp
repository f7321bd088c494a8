// Choosing the language and the hotkeys set: at the first start and with
// Ctrl+L and Ctrl+H, on the fakes.
#include <gtest/gtest.h>

#include "app/ViewerRig.h"

using namespace vellumo;
using vellumo::testing::TempFolder;
using vellumo::testing::Viewer;

namespace {

constexpr int kVkF10 = 0x79;
constexpr int kVkF11 = 0x7A;

// A German language file whose zoom item names the key in its own words.
const char* kGerman =
    "[Main Menu]\r\nZoomIn=Vergr\xC3\xB6\xC3\x9F" "ern\\tBild auf\r\n[Dialogs]\r\nOK=Gut\r\nSelectLanguage=Sprache\r\n";

std::string FirstMenuText(const FakeDesktop& desktop) {
    return desktop.menus.empty() || desktop.menus.back().items.empty() ? std::string("<none>")
                                                                       : desktop.menus.back().items[0].text;
}

}  // namespace

TEST(FirstStartLanguage, TheDialogRunsWhenTheArchiveNamesNoLanguageAndItsChoiceIsKept) {
    TempFolder folder;
    folder.write("lang/Deutsch.lang.txt", kGerman);
    folder.write("lang/English.lang.txt", "");
    {
        Viewer v(folder, {}, [](Viewer& r) { r.desktop.listAnswers.push_back(0); });
        ASSERT_EQ(v.desktop.listChoices.size(), 1u);
        const ListChoice& c = v.desktop.listChoices[0];
        // No language is loaded yet: the dialog's own texts.
        EXPECT_EQ(c.caption, "Select language");
        EXPECT_EQ(c.okText, "OK");
        EXPECT_EQ(c.items, (std::vector<std::string>{"Deutsch", "English"}));
        EXPECT_EQ(v.app->scopes().current().ApplicationLanguage, "Deutsch");
        EXPECT_EQ(v.app->scopes().language().text(LanguageKey::OK), "Gut");
        v.app->exit();
    }
    EXPECT_EQ(folder.read("vellumo.ini").rfind("[General Settings]\r\nApplicationLanguage=Deutsch\r\n", 0), 0u);
    // The next start asks no more.
    Viewer again(folder);
    EXPECT_TRUE(again.desktop.listChoices.empty());
    EXPECT_EQ(again.app->scopes().current().ApplicationLanguage, "Deutsch");
}

TEST(FirstStartLanguage, CancelGivesEnglishAndAnEmptyValueAsksAgain) {
    TempFolder folder;
    folder.write("vellumo.ini", "[General Settings]\r\nApplicationLanguage=\r\n");
    Viewer v(folder);  // the fake cancels
    ASSERT_EQ(v.desktop.listChoices.size(), 1u);
    EXPECT_EQ(v.desktop.listChoices[0].items, std::vector<std::string>{"English"});
    EXPECT_EQ(v.app->scopes().current().ApplicationLanguage, "English");
    EXPECT_TRUE(IsRegularFile(JoinPath(folder.path, "lang/English.lang.txt")));
}

TEST(LanguageSelection, CtrlLSwitchesTheLanguageAndTheMenuFollows) {
    TempFolder folder;
    folder.write("vellumo.ini", "[General Settings]\r\nApplicationLanguage=English\r\n");
    folder.write("lang/Deutsch.lang.txt", kGerman);
    Viewer v(folder);
    v.queue.runPending();
    v.key(kVkF10);
    v.queue.advance(100);
    EXPECT_EQ(FirstMenuText(v.desktop), "Zoom In\tPageUp");

    v.desktop.listAnswers.push_back(0);  // Deutsch
    v.key('L', true);
    v.queue.advance(100);
    ASSERT_EQ(v.desktop.listChoices.size(), 1u);
    const ListChoice& c = v.desktop.listChoices[0];
    EXPECT_EQ(c.caption, "Select language");  // the English file's text
    EXPECT_EQ(c.items, (std::vector<std::string>{"Deutsch", "English"}));
    EXPECT_EQ(c.selected, 1);  // the language in use
    EXPECT_EQ(v.app->scopes().current().ApplicationLanguage, "Deutsch");
    // The menu text comes from the new file, and so does PageUp's name after its tab.
    v.key(kVkF10);
    v.queue.advance(100);
    EXPECT_EQ(FirstMenuText(v.desktop), "Vergr\xC3\xB6\xC3\x9F" "ern\tBild auf");
    // The missing entries were added to the chosen file.
    EXPECT_NE(folder.read("lang/Deutsch.lang.txt").find("Exit=Exit\\tAlt+X"), std::string::npos);
    // Repainted at once, the focus back on the viewer.
    EXPECT_TRUE(v.host.focused);

    // Ctrl+L again: the German dialog texts; Cancel keeps German.
    v.key('L', true);
    v.queue.advance(100);
    ASSERT_EQ(v.desktop.listChoices.size(), 2u);
    EXPECT_EQ(v.desktop.listChoices[1].caption, "Sprache");
    EXPECT_EQ(v.desktop.listChoices[1].okText, "Gut");
    EXPECT_EQ(v.desktop.listChoices[1].selected, 0);
    EXPECT_EQ(v.app->scopes().current().ApplicationLanguage, "Deutsch");
    v.app->exit();
    EXPECT_NE(folder.read("vellumo.ini").find("ApplicationLanguage=Deutsch\r\n"), std::string::npos);
}

TEST(HotkeysSelection, CtrlHLoadsTheChosenSetAndCancelKeepsTheOldOne) {
    TempFolder folder;
    folder.write("vellumo.ini", "[General Settings]\r\nApplicationLanguage=English\r\n");
    folder.write("keys/Mine.keys.txt", "[Keyboard]\r\n142=F11   ;exit\r\n");
    Viewer v(folder);
    v.queue.runPending();
    v.key('H', true);  // cancelled
    v.queue.advance(100);
    ASSERT_EQ(v.desktop.listChoices.size(), 1u);
    EXPECT_EQ(v.desktop.listChoices[0].caption, "Select hotkeys set");
    EXPECT_EQ(v.desktop.listChoices[0].items, (std::vector<std::string>{"Default", "Mine"}));
    EXPECT_EQ(v.desktop.listChoices[0].selected, 0);
    EXPECT_EQ(v.app->hotkeys().name, "Default");

    v.desktop.listAnswers.push_back(1);
    v.key('H', true);
    v.queue.advance(100);
    EXPECT_EQ(v.app->hotkeys().name, "Mine");
    EXPECT_EQ(v.app->scopes().current().CommandsHotkeys, "Mine");
    v.key(kVkF11);
    v.queue.advance(100);
    EXPECT_EQ(v.host.closeCount, 1);
    // The file was completed with the other lines.
    EXPECT_NE(folder.read("keys/Mine.keys.txt").find("141=F2   ;shows hot keys help (F2)"), std::string::npos);
    // OK with nothing selected loads the fallback set.
    v.desktop.listAnswers.push_back(-1);
    v.key('H', true);
    v.queue.advance(100);
    EXPECT_EQ(v.app->hotkeys().name, "Default");
}

TEST(SelectionDialogOpen, KeysAndCommandListsDoNothingWhileTheDialogIsOpen) {
    TempFolder folder;
    // Every key-down switches the scale saving mode (169, with an exclamation beep).
    folder.write("vellumo.ini",
                 "[General Settings]\r\nApplicationLanguage=English\r\n[Commands Settings]\r\n"
                 "CommandsAfterKeyDown=169\r\n");
    Viewer v(folder);
    v.queue.runPending();
    bool openDuringDialog = false;
    v.desktop.whileListChoiceOpen = [&] {
        openDuringDialog = v.viewer().selectionDialogOpen();
        v.key('Z', false, true);  // Alt+Z: switch the wheel mode
        v.key('X', false, true);  // Alt+X: exit
        v.queue.runPending();     // their key-down triggers arrive while the dialog is open
    };
    v.key('L', true);
    v.queue.advance(100);
    EXPECT_TRUE(openDuringDialog);
    EXPECT_FALSE(v.viewer().selectionDialogOpen());
    v.queue.advance(500);
    EXPECT_EQ(v.host.closeCount, 0);
    EXPECT_EQ(v.app->scopes().current().IntelliMouseMode, 'z');
    // Only Ctrl+L's own trigger, before the dialog opened, ran the list.
    EXPECT_EQ(v.app->scopes().current().ScaleSavingMode, 1);
    EXPECT_EQ(v.desktop.beeps, std::vector<BeepKind>{BeepKind::Exclamation});
    // Afterwards keys work again.
    v.desktop.whileListChoiceOpen = nullptr;
    v.key('Z', false, true);
    v.queue.advance(100);
    EXPECT_EQ(v.app->scopes().current().IntelliMouseMode, 'n');
}

TEST(SelectionDialogOpen, TheFocusGoesBackToTheNavigatorListWhenItHadIt) {
    TempFolder folder;
    folder.write("vellumo.ini", "[General Settings]\r\nApplicationLanguage=English\r\n");
    Viewer v(folder);
    v.queue.runPending();
    v.panel.focused = true;
    v.host.focused = false;
    v.app->viewer()->onCommand(170, 0);
    EXPECT_TRUE(v.panel.focused);
    EXPECT_FALSE(v.host.focused);
    EXPECT_GE(v.host.updateCount, 1);
}

TEST(SelectionChoiceKept, AChoiceMadeInAFolderWithItsOwnSettingsFileHoldsAtTheNextStart) {
    TempFolder folder;
    folder.write("vellumo.ini", "[General Settings]\r\nApplicationLanguage=English\r\n");
    folder.write("lang/Deutsch.lang.txt", kGerman);
    folder.write("keys/Mine.keys.txt", "[Keyboard]\r\n142=F11   ;exit\r\n");
    folder.write("Trip/vellumo.ini", "[Comment Settings]\r\nComment=0\r\n");
    folder.write("Trip/a.bmp", vellumo::testing::Bmp(8, 8, 0, 0, 255));
    {
        Viewer v(folder, {JoinPath(folder.path, "Trip/a.bmp")});
        v.queue.runPending();
        ASSERT_EQ(v.app->scopes().currentScope()->settingsFile, JoinPath(folder.path, "Trip/vellumo.ini"));
        v.desktop.listAnswers.push_back(0);  // Deutsch
        v.key('L', true);
        v.queue.advance(100);
        v.desktop.listAnswers.push_back(1);  // Mine
        v.key('H', true);
        v.queue.advance(100);
        EXPECT_EQ(v.app->scopes().language().text(LanguageKey::OK), "Gut");
        EXPECT_EQ(v.app->hotkeys().name, "Mine");
        v.app->exit();
    }
    // The archive file keeps the choice; the folder's own file is left as it was.
    EXPECT_NE(folder.read("vellumo.ini").find("ApplicationLanguage=Deutsch\r\n"), std::string::npos);
    EXPECT_NE(folder.read("vellumo.ini").find("CommandsHotkeys=Mine"), std::string::npos);
    EXPECT_EQ(folder.read("Trip/vellumo.ini").find("Deutsch"), std::string::npos);
    EXPECT_EQ(folder.read("Trip/vellumo.ini").find("Mine"), std::string::npos);
    Viewer again(folder);
    again.queue.runPending();
    EXPECT_EQ(again.app->scopes().language().text(LanguageKey::OK), "Gut");
    EXPECT_EQ(again.app->hotkeys().name, "Mine");
}

TEST(SelectionChoiceKept, AFolderWhoseFileNamesItsOwnLanguageStillShowsIt) {
    TempFolder folder;
    folder.write("vellumo.ini", "[General Settings]\r\nApplicationLanguage=English\r\n");
    folder.write("lang/Deutsch.lang.txt", kGerman);
    folder.write("Own/vellumo.ini", "[General Settings]\r\nApplicationLanguage=English\r\n");
    folder.write("Own/a.bmp", vellumo::testing::Bmp(8, 8, 0, 0, 255));
    {
        Viewer v(folder, {JoinPath(folder.path, "Own/a.bmp")});
        v.queue.runPending();
        v.desktop.listAnswers.push_back(0);  // Deutsch
        v.key('L', true);
        v.queue.advance(100);
        EXPECT_EQ(v.app->scopes().language().text(LanguageKey::OK), "OK");
        v.app->exit();
    }
    EXPECT_NE(folder.read("vellumo.ini").find("ApplicationLanguage=Deutsch\r\n"), std::string::npos);
    EXPECT_NE(folder.read("Own/vellumo.ini").find("ApplicationLanguage=English"), std::string::npos);
}
