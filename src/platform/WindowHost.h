#pragma once
// What a logic window asks of the real window that shows it.
#include <string>

#include "platform/Geometry.h"

namespace vellumo {

// Cursor shapes: the standard ones, and the program's own by resource number
// (direction cursors, slideshow cursors).
struct CursorId {
    enum Standard { Arrow = 0, Wait = -1, Hidden = -2, SizeAll = -3, SizeNWSE = -4, SizeNESW = -5, SizeWE = -6, SizeNS = -7 };
    int id = Arrow;
    friend bool operator==(const CursorId&, const CursorId&) = default;
};

class WindowHost {
public:
    virtual ~WindowHost() = default;

    virtual void invalidate(const Rect& r) = 0;
    virtual void invalidateAll() = 0;
    // Paints the invalid region now instead of when the event loop gets to it.
    virtual void update() = 0;
    virtual void setVisible(bool visible) = 0;
    virtual bool isVisible() const = 0;
    // On screen: what update() paints is seen. A window just shown is not,
    // until the window system has exposed it.
    virtual bool isExposed() const = 0;
    // Window rectangle in screen (viewer) coordinates.
    virtual void move(const Rect& r) = 0;
    virtual Rect geometry() const = 0;
    virtual void setTitle(const std::string& utf8) = 0;
    virtual void setFocus() = 0;
    virtual bool hasFocus() const = 0;
    virtual void setCursor(CursorId cursor) = 0;
    virtual void setIcon(int iconNumber) = 0;
    virtual void captureMouse(bool capture) = 0;
    // Asks the window to close; the close ends in the logic's destroy handling.
    virtual void close() = 0;
};

}  // namespace vellumo
