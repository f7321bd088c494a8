#pragma once
// The archive model with what it needs of a Navigator window, over a
// temporary tree: the model's own commands run, the hooks are recorded.
#include <string>
#include <vector>

#include "archive/ArchiveNavigator.h"
#include "fakes/FakeEventQueue.h"
#include "fakes/TempTree.h"

namespace vellumo {

using testing::TempTree;

// The Navigator window as far as the model needs one: it runs the model's
// own commands and records what the hooks report.
struct Harness : CommandTarget {
    TempTree tree;
    FakeEventQueue queue;
    NavigatorList list;
    std::vector<Drive> driveList;
    std::vector<std::string> shown;
    std::vector<std::string> entered;
    std::vector<int> letThrough;
    int beeps = 0;
    int busyDepth = 0;
    int rowsShown = 0;  // first screenfuls shown
    int listed = 0;     // listings complete
    bool thumbnails = false;
    std::vector<int> otherCommands;
    ArchiveNavigator nav;

    Harness() : nav(list, queue, this, makeHooks()) {
        driveList = {{"/", DriveType::Fixed, "ext4"}, {tree.root(), DriveType::Removable, "vfat"}};
    }
    ArchiveHooks makeHooks() {
        ArchiveHooks h;
        h.beep = [this] { ++beeps; };
        h.busyCursor = [this](bool on) { busyDepth += on ? 1 : -1; };
        h.enterFolder = [this](const std::string& f) { entered.push_back(f); };
        h.showPhoto = [this](const std::string& p) { shown.push_back(p); };
        h.thumbnailsMode = [this] { return thumbnails; };
        h.selectionLetThrough = [this](int row) { letThrough.push_back(row); };
        h.listDrives = [this] { return driveList; };
        h.rowsShown = [this] { ++rowsShown; };
        h.listed = [this] { ++listed; };
        return h;
    }
    void onCommand(int command, std::intptr_t) override {
        if (!nav.handleCommand(command)) otherCommands.push_back(command);
    }
    void onTimer(int) override {}

    void openAt(const std::string& folder, const std::string& horizon = "") {
        nav.open(folder, horizon);
        queue.runPending();
    }
    std::vector<std::string> texts() const {
        std::vector<std::string> t;
        for (const auto& r : list.rows()) t.push_back(r.text);
        return t;
    }
    int rowOf(const std::string& text) const {
        for (int i = 0; i < list.count(); ++i)
            if (list.at(i).text == text) return i;
        return -1;
    }
};

}  // namespace vellumo
