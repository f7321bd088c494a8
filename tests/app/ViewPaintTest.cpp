// Painting: background fills inside the clip box, the source rectangle of the
// visible photo part, the whole-image fallback and the scaling quality.
#include <gtest/gtest.h>

#include <vector>

#include "app/PhotoView.h"
#include "fakes/FakeCanvas.h"

namespace vellumo {
namespace {

const Rect kScreen{0, 0, 1024, 768};
constexpr ColorRef kBackground = Rgb(10, 20, 30);

// Records the placement handed to drawImagePart besides what FakeCanvas keeps.
class PlacementCanvas : public FakeCanvas {
public:
    void drawImagePart(const ImageView& image, const Rect& placement, const Rect& source, const Rect& visible,
                       ScaleQuality quality) override {
        placements.push_back(placement);
        FakeCanvas::drawImagePart(image, placement, source, visible, quality);
    }
    std::vector<Rect> placements;
};

PhotoView ViewOf(int w, int h, ScaleMode mode) {
    PhotoView v(kScreen, mode);
    v.setImageSize(w, h);
    v.applyScaleMode();
    return v;
}

ImageView PixelsOf(int w, int h) {
    static const std::uint8_t pixel[4] = {};
    ImageView img;
    img.bits = pixel;  // never read by the recording canvas
    img.width = w;
    img.height = h;
    img.stride = static_cast<std::ptrdiff_t>(w) * 4;
    img.cacheKey = 7;
    return img;
}

TEST(ViewPaint, FittedPhotoOnTheWholeScreen) {
    PhotoView v = ViewOf(3000, 2000, ScaleMode::Auto);
    const ImageView img = PixelsOf(3000, 2000);
    PlacementCanvas c;
    v.paint(c, kScreen, kBackground, &img);
    EXPECT_EQ(c.clip, kScreen);
    ASSERT_EQ(c.fills.size(), 2u);
    EXPECT_EQ(c.fills[0].rect, (Rect{0, 0, 1024, 43}));
    EXPECT_EQ(c.fills[1].rect, (Rect{0, 725, 1024, 768}));
    EXPECT_EQ(c.fills[0].colour, kBackground);
    ASSERT_EQ(c.images.size(), 1u);
    EXPECT_EQ(c.images[0].source, (Rect{0, 0, 3000, 2000}));
    EXPECT_EQ(c.images[0].destination, (Rect{0, 43, 1024, 725}));
    EXPECT_EQ(c.images[0].quality, ScaleQuality::Smooth);
    EXPECT_EQ(c.images[0].view.cacheKey, 7u);
    EXPECT_EQ(c.placements, (std::vector<Rect>{{0, 43, 1024, 725}}));
}

TEST(ViewPaint, PartialUpdateDrawsOnlyTheMatchingSourcePart) {
    PhotoView v = ViewOf(3000, 2000, ScaleMode::Auto);
    const ImageView img = PixelsOf(3000, 2000);
    PlacementCanvas c;
    v.paint(c, {100, 100, 200, 150}, kBackground, &img);
    EXPECT_TRUE(c.fills.empty());
    ASSERT_EQ(c.images.size(), 1u);
    // width nearest(3000*100/1024) = 293, height nearest(50*2000/682) = 147,
    // left nearest(3000*100/1024) = 293, top nearest(2000*57/682) = 167.
    EXPECT_EQ(c.images[0].source, (Rect{293, 167, 586, 314}));
    EXPECT_EQ(c.images[0].destination, (Rect{100, 100, 200, 150}));
    EXPECT_EQ(c.placements[0], v.photoRect());

    // A clip across the photo's bottom edge fills the background below it.
    PlacementCanvas b;
    v.paint(b, {0, 700, 50, 768}, kBackground, &img);
    ASSERT_EQ(b.fills.size(), 1u);
    EXPECT_EQ(b.fills[0].rect, (Rect{0, 725, 50, 768}));
    ASSERT_EQ(b.images.size(), 1u);
    EXPECT_EQ(b.images[0].destination, (Rect{0, 700, 50, 725}));
    // nearest(3000*50/1024) = 146; top nearest(2000*657/682) = 1927; height nearest(25*2000/682) = 73.
    EXPECT_EQ(b.images[0].source, (Rect{0, 1927, 146, 2000}));
}

TEST(ViewPaint, MagnifiedHalvesRoundTowardZeroAndUseNearestPixels) {
    // 100 x 100 fitted to 768 x 768 at (128, 0): 7.68 screen pixels per image pixel.
    PhotoView v = ViewOf(100, 100, ScaleMode::Fit);
    ASSERT_EQ(v.photoRect(), (Rect{128, 0, 896, 768}));
    EXPECT_EQ(v.scaleQuality(), ScaleQuality::Nearest);
    const ImageView img = PixelsOf(100, 100);
    PlacementCanvas c;
    // 96 screen pixels from the photo's left edge and 96 wide: 12.5 image pixels each.
    v.paint(c, {224, 0, 320, 768}, kBackground, &img);
    ASSERT_EQ(c.images.size(), 1u);
    EXPECT_EQ(c.images[0].source, (Rect{12, 0, 24, 100}));
    EXPECT_EQ(c.images[0].destination, (Rect{224, 0, 320, 768}));
    EXPECT_EQ(c.images[0].quality, ScaleQuality::Nearest);
}

TEST(ViewPaint, LessThanOneImagePixelDrawsTheWholeImageIntoThePhotoRectangle) {
    PhotoView v = ViewOf(100, 100, ScaleMode::Fit);
    const ImageView img = PixelsOf(100, 100);
    PlacementCanvas c;
    // Four screen pixels wide: 0.52 image pixels, which rounds to none.
    v.paint(c, {128, 0, 132, 768}, kBackground, &img);
    ASSERT_EQ(c.images.size(), 1u);
    EXPECT_EQ(c.images[0].source, (Rect{0, 0, 100, 100}));
    EXPECT_EQ(c.images[0].destination, (Rect{128, 0, 896, 768}));
    // The canvas clip keeps that drawing inside the update.
    EXPECT_EQ(c.clip, (Rect{128, 0, 132, 768}));
    // The background to the left of the photo is filled where the clip meets it.
    PlacementCanvas d;
    v.paint(d, {120, 10, 132, 20}, kBackground, &img);
    ASSERT_EQ(d.fills.size(), 1u);
    EXPECT_EQ(d.fills[0].rect, (Rect{120, 10, 128, 20}));
}

TEST(ViewPaint, ZoomedFarInAsksForTheVisiblePartOnly) {
    PhotoView v = ViewOf(1000000, 750000, ScaleMode::Auto);
    for (int i = 0; i < 20; ++i) v.zoomIn(5);
    ASSERT_GT(v.photoRect().width(), 1000000);
    const ImageView img = PixelsOf(1000000, 750000);
    PlacementCanvas c;
    v.paint(c, kScreen, kBackground, &img);
    EXPECT_TRUE(c.fills.empty());
    ASSERT_EQ(c.images.size(), 1u);
    EXPECT_FALSE(c.images[0].source.isEmpty());
    EXPECT_EQ(c.images[0].destination, kScreen);
    EXPECT_EQ(c.images[0].quality, ScaleQuality::Nearest);
    const Rect image{0, 0, 1000000, 750000};
    EXPECT_EQ(c.images[0].source.intersected(image), c.images[0].source);
    // Roughly a screen's worth of image pixels around the middle of the picture.
    EXPECT_LT(c.images[0].source.width(), 1024 * 1000000 / 1000000 + 2);
    EXPECT_NEAR(c.images[0].source.left + c.images[0].source.width() / 2, 500000, 2000);
}

TEST(ViewPaint, NothingForAnEmptyClipAndOnlyBackgroundWithoutABitmap) {
    PhotoView v = ViewOf(640, 480, ScaleMode::Auto);
    PlacementCanvas c;
    v.paint(c, {}, kBackground, nullptr);
    EXPECT_TRUE(c.fills.empty());
    EXPECT_TRUE(c.images.empty());
    // No pixels handed in: the photo area is left alone, the background is painted.
    v.paint(c, kScreen, kBackground, nullptr);
    EXPECT_EQ(c.fills.size(), 4u);
    EXPECT_TRUE(c.images.empty());
    // No bitmap at all: the whole screen is one background fill.
    PhotoView none(kScreen, ScaleMode::Auto);
    PlacementCanvas n;
    none.paint(n, {10, 10, 20, 20}, kBackground, nullptr);
    ASSERT_EQ(n.fills.size(), 1u);
    EXPECT_EQ(n.fills[0].rect, (Rect{10, 10, 20, 20}));
}

TEST(ViewPaint, ExtremePhotosPaintInsideTheirBitmap) {
    for (auto [w, h] : {std::pair{1, 1}, std::pair{30000, 200}, std::pair{200, 30000}}) {
        PhotoView v = ViewOf(w, h, ScaleMode::Auto);
        const ImageView img = PixelsOf(w, h);
        const Rect image{0, 0, w, h};
        for (int step = 0; step < 12; ++step) {
            PlacementCanvas c;
            v.paint(c, kScreen, kBackground, &img);
            v.paint(c, {500, 380, 530, 390}, kBackground, &img);
            for (const auto& drawn : c.images) {
                EXPECT_FALSE(drawn.source.isEmpty());
                EXPECT_EQ(drawn.source.intersected(image), drawn.source);
            }
            v.zoomIn(5);
        }
    }
}

}  // namespace
}  // namespace vellumo
