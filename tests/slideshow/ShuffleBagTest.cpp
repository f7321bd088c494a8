#include <gtest/gtest.h>

#include <set>

#include "platform/Random.h"
#include "slideshow/ShuffleBag.h"

using namespace vellumo;

TEST(ShuffleBag, EveryIndexOncePerPassThenRefills) {
    SeedProcessRandom(42);
    ShuffleBag bag;
    bag.Reset(5);
    std::set<std::uint32_t> seen;
    for (int i = 0; i < 5; ++i) seen.insert(bag.Draw());
    EXPECT_EQ(seen, (std::set<std::uint32_t>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(bag.Wrapped());
    EXPECT_EQ(bag.RemainingCount(), 5u);
    EXPECT_FALSE(bag.PassComplete());
    bag.Draw();
    EXPECT_TRUE(bag.PassComplete());
    bag.Draw();
    EXPECT_FALSE(bag.PassComplete());
}

TEST(ShuffleBag, EmptyAndGrowingBags) {
    ShuffleBag bag;
    EXPECT_EQ(bag.Draw(), 0u);
    bag.Reset(0);
    EXPECT_EQ(bag.Draw(), 0u);
    bag.Add(2);
    bag.Add(70000);  // far beyond 16-bit indices
    EXPECT_EQ(bag.Total(), 70002u);
    std::set<std::uint32_t> seen;
    for (int i = 0; i < 70002; ++i) seen.insert(bag.Draw());
    EXPECT_EQ(seen.size(), 70002u);
    EXPECT_EQ(*seen.rbegin(), 70001u);
}

TEST(ShuffleBag, RemovedIndicesAreNotDrawnInThisPass) {
    ShuffleBag bag;
    bag.Reset(3);
    bag.Remove(1);
    bag.Remove(7);
    std::set<std::uint32_t> seen{bag.Draw(), bag.Draw()};
    EXPECT_EQ(seen, (std::set<std::uint32_t>{0, 2}));
    EXPECT_TRUE(bag.Wrapped());
    EXPECT_EQ(bag.RemainingCount(), 3u);
}
