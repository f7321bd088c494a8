#pragma once
// The Navigator alone on the fakes: its settings and the drives are the
// test's own, and it floats over a viewer that records what it was asked.
// The Navigator, slideshow and thumbnail tests add what is theirs.
#include <memory>
#include <string>
#include <vector>

#include "fakes/FakeDesktop.h"
#include "fakes/FakeEventQueue.h"
#include "fakes/FakeNavigatorPanel.h"
#include "fakes/RecordingViewer.h"
#include "navigator/NavigatorWindow.h"

namespace vellumo::testing {

struct NavigatorRig {
    FakeEventQueue queue;
    FakeDesktop desktop;
    FakeNavigatorPanel panel;
    RecordingViewer viewer;
    Settings settings{};
    std::vector<Drive> drives;
    std::unique_ptr<NavigatorWindow> nav;

    // Creates the Navigator (anew): it reads and changes `settings` and lists
    // `drives`; access tells it the rest (folders entered, the scripts' places).
    void create(NavigatorSettingsAccess access = {}) {
        if (nav) nav->destroy();
        access.current = [this]() -> Settings& { return settings; };
        nav = std::make_unique<NavigatorWindow>(queue, panel, desktop, viewer, access, [this] { return drives; });
    }
    // Opens the Navigator on the folder, as the viewer's start does.
    void openAt(const std::string& folder) {
        settings.PathToStart = folder;
        nav->open();
        queue.runPending();
    }
    NavigatorList& list() { return nav->list(); }
    // The first row showing text; -1 when none does.
    int rowOf(const std::string& text) {
        for (int i = 0; i < list().count(); ++i)
            if (list().at(i).text == text) return i;
        return -1;
    }
};

}  // namespace vellumo::testing
