#pragma once
// A Navigator with its slideshows over a temporary folder tree, on the
// virtual clock, with a viewer that records what it was asked.
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "fakes/TempTree.h"
#include "navigator/NavigatorRig.h"

namespace vellumo::testing {

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

struct SlideshowHarness : NavigatorRig {
    TempTree tree;
    RecordingListener listener;
    std::vector<std::string> scopeCalls;
    std::string programFolder;
    std::string prefix = "SlideShow";

    SlideshowHarness() {
        settings.SlideShowDelay = 3.0;
        settings.SlideShowSmallEndAction = 'b';
        settings.SlideShowTotalEndAction = 'b';
        settings.SlideShowStopScreenSaver = 1;
        settings.CommandsAfterSlideshowStart = {127};
        settings.CommandsAfterSlideshowFinish = {126};
        settings.NavigatorRect = {750, 500, 1000, 1000};
        viewer.screen = {0, 0, 1000, 800};
        programFolder = tree.folder("cd/prog");
        drives = {{"/", DriveType::Fixed, "ext4"}, {tree.path("cd"), DriveType::CdRom, "iso9660"}};
        create(access());
        nav->slideshows().addListener(&listener);
    }
    ~SlideshowHarness() { nav->destroy(); }  // before the listener and the tree go
    // What the Navigator is told of the script scope and the program folder.
    NavigatorSettingsAccess access() {
        NavigatorSettingsAccess a;
        a.enterScript = [this](const std::string& s) { scopeCalls.push_back("enter " + s); };
        a.leaveScript = [this] { scopeCalls.push_back("leave"); };
        a.scriptPrefix = [this] { return prefix; };
        a.programFolder = programFolder;
        a.programDrive = tree.path("cd");
        return a;
    }
    Slideshows& shows() { return nav->slideshows(); }
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
