#include "comments/CommentTracker.h"

#include <algorithm>

namespace vellumo {

namespace {

// A dragged rectangle keeps at least this width and height.
constexpr int kMinimumSide = 8;

}  // namespace

Rect CommentTracker::outerRect() const {
    const int h = handle_;
    return {rect_.left - h, rect_.top - h, rect_.right + h, rect_.bottom + h};
}

void CommentTracker::start(const Rect& r, int handleSize) {
    rect_ = r;
    handle_ = std::max(1, handleSize);
    active_ = true;
    dragHit_ = TrackerHit::None;
}

void CommentTracker::finish() {
    active_ = false;
    dragHit_ = TrackerHit::None;
}

Rect CommentTracker::handleRect(TrackerHit hit) const {
    const Rect& r = rect_;
    const int H = handle_;
    const int midX = (r.left + r.right) / 2 - H / 2, midY = (r.top + r.bottom) / 2 - H / 2;
    switch (hit) {
        case TrackerHit::TopLeft: return {r.left - H, r.top - H, r.left, r.top};
        case TrackerHit::Top: return {midX, r.top - H, midX + H, r.top};
        case TrackerHit::TopRight: return {r.right, r.top - H, r.right + H, r.top};
        case TrackerHit::Right: return {r.right, midY, r.right + H, midY + H};
        case TrackerHit::BottomRight: return {r.right, r.bottom, r.right + H, r.bottom + H};
        case TrackerHit::Bottom: return {midX, r.bottom, midX + H, r.bottom + H};
        case TrackerHit::BottomLeft: return {r.left - H, r.bottom, r.left, r.bottom + H};
        case TrackerHit::Left: return {r.left - H, midY, r.left, midY + H};
        default: return {};
    }
}

TrackerHit CommentTracker::hitTest(Point p) const {
    if (!active_) return TrackerHit::None;
    for (TrackerHit hit : {TrackerHit::TopLeft, TrackerHit::Top, TrackerHit::TopRight, TrackerHit::Right,
                           TrackerHit::BottomRight, TrackerHit::Bottom, TrackerHit::BottomLeft, TrackerHit::Left})
        if (handleRect(hit).contains(p)) return hit;
    // The rectangle and its hatched border move it.
    return outerRect().contains(p) ? TrackerHit::Move : TrackerHit::None;
}

CursorId CommentTracker::cursorFor(TrackerHit hit) {
    switch (hit) {
        case TrackerHit::Move: return {CursorId::SizeAll};
        case TrackerHit::TopLeft:
        case TrackerHit::BottomRight: return {CursorId::SizeNWSE};
        case TrackerHit::TopRight:
        case TrackerHit::BottomLeft: return {CursorId::SizeNESW};
        case TrackerHit::Left:
        case TrackerHit::Right: return {CursorId::SizeWE};
        case TrackerHit::Top:
        case TrackerHit::Bottom: return {CursorId::SizeNS};
        default: return {CursorId::Arrow};
    }
}

bool CommentTracker::beginDrag(Point p) {
    TrackerHit hit = hitTest(p);
    if (hit == TrackerHit::None) return false;
    dragHit_ = hit;
    dragStart_ = p;
    dragStartRect_ = rect_;
    return true;
}

bool CommentTracker::dragTo(Point p) {
    if (!dragging()) return false;
    const int dx = p.x - dragStart_.x, dy = p.y - dragStart_.y;
    Rect r = dragStartRect_;
    switch (dragHit_) {
        case TrackerHit::Move: r = r.offset(dx, dy); break;
        case TrackerHit::TopLeft: r.left += dx; r.top += dy; break;
        case TrackerHit::Top: r.top += dy; break;
        case TrackerHit::TopRight: r.right += dx; r.top += dy; break;
        case TrackerHit::Right: r.right += dx; break;
        case TrackerHit::BottomRight: r.right += dx; r.bottom += dy; break;
        case TrackerHit::Bottom: r.bottom += dy; break;
        case TrackerHit::BottomLeft: r.left += dx; r.bottom += dy; break;
        case TrackerHit::Left: r.left += dx; break;
        default: break;
    }
    // A side dragged past the opposite one stops at the smallest size.
    if (r.width() < kMinimumSide) {
        if (r.left != dragStartRect_.left) r.left = r.right - kMinimumSide;
        else r.right = r.left + kMinimumSide;
    }
    if (r.height() < kMinimumSide) {
        if (r.top != dragStartRect_.top) r.top = r.bottom - kMinimumSide;
        else r.bottom = r.top + kMinimumSide;
    }
    if (r == rect_) return false;
    rect_ = r;
    return true;
}

void CommentTracker::paint(Canvas& canvas) const {
    if (!active_) return;
    const ColorRef white = Rgb(255, 255, 255), black = Rgb(0, 0, 0);
    const Rect o = outerRect();
    canvas.fillHatched({o.left, o.top, o.right, rect_.top}, black, white);
    canvas.fillHatched({o.left, rect_.bottom, o.right, o.bottom}, black, white);
    canvas.fillHatched({o.left, rect_.top, rect_.left, rect_.bottom}, black, white);
    canvas.fillHatched({rect_.right, rect_.top, o.right, rect_.bottom}, black, white);
    for (TrackerHit hit : {TrackerHit::TopLeft, TrackerHit::Top, TrackerHit::TopRight, TrackerHit::Right,
                           TrackerHit::BottomRight, TrackerHit::Bottom, TrackerHit::BottomLeft, TrackerHit::Left})
        canvas.fillRect(handleRect(hit), black);
}

}  // namespace vellumo
