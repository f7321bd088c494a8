#include "comments/CommentLayout.h"

#include <algorithm>
#include <vector>

namespace vellumo {

namespace {

int ToPixels(int v, int extent) { return static_cast<int>(v * 0.001 * extent); }
int ToThousandths(int p, int extent) {
    return extent > 0 ? static_cast<int>(static_cast<double>(p) / extent * 1000.0) : 0;
}

}  // namespace

Rect CommentRectToPixels(const Rect& t, const Rect& screen) {
    const int w = screen.width(), h = screen.height();
    return {ToPixels(t.left, w), ToPixels(t.top, h), ToPixels(t.right, w), ToPixels(t.bottom, h)};
}

Rect CommentRectToThousandths(const Rect& p, const Rect& screen) {
    const int w = screen.width(), h = screen.height();
    return {ToThousandths(p.left, w), ToThousandths(p.top, h), ToThousandths(p.right, w), ToThousandths(p.bottom, h)};
}

unsigned CommentTextFlags(char align) {
    unsigned flags = TextWordBreak;
    if (align == 'l') flags |= TextLeft;
    else if (align == 'r') flags |= TextRight;
    else flags |= TextCenter;
    return flags;
}

Rect SizeCommentRect(const Rect& rectPx, const Rect& screen, bool autoSize, int shadowOffset,
                     const std::string& text, const MeasureText& measure) {
    Rect r = rectPx;
    if (!autoSize) return r;
    const int screenW = screen.width(), screenH = screen.height();
    const int m = kCommentScreenMargin;
    r.left = std::max(r.left, m);
    r.top = std::max(r.top, m);
    r.right = std::min(r.right, screenW - m);
    r.bottom = std::min(r.bottom, screenH - m);

    int dx = r.width() * 3 / 100;
    if (dx < 2) dx = 1;
    int dy = r.height() * 3 / 100;
    if (dy < 2) dy = 1;
    auto fits = [&](const Rect& box) {
        if (text.empty() || !measure) return true;
        const int w = box.width() - shadowOffset, h = box.height() - shadowOffset;
        if (w <= 0 || h <= 0) return false;
        Size need = measure(text, w);
        return need.cx <= w && need.cy <= h;
    };
    if (!fits(r)) {
        // The growth steps do not depend on the text: list them, then find the
        // first that fits by halving (a larger box never fits less), so a long
        // text costs a few measurements instead of one per step.
        std::vector<Rect> steps{r};
        for (;;) {
            const Rect& last = steps.back();
            if (screenW - 2 * m < last.width() + 2 * dx) dx = 0;
            if (screenH - 2 * m < last.height() + 2 * dy) dy = 0;
            if (dx == 0 && dy == 0) break;
            steps.push_back({last.left - dx, last.top - dy, last.right + dx, last.bottom + dy});
        }
        size_t lo = 1, hi = steps.size() - 1;  // steps[0] does not fit
        if (hi == 0 || !fits(steps[hi])) {
            r = steps.back();
        } else {
            while (lo < hi) {
                size_t mid = lo + (hi - lo) / 2;
                if (fits(steps[mid])) hi = mid;
                else lo = mid + 1;
            }
            r = steps[lo];
        }
    }
    // The left and top margins win over the right and bottom ones.
    if (r.left < m) r = r.offset(m - r.left, 0);
    else if (r.right > screenW - m) r = r.offset(screenW - m - r.right, 0);
    if (r.top < m) r = r.offset(0, m - r.top);
    else if (r.bottom > screenH - m) r = r.offset(0, screenH - m - r.bottom);
    return r;
}

}  // namespace vellumo
