// Which editor opens a file, and the watcher that waits for it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

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
    EditorEnvironment env(const std::string& visual = "") { return {visual, path("bin")}; }
};

struct Recorder : CommandTarget {
    std::vector<int> commands;
    void onCommand(int command, std::intptr_t) override { commands.push_back(command); }
    void onTimer(int) override {}
};

struct ScriptedChild : ChildProcess {
    std::shared_ptr<std::atomic<bool>> ended = std::make_shared<std::atomic<bool>>(false);
    bool hasEnded() override { return ended->load(); }
};

}  // namespace

TEST(EditorArguments, TheConfiguredProgramThenVisualThenADesktopEditorThenTheOpener) {
    Bin bin;
    const std::string file = "/photos/my photo.txt";
    // Nothing found at all: the desktop's opener.
    EXPECT_EQ(EditorArguments("notepad.exe", file, bin.env()), (Args{"xdg-open", file}));
    std::string pluma = bin.add("pluma");
    EXPECT_EQ(EditorArguments("notepad.exe", file, bin.env()), (Args{pluma, file}));
    std::string kwrite = bin.add("kwrite");
    EXPECT_EQ(EditorArguments("notepad.exe", file, bin.env()), (Args{kwrite, file}));
    std::string gedit = bin.add("gedit");
    EXPECT_EQ(EditorArguments("notepad.exe", file, bin.env()), (Args{gedit, "--wait", file}));
    std::string vi = bin.add("vi");
    EXPECT_EQ(EditorArguments("notepad.exe", file, bin.env("vi -n")), (Args{vi, "-n", file}));
    EXPECT_EQ(EditorArguments("", file, bin.env("missing-editor")), (Args{gedit, "--wait", file}));
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
