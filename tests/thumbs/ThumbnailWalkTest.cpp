#include <gtest/gtest.h>

#include <vector>

#include "thumbs/ThumbnailWalk.h"

namespace vellumo {
namespace {

// Walks, reading the published range before each row as the worker does;
// before the row at index `at` of the walk, `range` is published.
std::vector<int> Walk(int first, int last, PublishedRange& published, int at = -1, RowRange range = {}) {
    ThumbnailWalk walk(first, last);
    std::vector<int> order;
    while (!walk.done() && order.size() < 1000) {
        if (static_cast<int>(order.size()) == at) published.publish(range);
        walk.consider(published.read());
        order.push_back(walk.row());
        RowRange used = walk.inUse();
        if (walk.advance()) published.clearIf(used);
    }
    return order;
}

std::vector<int> Seq(int a, int b) {
    std::vector<int> v;
    for (int i = a; i <= b; ++i) v.push_back(i);
    return v;
}

std::vector<int> Cat(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(ThumbnailWalk, WithoutAVisibleRangeRowsGoInOrder) {
    PublishedRange p;
    EXPECT_EQ(Walk(3, 9, p), Seq(3, 9));
}

TEST(ThumbnailWalk, ScrollingToTheEndDoesTheVisibleRowsThenResumes) {
    // 500 photos in rows 2..501; after 10 rows the user scrolls to the end.
    PublishedRange p;
    std::vector<int> order = Walk(2, 501, p, 10, {480, 501});
    std::vector<int> expected = Cat(Cat(Seq(2, 11), Seq(480, 501)), Seq(12, 501));
    EXPECT_EQ(order, expected);
    EXPECT_TRUE(p.read().none());  // the range was used up and cleared
}

TEST(ThumbnailWalk, ARangeAsWideAsTheFolderChangesNothing) {
    PublishedRange p;
    EXPECT_EQ(Walk(0, 9, p, 3, {0, 9}), Seq(0, 9));
}

TEST(ThumbnailWalk, RangeVisibleBeforeTheFirstRowStillLeavesNoRowOut) {
    // The list shows its end before the worker did anything: the first photo
    // row must still be done afterwards.
    PublishedRange p;
    std::vector<int> order = Walk(1, 20, p, 0, {15, 20});
    EXPECT_EQ(order, Cat(Seq(15, 20), Seq(1, 20)));
}

TEST(ThumbnailWalk, ANewRangeWhileJumpingRetargets) {
    ThumbnailWalk walk(0, 99);
    EXPECT_TRUE(walk.consider({50, 59}));
    EXPECT_EQ(walk.row(), 50);
    walk.advance();
    EXPECT_FALSE(walk.consider({50, 59}));  // the same range
    EXPECT_FALSE(walk.consider({51, 59}));  // one end the same
    EXPECT_TRUE(walk.consider({70, 79}));
    EXPECT_EQ(walk.row(), 70);
    for (int i = 0; i < 9; ++i) EXPECT_FALSE(walk.advance());
    EXPECT_EQ(walk.row(), 79);
    EXPECT_TRUE(walk.advance());  // the end of the range: back to the normal order
    EXPECT_EQ(walk.row(), 0);
    // The finished range, published again by a late repaint, is not walked again.
    EXPECT_FALSE(walk.consider({70, 79}));
}

TEST(ThumbnailWalk, PublishedRangeClearsOnlyWhenUnchanged) {
    PublishedRange p;
    EXPECT_TRUE(p.read().none());
    p.publish({0, 5});  // row 0 is a real row
    EXPECT_EQ(p.read(), (RowRange{0, 5}));
    p.clearIf({0, 6});
    EXPECT_EQ(p.read(), (RowRange{0, 5}));
    p.clearIf({0, 5});
    EXPECT_TRUE(p.read().none());
}

}  // namespace
}  // namespace vellumo
