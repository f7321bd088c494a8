#pragma once
// The Navigator snaps to the screen edges while it is dragged, and leaves them
// as soon as the cursor has travelled out of the docking distance.
#include <optional>

#include "platform/Geometry.h"

namespace vellumo {

// The docked position of r on the screen, or nothing when r does not dock.
// A direction that does not dock keeps its coordinate.
std::optional<Rect> DockRect(const Rect& r, const Rect& screen, int dockingSpace);

class NavigatorDocking {
public:
    // A move of the window proposes a new rectangle; returns the rectangle to use.
    Rect onMoving(const Rect& proposed, Point cursor, const Rect& current, const Rect& screen, int dockingSpace);
    // The move or resize ended.
    void onMoveEnd() { dragging_ = false; }
    bool dragging() const { return dragging_; }

private:
    bool dragging_ = false;
    Point startCursor_;
    Rect startRect_;
};

// NavigatorRect keeps the window in thousandths of the screen.
Rect ThousandthsToPixels(const Rect& thousandths, const Rect& screen);
Rect PixelsToThousandths(const Rect& pixels, const Rect& screen);

}  // namespace vellumo
