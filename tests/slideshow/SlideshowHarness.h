#pragma once
// A Navigator with its slideshows over a temporary folder tree, on the
// virtual clock, with a viewer that records what it was asked.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "navigator/NavigatorWindow.h"
#include "fakes/FakeDesktop.h"
#include "fakes/FakeEventQueue.h"
#include "fakes/FakeNavigatorPanel.h"
#include "fakes/TempTree.h"

namespace vellumo::testing {

struct RecordingViewer : ViewerLink, CommandTarget {
    std::vector<std::string> shown;
    std::vector<int> cursors;  // lockCursor calls, 0 for unlock
    std::vector<int> commands;
    std::vector<Point> lastMouse;
    Rect screen{0, 0, 1000, 800};
    bool effect = false;

    void showPhoto(const std::string& path) override { shown.push_back(path); }
    void clearNoPhoto() override {}
    void setBusyCursor(bool) override {}
    void lockCursor(int id) override { cursors.push_back(id); }
    Rect screenRect() const override { return screen; }
    bool effectRunning() const override { return effect; }
    void navigatorCaptionChanged(const std::string&) override {}
    CommandTarget* viewerTarget() override { return this; }
    void focusViewer() override {}
    void setLastMousePosition(Point p) override { lastMouse.push_back(p); }
    void onCommand(int command, std::intptr_t) override { commands.push_back(command); }
    void onTimer(int) override {}
};

struct RecordingListener : SlideshowListener {
    std::vector<std::string> events;
    bool hold = false;
    void slideshowStarted(SlideshowKind k) override { events.push_back(k == SlideshowKind::Small ? "+small" : "+total"); }
    void slideshowFinished(SlideshowKind k) override { events.push_back(k == SlideshowKind::Small ? "-small" : "-total"); }
    bool holdsNextStep() const override { return hold; }
    // Steps waiting for the hold to end, run by release().
    std::vector<std::function<void()>> waiting;
    void whenReleased(std::function<void()> step) override {
        if (hold) waiting.push_back(std::move(step));
        else step();
    }
    void release() {
        hold = false;
        auto steps = std::move(waiting);
        waiting.clear();
        for (auto& step : steps) step();
    }
};

struct SlideshowHarness {
    TempTree tree;
    FakeEventQueue queue;
    FakeDesktop desktop;
    FakeNavigatorPanel panel;
    RecordingViewer viewer;
    RecordingListener listener;
    Settings settings{};
    std::vector<std::string> scopeCalls;
    std::vector<Drive> drives;
    std::string programFolder;
    std::string prefix = "SlideShow";
    std::unique_ptr<NavigatorWindow> nav;

    SlideshowHarness() {
        settings.SlideShowDelay = 3.0;
        settings.SlideShowSmallEndAction = 'b';
        settings.SlideShowTotalEndAction = 'b';
        settings.SlideShowStopScreenSaver = 1;
        settings.CommandsAfterSlideshowStart = {127};
        settings.CommandsAfterSlideshowFinish = {126};
        settings.NavigatorRect = {750, 500, 1000, 1000};
        programFolder = tree.folder("cd/prog");
        drives = {{"/", DriveType::Fixed, "ext4"}, {tree.path("cd"), DriveType::CdRom, "iso9660"}};
        NavigatorSettingsAccess access;
        access.current = [this]() -> Settings& { return settings; };
        access.enterFolder = [](const std::string&) {};
        access.enterScript = [this](const std::string& s) { scopeCalls.push_back("enter " + s); };
        access.leaveScript = [this] { scopeCalls.push_back("leave"); };
        access.scriptPrefix = [this] { return prefix; };
        access.programFolder = programFolder;
        access.programDrive = tree.path("cd");
        nav = std::make_unique<NavigatorWindow>(queue, panel, desktop, viewer, access, [this] { return drives; });
        nav->slideshows().addListener(&listener);
    }
    ~SlideshowHarness() {
        if (nav) nav->destroy();
    }
    Slideshows& shows() { return nav->slideshows(); }
    void openAt(const std::string& folder) {
        settings.PathToStart = folder;
        nav->open();
        queue.runPending();
    }
    // Photos "name" in folder rel, as files with a few bytes.
    std::string photos(const std::string& rel, std::initializer_list<const char*> names) {
        std::string dir = tree.folder(rel);
        for (const char* n : names) tree.file(rel + "/" + n);
        return dir;
    }
    void command(int c, int repeat = 1) {
        nav->onCommand(c, repeat);
        queue.runPending();
    }
    // Runs the queue until the archive walk of a total show has completed.
    void waitForWalk() {
        for (int i = 0; i < 2000 && shows().totalCollecting(); ++i) {
            queue.runPending();
            if (!shows().totalCollecting()) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        queue.runPending();
    }
    std::vector<std::string> shownNames(size_t from = 0) const {
        std::vector<std::string> names;
        for (size_t i = from; i < viewer.shown.size(); ++i) {
            const auto& p = viewer.shown[i];
            names.push_back(p.substr(p.rfind('/') + 1));
        }
        return names;
    }
};

}  // namespace vellumo::testing
