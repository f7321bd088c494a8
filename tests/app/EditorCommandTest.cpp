// Which editor opens a file, and the watcher that waits for it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "app/DesktopTextEditor.h"
#include "app/EditorCommand.h"
#include "app/EditorWatcher.h"
#include "fakes/FakeEventQueue.h"
#include "fakes/TempTree.h"

using namespace vellumo;
using Args = std::vector<std::string>;

namespace {

struct Bin : vellumo::testing::TempTree {
    std::string add(const std::string& name) {
        std::string p = file("bin/" + name, "#!/bin/sh\n");
        chmod(p.c_str(), 0755);
        return p;
    }
    EditorEnvironment env(const std::string& visual = "") { return {visual, path("bin"), "", ""}; }
};

struct Recorder : CommandTarget {
    std::vector<int> commands;
    std::vector<std::intptr_t> params;
    void onCommand(int command, std::intptr_t param) override {
        commands.push_back(command);
        params.push_back(param);
    }
    void onTimer(int) override {}
};

struct ScriptedChild : ChildProcess {
    std::shared_ptr<std::atomic<bool>> ended = std::make_shared<std::atomic<bool>>(false);
    int status = 0;
    bool hasEnded() override { return ended->load(); }
    int exitStatus() const override { return status; }
};

std::unique_ptr<ScriptedChild> EndedChild(int status) {
    auto child = std::make_unique<ScriptedChild>();
    child->ended->store(true);
    child->status = status;
    return child;
}

// Pumps the queue until the recorder has n commands (or a few seconds passed).
void WaitForCommands(FakeEventQueue& queue, const Recorder& r, size_t n) {
    for (int i = 0; i < 3000 && r.commands.size() < n; ++i) {
        queue.runPending();
        if (r.commands.size() < n) std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

}  // namespace

TEST(EditorArguments, TheConfiguredProgramThenTheDesktopsEditorsThenATerminalThenTheOpener) {
    Bin bin;
    const std::string file = "/photos/my photo.txt";
    auto env = [&](const std::string& visual, const std::string& editor = "", const std::string& exec = "") {
        EditorEnvironment e = bin.env(visual);
        e.editor = editor;
        e.desktopExec = exec;
        return e;
    };
    // Nothing found at all: the desktop's opener; a terminal editor without a terminal is no choice.
    std::string vi = bin.add("vi");
    EXPECT_EQ(EditorArguments("notepad.exe", file, env("vi")), (Args{"xdg-open", file}));
    // $VISUAL, or else $EDITOR, in the desktop's terminal.
    std::string terminal = bin.add("x-terminal-emulator");
    EXPECT_EQ(EditorArguments("notepad.exe", file, env("vi -n", "nano")), (Args{terminal, "-e", vi, "-n", file}));
    std::string nano = bin.add("nano");
    EXPECT_EQ(EditorArguments("notepad.exe", file, env("", "nano")), (Args{terminal, "-e", nano, file}));
    EXPECT_EQ(EditorArguments("notepad.exe", file, env("missing-editor", "nano")), (Args{terminal, "-e", nano, file}));
    // A desktop text editor on PATH comes before them.
    std::string pluma = bin.add("pluma");
    EXPECT_EQ(EditorArguments("notepad.exe", file, env("vi")), (Args{pluma, file}));
    std::string kwrite = bin.add("kwrite");
    EXPECT_EQ(EditorArguments("notepad.exe", file, env("vi")), (Args{kwrite, file}));
    std::string gedit = bin.add("gedit");
    EXPECT_EQ(EditorArguments("notepad.exe", file, env("vi")), (Args{gedit, "--wait", file}));
    // The desktop's own choice before the list, with its Exec line's field codes.
    std::string mine = bin.add("my-editor");
    EXPECT_EQ(EditorArguments("notepad.exe", file, env("vi", "", "my-editor --new %U")), (Args{mine, "--new", file}));
    EXPECT_EQ(EditorArguments("", file, env("", "", "missing-editor %f")), (Args{gedit, "--wait", file}));
    EXPECT_EQ(EditorArguments("notepad.exe", file, env("", "", "gedit %F")), (Args{gedit, "--wait", file}));
    // The configured program first of all.
    EXPECT_EQ(EditorArguments("vi", file, env("", "", "my-editor %f")), (Args{vi, file}));
    std::string kate = bin.add("kate");
    EXPECT_EQ(EditorArguments("kate -n", file, bin.env("vi")), (Args{kate, "--block", "-n", file}));
    EXPECT_EQ(EditorArguments("kate --block", file, bin.env()), (Args{kate, "--block", file}));
    // A full path is used as it is; its options split like a shell's words.
    std::string own = bin.add("my editor");
    EXPECT_EQ(EditorArguments("'" + own + "' --line=1 \"a b\"", file, bin.env()), (Args{own, "--line=1", "a b", file}));
    bin.add("mousepad");
    bin.add("gnome-text-editor");
    EXPECT_EQ(EditorArguments("mousepad", file, bin.env()), (Args{bin.path("bin") + "/mousepad", "--disable-server", file}));
    EXPECT_EQ(EditorArguments("notepad.exe", file, bin.env()),
              (Args{bin.path("bin") + "/gnome-text-editor", "--standalone", file}));
}

TEST(DesktopTextEditor, TheExecLineOfTheEntryUnlessItRunsInATerminal) {
    const std::string file = "/p/a b.txt";
    EXPECT_EQ(ExecArguments("gedit %U", file), (Args{"gedit", file}));
    EXPECT_EQ(ExecArguments("kate -b %u %i %k", file), (Args{"kate", "-b", file}));
    EXPECT_EQ(ExecArguments("\"/opt/my editor/ed\" --file=%f --pct=100%%", file),
              (Args{"/opt/my editor/ed", "--file=" + file, "--pct=100%"}));
    EXPECT_EQ(ExecArguments("ed %f %F", file), (Args{"ed", file}));
    EXPECT_EQ(ExecArguments("ed", file), (Args{"ed", file}));

    vellumo::testing::TempTree t;
    const std::vector<std::string> folders = {t.path("home/applications"), t.path("usr/applications")};
    t.file("usr/applications/org.gnome.TextEditor.desktop",
           "[Desktop Entry]\nName=Text Editor\nExec=gnome-text-editor %U\nTerminal=false\n"
           "[Desktop Action new-window]\nExec=gnome-text-editor --new-window\n");
    t.file("usr/applications/vim.desktop", "[Desktop Entry]\nExec=vim %F\nTerminal=true\n");
    t.file("usr/applications/kde/kwrite.desktop", "[Desktop Entry]\nExec=kwrite\\s--stdin %U\n");
    t.file("home/applications/hidden.desktop", "[Desktop Entry]\nExec=x %f\nHidden=true\n");
    t.file("usr/applications/hidden.desktop", "[Desktop Entry]\nExec=y %f\n");
    EXPECT_EQ(TextEditorExec("org.gnome.TextEditor.desktop", folders), "gnome-text-editor %U");
    EXPECT_EQ(TextEditorExec("vim.desktop", folders), std::nullopt);
    EXPECT_EQ(TextEditorExec("kde-kwrite.desktop", folders), "kwrite --stdin %U");
    EXPECT_EQ(TextEditorExec("hidden.desktop", folders), std::nullopt);  // the user's own entry hides it
    EXPECT_EQ(TextEditorExec("missing.desktop", folders), std::nullopt);
    EXPECT_EQ(TextEditorExec("../usr/applications/vim.desktop", folders), std::nullopt);
}

TEST(EditorWatcher, PostsEditorClosedOnceForEachEditorThatEnds) {
    FakeEventQueue queue;
    Recorder viewer;
    EditorWatcher watcher(queue, &viewer, 31845);
    auto first = std::make_unique<ScriptedChild>();
    auto second = std::make_unique<ScriptedChild>();
    auto firstEnded = first->ended, secondEnded = second->ended;
    watcher.watch(std::move(first));
    watcher.watch(std::move(second));
    watcher.watch(nullptr);  // a failed start is not watched
    EXPECT_EQ(watcher.watching(), 2);
    secondEnded->store(true);
    for (int i = 0; i < 1000 && watcher.watching() > 1; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(watcher.watching(), 1);
    queue.runPending();
    EXPECT_EQ(viewer.commands, std::vector<int>{31845});
    // Stopping does not wait for the editor still open, and nothing is posted afterwards.
    watcher.stop();
    firstEnded->store(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * EditorWatcher::kCheckMilliseconds));
    queue.runPending();
    EXPECT_EQ(viewer.commands, std::vector<int>{31845});
    EXPECT_EQ(watcher.watching(), 0);
}

TEST(EditorWatcher, AnEditorThatReturnsAtOnceIsFollowedByItsFile) {
    vellumo::testing::TempTree t;
    const std::string file = t.file("a.txt", "old");
    FakeEventQueue queue;
    Recorder viewer;
    EditorWatcher watcher(queue, &viewer, 31845);
    ChildWatch what;
    what.command = 31845;
    what.param = 1;
    what.file = file;
    watcher.watch(EndedChild(0), what);  // a launcher: handed the file on and returned
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * EditorWatcher::kCheckMilliseconds));
    queue.runPending();
    EXPECT_TRUE(viewer.commands.empty());
    EXPECT_EQ(watcher.watching(), 1);
    // Every save refreshes.
    t.file("a.txt", "saved once");
    WaitForCommands(queue, viewer, 1);
    EXPECT_EQ(viewer.commands, std::vector<int>{31845});
    EXPECT_EQ(viewer.params, std::vector<std::intptr_t>{1});
    t.file("a.txt", "saved twice, longer");
    WaitForCommands(queue, viewer, 2);
    EXPECT_EQ(viewer.commands.size(), 2u);
    // The same file given to an editor again is followed once, by the new watch.
    what.param = 0;
    watcher.watch(EndedChild(0), what);
    t.file("a.txt", "third");
    WaitForCommands(queue, viewer, 3);
    std::this_thread::sleep_for(std::chrono::milliseconds(3 * EditorWatcher::kCheckMilliseconds));
    queue.runPending();
    EXPECT_EQ(viewer.params, (std::vector<std::intptr_t>{1, 1, 0}));
    EXPECT_EQ(watcher.watching(), 1);
    // A launcher that failed ends the watch at once; so does a slow editor.
    watcher.watch(EndedChild(3), what);
    WaitForCommands(queue, viewer, 4);
    watcher.setLauncherTime(std::chrono::milliseconds(0));
    watcher.watch(EndedChild(0), what);
    WaitForCommands(queue, viewer, 5);
    EXPECT_EQ(viewer.commands.size(), 5u);
    watcher.stop();
    EXPECT_EQ(watcher.watching(), 0);
}

TEST(EditorWatcher, AnOpenersExitStatusIsPostedWithinItsTimeOnly) {
    FakeEventQueue queue;
    Recorder viewer;
    EditorWatcher watcher(queue, &viewer, 31845);
    ChildWatch what;
    what.command = 31881;
    what.timeLimit = std::chrono::milliseconds(300);
    what.postExitStatus = true;
    watcher.watch(EndedChild(4), what);
    WaitForCommands(queue, viewer, 1);
    EXPECT_EQ(viewer.commands, std::vector<int>{31881});
    EXPECT_EQ(viewer.params, std::vector<std::intptr_t>{4});
    // An opener still running after its time: nothing comes, and the watch ends.
    auto running = std::make_unique<ScriptedChild>();
    auto ended = running->ended;
    watcher.watch(std::move(running), what);
    for (int i = 0; i < 1000 && watcher.watching() > 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(watcher.watching(), 0);
    ended->store(true);
    std::this_thread::sleep_for(std::chrono::milliseconds(2 * EditorWatcher::kCheckMilliseconds));
    queue.runPending();
    EXPECT_EQ(viewer.commands.size(), 1u);
}
