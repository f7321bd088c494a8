#include <gtest/gtest.h>

#include <vector>

#include "effects/EffectRunner.h"
#include "effects/EffectSteps.h"
#include "fakes/FakeEventQueue.h"
#include "fakes/FakeWindowHost.h"
#include "platform/Random.h"

namespace vellumo {
namespace {

std::vector<std::vector<Rect>> AllSteps(int number, int w, int h) {
    EffectSteps steps(number, w, h);
    std::vector<std::vector<Rect>> all;
    std::vector<Rect> rects;
    while (steps.next(rects)) all.push_back(rects);
    return all;
}

// Marks what the steps reveal on a w x h screen; true when every pixel was revealed.
bool CoversScreen(int number, int w, int h, int* stepsOut = nullptr) {
    std::vector<char> seen(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
    auto all = AllSteps(number, w, h);
    if (stepsOut) *stepsOut = static_cast<int>(all.size());
    for (const auto& step : all) {
        for (const Rect& r : step) {
            Rect c = r.intersected({0, 0, w, h});
            for (int y = c.top; y < c.bottom; ++y)
                for (int x = c.left; x < c.right; ++x) seen[static_cast<size_t>(y) * w + x] = 1;
        }
    }
    for (char s : seen)
        if (!s) return false;
    return true;
}

TEST(EffectSteps, WipesMoveOneStripPerStep) {
    auto left = AllSteps(11, 1024, 768);
    ASSERT_EQ(left.size(), 100u);
    EXPECT_EQ(left[0], (std::vector<Rect>{{0, 0, 11, 768}}));
    EXPECT_EQ(left[1], (std::vector<Rect>{{11, 0, 22, 768}}));
    EXPECT_EQ(left[99], (std::vector<Rect>{{1089, 0, 1100, 768}}));
    auto right = AllSteps(12, 1024, 768);
    EXPECT_EQ(right[0], (std::vector<Rect>{{1013, 0, 1024, 768}}));
    EXPECT_EQ(right[1], (std::vector<Rect>{{1002, 0, 1013, 768}}));
    auto down = AllSteps(13, 1024, 768);
    EXPECT_EQ(down[0], (std::vector<Rect>{{0, 0, 1024, 8}}));
    EXPECT_EQ(down[2], (std::vector<Rect>{{0, 16, 1024, 24}}));
    auto up = AllSteps(14, 1024, 768);
    EXPECT_EQ(up[0], (std::vector<Rect>{{0, 760, 1024, 768}}));
    EXPECT_EQ(up[1], (std::vector<Rect>{{0, 752, 1024, 760}}));
}

TEST(EffectSteps, BlindsFillTenBandsAndEndWhenFull) {
    // 1024 wide: bands of 103, strips of 2; full after the step with k * 2 > 103.
    auto v1 = AllSteps(21, 1024, 768);
    ASSERT_EQ(v1.size(), 53u);
    ASSERT_EQ(v1[0].size(), 10u);
    EXPECT_EQ(v1[0][0], (Rect{0, 0, 2, 768}));
    EXPECT_EQ(v1[0][9], (Rect{927, 0, 929, 768}));
    EXPECT_EQ(v1[5][1], (Rect{113, 0, 115, 768}));
    auto v2 = AllSteps(22, 1024, 768);
    EXPECT_EQ(v2[0][0], (Rect{101, 0, 103, 768}));
    EXPECT_EQ(v2[1][2], (Rect{305, 0, 307, 768}));
    // 768 high: bands of 77, strips of 1; full after k = 78.
    auto v3 = AllSteps(23, 1024, 768);
    ASSERT_EQ(v3.size(), 79u);
    EXPECT_EQ(v3[0][1], (Rect{0, 77, 1024, 78}));
    auto v4 = AllSteps(24, 1024, 768);
    EXPECT_EQ(v4[0][0], (Rect{0, 76, 1024, 77}));
}

TEST(EffectSteps, SquaresRevealEverySquareOnceInTheFirstPass) {
    SeedProcessRandom(3);
    // 1024 x 768 in 10-pixel squares: 103 columns, 77 rows, 7931 squares, 80 a step.
    auto all = AllSteps(37, 1024, 768);
    ASSERT_EQ(all.size(), 100u);
    EXPECT_EQ(all[0].size(), 80u);
    // The last step ends as soon as the last unrevealed square is drawn.
    EXPECT_EQ(all[99].size(), 11u);
    std::vector<int> count(7931, 0);
    for (const auto& step : all) {
        for (const Rect& r : step) {
            ASSERT_EQ(r.width(), 10);
            ASSERT_EQ(r.height(), 10);
            ASSERT_EQ(r.left % 10, 0);
            ++count[static_cast<size_t>(r.top / 10 * 103 + r.left / 10)];
        }
    }
    for (int c : count) ASSERT_EQ(c, 1);
    auto big = AllSteps(38, 1024, 768);
    EXPECT_EQ(big[0].size(), 10u);  // 35 x 26 = 910 squares of 30 pixels
    EXPECT_EQ(big[0][0].width(), 30);
}

TEST(EffectSteps, BoxesGrowFromTheCentreAndCloseToIt) {
    auto grow = AllSteps(45, 1000, 800);
    ASSERT_EQ(grow.size(), 100u);
    ASSERT_EQ(grow[0].size(), 5u);
    EXPECT_EQ(grow[0][0], (Rect{495, 396, 505, 404}));  // the whole first rectangle
    EXPECT_EQ(grow[0][1], (Rect{495, 396, 505, 400}));
    EXPECT_EQ(grow[1], (std::vector<Rect>{{490, 392, 510, 396}, {490, 404, 510, 408}, {490, 396, 495, 404},
                                          {505, 396, 510, 404}}));
    EXPECT_EQ(grow[99][0], (Rect{0, 0, 1000, 4}));
    EXPECT_EQ(grow[99][3], (Rect{995, 4, 1000, 796}));
    auto close = AllSteps(46, 1000, 800);
    ASSERT_EQ(close.size(), 100u);
    EXPECT_EQ(close[0], (std::vector<Rect>{{0, 0, 1000, 4}, {0, 796, 1000, 800}, {0, 4, 5, 796}, {995, 4, 1000, 796}}));
    EXPECT_EQ(close[99].size(), 5u);
    EXPECT_EQ(close[99][0], (Rect{495, 396, 505, 400}));
}

TEST(EffectSteps, EveryEffectCoversTheWholeScreen) {
    SeedProcessRandom(11);
    const int sizes[][2] = {{1024, 768}, {1920, 1080}, {1366, 768}, {800, 600}};
    for (auto& size : sizes) {
        for (int n : {11, 12, 13, 14, 21, 22, 23, 24, 37, 38, 45, 46}) {
            int steps = 0;
            EXPECT_TRUE(CoversScreen(n, size[0], size[1], &steps)) << n << " at " << size[0] << "x" << size[1];
            EXPECT_LE(steps, 100);
        }
    }
}

TEST(EffectSteps, UnknownNumbersAreNoEffect) {
    for (int n : {0, 5, 51, 99, -11}) {
        EffectSteps steps(n, 1024, 768);
        EXPECT_FALSE(steps.valid()) << n;
        std::vector<Rect> rects;
        EXPECT_FALSE(steps.next(rects));
    }
}

struct Finished : CommandTarget {
    std::vector<int> commands;
    void onCommand(int c, std::intptr_t) override { commands.push_back(c); }
    void onTimer(int) override {}
};

TEST(EffectRunner, StepsEveryTenMillisecondsThenPostsFinished) {
    FakeEventQueue queue;
    FakeWindowHost host;
    Finished viewer;
    EffectRunner runner(queue, host, &viewer, 31847);
    ASSERT_TRUE(runner.start(11, {0, 0, 1024, 768}));
    EXPECT_TRUE(runner.running());
    // The first strip is painted at once, the next after 10 ms.
    EXPECT_EQ(host.invalidated, (std::vector<Rect>{{0, 0, 11, 768}}));
    EXPECT_EQ(host.updateCount, 1);
    EXPECT_FALSE(runner.start(45, {0, 0, 1024, 768}));  // never a second one
    queue.advance(10);
    ASSERT_EQ(host.invalidated.size(), 2u);
    EXPECT_EQ(host.invalidated[1], (Rect{11, 0, 22, 768}));
    queue.advance(1000);
    EXPECT_FALSE(runner.running());
    EXPECT_EQ(viewer.commands, (std::vector<int>{31847}));
    // Strips reaching past the right edge are clipped to the screen.
    EXPECT_EQ(host.invalidated.back(), (Rect{1023, 0, 1024, 768}));
    EXPECT_EQ(host.invalidateAllCount, 0);
    for (const Rect& r : host.invalidated) EXPECT_LE(r.right, 1024);
}

TEST(EffectRunner, StoppingEndsWithoutFinishedAndAllowsTheNext) {
    FakeEventQueue queue;
    FakeWindowHost host;
    Finished viewer;
    EffectRunner runner(queue, host, &viewer, 31847);
    EXPECT_FALSE(runner.stop());
    ASSERT_TRUE(runner.start(21, {0, 0, 1024, 768}));
    queue.advance(50);
    size_t painted = host.invalidated.size();
    EXPECT_TRUE(runner.stop());
    queue.advance(2000);
    EXPECT_EQ(host.invalidated.size(), painted);
    EXPECT_TRUE(viewer.commands.empty());
    EXPECT_FALSE(runner.start(99, {0, 0, 1024, 768}));
    EXPECT_TRUE(runner.start(46, {0, 0, 1024, 768}));
}

}  // namespace
}  // namespace vellumo
