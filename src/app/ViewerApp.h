#pragma once
// The application object: start-up in its fixed order, and exit.
#include <memory>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/ViewerWindow.h"
#include "config/ProgramLocation.h"

namespace vellumo {

class ViewerApp {
public:
    ViewerApp(EventQueue& queue, Desktop& desktop, WindowHost& viewerHost);
    ~ViewerApp();

    bool start(const std::vector<std::string>& arguments, const std::string& workingFolder);
    void exit();

    ViewerWindow& viewer() { return viewer_; }
    const ProgramLocation& location() const { return location_; }

private:
    EventQueue& queue_;
    Desktop& desktop_;
    ProgramLocation location_;
    CommandLine commandLine_;
    ViewerWindow viewer_;
};

}  // namespace vellumo
