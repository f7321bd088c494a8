// Stepping through a folder of photos in the real viewer window (offscreen
// platform, 1920 x 1080 unless QT_QPA_PLATFORM says otherwise): the time from
// command 115 (or 114) running to the first paint of the new photo (its first
// picture, or its display copy kept from the decode ahead) and to the full
// photo there and painted, when the photo was decoded ahead and when it was
// not (stepping on at once, before anything is decoded ahead). Also the
// longest task of the user-interface thread in each case (the step command
// itself, and every event Qt delivers), by wall time and by the thread's CPU
// time (which other work on the machine hardly changes). Prints figures;
// never fails on time.
//
//   build/bench_prefetch FOLDER [STEPS]
#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QThread>

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/ViewerApp.h"
#include "platform/Drives.h"
#include "qt/NavigatorPanelWidget.h"
#include "qt/QtDesktop.h"
#include "qt/QtEventQueue.h"
#include "qt/ViewerWidget.h"

using namespace vellumo;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

double Median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

// The peak resident memory since the last reset (VmHWM), in MB.
long PeakMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6) / 1024;
    return -1;
}
void ResetPeak() { std::ofstream("/proc/self/clear_refs") << "5"; }

double ThreadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// How often this thread gave up the processor to wait (a lock, a read).
long Waits() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// The longest task of the user-interface thread since the last reset: by
// wall time (with how often it waited), and by CPU time.
struct LongestTask {
    double wallMs = 0, cpuMs = 0;
    long waits = 0;
    std::string what, whatWall;
    void note(double wall, double cpu, long waited, const std::string& name) {
        if (cpu > cpuMs) what = name;
        if (wall > wallMs) {
            waits = waited;
            whatWall = name;
        }
        wallMs = std::max(wallMs, wall);
        cpuMs = std::max(cpuMs, cpu);
    }
};
LongestTask gLongest;

// Times every event the application delivers from its loop (nested
// deliveries count with their outer one).
class TimedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* e) override {
        if (depth_ > 0) return QApplication::notify(receiver, e);
        ++depth_;
        // Named first: the receiver may be gone afterwards.
        const std::string what = std::string(receiver->metaObject()->className()) + " event " + std::to_string(e->type());
        const Clock::time_point t0 = Clock::now();
        const double c0 = ThreadCpuMs();
        const long w0 = Waits();
        const bool done = QApplication::notify(receiver, e);
        gLongest.note(Ms(t0, Clock::now()), ThreadCpuMs() - c0, Waits() - w0, what);
        --depth_;
        return done;
    }

private:
    int depth_ = 0;
};

// Counts the paints of the viewer window and notes when the last began.
class PaintCounter : public QObject {
public:
    int paints = 0;
    Clock::time_point last;
    // The time of the first paint after `since` (since itself when none).
    Clock::time_point firstAfter(Clock::time_point since) const {
        for (Clock::time_point t : times)
            if (t >= since) return t;
        return since;
    }

protected:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) {
            ++paints;
            last = Clock::now();
            times.push_back(last);
        }
        return false;
    }

private:
    std::vector<Clock::time_point> times;
};

struct Rig {
    QtEventQueue queue;
    QtDesktop desktop;
    ViewerWidget widget;
    NavigatorPanelWidget panel{&widget};
    std::unique_ptr<ViewerApp> app;
    PaintCounter counter;
};

struct StepTimes {
    double firstPaint = -1;  // the screen changed
    double decoded = -1;     // the decoded photo painted
};

// Steps with the command, then runs the event loop until the full photo is
// there and painted; negative times when that did not happen within the limit.
StepTimes TimeStep(QApplication& application, Rig& rig, int command, const std::string& path,
                   double limitMs = 20000) {
    ViewerWindow& viewer = *rig.app->viewer();
    const int before = rig.counter.paints;
    const Clock::time_point t0 = Clock::now();
    const double c0 = ThreadCpuMs();
    const long w0 = Waits();
    viewer.onCommand(command, 1);
    gLongest.note(Ms(t0, Clock::now()), ThreadCpuMs() - c0, Waits() - w0, "the step command");
    for (;;) {
        application.processEvents(QEventLoop::AllEvents);
        const Clock::time_point now = Clock::now();
        if (viewer.display().photoPath() == path && viewer.bitmap() && rig.counter.paints > before)
            return {Ms(t0, rig.counter.firstAfter(t0)), Ms(t0, std::max(rig.counter.last, now))};
        if (Ms(t0, now) > limitMs) return {};
    }
}

bool WaitPrefetched(QApplication& application, Rig& rig, const std::string& path) {
    const Clock::time_point t0 = Clock::now();
    while (!rig.app->viewer()->prefetcher().cache().holds(path)) {
        application.processEvents(QEventLoop::AllEvents);
        QThread::msleep(2);
        if (Ms(t0, Clock::now()) > 20000) return false;
    }
    return true;
}

void Print(const char* what, const std::vector<double>& times) {
    std::printf("%-44s", what);
    for (double t : times) std::printf(" %6.1f", t);
    std::printf("   median %6.1f ms\n", Median(times));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || !std::filesystem::is_directory(argv[1])) {
        std::printf("bench_prefetch: no photo folder given; skipped (usage: %s FOLDER [STEPS])\n", argv[0]);
        return 0;
    }
    const std::string folder = std::filesystem::absolute(argv[1]).string();
    const int steps = argc > 2 ? std::max(1, std::atoi(argv[2])) : 6;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        // A 1920 x 1080 screen for the offscreen platform.
        const std::string config = "/tmp/vellumo-bench-prefetch-screen.json";
        std::ofstream(config) << R"({"screens":[{"name":"bench","x":0,"y":0,"width":1920,"height":1080,)"
                                 R"("logicalDpiX":96,"logicalDpiY":96,"dpr":1}]})";
        qputenv("QT_QPA_PLATFORM", QByteArray("offscreen:configfile=") + config.c_str());
    }
    TimedApplication application(argc, argv);

    // A program folder of its own: English, no Navigator, no transition effects, no comment.
    char tmpl[] = "/tmp/vellumo-bench-prefetch-XXXXXX";
    const std::string programFolder = mkdtemp(tmpl);
    std::ofstream(programFolder + "/vellumo.ini")
        << "[General Settings]\r\nApplicationLanguage=English\r\n[Navigator Settings]\r\nNavigator=0\r\n"
           "[Effects Settings]\r\nEffects=n\r\n[Comment Settings]\r\nComment=0\r\n";

    Rig rig;
    rig.widget.installEventFilter(&rig.counter);
    rig.app = std::make_unique<ViewerApp>(rig.queue, rig.desktop, rig.widget.host(), rig.panel,
                                          ProgramLocation::FromExecutable(programFolder + "/vellumo", ListDrives()));
    if (!rig.app->start({folder}, programFolder)) {
        std::printf("bench_prefetch: the viewer did not start\n");
        return 1;
    }
    ViewerWindow& viewer = *rig.app->viewer();
    rig.queue.registerTarget(&viewer);
    rig.queue.registerTarget(&viewer.prefetcher());
    if (!qEnvironmentVariableIsSet("BENCH_NO_DISPLAY_COPY")) viewer.prefetcher().setDisplayPreparer(&rig.widget.preparedCopies());
    rig.queue.registerTarget(rig.app->navigator());
    rig.queue.registerTarget(rig.app->musicPlayer());
    rig.queue.registerTarget(&rig.app->musicPlayer()->soundComments());
    rig.widget.setEvents(&viewer);

    // The folder's photos in the Navigator's order; the first is shown.
    ArchiveNavigator& archive = rig.app->navigator()->archive();
    std::vector<std::string> photos;
    for (Clock::time_point t0 = Clock::now(); photos.empty() && Ms(t0, Clock::now()) < 20000;) {
        application.processEvents(QEventLoop::AllEvents);
        if (archive.firstPhotoIndex() < 0) continue;
        for (int i = archive.firstPhotoIndex(); i <= archive.lastPhotoIndex(); ++i)
            if (auto p = archive.photoPath(i)) photos.push_back(*p);
    }
    if (photos.size() < 2) {
        std::printf("bench_prefetch: fewer than two photos in %s; skipped\n", folder.c_str());
        return 0;
    }
    rig.app->navigator()->goToPath(photos[0]);
    for (Clock::time_point t0 = Clock::now();
         !(viewer.display().photoPath() == photos[0] && viewer.bitmap() && rig.counter.paints > 0);) {
        application.processEvents(QEventLoop::AllEvents);
        if (Ms(t0, Clock::now()) > 20000) {
            std::printf("bench_prefetch: the first photo was not shown\n");
            return 1;
        }
    }
    const int n = std::min<int>(steps, static_cast<int>(photos.size()) - 1);
    const Rect screen = viewer.screenRect();
    std::printf("screen %d x %d, %zu photos in %s, %d steps each way\n", screen.width(), screen.height(),
                photos.size(), folder.c_str(), n);

    auto printLongest = [](const char* what) {
        std::printf("longest user-interface task %s: %.1f ms (%s, it waited %ld times); by CPU time %.1f ms (%s)\n",
                    what, gLongest.wallMs, gLongest.whatWall.c_str(), gLongest.waits, gLongest.cpuMs,
                    gLongest.what.c_str());
        gLongest = {};
    };
    gLongest = {};
    ResetPeak();
    // Forward at once after each paint: nothing is decoded ahead in time.
    std::vector<double> coldFirst, coldDecoded;
    for (int i = 1; i <= n; ++i) {
        const StepTimes t = TimeStep(application, rig, 115, photos[static_cast<size_t>(i)]);
        coldFirst.push_back(t.firstPaint);
        coldDecoded.push_back(t.decoded);
    }
    printLongest("stepping on at once");
    std::printf("peak memory stepping on at once: %ld MB\n", PeakMb());
    ResetPeak();
    // Back again, each time once the previous photo was decoded ahead.
    std::vector<double> warmFirst, warmDecoded;
    int served = 0;
    for (int i = n - 1; i >= 0; --i) {
        const std::string& path = photos[static_cast<size_t>(i)];
        if (!WaitPrefetched(application, rig, path)) {
            std::printf("bench_prefetch: %s was not decoded ahead\n", path.c_str());
            continue;
        }
        // Idle for a moment, as a user between two steps.
        for (Clock::time_point t = Clock::now(); Ms(t, Clock::now()) < 200;) {
            application.processEvents(QEventLoop::AllEvents);
            QThread::msleep(2);
        }
        const std::size_t servedBefore = viewer.prefetcher().served();
        const StepTimes t = TimeStep(application, rig, 114, path);
        warmFirst.push_back(t.firstPaint);
        warmDecoded.push_back(t.decoded);
        served += viewer.prefetcher().served() > servedBefore ? 1 : 0;
    }
    printLongest("stepping once decoded ahead");
    std::printf("peak memory stepping once decoded ahead: %ld MB\n", PeakMb());
    Print("not decoded ahead, to the first paint (ms):", coldFirst);
    Print("not decoded ahead, to the photo (ms):", coldDecoded);
    Print("decoded ahead, to the first paint (ms):", warmFirst);
    Print("decoded ahead, to the photo (ms):", warmDecoded);
    std::printf("steps served from memory: %d of %zu; goal: decoded ahead, first paint within 16 ms\n", served,
                warmFirst.size());
    rig.widget.close();
    rig.app->exit();
    std::filesystem::remove_all(programFolder);
    return 0;
}
