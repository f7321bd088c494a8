#pragma once
// The whole viewer on the fakes: a program folder in a temporary folder, the
// application started on it, keys pressed as the user presses them.
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

struct Viewer {
    FakeEventQueue queue;
    FakeDesktop desktop;
    FakeWindowHost host;
    FakeNavigatorPanel panel;
    std::unique_ptr<ViewerApp> app;

    // prepare sets up the desktop before the start (answers of a first-start dialog).
    explicit Viewer(const TempFolder& folder, std::vector<std::string> args = {},
                    const std::function<void(FakeDesktop&)>& prepare = {}) {
        if (prepare) prepare(desktop);
        app = std::make_unique<ViewerApp>(queue, desktop, host, panel,
                                          ProgramLocation::FromExecutable(JoinPath(folder.path, "vellumo"), ListDrives()));
        EXPECT_TRUE(app->start(args, folder.path));
        // Photos decoded ahead arrive in a fixed order: on the test's own thread.
        if (app->viewer()) app->viewer()->prefetcher().setRunInline(true);
    }
    ViewerWindow& viewer() { return *app->viewer(); }
    void key(int vk, bool ctrl = false, bool alt = false, bool shift = false) {
        KeyInput k;
        k.virtualKey = vk;
        k.ctrl = ctrl;
        k.alt = alt;
        k.shift = shift;
        app->preTranslateKeyDown(k, FocusPlace::Viewer);
    }
};


}  // namespace vellumo::testing
