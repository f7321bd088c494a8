// Slideshow figures: the painting time of every transition effect's steps at
// 1920 x 1080 (each step must paint within its 10 ms pause), and the time from
// starting a total slideshow over 100,000 photos in 1,000 folders to its first
// entry being handed to the viewer (the walk goes on behind it). Prints
// figures; never fails on time.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <thread>

#include "app/PhotoView.h"
#include "navigator/NavigatorWindow.h"
#include "effects/EffectList.h"
#include "effects/EffectSteps.h"
#include "fakes/FakeDesktop.h"
#include "fakes/RecordingViewer.h"
#include "imaging/WinBmp.h"
#include "qt/QtCanvas.h"
#include "qt/QtEventQueue.h"

using namespace vellumo;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

void BenchEffects() {
    const int w = 1920, h = 1080;
    CDrawDibBmp bmp;
    bmp.Create(3000, 2000, 32, false);
    for (int y = 0; y < 2000; y += 7)
        for (int x = 0; x < 3000; x += 5) bmp.SetPixel(x, y, MakePixel(x & 0xFF, 80, 200, 255));
    PhotoView view({0, 0, w, h}, ScaleMode::Fit);
    view.setImageSize(bmp.GetWidth(), bmp.GetHeight());
    view.applyScaleMode();
    ImageView image = bmp.GetImageView();
    DisplayCopyCache cache;
    QImage target(w, h, QImage::Format_RGB32);
    {
        QPainter p(&target);
        QtCanvas canvas(p, &cache);
        view.paint(canvas, view.screenRect(), 0, &image);  // the display copy is made once per photo
    }
    for (int number : AllEffectNumbers()) {
        EffectSteps steps(number, w, h);
        std::vector<Rect> rects;
        double worst = 0, total = 0;
        int count = 0;
        std::vector<double> times;
        while (steps.next(rects)) {
            auto t0 = Clock::now();
            QPainter p(&target);
            QtCanvas canvas(p, &cache);
            for (const Rect& r : rects) {
                Rect c = r.intersected({0, 0, w, h});
                if (!c.isEmpty()) view.paint(canvas, c, 0, &image);
            }
            p.end();
            double ms = Ms(t0, Clock::now());
            worst = std::max(worst, ms);
            total += ms;
            times.push_back(ms);
            ++count;
        }
        std::sort(times.begin(), times.end());
        double p95 = times[static_cast<size_t>(times.size() * 95 / 100)];
        std::printf("effect %d at %dx%d: %d steps, paint mean %.3f ms, 95th percentile %.3f ms, worst %.3f ms, effect "
                    "about %.0f ms with the 10 ms pauses (target: every step within 10 ms, at most 1200 ms)\n",
                    number, w, h, count, total / count, p95, worst, total + count * 10.0);
    }
}

// The Navigator's viewer: records when the first photo is shown.
struct Viewer : RecordingViewer {
    Clock::time_point firstShown{};
    Viewer() { screen = {0, 0, 1920, 1080}; }
    void showPhoto(const std::string& path) override {
        if (shown.empty()) firstShown = Clock::now();
        RecordingViewer::showPhoto(path);
    }
};

struct Panel : NavigatorPanel {
    struct Host : WindowHost {
        void invalidate(const Rect&) override {}
        void invalidateAll() override {}
        void update() override {}
        void setVisible(bool) override {}
        bool isVisible() const override { return false; }
        bool isExposed() const override { return false; }
        void move(const Rect&) override {}
        Rect geometry() const override { return {}; }
        void setTitle(const std::string&) override {}
        void setFocus() override {}
        bool hasFocus() const override { return false; }
        void setCursor(CursorId) override {}
        void setIcon(int) override {}
        void captureMouse(bool) override {}
        void close() override {}
    } window;
    WindowHost& host() override { return window; }
    void bind(NavigatorList*, NavigatorListEvents*, PanelEvents*) override {}
    void focusList() override {}
    bool listHasFocus() const override { return false; }
    Point listTopLeft() const override { return {}; }
    void setListColors(std::optional<ColorRef>, std::optional<ColorRef>) override {}
    void repaintList() override {}
};

void BenchTotalFirstEntry(QGuiApplication& app) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / "vellumo-bench-total";
    fs::remove_all(root);
    auto t0 = Clock::now();
    for (int f = 0; f < 1000; ++f) {
        fs::path dir = root / ("Folder" + std::to_string(1000 + f));
        fs::create_directories(dir);
        for (int i = 0; i < 100; ++i) std::ofstream(dir / ("IMG_" + std::to_string(1000 + i) + ".jpg"));
    }
    std::printf("made 100000 photo files in 1000 folders in %.0f ms\n", Ms(t0, Clock::now()));

    QtEventQueue queue;
    Panel panel;
    FakeDesktop desktop;
    desktop.screen = {0, 0, 1920, 1080};
    Viewer viewer;
    Settings settings{};
    settings.SlideShowDelay = 3.0;
    settings.SlideShowTotalEndAction = 'b';
    settings.PathToStart = root.string();
    NavigatorSettingsAccess access;
    access.current = [&]() -> Settings& { return settings; };
    access.enterFolder = [](const std::string&) {};
    NavigatorWindow nav(queue, panel, desktop, viewer, access);
    queue.registerTarget(&nav);
    queue.registerTarget(&viewer);
    nav.open();
    app.processEvents();
    auto start = Clock::now();
    nav.slideshows().startTotal("");
    while (viewer.shown.empty() && Ms(start, Clock::now()) < 30000) app.processEvents(QEventLoop::AllEvents, 1);
    std::printf("total slideshow over 100000 photos: first entry shown after %.1f ms (target: 100 ms plus its "
                "decode); %zu entries listed by then\n",
                Ms(start, viewer.firstShown), nav.slideshows().totalList().size());
    while (nav.slideshows().totalCollecting() && Ms(start, Clock::now()) < 60000)
        app.processEvents(QEventLoop::AllEvents, 5);
    std::printf("walk complete after %.0f ms with %zu entries\n", Ms(start, Clock::now()),
                nav.slideshows().totalList().size());
    nav.destroy();
    fs::remove_all(root);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    BenchEffects();
    BenchTotalFirstEntry(app);
    return 0;
}
