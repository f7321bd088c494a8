#include <gtest/gtest.h>

#include "navigator/NavigatorDocking.h"

using namespace vellumo;

namespace {
const Rect kScreen{0, 0, 1024, 768};
}

TEST(NavigatorDocking, SnapsInsideTheDistanceAndReleasesAfterTheCursorTravelsOut) {
    NavigatorDocking docking;
    Rect start{100, 100, 300, 400};
    // The drag starts with the cursor at (200, 200).
    EXPECT_EQ(docking.onMoving(start, {200, 200}, start, kScreen, 9), start);
    // Dragging left by 92 pixels puts the left edge at 8: it snaps to 0.
    Rect r = docking.onMoving({8, 100, 208, 400}, {108, 200}, start, kScreen, 9);
    EXPECT_EQ(r, (Rect{0, 100, 200, 400}));
    // Ten pixels further right the free position (left 18) no longer docks.
    r = docking.onMoving({18, 100, 218, 400}, {118, 200}, start, kScreen, 9);
    EXPECT_EQ(r, (Rect{18, 100, 218, 400}));
    docking.onMoveEnd();
    EXPECT_FALSE(docking.dragging());
}

TEST(NavigatorDocking, DocksToRightAndBottomEdgesAndNotWithZeroSpace) {
    auto d = DockRect({800, 500, 1020, 765}, kScreen, 9);
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(*d, (Rect{804, 503, 1024, 768}));
    // The edge test is strict: exactly D away does not dock.
    EXPECT_FALSE(DockRect({9, 300, 100, 400}, kScreen, 9).has_value());
    EXPECT_TRUE(DockRect({-8, 300, 100, 400}, kScreen, 9).has_value());
    EXPECT_FALSE(DockRect({1, 1, 100, 100}, kScreen, 0).has_value());
    NavigatorDocking docking;
    EXPECT_EQ(docking.onMoving({3, 3, 50, 50}, {0, 0}, {100, 100, 147, 147}, kScreen, 0), (Rect{3, 3, 50, 50}));
}

TEST(NavigatorDocking, ThousandthsConvertBothWaysTruncating) {
    Rect px = ThousandthsToPixels({750, 500, 1000, 1000}, kScreen);
    EXPECT_EQ(px, (Rect{768, 384, 1024, 768}));
    EXPECT_EQ(PixelsToThousandths({767, 383, 1024, 768}, kScreen), (Rect{749, 498, 1000, 1000}));
    EXPECT_EQ(PixelsToThousandths({1, 1, 2, 2}, Rect{}), (Rect{0, 0, 0, 0}));
}
