#pragma once
// A viewer that the Navigator can talk to and that does nothing: for tests
// and benchmarks that look only at the Navigator.
#include "archive/ViewerLink.h"
#include "platform/EventQueue.h"

namespace vellumo {

struct RecordingViewer : ViewerLink, CommandTarget {
    void showPhoto(const std::string&) override {}
    void clearNoPhoto() override {}
    void setBusyCursor(bool) override {}
    void lockCursor(int) override {}
    Rect screenRect() const override { return {0, 0, 1024, 768}; }
    bool effectRunning() const override { return false; }
    void navigatorCaptionChanged(const std::string&) override {}
    CommandTarget* viewerTarget() override { return this; }
    void focusViewer() override {}
    void onCommand(int, std::intptr_t) override {}
    void onTimer(int) override {}
};

}  // namespace vellumo
