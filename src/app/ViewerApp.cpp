#include "app/ViewerApp.h"

#include <chrono>

#include "platform/Random.h"

namespace vellumo {

ViewerApp::ViewerApp(EventQueue& queue, Desktop& desktop, WindowHost& viewerHost)
    : queue_(queue), desktop_(desktop), viewer_(queue, viewerHost, desktop) {
    // The one pseudo-random generator of the process, seeded once from the
    // system tick count (milliseconds since the machine started).
    SeedProcessRandom(static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch()).count()));
}

ViewerApp::~ViewerApp() = default;

bool ViewerApp::start(const std::vector<std::string>& arguments, const std::string& workingFolder) {
    location_ = ProgramLocation::OfThisProcess();
    commandLine_ = CommandLine::Parse(arguments, workingFolder);
    viewer_.create();
    return true;
}

void ViewerApp::exit() {}

}  // namespace vellumo
