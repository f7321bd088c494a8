#pragma once
// The trace of the user-interface thread's tasks: with VELLUMO_TRACE_UI=N in
// the environment, every event the thread handles (a posted command, a timer,
// a paint, a key, a result posted by a worker) that keeps it from the event
// loop for more than N milliseconds is printed to stderr with what it was
// and the thread's CPU time in it (which a busy machine changes little),
// and the pages it waited for from the disc, if any:
//   vellumo: UI task   41.3 ms (CPU  12.0 ms)  command 31880 to NavigatorWindow
// and, when the loop ends, the longest task of the run and the one that
// took most CPU. A modal dialog or
// menu runs an event loop of its own: the task that opened it counts until
// the inner loop first waits, and again from the inner loop's end; the
// events of the inner loop are tasks of their own. Without the variable the
// trace costs one test of a flag per event.
#include <QApplication>
#include <chrono>
#include <string>
#include <vector>

namespace vellumo {

class QtEventQueue;

class TracedApplication : public QApplication {
public:
    TracedApplication(int& argc, char** argv);
    ~TracedApplication() override;

    // Names the commands and timers of the program's event queue.
    void setEventQueue(const QtEventQueue* queue) { queue_ = queue; }
    // Prints the longest task so far (when tracing).
    void printLongest() const;
    // Work of the thread outside the event loop (the settings written at
    // the end): timed and printed apart when tracing.
    template <typename Work>
    void traceWork(const char* what, Work&& work) {
        const Clock::time_point start = Clock::now();
        const double cpu = tracing_ ? threadCpuMs() : 0;
        work();
        if (tracing_)
            printWork(what, std::chrono::duration<double, std::milli>(Clock::now() - start).count(), threadCpuMs() - cpu);
    }

    bool notify(QObject* receiver, QEvent* event) override;

private:
    using Clock = std::chrono::steady_clock;
    struct Frame {
        bool task = false;         // a task of its own, not an event sent from within one
        unsigned long loop = 0;    // the loop's wake-ups when it began
        bool open = false;         // a stretch of work runs
        Clock::time_point since;   // since when
        double longestMs = 0;      // the longest stretch so far
        double cpuStart = 0;       // this thread's CPU time when it began
        double innerCpuMs = 0;     // CPU of the tasks of an inner loop
        long faultsStart = 0;      // pages read from disc when it began
    };
    void printWork(const char* what, double ms, double cpuMs) const;
    static double threadCpuMs();
    void closeStretches(std::size_t below);
    void openStretches(std::size_t below);
    std::string describe(QObject* receiver, QEvent* event) const;

    bool tracing_ = false;
    double thresholdMs_ = 0;
    const QtEventQueue* queue_ = nullptr;
    std::vector<Frame> frames_;
    unsigned long wakeUps_ = 0;
    double longestMs_ = 0;
    double longestCpuMs_ = 0;
    std::string longestWhat_;
    double mostCpuMs_ = 0;
    std::string mostCpuWhat_;
    int overThreshold_ = 0;
};

}  // namespace vellumo
