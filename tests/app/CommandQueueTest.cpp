#include <gtest/gtest.h>

#include <vector>

#include "app/CommandQueue.h"
#include "fakes/FakeEventQueue.h"

using namespace vellumo;

namespace {

// A viewer stand-in: runs queued commands through the queue and records them.
struct Viewer : CommandTarget {
    FakeEventQueue& events;
    CommandQueue queue;
    std::vector<QueuedCommand> executed;
    std::vector<std::pair<int, std::uint64_t>> times;
    std::vector<int> posted;
    explicit Viewer(FakeEventQueue& e)
        : events(e), queue(e, this, [this](const QueuedCommand& c) {
              executed.push_back(c);
              times.push_back({c.command, events.tickCount()});
          }) {}
    void onCommand(int command, std::intptr_t) override { posted.push_back(command); }
    void onTimer(int id) override { queue.onTimer(id); }
};

struct Recorder : CommandTarget {
    std::vector<int> commands;
    void onCommand(int command, std::intptr_t) override { commands.push_back(command); }
    void onTimer(int) override {}
};

}  // namespace

TEST(CommandQueue, SixQuickPressesRunFiveThenOneAfterTheBurst) {
    FakeEventQueue events;
    Viewer v(events);
    std::uint64_t start = events.tickCount();
    for (int i = 0; i < 6; ++i) {
        v.queue.queue(101);
        events.advance(30);
    }
    // The sixth press flushed the first five at once and began a new burst.
    ASSERT_EQ(v.executed.size(), 1u);
    EXPECT_EQ(v.executed[0], (QueuedCommand{101, 5, false}));
    EXPECT_EQ(v.times[0].second, start + 150);
    EXPECT_EQ(v.queue.pendingCommand(), 101);
    events.advance(49);
    EXPECT_EQ(v.executed.size(), 1u);
    events.advance(1);  // 80 ms after the last press
    ASSERT_EQ(v.executed.size(), 2u);
    EXPECT_EQ(v.executed[1], (QueuedCommand{101, 1, false}));
    EXPECT_EQ(v.times[1].second, start + 150 + 80);
    EXPECT_EQ(v.queue.pendingCommand(), 0);
    EXPECT_EQ(v.queue.repeatCount(), 1);
    EXPECT_FALSE(events.hasTimer(&v, 5000));
    events.advance(1000);
    EXPECT_EQ(v.executed.size(), 2u);
}

TEST(CommandQueue, EachPressRestartsTheWindowAndADifferentCommandFlushes) {
    FakeEventQueue events;
    Viewer v(events);
    std::uint64_t start = events.tickCount();
    v.queue.queue(105);
    events.advance(79);
    v.queue.queue(105);  // still inside the window: merged, window restarts
    events.advance(79);
    EXPECT_TRUE(v.executed.empty());
    v.queue.queue(104);  // Right then Left: Right runs at once
    ASSERT_EQ(v.executed.size(), 1u);
    EXPECT_EQ(v.executed[0], (QueuedCommand{105, 2, false}));
    EXPECT_EQ(v.times[0].second, start + 158);
    events.advance(80);
    ASSERT_EQ(v.executed.size(), 2u);
    EXPECT_EQ(v.executed[1], (QueuedCommand{104, 1, false}));
    EXPECT_EQ(v.times[1].second, start + 238);
    // Presses 80 ms apart are separate calls.
    v.queue.queue(100);
    events.advance(80);
    v.queue.queue(100);
    events.advance(80);
    EXPECT_EQ(v.executed.size(), 4u);
    EXPECT_EQ(v.executed[3].repeatCount, 1);
}

TEST(CommandQueue, OnlyStepsAndPhotoSkipsSeeTheCountOfABurst) {
    FakeEventQueue events;
    Viewer v(events);
    // Three quick presses each of pan right, next photo, rotate left, font
    // larger and the menu: one call each.
    for (int c : {105, 115, 108, 146, 172}) {
        for (int i = 0; i < 3; ++i) v.queue.queue(c);
        events.advance(80);
    }
    EXPECT_EQ(v.executed, (std::vector<QueuedCommand>{{105, 3, false}, {115, 3, false}, {108, 1, false},
                                                      {146, 1, false}, {172, 1, false}}));
}

TEST(CommandQueue, MouseFlagBelongsToTheCommandTheMouseQueued) {
    FakeEventQueue events;
    Viewer v(events);
    EXPECT_EQ(v.queue.lastMousePosition(), (Point{-1, -1}));
    v.queue.queue(172);                     // F10
    v.queue.mouseButton({300, 200}, 125);  // then a double click before the burst ended
    ASSERT_EQ(v.executed.size(), 1u);
    EXPECT_FALSE(v.executed[0].fromMouse);  // the F10 menu still opens centred
    events.advance(80);
    ASSERT_EQ(v.executed.size(), 2u);
    EXPECT_EQ(v.executed[1], (QueuedCommand{125, 1, true}));
    EXPECT_EQ(v.queue.lastMousePosition(), (Point{300, 200}));
    EXPECT_FALSE(v.queue.mouseFlag());
    // A mouse action bound to nothing records the position and queues nothing.
    v.queue.mouseButton({5, 6}, 0);
    events.advance(200);
    EXPECT_EQ(v.executed.size(), 2u);
    EXPECT_EQ(v.queue.lastMousePosition(), (Point{5, 6}));
    v.queue.queue(172);
    events.advance(80);
    EXPECT_FALSE(v.executed.back().fromMouse);
}

TEST(CommandQueue, MouseMovesTriggerOnlyAfterAFirstPosition) {
    FakeEventQueue events;
    Viewer v(events);
    EXPECT_FALSE(v.queue.mouseMoved({10, 10}));  // the first position only records
    EXPECT_FALSE(v.queue.mouseMoved({10, 10}));  // unchanged
    EXPECT_TRUE(v.queue.mouseMoved({11, 10}));
    v.queue.mouseButton({40, 40}, 0);
    EXPECT_FALSE(v.queue.mouseMoved({40, 40}));  // the click recorded it
}

TEST(CommandQueue, AHandlerMayQueueWhileItRuns) {
    FakeEventQueue events;
    struct Reentrant : CommandTarget {
        FakeEventQueue& events;
        CommandQueue queue;
        std::vector<QueuedCommand> executed;
        explicit Reentrant(FakeEventQueue& e)
            : events(e), queue(e, this, [this](const QueuedCommand& c) {
                  executed.push_back(c);
                  if (c.command == 117) queue.queue(118);
              }) {}
        void onCommand(int, std::intptr_t) override {}
        void onTimer(int id) override { queue.onTimer(id); }
    } r(events);
    r.queue.queue(117);
    r.queue.queue(125);  // flushes 117, whose handler queues 118
    events.advance(80);
    events.advance(80);
    ASSERT_EQ(r.executed.size(), 3u);
    EXPECT_EQ(r.executed[0].command, 117);
    EXPECT_EQ(r.executed[1].command, 118);
    EXPECT_EQ(r.executed[2].command, 125);
    // A queue that is cleared runs nothing later.
    r.queue.queue(100);
    r.queue.clear();
    events.advance(500);
    EXPECT_EQ(r.executed.size(), 3u);
}

TEST(MouseAndWheel, BindingsAndIntelliMouseModes) {
    MouseCommands m{125, 168, 172};
    EXPECT_EQ(CommandForMouse(MouseAction::LeftDoubleClick, m), 125);
    EXPECT_EQ(CommandForMouse(MouseAction::MiddleDoubleClick, m), 168);
    EXPECT_EQ(CommandForMouse(MouseAction::RightClick, m), 172);
    EXPECT_EQ(CommandForMouse(MouseAction::RightClick, MouseCommands{}), 0);
    EXPECT_EQ(CommandForMouse(MouseAction::RightClick, MouseCommands{0, 0, 3001}), 0);
    // Rolled away from the user (positive delta): previous photo in mode n.
    EXPECT_EQ(CommandForWheel(120, 'n'), 114);
    EXPECT_EQ(CommandForWheel(-120, 'n'), 115);
    EXPECT_EQ(CommandForWheel(120, 'z'), 100);
    EXPECT_EQ(CommandForWheel(-240, 'z'), 101);
    EXPECT_EQ(CommandForWheel(120, 'x'), 0);
    EXPECT_EQ(CommandForWheel(0, 'n'), 0);
    EXPECT_EQ(ToggledIntelliMouseMode('n'), 'z');
    EXPECT_EQ(ToggledIntelliMouseMode('z'), 'n');
    EXPECT_EQ(ToggledIntelliMouseMode('q'), 'q');
}

TEST(RunCommandList, PostsEachCommandToItsWindow) {
    FakeEventQueue events;
    Recorder viewer, navigator;
    CommandList list = {127, 130, 143, 173, 125};
    EXPECT_EQ(RunCommandList(list, events, &viewer, &navigator, true, false), 5);
    events.runPending();
    EXPECT_EQ(viewer.commands, (std::vector<int>{127, 130, 143, 173, 125}));
    EXPECT_TRUE(navigator.commands.empty());

    viewer.commands.clear();
    RunCommandList(list, events, &viewer, &navigator, false, false);  // focus in the Navigator
    events.runPending();
    EXPECT_EQ(viewer.commands, (std::vector<int>{127, 130, 125}));
    EXPECT_EQ(navigator.commands, (std::vector<int>{143, 173}));

    // Nothing while a selection dialog is open; an empty list does nothing.
    viewer.commands.clear();
    EXPECT_EQ(RunCommandList(list, events, &viewer, &navigator, true, true), 0);
    EXPECT_EQ(RunCommandList({}, events, &viewer, &navigator, true, false), 0);
    events.runPending();
    EXPECT_TRUE(viewer.commands.empty());

    // A zero ends the list, numbers that are no command are skipped, and at
    // most 96 entries count.
    CommandList odd = {100, 7, 255, 101, 0, 102};
    EXPECT_EQ(RunCommandList(odd, events, &viewer, &navigator, true, false), 2);
    CommandList longList(200, 128);
    EXPECT_EQ(RunCommandList(longList, events, &viewer, &navigator, true, false), 96);
    events.runPending();
    EXPECT_EQ(viewer.commands.size(), 98u);
}
