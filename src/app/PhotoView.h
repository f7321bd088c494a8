#pragma once
// Geometry of the photo on the viewer's screen: where the bitmap lands for the
// scale mode and zoom steps, panning and dragging, the background around it,
// the painting of both, and the mouse cursor that goes with the view.
//
// Works on the bitmap's size only; the pixels come in as an ImageView at paint
// time. Every rectangle has exclusive right and bottom edges.
#include <array>
#include <cstdint>
#include <span>

#include "platform/Canvas.h"
#include "platform/Geometry.h"
#include "platform/WindowHost.h"

namespace vellumo {

// How the photo is sized on a new show: r real scale, f fit to screen,
// a auto (r when the photo is smaller than the screen both ways, else f),
// u user zoom (a followed by zoom steps).
enum class ScaleMode : char { Real = 'r', Fit = 'f', Auto = 'a', User = 'u' };

// The letter as read from a setting; a letter outside r, f, a, u gives a.
ScaleMode ScaleModeFromLetter(char letter);
char ScaleLetter(ScaleMode mode);
// The letter written to ScaleStart when the mode is saved: u is stored as a,
// because the zoom steps themselves are not saved.
char ScaleLetterForSaving(ScaleMode mode);

// Zoom steps of 10 %: the count asked for and the count the rectangle shows.
struct ZoomSteps {
    int target = 0;
    int applied = 0;
    friend bool operator==(const ZoomSteps&, const ZoomSteps&) = default;
};

enum class Axis { Horizontal, Vertical };

// The four pan commands: left shows more of the photo's left part, and so on.
enum class PanDirection { Left, Right, Up, Down };

// Scroll bar notifications: line and page steps back (left, up) and forward.
enum class ScrollCode { LineBack, LineForward, PageBack, PageForward, Other };

// Cursor resources of the viewer. Direction cursors are numbered by their
// DirectionCode (a sum of 1 left, 10 up, 100 down, 1000 right).
namespace ViewCursors {
constexpr int AllDirections = 1112;      // over a photo larger than the screen
constexpr int SmallSlideshow = 2001;     // small slideshow running
constexpr int TotalRunning = 2002;       // total slideshow running
constexpr int TotalCollecting = 2003;    // total slideshow list incomplete; busy while walking
constexpr int TotalPaused = 2004;        // total slideshow paused
constexpr int Busy = 2005;               // decoding a photo
// Every direction cursor number, in ascending order.
constexpr std::array<int, 15> Directions = {1,    10,   11,   100,  101,  110,  111, 1000,
                                            1001, 1010, 1011, 1100, 1101, 1110, 1111};
}  // namespace ViewCursors

// nearest(x): 0 when -1 < x < 1, otherwise x rounded to the nearest integer
// with halves toward zero (2.5 -> 2, 2.6 -> 3, -2.5 -> -2). Not-a-number
// (a division by zero) gives 0; results are clamped to the int range.
int NearestInt(double x);

// DirectionCode of a photo rectangle: 1 when the photo extends beyond the
// screen's left edge, + 10 beyond the top, + 100 beyond the bottom, + 1000
// beyond the right.
int DirectionCode(const Rect& photo, const Rect& screen);

// The cursor of the view for a mouse position, when no busy or slideshow
// cursor is locked: over a photo larger than the screen the direction cursor
// while dragging, else the all-directions cursor; elsewhere the paused total
// slideshow cursor while that show is paused, else the standard arrow.
CursorId ChooseViewCursor(const Rect& photo, const Rect& screen, bool dragging, Point mouse,
                          bool totalSlideshowPaused);

// The image part of one paint: `source` (image pixels) is drawn into
// `destination` (screen pixels). When the visible part rounds to less than
// one image pixel, the whole image goes into the whole photo rectangle.
struct PhotoPart {
    Rect source;
    Rect destination;
    bool whole = false;
    friend bool operator==(const PhotoPart&, const PhotoPart&) = default;
};

class PhotoView {
public:
    // Largest photo extent in screen pixels (above the decoders' one-gigapixel
    // cap); zooming in stops before it, so every coordinate stays inside the
    // 32-bit range.
    static constexpr int MaxExtent = 1 << 30;
    static constexpr int MaxZoomSteps = 100;

    // The view starts without a bitmap: one background rectangle, the screen.
    explicit PhotoView(const Rect& screen = {0, 0, 1024, 768}, ScaleMode mode = ScaleMode::Auto);

    // --- state ---
    const Rect& screenRect() const { return screen_; }
    const Rect& imageRect() const { return image_; }
    const Rect& photoRect() const { return photo_; }
    ScaleMode scaleMode() const { return mode_; }
    const ZoomSteps& zoomSteps() const { return zoom_; }
    int moveStep() const { return moveStep_; }
    bool hasImage() const { return !image_.isEmpty(); }
    int backgroundCount() const { return backgroundCount_; }
    std::span<const Rect> backgroundRects() const {
        return std::span<const Rect>(background_.data(), static_cast<std::size_t>(backgroundCount_));
    }
    bool isDragging() const { return dragging_; }
    Point lastDragPoint() const { return dragPoint_; }

    // --- setup ---
    // A new screen size (display change): the scale mode is applied again; with
    // no bitmap the whole screen is background.
    void setScreenRect(const Rect& screen);
    void setScaleMode(ScaleMode mode) { mode_ = mode; }
    // Sets the zoom target directly (clamped to -100..100), as a saved user zoom
    // re-applied to another photo; apply the scale mode afterwards.
    void setZoomTarget(int target);
    // The bitmap's size after decoding and rotation. A size that is not positive
    // both ways, or larger than MaxExtent, leaves the view without a bitmap.
    void setImageSize(int width, int height);
    // No bitmap (decoding failed): the whole screen becomes background.
    void clearImage();

    // --- geometry ---
    void applyScaleMode();
    void applyZoomSteps();
    bool canZoomIn() const;
    bool canZoomOut() const;
    bool canPan(Axis axis, int d) const;
    void pan(Axis axis, int d);

    // --- commands; each returns the number of steps that changed the view ---
    // 100 / 101: up to `repeat` zoom steps; the mode becomes u.
    int zoomIn(int repeat);
    int zoomOut(int repeat);
    // 102 / 103.
    void realScale();
    void fitToScreen();
    // 104 to 107: up to `repeat` moves by MoveStep, snapping to the edge when
    // less than a step is left.
    int panCommand(PanDirection direction, int repeat);
    // Scroll bar notification: moves by a line or page when the whole step is
    // possible (no snapping). True when the view moved.
    bool scroll(Axis axis, ScrollCode code);

    // --- dragging ---
    // Starts a drag when the photo is larger than the screen in at least one
    // direction and the point lies on it. True when a drag started.
    bool beginDrag(Point p);
    // Follows the mouse while dragging; true when the photo moved.
    bool dragTo(Point p);
    void endDrag() { dragging_ = false; }

    // --- painting ---
    // The source and destination of the photo for a paint clipped to `clip`;
    // nothing when the photo does not meet the clip or there is no bitmap.
    bool photoPart(const Rect& clip, PhotoPart& part) const;
    // Smooth when the photo is shown smaller than its pixels, else Nearest.
    ScaleQuality scaleQuality() const;
    // Paints the background rectangles and the visible part of the photo inside
    // the clip box (the update region's bounding box). The canvas clip is left
    // at the clip box for whatever the window draws over the photo next (the
    // comment). `image` may be null (nothing decoded yet).
    void paint(Canvas& canvas, const Rect& clip, ColorRef background, const ImageView* image) const;

    // --- cursor ---
    int directionCode() const { return DirectionCode(photo_, screen_); }
    CursorId cursorFor(Point mouse, bool totalSlideshowPaused) const {
        return ChooseViewCursor(photo_, screen_, dragging_, mouse, totalSlideshowPaused);
    }

private:
    int screenWidth() const { return screen_.width(); }
    int screenHeight() const { return screen_.height(); }
    bool zoomInFits() const;
    bool zoomOutFits() const;
    void zoomStep(int percent);
    void placeAfterZoomIn();
    void placeAfterZoomOut();
    void closeGaps(Axis axis);
    void centre(Axis axis);
    void computeBackground();
    void wholeScreenBackground();
    bool snap(PanDirection direction);

    Rect screen_;
    Rect image_;
    Rect photo_;
    ScaleMode mode_;
    ZoomSteps zoom_;
    int moveStep_ = 1;
    std::array<Rect, 4> background_{};
    int backgroundCount_ = 1;
    bool dragging_ = false;
    Point dragPoint_;
};

}  // namespace vellumo
