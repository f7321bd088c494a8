// Entering a folder of 500 photos with a valid thumbnail cache in the real
// Navigator panel (offscreen): from the start of the listing until every
// photo row shows its thumbnail and the list has painted them. Prints
// figures; never fails on time.
#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "archive/NavigatorWindow.h"
#include "platform/Files.h"
#include "platform/qt/NavigatorPanelWidget.h"
#include "platform/qt/QtDesktop.h"
#include "platform/qt/QtEventQueue.h"

namespace {

using namespace vellumo;
using Clock = std::chrono::steady_clock;

struct Viewer : ViewerLink, CommandTarget {
    void showPhoto(const std::string&) override {}
    void clearNoPhoto() override {}
    void setBusyCursor(bool) override {}
    void lockCursor(int) override {}
    Rect screenRect() const override { return {0, 0, 1024, 768}; }
    bool effectRunning() const override { return false; }
    void navigatorCaptionChanged(const std::string&) override {}
    CommandTarget* viewerTarget() override { return this; }
    void focusViewer() override {}
    void onCommand(int, std::intptr_t) override {}
    void onTimer(int) override {}
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("vellumo-thumbs-view-" + std::to_string(getpid()));
    const std::string dir = (root / "Five hundred").string();
    fs::create_directories(dir);

    Settings settings{};
    settings.Thumbnails = 1;
    settings.ThumbnailsSize = 48;
    settings.ThumbnailsSpaceX = 13;
    settings.ThumbnailsSpaceY = 43;
    settings.ThumbnailsBorderColor = Rgb(0, 0, 255);
    settings.ThumbnailsBorder = 1;
    settings.ThumbnailsCacheInFolders = 1;
    settings.ThumbnailsSelection = 1;
    settings.NavigatorRect = {500, 0, 1000, 1000};
    settings.PathToStart = root.string();

    CThumbnailsStorage storage;
    storage.photoCount = 500;
    storage.thumbnailSize = 48;
    storage.borderColor = settings.ThumbnailsBorderColor;
    storage.border = 1;
    for (int i = 0; i < 500; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "IMG_%04d", i);
        WriteFileAtomically(dir + "/" + name + ".jpg", "not decoded: the cache has it");
        storage.names.push_back(name);
        auto t = std::make_shared<ThumbImage>(48);
        t->pixels.assign(48 * 48, 0xFF000000u | static_cast<unsigned>(i * 0x10203));
        storage.images.push_back(t);
    }
    WriteFileAtomically(dir + "/vellumo.cache", storage.Serialize());

    QWidget viewerWidget;
    viewerWidget.resize(1024, 768);
    NavigatorPanelWidget panel(&viewerWidget);
    QtEventQueue queue;
    QtDesktop desktop;
    Viewer viewer;
    NavigatorSettingsAccess access;
    access.current = [&]() -> Settings& { return settings; };
    access.enterFolder = [](const std::string&) {};
    NavigatorWindow nav(queue, panel, desktop, viewer, access);
    queue.registerTarget(&nav);
    nav.open();
    nav.setShown(true);
    viewerWidget.show();
    QCoreApplication::processEvents();

    auto allShown = [&] {
        const int first = nav.firstPhotoIndex();
        if (first < 0) return false;
        for (int row = first; row <= nav.lastPhotoIndex(); ++row)
            if (nav.list().at(row).image < 11) return false;
        return true;
    };
    std::vector<double> times;
    for (int round = 0; round < 5; ++round) {
        nav.goToPath(root.string());
        QCoreApplication::processEvents();
        const auto start = Clock::now();
        nav.goToPath(dir);
        while (!allShown() && Clock::now() - start < std::chrono::seconds(30)) QCoreApplication::processEvents();
        panel.listView()->viewport()->repaint();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        if (!allShown())
            std::printf("  (round %d: not every thumbnail arrived: rows %d..%d, first image %d, worker %d)\n", round,
                        nav.firstPhotoIndex(), nav.lastPhotoIndex(),
                        nav.firstPhotoIndex() >= 0 ? nav.list().at(nav.firstPhotoIndex()).image : -1,
                        nav.thumbnails().worker() != nullptr);
    }
    std::sort(times.begin(), times.end());
    std::printf("Navigator entering 500 photos with a valid cache: all thumbnails shown and painted in %.1f ms "
                "(median of 5, fastest %.1f; target 300 ms)\n", times[2], times[0]);
    nav.destroy();
    fs::remove_all(root);
    return 0;
}
