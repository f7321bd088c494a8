// The comment rectangle: thousandths to pixels, clamping, growth, margins.
#include <gtest/gtest.h>

#include "comments/CommentLayout.h"

using namespace vellumo;

namespace {

const Rect kScreen{0, 0, 1024, 768};

// Text of n characters, each 10 pixels wide on one line of 20 pixels.
MeasureText OneLine() {
    return [](const std::string& text, int) { return Size{static_cast<int>(text.size()) * 10, 20}; };
}

}  // namespace

TEST(CommentRectPixels, DefaultRectangleOnA1024By768Screen) {
    // X,Y,W,H 250,900,500,100 is left 250, top 900, right 750, bottom 1000.
    const Rect thousandths{250, 900, 750, 1000};
    EXPECT_EQ(CommentRectToPixels(thousandths, kScreen), (Rect{256, 691, 768, 768}));
    EXPECT_EQ(CommentRectToThousandths(Rect{256, 691, 768, 768}, kScreen), (Rect{250, 899, 750, 1000}));
    EXPECT_EQ(CommentRectToThousandths(Rect{100, 100, 200, 200}, Rect{}), (Rect{0, 0, 0, 0}));
}

TEST(CommentRectSize, WithoutAutoSizeThePixelRectangleIsUsed) {
    EXPECT_EQ(SizeCommentRect({256, 691, 768, 768}, kScreen, false, 1, std::string(500, 'x'), OneLine()),
              (Rect{256, 691, 768, 768}));
}

TEST(CommentRectSize, AutoSizeClampsTheBottomBeforeGrowing) {
    // A short text fits at once: only the clamp to 10 pixels from the edge.
    EXPECT_EQ(SizeCommentRect({256, 691, 768, 768}, kScreen, true, 1, "short", OneLine()), (Rect{256, 691, 768, 758}));
}

TEST(CommentRectSize, LongTextsGrowInStepsOfThreePercent) {
    // 512 x 67 after the clamp: steps of 15 and 2 pixels on each side.
    // 60 characters need 600 + 1 pixels: three steps give 602 wide.
    Rect r = SizeCommentRect({256, 691, 768, 768}, kScreen, true, 1, std::string(60, 'x'), OneLine());
    EXPECT_EQ(r.width(), 512 + 3 * 30);
    EXPECT_EQ(r.height(), 67 + 3 * 4);
    // Grown around the middle, then moved up inside the bottom margin.
    EXPECT_EQ(r.left, 256 - 45);
    EXPECT_EQ(r.bottom, 758);
    EXPECT_EQ(r.top, 758 - 79);
}

TEST(CommentRectSize, GrowthStopsTenPixelsFromTheScreenEdges) {
    Rect r = SizeCommentRect({256, 691, 768, 768}, kScreen, true, 0, std::string(5000, 'x'), OneLine());
    EXPECT_GE(r.left, 10);
    EXPECT_GE(r.top, 10);
    EXPECT_LE(r.right, 1014);
    EXPECT_LE(r.bottom, 758);
    // No further step fits: less than two steps short of the screen less the margins.
    EXPECT_GT(r.width() + 2 * (512 * 3 / 100), 1004);
    EXPECT_GT(r.height() + 2 * 2, 748);
}

TEST(CommentRectSize, SmallRectanglesGrowByOnePixelAndTheLeftMarginWins) {
    // 40 x 20: 3 % is 1 (below 2), so steps of one pixel.
    Rect r = SizeCommentRect({0, 0, 40, 20}, kScreen, true, 0, "abcde", OneLine());
    EXPECT_EQ(r, (Rect{10, 10, 60, 40}));
    r = SizeCommentRect({100, 100, 140, 110}, kScreen, true, 0, "abcde", OneLine());
    EXPECT_EQ(r.width(), 50);
    EXPECT_EQ(r.height(), 20);
    // A rectangle wider than the screen keeps its left margin.
    r = SizeCommentRect({0, 0, 2000, 100}, Rect{0, 0, 100, 100}, true, 0, "a", OneLine());
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 10);
}

TEST(CommentRectSize, TheShadowOffsetMustFitToo) {
    // 50 pixels of text in a 50-pixel rectangle fit without shadow, not with an offset of 2.
    Rect r = SizeCommentRect({100, 100, 150, 130}, kScreen, true, 0, "12345", OneLine());
    EXPECT_EQ(r.width(), 50);
    r = SizeCommentRect({100, 100, 150, 130}, kScreen, true, 2, "12345", OneLine());
    EXPECT_EQ(r.width(), 52);
}
