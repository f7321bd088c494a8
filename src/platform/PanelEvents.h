#pragma once
// What a floating panel (the Navigator) reports while the user moves, sizes
// or closes it.
#include "platform/Geometry.h"

namespace vellumo {

class PanelEvents {
public:
    virtual ~PanelEvents() = default;
    // The user drags the panel: proposed is where the drag would put it, cursor
    // the mouse position (screen coordinates); returns where it goes.
    virtual Rect panelMoving(const Rect& proposed, Point cursor, const Rect& current) = 0;
    // A move or resize ended with the panel at this rectangle.
    virtual void panelMoveEnded(const Rect& rect) = 0;
    // The close button was pressed.
    virtual void panelCloseClicked() = 0;
};

}  // namespace vellumo
