#pragma once
// What a real window reports to the logic window it shows: paint requests and
// input, already translated into the program's terms (virtual-key codes,
// window coordinates).
#include "platform/Canvas.h"
#include "platform/Geometry.h"

namespace vellumo {

struct KeyEvent {
    int virtualKey = 0;
    bool shift = false;
    bool control = false;
    bool alt = false;
    bool autoRepeat = false;
};

enum class MouseButton { Left, Right, Middle };

class WindowEvents {
public:
    virtual ~WindowEvents() = default;

    // Paints the dirty rectangle. Regions not painted keep their old pixels.
    virtual void paint(Canvas& canvas, const Rect& dirty) = 0;
    // Returns true when the key was used.
    virtual bool keyDown(const KeyEvent& key) = 0;
    virtual void keyUp(const KeyEvent&) {}
    virtual void mouseDown(MouseButton, Point, const KeyEvent& /*modifiers*/) {}
    virtual void mouseUp(MouseButton, Point) {}
    virtual void mouseDoubleClick(MouseButton, Point) {}
    virtual void mouseMove(Point, bool /*leftDown*/) {}
    // delta in wheel notches times 120, positive away from the user.
    virtual void wheel(int, Point) {}
    // The window manager or the user asks to close the window; the logic
    // decides (returns true to let it close).
    virtual bool closeRequested() { return true; }
    // The window is going away: release what it owns.
    virtual void destroyed() {}
    // The screen size or a desktop setting changed.
    virtual void displayChanged() {}
    virtual void focusChanged(bool) {}
    // The window became the active window or stopped being it.
    virtual void activationChanged(bool) {}
    // A horizontal or vertical scroll step (tilt wheel, touchpad side scroll):
    // axis 0 horizontal, 1 vertical; forward is right or down.
    virtual void scrollStep(int /*axis*/, bool /*forward*/) {}
};

}  // namespace vellumo
