#pragma once
// The event queue over Qt's posted events and timers.
#include <QElapsedTimer>
#include <QObject>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/EventQueue.h"

namespace vellumo {

class QtEventQueue : public QObject, public EventQueue {
    Q_OBJECT
public:
    QtEventQueue();
    ~QtEventQueue() override;

    void post(CommandTarget* target, int command, std::intptr_t param = 0) override;
    void setTimer(CommandTarget* target, int timerId, int milliseconds) override;
    void killTimer(CommandTarget* target, int timerId) override;
    void forget(CommandTarget* target) override;
    std::uint64_t tickCount() const override;

    // Targets must be registered before posts to them are delivered; posts to a
    // target that was forgotten are dropped.
    void registerTarget(CommandTarget* target);

    // What an event of this queue is ("command 115 to ViewerWindow", "timer
    // 1000 of NavigatorWindow"); "" for any other event.
    std::string describe(const QObject* receiver, const QEvent* event) const;

protected:
    bool event(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    std::mutex mutex_;
    std::set<CommandTarget*> live_;
    std::map<std::pair<CommandTarget*, int>, int> timers_;  // -> Qt timer id
    std::map<int, std::pair<CommandTarget*, int>> byQtId_;
    QElapsedTimer clock_;
};

}  // namespace vellumo
