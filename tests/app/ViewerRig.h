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

// A 24-bit BMP of width x height in one colour.
inline std::string Bmp(int width, int height, std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    int stride = (width * 3 + 3) & ~3;
    int size = 54 + stride * height;
    std::string f(static_cast<size_t>(size), '\0');
    auto put32 = [&](int at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) f[static_cast<size_t>(at + i)] = static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    f[0] = 'B';
    f[1] = 'M';
    put32(2, static_cast<std::uint32_t>(size));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    f[26] = 1;
    f[28] = 24;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            size_t at = static_cast<size_t>(54 + y * stride + x * 3);
            f[at] = static_cast<char>(b);
            f[at + 1] = static_cast<char>(g);
            f[at + 2] = static_cast<char>(r);
        }
    return f;
}

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
