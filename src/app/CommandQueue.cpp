#include "app/CommandQueue.h"

namespace vellumo {

CommandQueue::CommandQueue(EventQueue& events, CommandTarget* timerOwner,
                           std::function<void(const QueuedCommand&)> execute)
    : events_(events), timerOwner_(timerOwner), execute_(std::move(execute)) {}

void CommandQueue::queue(int command, bool fromMouse) {
    if (command == 0) return;
    if (command == pending_ && repeatCount_ < kMaxRepeatCount) {
        ++repeatCount_;
        mouseFlag_ = mouseFlag_ || fromMouse;
        events_.setTimer(timerOwner_, kTimerId, kBurstMilliseconds);
        return;
    }
    flush();
    if (pending_ != 0) {
        // The flushed handler queued a command of its own: merge with that one.
        queue(command, fromMouse);
        return;
    }
    pending_ = command;
    mouseFlag_ = fromMouse;
    events_.setTimer(timerOwner_, kTimerId, kBurstMilliseconds);
}

void CommandQueue::flush() {
    events_.killTimer(timerOwner_, kTimerId);
    if (pending_ == 0) return;
    // The queue is idle before the handler runs, so a handler may queue again.
    // Only the commands that repeat their step or skip photos see the count.
    QueuedCommand c{pending_, HandedRepeatCount(pending_, repeatCount_), mouseFlag_};
    pending_ = 0;
    repeatCount_ = 1;
    mouseFlag_ = false;
    if (execute_) execute_(c);
}

bool CommandQueue::onTimer(int timerId) {
    if (timerId != kTimerId) return false;
    flush();
    return true;
}

void CommandQueue::clear() {
    events_.killTimer(timerOwner_, kTimerId);
    pending_ = 0;
    repeatCount_ = 1;
    mouseFlag_ = false;
}

void CommandQueue::mouseButton(Point position, int command) {
    lastMouse_ = position;
    if (IsUserCommand(command)) queue(command, true);
}

bool CommandQueue::mouseMoved(Point position) {
    if (position == lastMouse_) return false;
    bool trigger = !(lastMouse_ == Point{-1, -1});
    lastMouse_ = position;
    return trigger;
}

int CommandForMouse(MouseAction action, const MouseCommands& commands) {
    int c = 0;
    switch (action) {
        case MouseAction::LeftDoubleClick: c = commands.leftDoubleClick; break;
        case MouseAction::MiddleDoubleClick: c = commands.middleDoubleClick; break;
        case MouseAction::RightClick: c = commands.rightClick; break;
    }
    return IsUserCommand(c) ? c : 0;
}

int CommandForWheel(int delta, char intelliMouseMode) {
    if (delta == 0) return 0;
    switch (intelliMouseMode) {
        case 'n': case 'N': return delta > 0 ? cmd::PreviousPhoto : cmd::NextPhoto;
        case 'z': case 'Z': return delta > 0 ? cmd::ZoomIn : cmd::ZoomOut;
        default: return 0;
    }
}

int RunCommandList(const CommandList& list, EventQueue& events, CommandTarget* viewer, CommandTarget* navigator,
                   bool viewerHasFocus, bool selectionDialogOpen) {
    if (selectionDialogOpen) return 0;
    int posted = 0;
    for (size_t i = 0; i < list.size() && i < kMaxCommandListLength; ++i) {
        int c = list[i];
        if (c == 0) break;
        if (!IsUserCommand(c)) continue;
        CommandTarget* target = RouteCommand(c, viewerHasFocus) == WindowId::Navigator ? navigator : viewer;
        if (!target) continue;
        events.post(target, c);
        ++posted;
    }
    return posted;
}

char ToggledIntelliMouseMode(char mode) {
    if (mode == 'n') return 'z';
    if (mode == 'z') return 'n';
    if (mode == 'N') return 'Z';
    if (mode == 'Z') return 'N';
    return mode;
}

}  // namespace vellumo
