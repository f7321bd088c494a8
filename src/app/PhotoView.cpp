#include "app/PhotoView.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace vellumo {

namespace {

// a / b in floating point; a zero divisor gives 0 instead of infinity.
double DivideOrZero(double a, double b) { return b == 0.0 ? 0.0 : a / b; }

// Truncation toward zero into an int, clamped to the int range (NaN gives 0).
long long TruncClamped(double x) {
    if (!(x == x)) return 0;
    if (x >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (x <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<long long>(std::trunc(x));
}

// The width one zoom step of p percent gives a photo w wide: w + trunc(p % of w),
// or one pixel more (in) or less (out) when that is no change; never below 1.
long long NextWidth(long long w, int percent) {
    const long long delta = TruncClamped(percent * 0.01 * static_cast<double>(w));
    return std::max(1LL, delta != 0 ? w + delta : (percent > 0 ? w + 1 : w - 1));
}

int ClampToInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

// The part of a new extent n that lies before the screen centre c, for a photo
// now spanning lo..hi: the image point under the centre stays there. This is
// n / ((hi - c) / (c - lo) + 1), that is n * (c - lo) / (hi - lo), with the
// photo edge sitting on the centre (c == lo) keeping that edge on the centre.
int PartBeforeCentre(long long n, int lo, int hi, int c) {
    if (c == lo) return 0;
    double ratio = DivideOrZero(static_cast<double>(hi) - c, static_cast<double>(c) - lo);
    return NearestInt(DivideOrZero(static_cast<double>(n), ratio + 1.0));
}

}  // namespace

ScaleMode ScaleModeFromLetter(char letter) {
    switch (letter) {
        case 'r': return ScaleMode::Real;
        case 'f': return ScaleMode::Fit;
        case 'u': return ScaleMode::User;
        default: return ScaleMode::Auto;
    }
}

char ScaleLetter(ScaleMode mode) { return static_cast<char>(mode); }

char ScaleLetterForSaving(ScaleMode mode) { return mode == ScaleMode::User ? 'a' : ScaleLetter(mode); }

int NearestInt(double x) {
    if (!(x == x)) return 0;
    if (x > -1.0 && x < 1.0) return 0;
    double r = x > 0 ? std::ceil(x - 0.5) : -std::ceil(-x - 0.5);
    if (r >= static_cast<double>(INT_MAX)) return INT_MAX;
    if (r <= static_cast<double>(INT_MIN)) return INT_MIN;
    return static_cast<int>(r);
}

int DirectionCode(const Rect& photo, const Rect& screen) {
    int code = 0;
    if (photo.left < screen.left) code += 1;
    if (photo.top < screen.top) code += 10;
    if (photo.bottom > screen.bottom) code += 100;
    if (photo.right > screen.right) code += 1000;
    return code;
}

CursorId ChooseViewCursor(const Rect& photo, const Rect& screen, bool dragging, Point mouse,
                          bool totalSlideshowPaused) {
    int code = DirectionCode(photo, screen);
    if (code != 0 && photo.contains(mouse)) return CursorId{dragging ? code : ViewCursors::AllDirections};
    if (totalSlideshowPaused) return CursorId{ViewCursors::TotalPaused};
    return CursorId{CursorId::Arrow};
}

PhotoView::PhotoView(const Rect& screen, ScaleMode mode) : mode_(mode) { setScreenRect(screen); }

void PhotoView::setScreenRect(const Rect& screen) {
    // The view works in screen coordinates with the origin at the top left.
    screen_ = {0, 0, std::max(1, screen.width()), std::max(1, screen.height())};
    moveStep_ = std::max(1, screen_.width() * 5 / 100);
    if (hasImage())
        applyScaleMode();
    else
        wholeScreenBackground();
}

void PhotoView::setZoomTarget(int target) { zoom_.target = std::clamp(target, -MaxZoomSteps, MaxZoomSteps); }

void PhotoView::setImageSize(int width, int height) {
    if (width <= 0 || height <= 0 || width > MaxExtent || height > MaxExtent) {
        clearImage();
        return;
    }
    image_ = {0, 0, width, height};
}

void PhotoView::clearImage() {
    image_ = {};
    photo_ = {};
    dragging_ = false;
    wholeScreenBackground();
}

void PhotoView::wholeScreenBackground() {
    background_ = {};
    background_[0] = screen_;
    backgroundCount_ = 1;
}

void PhotoView::applyScaleMode() {
    zoom_.applied = 0;
    moveStep_ = std::max(1, screen_.width() * 5 / 100);
    if (!hasImage()) {
        photo_ = {};
        wholeScreenBackground();
        return;
    }
    const long long iw = image_.width(), ih = image_.height();
    const long long sw = screenWidth(), sh = screenHeight();
    ScaleMode effective = mode_ == ScaleMode::User ? ScaleMode::Auto : mode_;
    if (effective == ScaleMode::Auto) effective = (iw < sw && ih < sh) ? ScaleMode::Real : ScaleMode::Fit;

    long long w = iw, h = ih;
    if (effective == ScaleMode::Fit) {
        // Divide by the larger of the two ratios image / screen. Done on the
        // integers, so the dominant side gets exactly the screen's extent.
        if (iw * sh >= ih * sw) {
            w = sw;
            h = ih * sw / iw;
        } else {
            h = sh;
            w = iw * sh / ih;
        }
        // A very thin photo keeps at least one visible pixel row or column.
        w = std::max(1LL, w);
        h = std::max(1LL, h);
    }
    const int left = static_cast<int>((sw - w) / 2), top = static_cast<int>((sh - h) / 2);
    photo_ = {left, top, left + static_cast<int>(w), top + static_cast<int>(h)};

    if (mode_ != ScaleMode::User) zoom_.target = 0;
    applyZoomSteps();
}

void PhotoView::applyZoomSteps() {
    while (zoom_.applied < zoom_.target) {
        ++zoom_.applied;
        if (zoomInFits()) {
            zoomStep(+10);
            placeAfterZoomIn();
        }
    }
    while (zoom_.applied > zoom_.target) {
        --zoom_.applied;
        if (zoomOutFits()) {
            zoomStep(-10);
            placeAfterZoomOut();
        }
    }
    computeBackground();
    zoom_.applied = zoom_.target;
}

void PhotoView::zoomStep(int percent) {
    const long long newWidth = NextWidth(photo_.width(), percent);
    const int cx = screenWidth() / 2, cy = screenHeight() / 2;
    const int leftPart = PartBeforeCentre(newWidth, photo_.left, photo_.right, cx);
    const double aspect = static_cast<double>(image_.width()) / image_.height();
    const long long newHeight = std::max(1LL, TruncClamped(DivideOrZero(static_cast<double>(newWidth), aspect)));
    const int topPart = PartBeforeCentre(newHeight, photo_.top, photo_.bottom, cy);
    const long long left = static_cast<long long>(cx) - leftPart, top = static_cast<long long>(cy) - topPart;
    photo_ = {ClampToInt(left), ClampToInt(top), ClampToInt(left + newWidth), ClampToInt(top + newHeight)};
}

void PhotoView::centre(Axis axis) {
    if (axis == Axis::Horizontal) {
        const int w = photo_.width(), left = (screenWidth() - w) / 2;
        photo_.left = left;
        photo_.right = left + w;
    } else {
        const int h = photo_.height(), top = (screenHeight() - h) / 2;
        photo_.top = top;
        photo_.bottom = top + h;
    }
}

void PhotoView::closeGaps(Axis axis) {
    if (axis == Axis::Horizontal) {
        if (photo_.left > screen_.left) photo_ = photo_.offset(screen_.left - photo_.left, 0);
        if (photo_.right < screen_.right) photo_ = photo_.offset(screen_.right - photo_.right, 0);
    } else {
        if (photo_.top > screen_.top) photo_ = photo_.offset(0, screen_.top - photo_.top);
        if (photo_.bottom < screen_.bottom) photo_ = photo_.offset(0, screen_.bottom - photo_.bottom);
    }
}

void PhotoView::placeAfterZoomIn() {
    const bool narrower = photo_.width() < screenWidth(), lower = photo_.height() < screenHeight();
    if (narrower && lower) {
        centre(Axis::Horizontal);
        centre(Axis::Vertical);
        return;
    }
    // A photo that now covers the screen in a direction covers it edge to edge
    // (the centred rounding may leave one pixel line open otherwise).
    if (!narrower) closeGaps(Axis::Horizontal);
    if (!lower) closeGaps(Axis::Vertical);
}

void PhotoView::placeAfterZoomOut() {
    if (photo_.width() < screenWidth())
        centre(Axis::Horizontal);
    else
        closeGaps(Axis::Horizontal);
    if (photo_.height() < screenHeight())
        centre(Axis::Vertical);
    else
        closeGaps(Axis::Vertical);
}

void PhotoView::computeBackground() {
    background_ = {};
    const int W = screen_.right, H = screen_.bottom;
    const bool narrower = photo_.width() < screenWidth(), lower = photo_.height() < screenHeight();
    if (narrower && lower) {
        background_[0] = {0, 0, W, photo_.top};
        background_[1] = {0, photo_.bottom, W, H};
        background_[2] = {0, 0, photo_.left, H};
        background_[3] = {photo_.right, 0, W, H};
        backgroundCount_ = 4;
    } else if (narrower) {
        background_[0] = {0, 0, photo_.left, H};
        background_[1] = {photo_.right, 0, W, H};
        backgroundCount_ = 2;
    } else if (lower) {
        background_[0] = {0, 0, W, photo_.top};
        background_[1] = {0, photo_.bottom, W, H};
        backgroundCount_ = 2;
    } else {
        backgroundCount_ = 0;
    }
}

// Whether one more step in keeps at least five image pixels across the screen
// (both directions measured with the image width, as the scale is uniform) and
// the photo inside MaxExtent. The 100-step limit is the command's business.
// Both tests measure the width the step really gives (on photos under ten
// pixels wide that is one pixel more or less, not the unchanged 10 %).
bool PhotoView::zoomInFits() const {
    if (!hasImage()) return false;
    const long long next = NextWidth(photo_.width(), +10);
    const double iw = image_.width();
    if (NearestInt(screenWidth() * iw / static_cast<double>(next)) <= 4) return false;
    if (NearestInt(screenHeight() * iw / static_cast<double>(next)) <= 4) return false;
    const double nextHeight = static_cast<double>(next) * image_.height() / iw;
    return next <= MaxExtent && nextHeight <= MaxExtent;
}

bool PhotoView::zoomOutFits() const {
    if (!hasImage()) return false;
    const long long next = NextWidth(photo_.width(), -10);
    const double aspect = static_cast<double>(image_.width()) / image_.height();
    return TruncClamped(DivideOrZero(static_cast<double>(next), aspect)) > 4 && next > 4;
}

bool PhotoView::canZoomIn() const { return zoom_.target < MaxZoomSteps && zoomInFits(); }

bool PhotoView::canZoomOut() const { return zoom_.target > -MaxZoomSteps && zoomOutFits(); }

int PhotoView::zoomIn(int repeat) {
    int done = 0;
    for (int i = 0; i < std::max(1, repeat); ++i) {
        if (!canZoomIn()) break;
        mode_ = ScaleMode::User;
        ++zoom_.target;
        applyZoomSteps();
        ++done;
    }
    return done;
}

int PhotoView::zoomOut(int repeat) {
    int done = 0;
    for (int i = 0; i < std::max(1, repeat); ++i) {
        if (!canZoomOut()) break;
        mode_ = ScaleMode::User;
        --zoom_.target;
        applyZoomSteps();
        ++done;
    }
    return done;
}

void PhotoView::realScale() {
    mode_ = ScaleMode::Real;
    applyScaleMode();
}

void PhotoView::fitToScreen() {
    mode_ = ScaleMode::Fit;
    applyScaleMode();
}

bool PhotoView::canPan(Axis axis, int d) const {
    if (!hasImage()) return false;
    if (axis == Axis::Horizontal) {
        if (photo_.width() < screenWidth()) return false;
        return d <= 0 ? photo_.left < d : d < photo_.right - screen_.right;
    }
    if (photo_.height() < screenHeight()) return false;
    return d <= 0 ? photo_.top < d : d < photo_.bottom - screen_.bottom;
}

void PhotoView::pan(Axis axis, int d) {
    photo_ = axis == Axis::Horizontal ? photo_.offset(-d, 0) : photo_.offset(0, -d);
}

// Moves the remaining distance to the edge when less than a step is left.
bool PhotoView::snap(PanDirection direction) {
    switch (direction) {
        case PanDirection::Left:
            if (photo_.left < screen_.left) { pan(Axis::Horizontal, photo_.left - screen_.left); return true; }
            return false;
        case PanDirection::Right:
            if (photo_.right > screen_.right) { pan(Axis::Horizontal, photo_.right - screen_.right); return true; }
            return false;
        case PanDirection::Up:
            if (photo_.top < screen_.top) { pan(Axis::Vertical, photo_.top - screen_.top); return true; }
            return false;
        case PanDirection::Down:
            if (photo_.bottom > screen_.bottom) { pan(Axis::Vertical, photo_.bottom - screen_.bottom); return true; }
            return false;
    }
    return false;
}

int PhotoView::panCommand(PanDirection direction, int repeat) {
    if (!hasImage()) return 0;
    const Axis axis =
        (direction == PanDirection::Left || direction == PanDirection::Right) ? Axis::Horizontal : Axis::Vertical;
    const int d = (direction == PanDirection::Left || direction == PanDirection::Up) ? -moveStep_ : moveStep_;
    int moved = 0;
    for (int i = 0; i < std::max(1, repeat); ++i) {
        if (canPan(axis, d))
            pan(axis, d);
        else if (!snap(direction))
            break;
        ++moved;
    }
    return moved;
}

bool PhotoView::scroll(Axis axis, ScrollCode code) {
    int d = 0;
    switch (code) {
        case ScrollCode::LineBack: d = -moveStep_; break;
        case ScrollCode::LineForward: d = moveStep_; break;
        case ScrollCode::PageBack: d = -10 * moveStep_; break;
        case ScrollCode::PageForward: d = 10 * moveStep_; break;
        case ScrollCode::Other: d = 0; break;
    }
    if (!canPan(axis, d)) return false;
    pan(axis, d);
    return true;
}

bool PhotoView::beginDrag(Point p) {
    if (!hasImage()) return false;
    const bool larger = photo_.width() > screenWidth() || photo_.height() > screenHeight();
    if (!larger || !photo_.contains(p)) return false;
    dragging_ = true;
    dragPoint_ = p;
    return true;
}

bool PhotoView::dragTo(Point p) {
    if (!dragging_) return false;
    const Rect before = photo_;
    if (photo_.contains(p)) {
        const int dx = dragPoint_.x - p.x;
        if (canPan(Axis::Horizontal, dx))
            pan(Axis::Horizontal, dx);
        else if (dx < 0)
            snap(PanDirection::Left);
        else if (dx > 0)
            snap(PanDirection::Right);
        const int dy = dragPoint_.y - p.y;
        if (canPan(Axis::Vertical, dy))
            pan(Axis::Vertical, dy);
        else if (dy < 0)
            snap(PanDirection::Up);
        else if (dy > 0)
            snap(PanDirection::Down);
    }
    dragPoint_ = p;
    return photo_ != before;
}

bool PhotoView::photoPart(const Rect& clip, PhotoPart& part) const {
    if (!hasImage()) return false;
    const Rect i = photo_.intersected(clip);
    if (i.isEmpty()) return false;
    const long long iw = image_.width(), ih = image_.height();
    const double pw = photo_.width(), ph = photo_.height();
    // Integer products, then the rounded division.
    const int sw = NearestInt(DivideOrZero(static_cast<double>(iw * i.width()), pw));
    const int sh = NearestInt(DivideOrZero(static_cast<double>(i.height() * ih), ph));
    const int sl = NearestInt(DivideOrZero(static_cast<double>(iw * (static_cast<long long>(i.left) - photo_.left)), pw));
    const int st = NearestInt(DivideOrZero(static_cast<double>(ih * (static_cast<long long>(i.top) - photo_.top)), ph));
    if (sw != 0 && sh != 0) {
        part.source = Rect{sl, st, sl + sw, st + sh}.intersected(image_);
        part.destination = i;
        part.whole = false;
        if (!part.source.isEmpty()) return true;
    }
    part.source = image_;
    part.destination = photo_;
    part.whole = true;
    return true;
}

ScaleQuality PhotoView::scaleQuality() const {
    return (photo_.width() < image_.width() || photo_.height() < image_.height()) ? ScaleQuality::Smooth
                                                                                   : ScaleQuality::Nearest;
}

void PhotoView::paint(Canvas& canvas, const Rect& clip, ColorRef background, const ImageView* image) const {
    if (clip.isEmpty()) return;
    canvas.setClip(clip);
    for (const Rect& r : backgroundRects()) {
        const Rect part = r.intersected(clip);
        if (!part.isEmpty()) canvas.fillRect(part, background);
    }
    if (image == nullptr || image->bits == nullptr) return;
    PhotoPart part;
    if (!photoPart(clip, part)) return;
    canvas.drawImagePart(*image, photo_, part.source, part.destination, scaleQuality());
}

}  // namespace vellumo
