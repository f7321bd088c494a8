#include "navigator/NavigatorDocking.h"

namespace vellumo {

std::optional<Rect> DockRect(const Rect& r, const Rect& screen, int d) {
    if (d <= 0) return std::nullopt;
    int width = screen.width();
    int height = screen.height();
    bool docked = false;
    Rect result = r;
    if (-d < r.left && r.left < d) {
        result = result.offset(-r.left, 0);
        docked = true;
    } else if (width - d < r.right && r.right < width + d) {
        result = result.offset(width - r.width() - r.left, 0);
        docked = true;
    }
    if (-d < r.top && r.top < d) {
        result = result.offset(0, -r.top);
        docked = true;
    } else if (height - d < r.bottom && r.bottom < height + d) {
        result = result.offset(0, height - r.height() - r.top);
        docked = true;
    }
    if (!docked) return std::nullopt;
    return result;
}

Rect NavigatorDocking::onMoving(const Rect& proposed, Point cursor, const Rect& current, const Rect& screen,
                                int dockingSpace) {
    if (dockingSpace <= 0) return proposed;
    if (!dragging_) {
        dragging_ = true;
        startCursor_ = cursor;
        startRect_ = current;
    }
    Rect result = proposed;
    if (auto docked = DockRect(proposed, screen, dockingSpace)) result = *docked;
    Rect free = startRect_.offset(cursor.x - startCursor_.x, cursor.y - startCursor_.y);
    if (!DockRect(free, screen, dockingSpace)) result = free;
    return result;
}

Rect ThousandthsToPixels(const Rect& t, const Rect& screen) {
    auto conv = [](int v, int size) { return static_cast<int>(static_cast<long long>(v) * size / 1000); };
    return {conv(t.left, screen.width()), conv(t.top, screen.height()), conv(t.right, screen.width()),
            conv(t.bottom, screen.height())};
}

Rect PixelsToThousandths(const Rect& p, const Rect& screen) {
    auto conv = [](int v, int size) { return size > 0 ? static_cast<int>(static_cast<long long>(v) * 1000 / size) : 0; };
    return {conv(p.left, screen.width()), conv(p.top, screen.height()), conv(p.right, screen.width()),
            conv(p.bottom, screen.height())};
}

}  // namespace vellumo
