#include "app/ViewerWindow.h"

namespace vellumo {

ViewerWindow::ViewerWindow(EventQueue& queue, WindowHost& host, Desktop& desktop)
    : queue_(queue), host_(host), desktop_(desktop) {}

ViewerWindow::~ViewerWindow() { queue_.forget(this); }

void ViewerWindow::create() {
    screenRect_ = desktop_.screenRect();
    host_.setTitle("Vellumo");
    host_.move(screenRect_);
    host_.setVisible(true);
    // The whole screen is background until a photo is shown.
    backgroundRects_ = {screenRect_};
    queue_.post(this, CmdStartupBegin);
}

void ViewerWindow::onCommand(int command, std::intptr_t) {
    switch (command) {
        case CmdStartupBegin: startupBegin(); break;
        case CmdStartupFinish: startupFinish(); break;
        case CmdExit: host_.close(); break;
        default: break;
    }
}

void ViewerWindow::onTimer(int) {}

void ViewerWindow::startupBegin() {
    host_.setFocus();
    host_.invalidateAll();
    host_.update();
    queue_.post(this, CmdStartupFinish);
}

void ViewerWindow::startupFinish() {}

void ViewerWindow::paint(Canvas& canvas, const Rect& dirty) {
    for (const auto& r : backgroundRects_) {
        Rect part = r.intersected(dirty);
        if (!part.isEmpty()) canvas.fillRect(part, backgroundColor_);
    }
}

bool ViewerWindow::keyDown(const KeyEvent& key) {
    if (key.alt && key.virtualKey == 'X') {
        queue_.post(this, CmdExit);
        return true;
    }
    return false;
}

void ViewerWindow::destroyed() {
    if (destroyed_) return;
    destroyed_ = true;
    queue_.forget(this);
}

void ViewerWindow::displayChanged() {
    screenRect_ = desktop_.screenRect();
    if (backgroundRects_.size() == 1) backgroundRects_[0] = screenRect_;
    host_.move(screenRect_);
}

}  // namespace vellumo
