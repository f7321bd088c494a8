// Background threads lower their own priority; the threads they start
// inherit it and the rest of the process keeps its own.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "platform/ThreadPriority.h"

using namespace vellumo;

TEST(ThreadPriority, LowersOnlyTheCallingThreadAndWhatItStartsAndNeverRaises) {
    const int mine = ThisThreadNice();
    int worker = 0, started = 0, lowerAgain = 0, higherAsked = 0;
    std::thread([&] {
        LowerThisThreadPriority(std::max(mine, 5));
        worker = ThisThreadNice();
        std::thread([&] { started = ThisThreadNice(); }).join();
        LowerThisThreadPriority(std::max(mine, 7));
        lowerAgain = ThisThreadNice();
        // Asked for a higher priority than it has: it stays where it is.
        LowerThisThreadPriority(std::max(mine, 7) - 3);
        higherAsked = ThisThreadNice();
    }).join();
    EXPECT_EQ(worker, std::max(mine, 5));
    EXPECT_EQ(started, worker);
    EXPECT_EQ(lowerAgain, std::max(mine, 7));
    EXPECT_EQ(higherAsked, lowerAgain);
    EXPECT_EQ(ThisThreadNice(), mine);
}
