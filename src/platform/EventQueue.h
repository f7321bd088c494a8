#pragma once
// Posted commands and numbered timers: the one way logic classes receive
// deferred work. The Qt implementation uses posted events and QTimer; the test
// fake runs a virtual clock.
#include <cstdint>

namespace vellumo {

// Anything that can receive posted commands and timer ticks (the windows).
class CommandTarget {
public:
    virtual ~CommandTarget() = default;
    virtual void onCommand(int command, std::intptr_t param) = 0;
    virtual void onTimer(int timerId) = 0;
};

class EventQueue {
public:
    virtual ~EventQueue() = default;

    // Queues a command for the target; safe to call from any thread. Commands
    // reach the target on the user-interface thread in the order posted.
    virtual void post(CommandTarget* target, int command, std::intptr_t param = 0) = 0;
    // Starts or restarts a repeating timer of the target.
    virtual void setTimer(CommandTarget* target, int timerId, int milliseconds) = 0;
    virtual void killTimer(CommandTarget* target, int timerId) = 0;
    // Drops every pending command and timer of a target that is going away.
    virtual void forget(CommandTarget* target) = 0;
    // Milliseconds since an arbitrary start; monotonic.
    virtual std::uint64_t tickCount() const = 0;
};

}  // namespace vellumo
