#pragma once
// The full-screen viewer window's logic: start-up sequence, painting, commands
// and shutdown. The real window (Qt) only forwards events here and carries out
// the drawing and window requests.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Desktop.h"
#include "platform/EventQueue.h"
#include "platform/WindowEvents.h"
#include "platform/WindowHost.h"

namespace vellumo {

// Internal command numbers of the viewer.
enum InternalCommand : int {
    CmdStartupBegin = 31835,
    CmdStartupFinish = 31836,
    CmdExit = 142,
};

class ViewerWindow : public CommandTarget, public WindowEvents {
public:
    ViewerWindow(EventQueue& queue, WindowHost& host, Desktop& desktop);
    ~ViewerWindow() override;

    // Creation: sizes the window to the screen, shows it and posts StartupBegin.
    void create();

    // CommandTarget
    void onCommand(int command, std::intptr_t param) override;
    void onTimer(int timerId) override;

    // WindowEvents
    void paint(Canvas& canvas, const Rect& dirty) override;
    bool keyDown(const KeyEvent& key) override;
    void destroyed() override;
    void displayChanged() override;

    void setBackgroundColor(ColorRef c) { backgroundColor_ = c; }
    const Rect& screenRect() const { return screenRect_; }
    bool noPhoto() const { return noPhoto_; }

private:
    void startupBegin();
    void startupFinish();

    EventQueue& queue_;
    WindowHost& host_;
    Desktop& desktop_;
    Rect screenRect_;
    std::vector<Rect> backgroundRects_;
    ColorRef backgroundColor_ = 0;
    bool noPhoto_ = true;
    bool destroyed_ = false;
};

}  // namespace vellumo
