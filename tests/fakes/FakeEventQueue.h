#pragma once
// An event queue on a virtual clock: tests post commands, advance time and see
// timers fire in order, without threads or a display.
#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <utility>

#include "platform/EventQueue.h"

namespace vellumo {

class FakeEventQueue : public EventQueue {
public:
    void post(CommandTarget* target, int command, std::intptr_t param = 0) override;
    void setTimer(CommandTarget* target, int timerId, int milliseconds) override;
    void killTimer(CommandTarget* target, int timerId) override;
    void forget(CommandTarget* target) override;
    std::uint64_t tickCount() const override { return now_; }

    // Delivers posted commands until none is left (including those posted while delivering).
    // Returns the number delivered. Stops after a generous bound to catch endless loops.
    int runPending();
    // Moves the clock forward, delivering posted commands and firing due timers in time order.
    void advance(std::uint64_t milliseconds);
    bool hasTimer(CommandTarget* target, int timerId) const;
    size_t pendingCount() const;

private:
    struct Posted {
        CommandTarget* target;
        int command;
        std::intptr_t param;
    };
    struct Timer {
        int interval;
        std::uint64_t due;
    };
    mutable std::mutex mutex_;
    std::deque<Posted> posted_;
    std::map<std::pair<CommandTarget*, int>, Timer> timers_;
    std::uint64_t now_ = 1000;
};

}  // namespace vellumo
