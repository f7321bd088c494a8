#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "effects/EffectList.h"
#include "platform/Random.h"

namespace vellumo {
namespace {

const ShowState kNoShow{};
const ShowState kSmall{true, false};
const ShowState kTotal{false, true};

std::vector<int> Choices(EffectList& list, int n, bool random = false, char mode = 'a') {
    std::vector<int> out;
    for (int i = 0; i < n; ++i) out.push_back(list.choose(mode, random, kNoShow));
    return out;
}

TEST(EffectList, BuildsFromIncludedAndExcluded) {
    EffectList list;
    list.build("all", "none");
    EXPECT_EQ(list.numbers(), (std::vector<int>{11, 12, 13, 14, 21, 22, 23, 24, 37, 38, 45, 46}));
    list.build("ALL", "37,38");
    EXPECT_EQ(list.numbers(), (std::vector<int>{11, 12, 13, 14, 21, 22, 23, 24, 45, 46}));
    list.build("all", "All");
    EXPECT_TRUE(list.numbers().empty());
    list.build("None", "none");
    EXPECT_TRUE(list.numbers().empty());
    // Unknown numbers are dropped, repeats kept, the given order kept; an
    // exclusion removes the first occurrence only.
    list.build("45, 99,11,11,abc,12x,-11", "11,13");
    EXPECT_EQ(list.numbers(), (std::vector<int>{45, 11, 12}));
    list.build("99", "none");
    EXPECT_TRUE(list.numbers().empty());
    EXPECT_EQ(list.choose('a', false, kNoShow), 0);
    EXPECT_EQ(list.choose('a', true, kNoShow), 0);
}

TEST(EffectList, InTurnStartsWithTheSecondEntry) {
    EffectList list;
    list.build("11,11,45", "none");
    EXPECT_EQ(Choices(list, 7), (std::vector<int>{11, 45, 11, 11, 45, 11, 11}));
    list.build("21,22,23", "none");
    EXPECT_EQ(Choices(list, 4), (std::vector<int>{22, 23, 21, 22}));
    list.build("46", "none");
    EXPECT_EQ(Choices(list, 2), (std::vector<int>{46, 46}));
}

TEST(EffectList, RandomUsesEveryEffectOncePerRound) {
    SeedProcessRandom(7);
    EffectList list;
    list.build("all", "none");
    for (int round = 0; round < 3; ++round) {
        auto picks = Choices(list, 12, true);
        std::set<int> distinct(picks.begin(), picks.end());
        EXPECT_EQ(distinct.size(), 12u) << "round " << round;
        EXPECT_EQ(*distinct.begin(), 11);
        EXPECT_EQ(*distinct.rbegin(), 46);
    }
}

TEST(EffectList, TheEffectsLetterDecidesWhenEffectsPlay) {
    EffectList list;
    list.build("12", "none");
    EXPECT_EQ(list.choose('n', false, kSmall), 0);
    EXPECT_EQ(list.choose('s', false, kNoShow), 0);
    EXPECT_EQ(list.choose('s', false, kSmall), 12);
    EXPECT_EQ(list.choose('s', false, kTotal), 12);
    EXPECT_EQ(list.choose('m', false, kTotal), 0);
    EXPECT_EQ(list.choose('m', false, kSmall), 12);
    EXPECT_EQ(list.choose('t', false, kSmall), 0);
    EXPECT_EQ(list.choose('t', false, kTotal), 12);
    EXPECT_EQ(list.choose('a', false, kNoShow), 12);
    EXPECT_EQ(list.choose('x', false, kSmall), 0);
}

}  // namespace
}  // namespace vellumo
