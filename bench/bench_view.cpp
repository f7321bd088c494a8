// Painting speed of the photo view: full-screen repaints of a fitted
// 24-megapixel photo, zoom and pan steps, and Show photo to painted for a
// 24-megapixel JPEG. Prints figures; never fails on time.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <chrono>
#include <cstdio>
#include <vector>

#include "app/PhotoView.h"
#include "imaging/AnyPicDecoder.h"
#include "imaging/WinBmp.h"
#include "jpeg-writer/JpegWriter.h"
#include "qt/QtCanvas.h"

using namespace vellumo;
using Clock = std::chrono::steady_clock;

namespace {

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

std::string WriteJpeg(int w, int h) {
    std::string path = "/tmp/vellumo-bench-view.jpg";
    jpegwriter::JpegSpec spec;
    spec.width = w;
    spec.height = h;
    spec.quality = 90;
    spec.sample = [w, h](int x, int y, int c) {
        return static_cast<std::uint8_t>(c == 0 ? x * 255 / w : c == 1 ? y * 255 / h : (x ^ y) & 0xFF);
    };
    jpegwriter::WriteJpegFile(path, spec);
    return path;
}

double Paint(QImage& target, DisplayCopyCache& cache, const PhotoView& view, const ImageView& image) {
    auto t0 = Clock::now();
    QPainter painter(&target);
    QtCanvas canvas(painter, &cache);
    view.paint(canvas, view.screenRect(), 0, &image);
    painter.end();
    return Ms(t0, Clock::now());
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const Rect screen{0, 0, 1920, 1080};
    std::string jpeg = WriteJpeg(6000, 4000);

    // The viewer window prepares its display memory when it is created, while
    // the program starts; the first photo comes later.
    DisplayCopyCache cache;
    cache.prepareMemory(8u * 1024 * 1024);
    CAnyPicDecoder decoder;
    CDrawDibBmp bmp;
    auto t0 = Clock::now();
    decoder.DecodeFile(jpeg, bmp);
    double decodeMs = Ms(t0, Clock::now());

    QImage target(1920, 1080, QImage::Format_RGB32);
    PhotoView view(screen, ScaleMode::Fit);
    view.setImageSize(bmp.GetWidth(), bmp.GetHeight());
    view.applyScaleMode();
    ImageView image = bmp.GetImageView();
    double firstPaint = Paint(target, cache, view, image);
    std::printf("show the first photo: decode %.1f ms, first paint %.1f ms (target: at most decode + 40 ms)\n", decodeMs,
                firstPaint);
    // The next photo of the same size, as when stepping through a folder.
    {
        CDrawDibBmp next;
        auto t1 = Clock::now();
        decoder.DecodeFile(jpeg, next);
        double nextDecode = Ms(t1, Clock::now());
        ImageView nextImage = next.GetImageView();
        double nextPaint = Paint(target, cache, view, nextImage);
        std::printf("show the next photo: decode %.1f ms, first paint %.1f ms (target: at most decode + 40 ms)\n",
                    nextDecode, nextPaint);
        Paint(target, cache, view, image);
    }

    double worst = 0, total = 0;
    for (int i = 0; i < 20; ++i) {
        double ms = Paint(target, cache, view, image);
        total += ms;
        worst = std::max(worst, ms);
    }
    std::printf("full-screen repaint of the fitted 24 MP photo: mean %.2f ms, worst %.2f ms (target: at most 8 ms)\n",
                total / 20, worst);

    // A view command followed by the paint it causes, repeated.
    auto measureSteps = [&](const char* what, auto step) {
        double worstStep = 0, sum = 0;
        const int steps = 12;
        for (int i = 0; i < steps; ++i) {
            auto s = Clock::now();
            step(i);
            Paint(target, cache, view, image);
            double ms = Ms(s, Clock::now());
            sum += ms;
            worstStep = std::max(worstStep, ms);
        }
        std::printf("%s, command to painted: mean %.2f ms, worst %.2f ms over %d steps (target: at most 16 ms)\n", what,
                    sum / steps, worstStep, steps);
    };
    measureSteps("zoom-in step", [&](int) { view.zoomIn(1); });
    measureSteps("pan step on the zoomed photo",
                 [&](int i) { view.panCommand(i % 2 ? PanDirection::Left : PanDirection::Right, 1); });
    measureSteps("zoom-out step", [&](int) { view.zoomOut(1); });
    std::remove(jpeg.c_str());
    return 0;
}
