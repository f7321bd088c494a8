#include "qt/QtEventQueue.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimerEvent>

namespace vellumo {

namespace {

const QEvent::Type kCommandEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class CommandEvent : public QEvent {
public:
    CommandEvent(CommandTarget* t, int c, std::intptr_t p) : QEvent(kCommandEvent), target(t), command(c), param(p) {}
    CommandTarget* target;
    int command;
    std::intptr_t param;
};

}  // namespace

QtEventQueue::QtEventQueue() { clock_.start(); }

QtEventQueue::~QtEventQueue() = default;

void QtEventQueue::registerTarget(CommandTarget* target) {
    std::lock_guard lock(mutex_);
    live_.insert(target);
}

void QtEventQueue::post(CommandTarget* target, int command, std::intptr_t param) {
    QCoreApplication::postEvent(this, new CommandEvent(target, command, param));
}

bool QtEventQueue::event(QEvent* e) {
    if (e->type() == kCommandEvent) {
        auto* ce = static_cast<CommandEvent*>(e);
        bool live;
        {
            std::lock_guard lock(mutex_);
            live = live_.count(ce->target) != 0;
        }
        if (live) ce->target->onCommand(ce->command, ce->param);
        return true;
    }
    return QObject::event(e);
}

void QtEventQueue::setTimer(CommandTarget* target, int timerId, int milliseconds) {
    killTimer(target, timerId);
    int qtId = startTimer(milliseconds < 1 ? 1 : milliseconds);
    if (qtId == 0) return;
    timers_[{target, timerId}] = qtId;
    byQtId_[qtId] = {target, timerId};
}

void QtEventQueue::killTimer(CommandTarget* target, int timerId) {
    auto it = timers_.find({target, timerId});
    if (it == timers_.end()) return;
    QObject::killTimer(it->second);
    byQtId_.erase(it->second);
    timers_.erase(it);
}

void QtEventQueue::forget(CommandTarget* target) {
    {
        std::lock_guard lock(mutex_);
        live_.erase(target);
    }
    for (auto it = timers_.begin(); it != timers_.end();) {
        if (it->first.first == target) {
            QObject::killTimer(it->second);
            byQtId_.erase(it->second);
            it = timers_.erase(it);
        } else {
            ++it;
        }
    }
}

void QtEventQueue::timerEvent(QTimerEvent* e) {
    auto it = byQtId_.find(e->timerId());
    if (it == byQtId_.end()) return;
    auto [target, id] = it->second;
    target->onTimer(id);
}

std::uint64_t QtEventQueue::tickCount() const { return static_cast<std::uint64_t>(clock_.elapsed()); }

}  // namespace vellumo
