#include "qt/UiTaskTrace.h"

#include <QAbstractEventDispatcher>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMetaEnum>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/resource.h>

#include "qt/QtEventQueue.h"

namespace vellumo {

namespace {

// This thread's CPU time: what a task cost whatever else the machine runs.
double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Pages this thread waited for the disc to bring in (program code or data
// read for the first time, or pushed out by other programs).
long ThreadMajorFaults() {
    rusage u{};
    getrusage(RUSAGE_THREAD, &u);
    return u.ru_majflt;
}

}  // namespace

TracedApplication::TracedApplication(int& argc, char** argv) : QApplication(argc, argv) {
    const char* value = std::getenv("VELLUMO_TRACE_UI");
    if (!value || !*value) return;
    tracing_ = true;
    thresholdMs_ = std::atof(value);
    // The loop waiting for events ends every stretch of work; its waking up
    // opens them again (a dialog's loop inside a task).
    if (QAbstractEventDispatcher* d = QAbstractEventDispatcher::instance()) {
        QObject::connect(d, &QAbstractEventDispatcher::aboutToBlock, d, [this] { closeStretches(frames_.size()); });
        QObject::connect(d, &QAbstractEventDispatcher::awake, d, [this] {
            ++wakeUps_;
            openStretches(frames_.size());
        });
    }
}

TracedApplication::~TracedApplication() = default;

void TracedApplication::closeStretches(std::size_t below) {
    const Clock::time_point now = Clock::now();
    for (std::size_t i = 0; i < below; ++i) {
        Frame& f = frames_[i];
        if (!f.task || !f.open) continue;
        f.longestMs = std::max(f.longestMs, std::chrono::duration<double, std::milli>(now - f.since).count());
        f.open = false;
    }
}

void TracedApplication::openStretches(std::size_t below) {
    const Clock::time_point now = Clock::now();
    for (std::size_t i = 0; i < below; ++i) {
        Frame& f = frames_[i];
        if (!f.task || f.open) continue;
        f.open = true;
        f.since = now;
    }
}

std::string TracedApplication::describe(QObject* receiver, QEvent* event) const {
    if (queue_) {
        std::string ours = queue_->describe(receiver, event);
        if (!ours.empty()) return ours;
    }
    const char* type = QMetaEnum::fromType<QEvent::Type>().valueToKey(event->type());
    std::string what = type ? type : "event " + std::to_string(static_cast<int>(event->type()));
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto* key = static_cast<QKeyEvent*>(event);
        what += " " + QKeySequence(key->key()).toString().toStdString();
    }
    what += " to ";
    what += receiver ? receiver->metaObject()->className() : "nothing";
    return what;
}

bool TracedApplication::notify(QObject* receiver, QEvent* event) {
    if (!tracing_) return QApplication::notify(receiver, event);
    Frame frame;
    // A task of its own: what the loop delivers, also a dialog's loop
    // inside another task; an event sent from within a task belongs to it.
    frame.task = frames_.empty() || frames_.back().loop != wakeUps_;
    frame.loop = wakeUps_;
    std::string what;
    if (frame.task) {
        // Named before it runs: the receiver may not outlive its event.
        what = describe(receiver, event);
        closeStretches(frames_.size());
        frame.open = true;
        frame.since = Clock::now();
        frame.cpuStart = ThreadCpuMs();
        frame.faultsStart = ThreadMajorFaults();
    }
    frames_.push_back(frame);
    struct Pop {
        TracedApplication* self;
        std::string& what;
        ~Pop() {
            Frame f = self->frames_.back();
            self->frames_.pop_back();
            if (!f.task) return;
            if (f.open)
                f.longestMs = std::max(f.longestMs, std::chrono::duration<double, std::milli>(Clock::now() - f.since).count());
            self->openStretches(self->frames_.size());
            // CPU of the task itself: the tasks of an inner loop count for themselves.
            const double spent = ThreadCpuMs() - f.cpuStart;
            const double cpu = spent - f.innerCpuMs;
            for (auto it = self->frames_.rbegin(); it != self->frames_.rend(); ++it) {
                if (!it->task) continue;
                it->innerCpuMs += spent;
                break;
            }
            if (f.longestMs > self->longestMs_) {
                self->longestMs_ = f.longestMs;
                self->longestCpuMs_ = cpu;
                self->longestWhat_ = what;
            }
            if (cpu > self->mostCpuMs_) {
                self->mostCpuMs_ = cpu;
                self->mostCpuWhat_ = what;
            }
            if (f.longestMs > self->thresholdMs_) {
                ++self->overThreshold_;
                const long faults = ThreadMajorFaults() - f.faultsStart;
                std::fprintf(stderr, "vellumo: UI task %7.1f ms (CPU %5.1f ms)  %s%s\n", f.longestMs, cpu, what.c_str(),
                             faults > 0 ? (" (" + std::to_string(faults) + " pages read from disc)").c_str() : "");
            }
        }
    } pop{this, what};
    return QApplication::notify(receiver, event);
}

void TracedApplication::printLongest() const {
    if (!tracing_) return;
    std::fprintf(stderr, "vellumo: longest UI task %.1f ms (CPU %.1f ms)  %s (%d over %.0f ms)\n", longestMs_,
                 longestCpuMs_, longestWhat_.empty() ? "none" : longestWhat_.c_str(), overThreshold_, thresholdMs_);
    std::fprintf(stderr, "vellumo: most CPU in a UI task %.1f ms  %s\n", mostCpuMs_,
                 mostCpuWhat_.empty() ? "none" : mostCpuWhat_.c_str());
}

}  // namespace vellumo

namespace vellumo {

void TracedApplication::printWork(const char* what, double ms, double cpuMs) const {
    std::fprintf(stderr, "vellumo: UI work %.1f ms (CPU %.1f ms)  %s\n", ms, cpuMs, what);
}

double TracedApplication::threadCpuMs() { return ThreadCpuMs(); }

}  // namespace vellumo
