#pragma once
// The whole viewer on the fakes: a program folder in a temporary folder, the
// application started on it, keys pressed as the user presses them. Every
// test of the whole viewer builds it here; the rigs of the media, sound,
// comment and slideshow tests add what is their own.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/ViewerApp.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakeEventQueue.h"
#include "fakes/FakeNavigatorPanel.h"
#include "fakes/TestBmp.h"
#include "fakes/FakeWindowHost.h"
#include "fakes/TempTree.h"
#include "platform/Files.h"
#include "platform/Paths.h"

namespace vellumo::testing {

struct TempFolder : vellumo::testing::TempTree {
    std::string path = root();
    std::string write(const std::string& name, const std::string& content) const { return file(name, content); }
    std::string read(const std::string& name) const { return ReadWholeFile(TempTree::path(name)).value_or(""); }
};

// Where the photos decoded ahead are decoded: on the test's own thread, so
// that they arrive in a fixed order, or on the prefetcher's worker thread.
enum class Prefetch { Inline, OnWorker };

struct Viewer {
    FakeEventQueue queue;
    FakeDesktop desktop;
    FakeWindowHost host;
    FakeNavigatorPanel panel;
    std::unique_ptr<ViewerApp> app;

    // The application on the program folder, started with the command line
    // args. prepare sets up the rig before the start: the desktop's answers,
    // the window's state, the application's hooks.
    explicit Viewer(const TempTree& folder, std::vector<std::string> args = {},
                    const std::function<void(Viewer&)>& prepare = {}, Prefetch prefetch = Prefetch::Inline) {
        app = std::make_unique<ViewerApp>(queue, desktop, host, panel,
                                          ProgramLocation::FromExecutable(JoinPath(folder.root(), "vellumo"), ListDrives()));
        if (prepare) prepare(*this);
        EXPECT_TRUE(app->start(args, folder.root()));
        if (prefetch == Prefetch::Inline && app->viewer()) app->viewer()->prefetcher().setRunInline(true);
    }
    ViewerWindow& viewer() { return *app->viewer(); }
    Settings& settings() { return app->scopes().current(); }
    void key(int vk, bool ctrl = false, bool alt = false, bool shift = false) {
        KeyInput k;
        k.virtualKey = vk;
        k.ctrl = ctrl;
        k.alt = alt;
        k.shift = shift;
        app->preTranslateKeyDown(k, FocusPlace::Viewer);
    }
    // A key pressed alone: its command runs once the burst merging time has passed.
    void press(int vk) {
        key(vk);
        queue.advance(100);
    }
};

}  // namespace vellumo::testing
