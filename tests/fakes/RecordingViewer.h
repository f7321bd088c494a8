#pragma once
// The viewer window as the Navigator sees it: it records what it was asked,
// for tests and benchmarks that run the Navigator without the viewer.
#include <string>
#include <vector>

#include "archive/ViewerLink.h"
#include "platform/EventQueue.h"

namespace vellumo {

struct RecordingViewer : ViewerLink, CommandTarget {
    std::vector<std::string> shown;     // photos shown, in order
    int noPhotoCleared = 0;
    int busy = 0;                       // busy cursor: on minus off calls
    int busyCalls = 0;
    std::vector<int> cursors;           // lockCursor calls, 0 for unlock
    Rect screen{0, 0, 1024, 768};
    bool effect = false;                // a transition effect is drawing
    std::vector<std::string> captions;  // Navigator captions, in order
    int focusRequests = 0;
    std::vector<Point> lastMouse;       // where the program moved the cursor
    std::vector<int> commands;          // commands handed to the viewer

    void showPhoto(const std::string& path) override { shown.push_back(path); }
    void clearNoPhoto() override { ++noPhotoCleared; }
    void setBusyCursor(bool b) override {
        busy += b ? 1 : -1;
        ++busyCalls;
    }
    void lockCursor(int id) override { cursors.push_back(id); }
    Rect screenRect() const override { return screen; }
    bool effectRunning() const override { return effect; }
    void navigatorCaptionChanged(const std::string& c) override { captions.push_back(c); }
    CommandTarget* viewerTarget() override { return this; }
    void focusViewer() override { ++focusRequests; }
    void setLastMousePosition(Point p) override { lastMouse.push_back(p); }
    void onCommand(int command, std::intptr_t) override { commands.push_back(command); }
    void onTimer(int) override {}
};

}  // namespace vellumo
