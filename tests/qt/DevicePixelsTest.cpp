// The viewer on a desktop that scales by 1, 1.5 and 2: a photo of one-pixel
// checks as large as the screen in device pixels is shown check for check,
// none grey, and the comment font grows with the scale. Qt takes the scale
// (QT_SCALE_FACTOR) when the application starts, so each one runs in a
// process of its own.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "app/ViewerApp.h"
#include "fakes/TestBmp.h"
#include "platform/Drives.h"
#include "qt/DevicePixels.h"
#include "qt/NavigatorPanelWidget.h"
#include "qt/QtDesktop.h"
#include "qt/QtEventQueue.h"
#include "qt/QtTestMain.h"
#include "qt/ViewerWidget.h"

using namespace vellumo;

namespace {

constexpr const char* kRatioVariable = "VELLUMO_TEST_SCALE";

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// One-pixel black and white checks, black at the top left.
std::string Checks(int width, int height) {
    std::string f = vellumo::testing::Bmp(width, height, 0, 0, 0);
    const int stride = (width * 3 + 3) & ~3;
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;  // rows are stored bottom-up
        for (int x = 0; x < width; ++x)
            if ((x + y) % 2)
                for (int c = 0; c < 3; ++c) f[static_cast<size_t>(54 + row * stride + x * 3 + c)] = '\xff';
    }
    return f;
}

}  // namespace

TEST(DevicePixels, OnePixelChecksStayBlackAndWhiteAtEveryScale) {
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    for (const char* scale : {"1", "1.5", "2"}) {
        const std::string log = "/tmp/vellumo-device-pixels-" + std::to_string(getpid()) + ".log";
        const std::string command = std::string("QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=") + scale + " " +
                                    kRatioVariable + "=" + scale + " '" + self +
                                    "' --gtest_filter=DevicePixels.ChecksAtTheScaleOfThisProcess > " + log + " 2>&1";
        const int status = std::system(command.c_str());
        EXPECT_EQ(status, 0) << "at scale " << scale << ":\n" << ReadAll(log);
        std::remove(log.c_str());
    }
}

TEST(DevicePixels, ChecksAtTheScaleOfThisProcess) {
    const char* scale = std::getenv(kRatioVariable);
    if (!scale) GTEST_SKIP() << "run at each scale by OnePixelChecksStayBlackAndWhiteAtEveryScale";
    TestApplication();
    const double ratio = std::atof(scale);
    ASSERT_DOUBLE_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), ratio);

    char tmpl[] = "/tmp/vellumo-qt-XXXXXX";
    const std::string folder = mkdtemp(tmpl);
    {
        std::ofstream ini(folder + "/vellumo.ini", std::ios::binary);
        ini << "[General Settings]\r\nApplicationLanguage=English\r\n[Navigator Settings]\r\nNavigator=0\r\n";
    }
    QtEventQueue queue;
    QtDesktop desktop;
    const Rect screen = desktop.screenRect();
    const QRect logical = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(screen.width(), std::lround(logical.width() * ratio));
    {
        std::ofstream photo(folder + "/checks.bmp", std::ios::binary);
        photo << Checks(screen.width(), screen.height());
    }
    // A window's place survives being read in device pixels and set again.
    for (const QRect& place : {QRect(0, 0, 533, 400), QRect(7, 13, 301, 199), QRect(100, 51, 3, 3)})
        EXPECT_EQ(ToLogicalPlace(ToDevicePlace(place)), place) << place.x() << "," << place.y();
    // A 24-pixel comment font is 24 pixels to the eye: 24 x ratio on the screen.
    FontSpec font;
    font.face = "DejaVu Sans";
    font.height = 24;
    font.cellHeight = true;
    EXPECT_NEAR(desktop.measureText("Hg", 0, font, 0).cy, 24 * ratio, 2);

    ViewerWidget widget;
    {
        NavigatorPanelWidget panel(&widget);
        ViewerApp app(queue, desktop, widget.host(), panel,
                      ProgramLocation::FromExecutable(folder + "/vellumo", ListDrives()));
        ASSERT_TRUE(app.start({folder + "/checks.bmp"}, folder));
        queue.registerTarget(app.viewer());
        queue.registerTarget(&app.viewer()->prefetcher());
        app.viewer()->prefetcher().setDisplayPreparer(&widget.preparedCopies());
        queue.registerTarget(app.navigator());
        widget.setEvents(app.viewer());
        const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!app.viewer()->bitmap() && std::chrono::steady_clock::now() < until) QApplication::processEvents();
        ASSERT_NE(app.viewer()->bitmap(), nullptr);
        for (int i = 0; i < 20; ++i) QApplication::processEvents();

        const QImage shot = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(shot.width(), screen.width());
        ASSERT_EQ(shot.height(), screen.height());
        long wrong = 0;
        for (int y = 0; y < shot.height(); ++y) {
            const auto* row = reinterpret_cast<const QRgb*>(shot.constScanLine(y));
            for (int x = 0; x < shot.width(); ++x)
                if ((row[x] & 0xFFFFFF) != ((x + y) % 2 ? 0xFFFFFFu : 0u)) ++wrong;
        }
        EXPECT_EQ(wrong, 0) << "of " << shot.width() << " x " << shot.height() << " pixels";
        widget.setEvents(nullptr);
        app.exit();
    }
    std::system(("rm -rf '" + folder + "'").c_str());
}
