// Editing, creating and deleting comment and settings files, the template
// menu, external programs and help, through the viewer on the fakes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "app/ViewerRig.h"
#include "fakes/FakeDesktop.h"

using namespace vellumo;
using vellumo::testing::Bmp;
using vellumo::testing::TempFolder;
using vellumo::testing::Viewer;

namespace {

constexpr int kVkDel = 0x2E;
constexpr int kVkBackspace = 0x08;
constexpr int kVkF1 = 0x70;

using Args = std::vector<std::string>;

// A program folder with editors in bin/ named by the settings, started on `open`.
struct Rig {
    TempFolder folder;
    std::string commentEditor = folder.write("bin/comment-editor", "#!/bin/sh\n");
    std::string settingsEditor = folder.write("bin/settings-editor", "#!/bin/sh\n");
    std::unique_ptr<Viewer> v;

    explicit Rig(const std::string& extraGeneral = "") {
        chmod(commentEditor.c_str(), 0755);
        chmod(settingsEditor.c_str(), 0755);
        folder.write("vellumo.ini", "[General Settings]\r\nApplicationLanguage=English\r\nOpenCommentWith=" +
                                        commentEditor + " --new-window\r\nOpenConfigurationWith=" + settingsEditor +
                                        "\r\n" + extraGeneral);
    }
    void open(const std::string& relative) {
        v = std::make_unique<Viewer>(folder, Args{relative});
        v->queue.runPending();
        // These editors end when the test says so, however soon: never launchers.
        v->viewer().fileActions().setLauncherTime(std::chrono::milliseconds(0));
    }
    FakeDesktop& desktop() { return v->desktop; }
    std::string path(const std::string& relative) const { return JoinPath(folder.path, relative); }
    // Presses a key and lets its burst window pass.
    void press(int vk, bool ctrl, bool shift = false) {
        v->key(vk, ctrl, false, shift);
        v->queue.advance(100);
    }
    // Waits (without a time limit of its own) until the watcher has posted EditorClosed.
    void waitForEditorClosed() {
        for (int i = 0; i < 3000 && v->queue.pendingCount() == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        ASSERT_GT(v->queue.pendingCount(), 0u);
        v->queue.runPending();
    }
    int rowImage(const std::string& fileName) {
        NavigatorList& list = v->app->navigator()->list();
        for (int r = 0; r < list.count(); ++r)
            if (list.at(r).fileName == fileName) return list.at(r).image;
        return -1;
    }
};

std::string Message1(const std::string& path) {
    return "Comment text file\n'" + path + "'\ndoes not exist.\n\nDo you want to create it ?";
}

}  // namespace

TEST(EditPhotoComment, CtrlTAsksCreatesTheFileOpensItAndShowsThePhotoAgainWhenTheEditorEnds) {
    Rig rig;
    rig.folder.write("photos/summer day.bmp", Bmp(64, 48, 200, 0, 0));
    rig.open("photos/summer day.bmp");
    EXPECT_EQ(rig.rowImage("summer day.bmp"), ItemImage::Photo);
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.press('T', true);

    const std::string comment = rig.path("photos/summer day.txt");
    ASSERT_EQ(rig.desktop().messages.size(), 1u);
    EXPECT_EQ(rig.desktop().messages[0].text, Message1(comment));
    EXPECT_EQ(rig.desktop().messages[0].caption, "Vellumo");
    EXPECT_EQ(rig.desktop().messages[0].kind, MessageBoxKind::YesNo);
    EXPECT_EQ(rig.folder.read("photos/summer day.txt"), "");
    EXPECT_TRUE(IsRegularFile(comment));
    ASSERT_EQ(rig.desktop().children.size(), 1u);
    EXPECT_EQ(rig.desktop().children[0], (Args{rig.commentEditor, "--new-window", comment}));
    EXPECT_EQ(rig.rowImage("summer day.bmp"), ItemImage::PhotoWithText);
    EXPECT_TRUE(rig.desktop().beeps.empty());

    // The editor changes the photo's files and ends: the photo is loaded again.
    rig.folder.write("photos/summer day.bmp", Bmp(80, 40, 0, 200, 0));
    EXPECT_EQ(rig.v->viewer().bitmap()->GetWidth(), 64);
    rig.desktop().endChild(0);
    rig.waitForEditorClosed();
    ASSERT_NE(rig.v->viewer().bitmap(), nullptr);
    EXPECT_EQ(rig.v->viewer().bitmap()->GetWidth(), 80);

    // An existing file opens without a question.
    rig.press('T', true);
    EXPECT_EQ(rig.desktop().messages.size(), 1u);
    EXPECT_EQ(rig.desktop().children.size(), 2u);
}

TEST(EditPhotoComment, NoCreatesNothingAndAnOpticalDriveOnlyBeeps) {
    Rig rig;
    rig.folder.write("cd/photo.bmp", Bmp(8, 8, 1, 2, 3));
    rig.open("cd/photo.bmp");
    rig.press('T', true);  // the fake answers No
    EXPECT_EQ(rig.desktop().messages.size(), 1u);
    EXPECT_FALSE(FileExists(rig.path("cd/photo.txt")));
    EXPECT_TRUE(rig.desktop().children.empty());
    EXPECT_TRUE(rig.desktop().beeps.empty());

    const std::string cd = rig.path("cd");
    rig.v->viewer().fileActions().setDriveList(
        [cd] { return std::vector<Drive>{{"/", DriveType::Fixed, "ext4"}, {cd, DriveType::CdRom, "iso9660"}}; });
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.press('T', true);
    EXPECT_EQ(rig.desktop().messages.size(), 1u);
    EXPECT_EQ(rig.desktop().beeps, std::vector<BeepKind>{BeepKind::Default});
    EXPECT_FALSE(FileExists(rig.path("cd/photo.txt")));
    // Deleting on the optical drive beeps as well and keeps the file.
    rig.folder.write("cd/photo.txt", "kept");
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.press(kVkDel, true);
    EXPECT_EQ(rig.desktop().beeps.size(), 2u);
    EXPECT_EQ(rig.folder.read("cd/photo.txt"), "kept");
}

TEST(EditPhotoComment, WithoutAPhotoAndWhenTheEditorCannotStartItBeeps) {
    Rig rig;
    rig.folder.write("photos/a.bmp", Bmp(8, 8, 1, 2, 3));
    rig.open("photos");  // a folder: no photo shown
    rig.press('T', true);
    EXPECT_EQ(rig.desktop().beeps.size(), 1u);
    EXPECT_TRUE(rig.desktop().messages.empty());
    rig.v->app->navigator()->goToPath(rig.path("photos/a.bmp"));
    rig.v->queue.advance(1000);
    rig.desktop().startSucceeds = false;
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.press('T', true);
    EXPECT_EQ(rig.desktop().beeps.size(), 2u);
}

TEST(EditFolderComment, ShiftTEditsTheGlobalCommentInTheProgramFolderAndTheTitleFileElsewhere) {
    Rig rig;
    rig.folder.write("photos/a.bmp", Bmp(8, 8, 1, 2, 3));
    rig.open(rig.folder.path);
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.press('T', false, true);
    ASSERT_EQ(rig.desktop().messages.size(), 1u);
    EXPECT_EQ(rig.desktop().messages[0].text, Message1(rig.path("comment.txt")));
    ASSERT_EQ(rig.desktop().children.size(), 1u);
    EXPECT_EQ(rig.desktop().children[0], (Args{rig.commentEditor, "--new-window", rig.path("comment.txt")}));
    // Not the photo's file: the Navigator lists its folder again when the editor ends.
    rig.desktop().endChild(0);
    rig.waitForEditorClosed();

    rig.v->app->navigator()->goToPath(rig.path("photos"));
    rig.v->queue.runPending();
    rig.folder.write("photos/VELLUMO.TXT", "written on Windows");
    rig.press('T', false, true);
    EXPECT_EQ(rig.desktop().messages.size(), 1u);  // it exists: no question
    ASSERT_EQ(rig.desktop().children.size(), 2u);
    EXPECT_EQ(rig.desktop().children[1].back(), rig.path("photos/VELLUMO.TXT"));

    // Shift+Del deletes it after asking, and the folder's scopes are built again.
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.press(kVkDel, false, true);
    ASSERT_EQ(rig.desktop().messages.size(), 2u);
    EXPECT_EQ(rig.desktop().messages[1].text,
              "Are you sure you want to delete comment file:\n'" + rig.path("photos/VELLUMO.TXT") + "' ?");
    EXPECT_EQ(rig.desktop().messages[1].kind, MessageBoxKind::YesNoInformation);
    EXPECT_FALSE(FileExists(rig.path("photos/VELLUMO.TXT")));
    for (const auto& scope : rig.v->app->scopes().scopes()) EXPECT_NE(scope->key, rig.path("photos"));
    // Nothing left to delete: a beep.
    rig.press(kVkDel, false, true);
    EXPECT_EQ(rig.desktop().beeps.size(), 1u);
}

TEST(DeletePhotoComment, CtrlDelAsksEveryTimeAndNoKeepsTheFile) {
    Rig rig;
    rig.folder.write("photos/a.bmp", Bmp(8, 8, 1, 2, 3));
    rig.folder.write("photos/a.txt", "my comment");
    rig.open("photos/a.bmp");
    EXPECT_EQ(rig.rowImage("a.bmp"), ItemImage::PhotoWithText);
    rig.press(kVkDel, true);  // No
    EXPECT_EQ(rig.folder.read("photos/a.txt"), "my comment");
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.press(kVkDel, true);
    ASSERT_EQ(rig.desktop().messages.size(), 2u);
    EXPECT_EQ(rig.desktop().messages[1].text,
              "Are you sure you want to delete comment file:\n'" + rig.path("photos/a.txt") + "' ?");
    EXPECT_FALSE(FileExists(rig.path("photos/a.txt")));
    EXPECT_EQ(rig.rowImage("a.bmp"), ItemImage::Photo);
    EXPECT_TRUE(rig.desktop().beeps.empty());
}

TEST(SettingsFiles, ShiftDWithoutTemplatesAsksAndThenDoesNothing) {
    Rig rig;
    // The archive file lies outside the program folder, which then holds no ".ini" file.
    std::string archive = rig.folder.write("conf/archive.ini", rig.folder.read("vellumo.ini"));
    RemoveFile(rig.path("vellumo.ini"));
    rig.folder.write("photos/a.bmp", Bmp(8, 8, 1, 2, 3));
    rig.v = std::make_unique<Viewer>(rig.folder, Args{archive, "photos"});
    rig.v->queue.runPending();
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.press('D', false, true);
    ASSERT_EQ(rig.desktop().messages.size(), 1u);
    EXPECT_EQ(rig.desktop().messages[0].text, "Settings file\n'" + rig.path("photos/vellumo.ini") +
                                                  "'\ndoes not exist.\n\nDo you want to create it ?");
    EXPECT_TRUE(rig.desktop().menus.empty());
    EXPECT_FALSE(FileExists(rig.path("photos/vellumo.ini")));
    EXPECT_TRUE(rig.desktop().children.empty());
    EXPECT_TRUE(rig.desktop().beeps.empty());
}

TEST(SettingsFiles, AProgramFolderThatCannotBeWrittenOffersItsUserFoldersSettingsFilesAsTemplates) {
    TempFolder t;
    t.write("prog/keys/Default.keys.txt", "");
    const std::string userSettings =
        "[General Settings]\r\nApplicationLanguage=English\r\n[Comment Settings]\r\nComment=0\r\n";
    t.write("user/vellumo.ini", userSettings);
    t.write("photos/a.bmp", Bmp(8, 8, 1, 2, 3));
    FakeEventQueue queue;
    FakeDesktop desktop;
    FakeWindowHost host;
    FakeNavigatorPanel panel;
    ProgramLocation program = ProgramLocation::FromExecutable(JoinPath(t.path, "prog/vellumo"), ListDrives());
    program.userFolder = JoinPath(t.path, "user");  // as for an installed copy
    ViewerApp app(queue, desktop, host, panel, program);
    ASSERT_TRUE(app.start({JoinPath(t.path, "photos/a.bmp")}, t.path));
    queue.runPending();
    app.viewer()->fileActions().setDesktopEditorSource(nullptr);
    desktop.answers.push_back(MessageBoxResult::Yes);
    desktop.menuChoices.push_back(3258);
    KeyInput shiftD;
    shiftD.virtualKey = 'D';
    shiftD.shift = true;
    app.preTranslateKeyDown(shiftD, FocusPlace::Viewer);
    queue.advance(100);
    ASSERT_EQ(desktop.menus.size(), 1u);
    ASSERT_EQ(desktop.menus[0].items.size(), 3u);
    EXPECT_EQ(desktop.menus[0].items[2].text, "vellumo");
    EXPECT_EQ(t.read("photos/vellumo.ini"), t.read("user/vellumo.ini"));
    app.exit();
}

TEST(SettingsFiles, TheTemplateMenuCopiesATemplateOrWritesTheVoidFile) {
    Rig rig;
    rig.folder.write("Beta.INI", "[General Settings]\r\nApplicationIcon=3\r\n");
    rig.folder.write("alpha.ini", "[Comment Settings]\r\nComment=0\r\n");
    rig.folder.write("notes.txt", "no template");
    rig.folder.write("photos/a.bmp", Bmp(8, 8, 1, 2, 3));
    rig.open("photos/a.bmp");

    // Shift+D: the folder's file from the second template.
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.desktop().menuChoices.push_back(3259);
    rig.press('D', false, true);
    ASSERT_EQ(rig.desktop().menus.size(), 1u);
    const auto& items = rig.desktop().menus[0].items;
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].id, 3257);
    EXPECT_EQ(items[0].text, "Void Local Settings File");
    EXPECT_TRUE(items[0].isDefault);
    EXPECT_TRUE(items[1].separator);
    EXPECT_EQ(items[2].text, "alpha");
    EXPECT_EQ(items[3].text, "Beta");
    EXPECT_EQ(items[3].id, 3259);
    EXPECT_EQ(items[4].text, "vellumo");  // the archive file is a template too
    EXPECT_EQ(rig.desktop().menus[0].at, (Point{512, 384}));
    EXPECT_EQ(rig.folder.read("photos/vellumo.ini"), "[General Settings]\r\nApplicationIcon=3\r\n");
    ASSERT_EQ(rig.desktop().children.size(), 1u);
    EXPECT_EQ(rig.desktop().children[0], (Args{rig.settingsEditor, rig.path("photos/vellumo.ini")}));

    // Ctrl+D: the photo's file, commented out from the current record.
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.desktop().menuChoices.push_back(3257);
    rig.press('D', true);
    std::string written = rig.folder.read("photos/a.ini");
    EXPECT_EQ(written.rfind("[General Settings]\r\n#ApplicationLanguage=English\r\n", 0), 0u);
    EXPECT_NE(written.find("#OpenConfigurationWith=" + rig.settingsEditor + "\r\n"), std::string::npos);
    EXPECT_EQ(rig.desktop().children.back(), (Args{rig.settingsEditor, rig.path("photos/a.ini")}));

    // A number beyond the listed templates does nothing.
    rig.v->viewer().onCommand(3300, 0);
    EXPECT_EQ(rig.desktop().children.size(), 2u);

    // Ctrl+Backspace and Shift+Backspace delete them after asking.
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.press(kVkBackspace, true);
    EXPECT_EQ(rig.desktop().messages.back().text,
              "Are you sure you want to delete settings file:\n'" + rig.path("photos/a.ini") + "' ?");
    EXPECT_FALSE(FileExists(rig.path("photos/a.ini")));
    rig.press(kVkBackspace, false, true);  // No
    EXPECT_TRUE(FileExists(rig.path("photos/vellumo.ini")));
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.press(kVkBackspace, false, true);
    EXPECT_FALSE(FileExists(rig.path("photos/vellumo.ini")));
    EXPECT_TRUE(rig.desktop().beeps.empty());
}

TEST(SettingsFiles, ThePhotoCommandsBeepOnTheStartPictureAndLeaveTheArchiveFileAlone) {
    Rig rig;
    // The start picture's settings file would be the archive's own file.
    rig.folder.write("vellumo.bmp", Bmp(16, 16, 9, 9, 9));
    rig.v = std::make_unique<Viewer>(rig.folder);
    rig.v->queue.runPending();
    ASSERT_NE(rig.v->viewer().bitmap(), nullptr);
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.press(kVkBackspace, true);
    rig.press('D', true);
    rig.press('O', true);
    EXPECT_EQ(rig.desktop().beeps.size(), 3u);
    EXPECT_TRUE(rig.desktop().messages.empty());
    EXPECT_TRUE(IsRegularFile(rig.path("vellumo.ini")));
}

TEST(ExternalPrograms, FileNamesWithBlanksQuotesAndLineBreaksAreHandedOverWhole) {
    Rig rig("OpenPhotoWith=my viewer --full\r\n");
    const std::string name = "it's \"new\"\nyear $HOME.bmp";
    rig.folder.write("photos/" + name, Bmp(8, 8, 1, 2, 3));
    rig.open("photos/" + name);
    const std::string photo = rig.path("photos/" + name);
    ASSERT_EQ(rig.v->viewer().display().photoPath(), photo);
    rig.press('O', true);
    ASSERT_EQ(rig.desktop().processes.size(), 1u);
    EXPECT_EQ(rig.desktop().processes[0], (Args{"my", "viewer", "--full", photo}));
    rig.press('2', false);
    ASSERT_EQ(rig.desktop().processes.size(), 2u);
    EXPECT_EQ(rig.desktop().processes[1], (Args{"/proc/self/exe", photo}));
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.press('T', true);
    ASSERT_EQ(rig.desktop().children.size(), 1u);
    EXPECT_EQ(rig.desktop().children[0].back(), rig.path("photos/it's \"new\"\nyear $HOME.txt"));
    EXPECT_TRUE(IsRegularFile(rig.path("photos/it's \"new\"\nyear $HOME.txt")));
}

TEST(ExternalPrograms, WithoutOpenPhotoWithThePhotoOpensWithItsOwnProgramAndCtrlEShowsTheFolder) {
    Rig rig;
    rig.folder.write("photos/a.bmp", Bmp(8, 8, 1, 2, 3));
    rig.open("photos/a.bmp");
    rig.press('O', true);
    rig.press('E', true);
    EXPECT_EQ(rig.desktop().opened, (Args{rig.path("photos/a.bmp"), rig.path("photos")}));
    EXPECT_TRUE(rig.desktop().processes.empty());
}

TEST(Help, F1OpensTheHelpFileAndAMissingFileBeeps) {
    Rig rig;
    rig.folder.write("photos/a.bmp", Bmp(8, 8, 1, 2, 3));
    rig.open("photos/a.bmp");
    rig.press(kVkF1, false);
    EXPECT_TRUE(rig.desktop().opened.empty());
    EXPECT_EQ(rig.desktop().beeps.size(), 1u);
    rig.folder.write("help/Help.English.html", "<html></html>");
    rig.press(kVkF1, false);
    EXPECT_EQ(rig.desktop().opened, Args{rig.path("help/Help.English.html")});
    // A web address in the language file is opened as it is.
    EXPECT_EQ(HelpTarget("https://example.org/help", rig.v->app->program()), "https://example.org/help");
    EXPECT_EQ(HelpTarget("help\\Keys.English.html", rig.v->app->program()), rig.path("help/Keys.English.html"));
}

TEST(Help, AnOpenerThatFailsBeepsWhenItHasEnded) {
    Rig rig;
    rig.folder.write("photos/a.bmp", Bmp(8, 8, 1, 2, 3));
    rig.folder.write("help/Keys.English.html", "<html></html>");
    rig.open("photos/a.bmp");
    rig.desktop().openerStatus = 3;  // xdg-open: no program for the page
    rig.press(0x71, false);          // F2
    EXPECT_EQ(rig.desktop().opened, Args{rig.path("help/Keys.English.html")});
    // The opener's status comes from the watcher's thread.
    auto pumpWhile = [&](const std::function<bool()>& waiting) {
        for (int i = 0; i < 100 && waiting(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(EditorWatcher::kCheckMilliseconds / 10));
            rig.v->queue.runPending();
        }
    };
    pumpWhile([&] { return rig.desktop().beeps.empty(); });
    EXPECT_EQ(rig.desktop().beeps, std::vector<BeepKind>{BeepKind::Default});
    rig.desktop().openerStatus = 0;
    rig.press(0x71, false);
    pumpWhile([&] { return rig.v->viewer().fileActions().watcher().watching() > 0; });
    rig.v->queue.runPending();
    EXPECT_EQ(rig.desktop().opened.size(), 2u);
    EXPECT_EQ(rig.desktop().beeps.size(), 1u);
}

TEST(EditPhotoComment, WithoutAConfiguredEditorTheDesktopsOneIsFoundOffTheUserInterfaceThreadAndFollowed) {
    Rig rig;
    std::string editor = rig.folder.write("desktop-bin/text-editor", "#!/bin/sh\n");
    chmod(editor.c_str(), 0755);
    rig.folder.write("photos/a.bmp", Bmp(8, 8, 1, 2, 3));
    rig.folder.write("photos/a.txt", "before");
    rig.open("photos/a.bmp");
    rig.v->app->scopes().current().OpenCommentWith = "notepad.exe";
    EditorEnvironment env;
    env.path = rig.path("desktop-bin");
    rig.v->viewer().fileActions().setEditorEnvironment(env);
    // The desktop answers when the test lets it.
    auto answer = std::make_shared<std::atomic<bool>>(false);
    rig.v->viewer().fileActions().setDesktopEditorSource([answer] {
        while (!answer->load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return std::string("text-editor --new-window %U");
    });
    rig.v->viewer().fileActions().setLauncherTime(EditorWatcher::kLauncherTime);
    rig.press('T', true);
    EXPECT_TRUE(rig.desktop().children.empty());  // asked first, and nothing waits for the answer
    answer->store(true);
    rig.waitForEditorClosed();  // the answer (EditorChosen)
    ASSERT_EQ(rig.desktop().children.size(), 1u);
    EXPECT_EQ(rig.desktop().children[0], (Args{editor, "--new-window", rig.path("photos/a.txt")}));
    // It hands the file to a running instance and returns: the photo is shown
    // again when the file is saved, not before.
    rig.desktop().endChild(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * EditorWatcher::kCheckMilliseconds));
    EXPECT_EQ(rig.v->queue.pendingCount(), 0u);
    EXPECT_EQ(rig.v->viewer().comments().shownComment(), "before");
    rig.folder.write("photos/a.txt", "after saving");
    rig.waitForEditorClosed();
    EXPECT_EQ(rig.v->viewer().comments().shownComment(), "after saving");
}

TEST(SettingsFiles, AHugeTemplateFolderFillsTheMenuUpToItsLastNumberAndOddNamesShowAsBlanks) {
    Rig rig;
    for (int i = 0; i < 300; ++i) rig.folder.write("t" + std::to_string(1000 + i) + ".ini", "");
    rig.folder.write("a\nline.ini", "[Comment Settings]\r\nComment=0\r\n");
    rig.folder.write("photos/a.bmp", Bmp(8, 8, 1, 2, 3));
    rig.open("photos/a.bmp");
    rig.desktop().answers.push_back(MessageBoxResult::Yes);
    rig.desktop().menuChoices.push_back(3258);
    rig.press('D', true);
    ASSERT_EQ(rig.desktop().menus.size(), 1u);
    const auto& items = rig.desktop().menus[0].items;
    ASSERT_EQ(items.size(), 2u + 256u);  // 3258 to 3513
    EXPECT_EQ(items[2].text, "a line");
    EXPECT_EQ(items.back().id, 3513);
    EXPECT_EQ(items.back().text, "t1254");
    // The chosen template is copied from its real name.
    EXPECT_EQ(rig.folder.read("photos/a.ini"), "[Comment Settings]\r\nComment=0\r\n");
}

TEST(ExternalPrograms, AMissingOpenPhotoWithProgramIsNotReported) {
    Rig rig("OpenPhotoWith=photoshp.exe\r\n");
    rig.folder.write("photos/a.bmp", Bmp(8, 8, 1, 2, 3));
    rig.open("photos/a.bmp");
    rig.desktop().startSucceeds = false;
    rig.press('O', true);
    EXPECT_EQ(rig.desktop().processes, std::vector<Args>{(Args{"photoshp.exe", rig.path("photos/a.bmp")})});
    EXPECT_TRUE(rig.desktop().beeps.empty());
    EXPECT_TRUE(rig.desktop().messages.empty());
}
