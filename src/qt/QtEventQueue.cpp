#include "qt/QtEventQueue.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimerEvent>
#include <cxxabi.h>

#include <cstdlib>
#include <typeinfo>

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

// The class of a target, without the namespace.
std::string ClassName(const CommandTarget* target) {
    if (!target) return "nothing";
    const char* mangled = typeid(*target).name();
    int status = 0;
    char* plain = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
    std::string name = status == 0 && plain ? plain : mangled;
    std::free(plain);
    const auto colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

}  // namespace

std::string QtEventQueue::describe(const QObject* receiver, const QEvent* event) const {
    if (receiver != this) return {};
    if (event->type() == kCommandEvent) {
        const auto* ce = static_cast<const CommandEvent*>(event);
        return "command " + std::to_string(ce->command) + " to " + ClassName(ce->target);
    }
    if (event->type() == QEvent::Timer) {
        auto it = byQtId_.find(static_cast<const QTimerEvent*>(event)->timerId());
        if (it == byQtId_.end()) return {};
        return "timer " + std::to_string(it->second.second) + " of " + ClassName(it->second.first);
    }
    return {};
}

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
