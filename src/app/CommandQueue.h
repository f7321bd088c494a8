#pragma once
// The viewer's command queue: a burst of the same command within 80 ms of
// the previous one is merged into one call with a repeat count of up to 5
// (handed on as the command table says the command uses it).
// Also the mouse and wheel bindings and the running of command lists.
#include <cstdint>
#include <functional>
#include <vector>

#include "commands/Commands.h"
#include "config/Hotkeys.h"
#include "platform/EventQueue.h"
#include "platform/Geometry.h"

namespace vellumo {

// A command as the queue delivers it.
struct QueuedCommand {
    int command = 0;
    int repeatCount = 1;     // 1..5; always 1 for commands that act once
    bool fromMouse = false;  // queued by a mouse button (the menu opens at the mouse)
    friend bool operator==(const QueuedCommand&, const QueuedCommand&) = default;
};

// Timer of the viewer window that merges command bursts.
constexpr int kCommandQueueTimer = 5000;

class CommandQueue {
public:
    static constexpr int kTimerId = kCommandQueueTimer;
    static constexpr int kBurstMilliseconds = 80;
    static constexpr int kMaxRepeatCount = 5;

    // execute runs a command synchronously (the viewer's command handler);
    // timerOwner is the window whose timer 5000 drives the queue: its onTimer
    // must hand that timer to onTimer below.
    CommandQueue(EventQueue& events, CommandTarget* timerOwner, std::function<void(const QueuedCommand&)> execute);

    // Queue command: merges a repeat of the pending command, or runs the
    // pending one and makes this one pending.
    void queue(int command, bool fromMouse = false);
    // Runs the pending command now, if any.
    void flush();
    // True when the timer was the queue's (and the queue flushed).
    bool onTimer(int timerId);
    // Drops the pending command without running it (the window goes away).
    void clear();

    int pendingCommand() const { return pending_; }
    int repeatCount() const { return repeatCount_; }
    bool mouseFlag() const { return mouseFlag_; }

    // The last mouse position, (-1, -1) until the mouse first moved or clicked.
    Point lastMousePosition() const { return lastMouse_; }
    // A left or middle double click or a right button press: records the
    // position and queues the bound command (0 means none).
    void mouseButton(Point position, int command);
    // A mouse move: records the position; true when cmd::MouseMoveTrigger is
    // to be posted (the position changed and a position was recorded before).
    bool mouseMoved(Point position);

private:
    EventQueue& events_;
    CommandTarget* timerOwner_;
    std::function<void(const QueuedCommand&)> execute_;
    int pending_ = 0;
    int repeatCount_ = 1;
    bool mouseFlag_ = false;
    Point lastMouse_{-1, -1};
};

// The three mouse actions that can run a command.
enum class MouseAction { LeftDoubleClick, MiddleDoubleClick, RightClick };
int CommandForMouse(MouseAction action, const MouseCommands& commands);

// The command of one wheel turn, posted directly: IntelliMouseMode n goes to
// the previous photo when rolled away from the user (delta > 0) and to the
// next one towards the user; z zooms in or out; other letters and a zero
// delta give 0.
int CommandForWheel(int delta, char intelliMouseMode);

// Command 168: n becomes z and z becomes n; other letters stay.
char ToggledIntelliMouseMode(char mode);

// A CommandsAfter list: at most 96 command numbers; a 0 ends it early.
using CommandList = std::vector<std::uint8_t>;
constexpr size_t kMaxCommandListLength = 96;

// Posts each command of the list to its window (refresh and the context menu
// to the Navigator while the focus is outside the viewer), each to run once.
// Nothing happens while a selection dialog is open. Numbers outside 100..173
// are skipped. Returns the number of commands posted.
int RunCommandList(const CommandList& list, EventQueue& events, CommandTarget* viewer, CommandTarget* navigator,
                   bool viewerHasFocus, bool selectionDialogOpen);

}  // namespace vellumo
