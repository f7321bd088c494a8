#pragma once
// The comment tracker: a rectangle the user moves and resizes with the mouse
// to place the comment. It is drawn as a hatched border with eight square
// handles, both outside the rectangle, so they never cover the comment.
#include "platform/Canvas.h"
#include "platform/Geometry.h"
#include "platform/WindowHost.h"

namespace vellumo {

// The width of the hatched border and the side of the handles, in pixels of
// a plain screen (on a screen the desktop scales, as many times more).
inline constexpr int kTrackerHandleSize = 7;

enum class TrackerHit { None, Move, TopLeft, Top, TopRight, Right, BottomRight, Bottom, BottomLeft, Left };

class CommentTracker {
public:
    bool active() const { return active_; }
    const Rect& rect() const { return rect_; }
    // The rectangle with its border and handles.
    Rect outerRect() const;

    // handleSize: the border's width and the handles' side in screen pixels.
    void start(const Rect& r, int handleSize = kTrackerHandleSize);
    void finish();

    // What a point of the window touches: a handle, the rectangle (move) or nothing.
    TrackerHit hitTest(Point p) const;
    // The cursor for a point; nothing (Arrow) off the tracker.
    static CursorId cursorFor(TrackerHit hit);

    // Dragging with the left button: begin is true when the press is on the
    // tracker; move changes the rectangle (true when it changed); end stops.
    bool beginDrag(Point p);
    bool dragTo(Point p);
    void endDrag() { dragHit_ = TrackerHit::None; }
    bool dragging() const { return dragHit_ != TrackerHit::None; }

    // White hatching with black lines, black handles.
    void paint(Canvas& canvas) const;

private:
    Rect handleRect(TrackerHit hit) const;

    Rect rect_;
    int handle_ = kTrackerHandleSize;
    bool active_ = false;
    TrackerHit dragHit_ = TrackerHit::None;
    Point dragStart_;
    Rect dragStartRect_;
};

}  // namespace vellumo
