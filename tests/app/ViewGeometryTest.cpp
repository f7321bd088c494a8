// Photo placement: scale modes, zoom steps and their limits, panning with
// snapping, scroll steps and dragging, on ordinary and extreme photo sizes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "app/PhotoView.h"

namespace vellumo {
namespace {

const Rect kScreen{0, 0, 1024, 768};

PhotoView ViewOf(int w, int h, ScaleMode mode, const Rect& screen = kScreen) {
    PhotoView v(screen, mode);
    v.setImageSize(w, h);
    v.applyScaleMode();
    return v;
}

std::vector<Rect> Backgrounds(const PhotoView& v) { return {v.backgroundRects().begin(), v.backgroundRects().end()}; }

// Every screen pixel is covered by the photo or a background rectangle.
void ExpectScreenCovered(const PhotoView& v) {
    const Rect& s = v.screenRect();
    const Rect p = v.photoRect().intersected(s);
    long long covered = static_cast<long long>(p.width()) * p.height();
    for (const Rect& r : v.backgroundRects()) {
        const Rect b = r.intersected(s);
        covered += static_cast<long long>(b.width()) * b.height();
        // Background rectangles never reach into the photo.
        EXPECT_TRUE(b.intersected(v.photoRect()).isEmpty());
    }
    // Background rectangles of the four-piece layout overlap in the corners.
    EXPECT_GE(covered, static_cast<long long>(s.width()) * s.height());
}

TEST(ViewNearest, HalvesGoTowardZeroAndBelowOneIsZero) {
    EXPECT_EQ(NearestInt(2.5), 2);
    EXPECT_EQ(NearestInt(2.6), 3);
    EXPECT_EQ(NearestInt(-2.5), -2);
    EXPECT_EQ(NearestInt(-2.6), -3);
    EXPECT_EQ(NearestInt(0.9), 0);
    EXPECT_EQ(NearestInt(-0.9), 0);
    EXPECT_EQ(NearestInt(1.0), 1);
    EXPECT_EQ(NearestInt(1.5), 1);
    EXPECT_EQ(NearestInt(1.51), 2);
    EXPECT_EQ(NearestInt(std::nan("")), 0);
    EXPECT_EQ(NearestInt(1e30), INT_MAX);
}

TEST(ViewScaleMode, LettersAndTheSavedLetter) {
    EXPECT_EQ(ScaleModeFromLetter('r'), ScaleMode::Real);
    EXPECT_EQ(ScaleModeFromLetter('f'), ScaleMode::Fit);
    EXPECT_EQ(ScaleModeFromLetter('u'), ScaleMode::User);
    EXPECT_EQ(ScaleModeFromLetter('x'), ScaleMode::Auto);
    EXPECT_EQ(ScaleLetterForSaving(ScaleMode::User), 'a');
    EXPECT_EQ(ScaleLetterForSaving(ScaleMode::Real), 'r');
    EXPECT_EQ(ScaleLetterForSaving(ScaleMode::Fit), 'f');
    EXPECT_EQ(ScaleLetterForSaving(ScaleMode::Auto), 'a');
}

TEST(ViewScaleMode, BeforeTheFirstPhotoTheScreenIsOneBackground) {
    PhotoView v(kScreen, ScaleMode::Auto);
    ASSERT_EQ(v.backgroundCount(), 1);
    EXPECT_EQ(v.backgroundRects()[0], kScreen);
    EXPECT_EQ(v.moveStep(), 51);
}

TEST(ViewScaleMode, SmallPhotoInAutoIsRealScaleCentredWithFourBackgrounds) {
    PhotoView v = ViewOf(640, 480, ScaleMode::Auto);
    EXPECT_EQ(v.photoRect(), (Rect{192, 144, 832, 624}));
    EXPECT_EQ(Backgrounds(v), (std::vector<Rect>{
                                  {0, 0, 1024, 144}, {0, 624, 1024, 768}, {0, 0, 192, 768}, {832, 0, 1024, 768}}));
    ExpectScreenCovered(v);
}

TEST(ViewScaleMode, LargePhotoInAutoIsFittedWithBackgroundsAboveAndBelow) {
    PhotoView v = ViewOf(3000, 2000, ScaleMode::Auto);
    EXPECT_EQ(v.photoRect(), (Rect{0, 43, 1024, 725}));
    EXPECT_EQ(Backgrounds(v), (std::vector<Rect>{{0, 0, 1024, 43}, {0, 725, 1024, 768}}));
    ExpectScreenCovered(v);
}

TEST(ViewScaleMode, AutoNeedsBothSidesStrictlySmaller) {
    // As wide as the screen: fitted, which here is the same size.
    PhotoView v = ViewOf(1024, 500, ScaleMode::Auto);
    EXPECT_EQ(v.photoRect(), (Rect{0, 134, 1024, 634}));
    // Fit enlarges a small photo until one side meets the screen.
    PhotoView f = ViewOf(320, 480, ScaleMode::Fit);
    EXPECT_EQ(f.photoRect(), (Rect{256, 0, 768, 768}));
    EXPECT_EQ(Backgrounds(f), (std::vector<Rect>{{0, 0, 256, 768}, {768, 0, 1024, 768}}));
    // Real scale of a large photo overhangs every edge; no background.
    PhotoView r = ViewOf(3000, 2000, ScaleMode::Real);
    EXPECT_EQ(r.photoRect(), (Rect{-988, -616, 2012, 1384}));
    EXPECT_EQ(r.backgroundCount(), 0);
}

TEST(ViewZoom, OneStepInAndOutKeepsTheCentreAndPlacesThePhoto) {
    PhotoView v = ViewOf(3000, 2000, ScaleMode::Auto);
    ASSERT_EQ(v.zoomIn(1), 1);
    EXPECT_EQ(v.scaleMode(), ScaleMode::User);
    EXPECT_EQ(v.zoomSteps(), (ZoomSteps{1, 1}));
    // 1024 + 102 wide, 1126 / 1.5 high, split evenly around (512, 384).
    EXPECT_EQ(v.photoRect(), (Rect{-51, 9, 1075, 759}));
    EXPECT_EQ(Backgrounds(v), (std::vector<Rect>{{0, 0, 1024, 9}, {0, 759, 1024, 768}}));

    ASSERT_EQ(v.zoomOut(1), 1);
    EXPECT_EQ(v.zoomSteps(), (ZoomSteps{0, 0}));
    // 1126 - 112 wide, 676 high, centred both ways as it is smaller than the screen.
    EXPECT_EQ(v.photoRect(), (Rect{5, 46, 1019, 722}));
    EXPECT_EQ(v.backgroundCount(), 4);
    ExpectScreenCovered(v);
}

TEST(ViewZoom, ZoomOutClosesGapsAtTheEdges) {
    PhotoView v = ViewOf(3000, 2000, ScaleMode::Real);
    // Show the left edge, then zoom out: the left edge must stay on the screen's edge.
    while (v.panCommand(PanDirection::Left, 5) > 0) {
    }
    ASSERT_EQ(v.photoRect().left, 0);
    ASSERT_EQ(v.zoomOut(1), 1);
    EXPECT_EQ(v.photoRect().left, 0);
    EXPECT_LE(v.photoRect().top, 0);
    EXPECT_GE(v.photoRect().bottom, 768);
    EXPECT_EQ(v.backgroundCount(), 0);
    ExpectScreenCovered(v);
}

TEST(ViewZoom, AtMostOneHundredStepsIn) {
    // A photo so large that the pixel rule never stops it within 100 steps.
    PhotoView v = ViewOf(1000000, 750000, ScaleMode::Auto);
    int total = 0;
    for (int i = 0; i < 40; ++i) total += v.zoomIn(5);
    EXPECT_EQ(total, 100);
    EXPECT_EQ(v.zoomSteps(), (ZoomSteps{100, 100}));
    EXPECT_FALSE(v.canZoomIn());
    EXPECT_EQ(v.zoomIn(1), 0);
    EXPECT_GT(v.photoRect().width(), 1024 * 1000);
    ExpectScreenCovered(v);
}

TEST(ViewZoom, ZoomInStopsWhenFewerThanFiveImagePixelsWouldFillTheScreen) {
    PhotoView v = ViewOf(640, 480, ScaleMode::Auto);
    int total = 0;
    for (int i = 0; i < 40; ++i) total += v.zoomIn(5);
    EXPECT_GT(total, 0);
    EXPECT_LT(total, 100);
    const int w = v.photoRect().width();
    const int next = w + static_cast<int>(w * 0.1);
    // The height rule (768 * 640 / next) is the one that ends it here.
    EXPECT_LE(NearestInt(768.0 * 640 / next), 4);
    EXPECT_GT(NearestInt(1024.0 * 640 / next), 4);
    // The last step taken was still allowed: before it at least five image pixels were visible.
    EXPECT_GT(768.0 * 640 / w, 4.0);
    EXPECT_EQ(v.zoomSteps().target, total);
}

TEST(ViewZoom, ZoomOutStopsAboveFourPixels) {
    PhotoView v = ViewOf(640, 480, ScaleMode::Auto);
    int total = 0;
    for (int i = 0; i < 40; ++i) total += v.zoomOut(5);
    EXPECT_GT(total, 10);
    EXPECT_FALSE(v.canZoomOut());
    EXPECT_GT(v.photoRect().width(), 4);
    EXPECT_GT(v.photoRect().height(), 4);
    // Still centred.
    EXPECT_EQ(v.photoRect().left, (1024 - v.photoRect().width()) / 2);
    EXPECT_EQ(v.photoRect().top, (768 - v.photoRect().height()) / 2);
    ExpectScreenCovered(v);
}

TEST(ViewZoom, UserModeReappliesItsStepsToANewPhoto) {
    PhotoView v = ViewOf(3000, 2000, ScaleMode::Auto);
    v.zoomIn(3);
    const Rect zoomed = v.photoRect();
    // The next photo (same size) in the kept mode u: a plus three steps.
    v.setImageSize(3000, 2000);
    v.applyScaleMode();
    EXPECT_EQ(v.scaleMode(), ScaleMode::User);
    EXPECT_EQ(v.zoomSteps(), (ZoomSteps{3, 3}));
    EXPECT_EQ(v.photoRect(), zoomed);
    // Any other mode drops the steps.
    v.fitToScreen();
    EXPECT_EQ(v.zoomSteps(), (ZoomSteps{0, 0}));
    EXPECT_EQ(v.photoRect(), (Rect{0, 43, 1024, 725}));
}

TEST(ViewPan, StepsThenSnapsTheLastPartialStepToTheEdge) {
    // 3002 wide at real scale: 989 pixels beyond the right edge, 19 steps of 51 and 20 left.
    PhotoView v = ViewOf(3002, 2000, ScaleMode::Real);
    ASSERT_EQ(v.photoRect().right - 1024, 989);
    int moved = 0;
    for (int i = 0; i < 3; ++i) moved += v.panCommand(PanDirection::Right, 5);
    moved += v.panCommand(PanDirection::Right, 4);
    EXPECT_EQ(moved, 19);
    EXPECT_EQ(v.photoRect().right - 1024, 20);
    // The step is larger than what is left: the right edge snaps to the screen's.
    EXPECT_EQ(v.panCommand(PanDirection::Right, 5), 1);
    EXPECT_EQ(v.photoRect().right, 1024);
    EXPECT_EQ(v.panCommand(PanDirection::Right, 1), 0);
    // Back to the left edge in the same way.
    while (v.panCommand(PanDirection::Left, 5) > 0) {
    }
    EXPECT_EQ(v.photoRect().left, 0);
    EXPECT_EQ(v.photoRect().width(), 3002);
}

TEST(ViewPan, VerticalPanAndNoPanWhenThePhotoFits) {
    PhotoView v = ViewOf(3000, 2000, ScaleMode::Real);
    EXPECT_EQ(v.panCommand(PanDirection::Down, 2), 2);
    EXPECT_EQ(v.photoRect().top, -616 - 102);
    PhotoView small = ViewOf(640, 480, ScaleMode::Auto);
    for (PanDirection d : {PanDirection::Left, PanDirection::Right, PanDirection::Up, PanDirection::Down})
        EXPECT_EQ(small.panCommand(d, 5), 0);
    EXPECT_EQ(small.photoRect(), (Rect{192, 144, 832, 624}));
}

TEST(ViewScroll, LineAndPageStepsWithoutSnapping) {
    PhotoView v = ViewOf(3000, 2000, ScaleMode::Real);
    EXPECT_TRUE(v.scroll(Axis::Horizontal, ScrollCode::PageForward));
    EXPECT_EQ(v.photoRect().left, -988 - 510);
    EXPECT_TRUE(v.scroll(Axis::Vertical, ScrollCode::LineBack));
    EXPECT_EQ(v.photoRect().top, -616 + 51);
    // 478 left to the right edge: a page (510) does not move, a line does.
    EXPECT_FALSE(v.scroll(Axis::Horizontal, ScrollCode::PageForward));
    EXPECT_EQ(v.photoRect().left, -1498);
    EXPECT_TRUE(v.scroll(Axis::Horizontal, ScrollCode::LineForward));
    EXPECT_EQ(v.photoRect().left, -1549);
    // Other codes move by nothing.
    const Rect before = v.photoRect();
    v.scroll(Axis::Vertical, ScrollCode::Other);
    EXPECT_EQ(v.photoRect(), before);
}

TEST(ViewDrag, FollowsTheMouseAndSnapsAtTheEdges) {
    PhotoView v = ViewOf(3000, 2000, ScaleMode::Real);
    ASSERT_TRUE(v.beginDrag({500, 400}));
    EXPECT_TRUE(v.dragTo({450, 380}));
    EXPECT_EQ(v.photoRect(), (Rect{-1038, -636, 1962, 1364}));
    EXPECT_EQ(v.lastDragPoint(), (Point{450, 380}));
    // A jump further than the photo's left overhang stops at the left edge.
    // (The mouse is captured while dragging, so it may report points off the screen.)
    EXPECT_TRUE(v.dragTo({1500, 380}));
    EXPECT_EQ(v.photoRect().left, 0);
    EXPECT_EQ(v.photoRect().top, -636);
    // Downward beyond the top overhang: the top edge stops at the screen's top.
    EXPECT_TRUE(v.dragTo({1500, 1100}));
    EXPECT_EQ(v.photoRect().top, 0);
    EXPECT_EQ(v.photoRect().left, 0);
    v.endDrag();
    EXPECT_FALSE(v.dragTo({0, 0}));
}

TEST(ViewDrag, OnlyPhotosLargerThanTheScreenAreDragged) {
    PhotoView small = ViewOf(640, 480, ScaleMode::Auto);
    EXPECT_FALSE(small.beginDrag({500, 400}));
    PhotoView wide = ViewOf(30000, 200, ScaleMode::Real);
    EXPECT_FALSE(wide.beginDrag({10, 10}));  // above the photo strip
    EXPECT_TRUE(wide.beginDrag({10, 300}));
    // Vertical movement of a photo lower than the screen changes nothing.
    EXPECT_TRUE(wide.dragTo({0, 310}));
    EXPECT_EQ(wide.photoRect().top, 284);
    EXPECT_EQ(wide.photoRect().left, -14488 - 10);
}

TEST(ViewExtremes, OnePixelPhotoZoomsAndPansOnAnOddScreen) {
    const Rect odd{0, 0, 1025, 767};
    PhotoView v = ViewOf(1, 1, ScaleMode::Auto, odd);
    EXPECT_EQ(v.photoRect(), (Rect{512, 383, 513, 384}));
    int total = 0;
    for (int i = 0; i < 40; ++i) total += v.zoomIn(5);
    EXPECT_GT(total, 10);
    EXPECT_LE(total, 100);
    EXPECT_EQ(v.photoRect().width(), v.photoRect().height());
    EXPECT_EQ(v.photoRect().left, (1025 - v.photoRect().width()) / 2);
    for (PanDirection d : {PanDirection::Left, PanDirection::Right, PanDirection::Up, PanDirection::Down})
        EXPECT_EQ(v.panCommand(d, 5), 0);
    for (int i = 0; i < 40; ++i) v.zoomOut(5);
    EXPECT_GE(v.photoRect().width(), 1);
    v.fitToScreen();
    EXPECT_EQ(v.photoRect(), (Rect{129, 0, 896, 767}));
    ExpectScreenCovered(v);
}

TEST(ViewExtremes, VeryWidePhotoFitsZoomsAndPans) {
    PhotoView v = ViewOf(30000, 200, ScaleMode::Auto);
    // 1024 by 6 (6.83 truncated), centred vertically.
    EXPECT_EQ(v.photoRect(), (Rect{0, 381, 1024, 387}));
    EXPECT_EQ(v.scaleQuality(), ScaleQuality::Smooth);
    for (int i = 0; i < 4; ++i) v.zoomIn(5);
    int moved = 0;
    for (int i = 0; i < 2000; ++i) {
        const int m = v.panCommand(PanDirection::Right, 5);
        if (m == 0) break;
        moved += m;
    }
    EXPECT_GT(moved, 10);
    EXPECT_EQ(v.photoRect().right, 1024);
    int in = 20;
    for (int i = 0; i < 40; ++i) in += v.zoomIn(5);
    EXPECT_GT(in, 50);
    EXPECT_LE(in, 100);
    EXPECT_GE(v.photoRect().right, 1024);
    EXPECT_LE(v.photoRect().left, 0);
    ExpectScreenCovered(v);
    for (int i = 0; i < 40; ++i) v.zoomOut(5);
    EXPECT_FALSE(v.canZoomOut());
    ExpectScreenCovered(v);
    // The same photo turned upright: 5 by 768 in the middle.
    v.setImageSize(200, 30000);
    v.fitToScreen();
    EXPECT_EQ(v.photoRect(), (Rect{509, 0, 514, 768}));
    EXPECT_EQ(Backgrounds(v), (std::vector<Rect>{{0, 0, 509, 768}, {514, 0, 1024, 768}}));
}

TEST(ViewExtremes, ThinnestPhotoKeepsAVisibleRowAndDegenerateSizesClearTheView) {
    PhotoView v = ViewOf(100000, 1, ScaleMode::Fit);
    EXPECT_EQ(v.photoRect(), (Rect{0, 383, 1024, 384}));
    EXPECT_FALSE(v.canZoomOut());
    EXPECT_EQ(v.zoomIn(5), 5);
    EXPECT_GE(v.photoRect().height(), 1);
    ExpectScreenCovered(v);
    v.setImageSize(0, 10);
    EXPECT_FALSE(v.hasImage());
    EXPECT_EQ(v.backgroundCount(), 1);
    v.applyScaleMode();
    EXPECT_FALSE(v.canZoomIn());
    EXPECT_EQ(v.zoomIn(5), 0);
    EXPECT_EQ(v.panCommand(PanDirection::Left, 5), 0);
}

TEST(ViewExtremes, ScreenChangeRefitsTheZoomedPhoto) {
    PhotoView v = ViewOf(3000, 2000, ScaleMode::Fit);
    v.zoomIn(2);
    v.fitToScreen();
    v.setScreenRect({0, 0, 1280, 1024});
    EXPECT_EQ(v.photoRect(), (Rect{0, 85, 1280, 938}));
    EXPECT_EQ(v.moveStep(), 64);
    // Real scale of a giant picture stays representable.
    PhotoView giant = ViewOf(PhotoView::MaxExtent, 3, ScaleMode::Real);
    EXPECT_EQ(giant.photoRect().width(), PhotoView::MaxExtent);
    for (int i = 0; i < 40; ++i) giant.zoomIn(5);
    EXPECT_LE(giant.photoRect().width(), PhotoView::MaxExtent);
    EXPECT_EQ(giant.panCommand(PanDirection::Right, 5), 5);
}

}  // namespace
}  // namespace vellumo
