// From outside the program: turns the mouse wheel one step through the XTEST
// extension and reads rows of the screen until they change. Prints each
// step's time (from the button event sent to the changed screen read back,
// X round trips included) and the median. Never fails on time.
//
//   build/screen_change_probe STEPS PAUSE_MS [BUTTON]
//
// Each step waits PAUSE_MS first (the viewer prepares the next photo in the
// meantime). BUTTON 5 turns the wheel towards the user (the next photo), 4
// away. The pointer is moved to the middle of the screen first.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using FakeButton = int (*)(Display*, unsigned int, int, unsigned long);
using FakeMotion = int (*)(Display*, int, int, int, unsigned long);

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

// Three full rows of the screen, at a quarter, a half and three quarters of its height.
std::vector<unsigned long> Rows(Display* d, Window root, int width, int height) {
    std::vector<unsigned long> out;
    for (int k = 1; k <= 3; ++k) {
        XImage* image = XGetImage(d, root, 0, height * k / 4, static_cast<unsigned>(width), 1, AllPlanes, ZPixmap);
        if (!image) continue;
        for (int x = 0; x < width; ++x) out.push_back(XGetPixel(image, x, 0));
        XDestroyImage(image);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s STEPS PAUSE_MS [BUTTON]\n", argv[0]);
        return 2;
    }
    const int steps = std::atoi(argv[1]);
    const int pauseMs = std::atoi(argv[2]);
    const unsigned button = argc > 3 ? static_cast<unsigned>(std::atoi(argv[3])) : 5;
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "screen_change_probe: no X display\n");
        return 1;
    }
    void* xtst = dlopen("libXtst.so.6", RTLD_NOW);
    auto fakeButton = xtst ? reinterpret_cast<FakeButton>(dlsym(xtst, "XTestFakeButtonEvent")) : nullptr;
    auto fakeMotion = xtst ? reinterpret_cast<FakeMotion>(dlsym(xtst, "XTestFakeMotionEvent")) : nullptr;
    if (!fakeButton || !fakeMotion) {
        std::fprintf(stderr, "screen_change_probe: libXtst.so.6 not found\n");
        return 1;
    }
    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);
    const int width = DisplayWidth(d, screen), height = DisplayHeight(d, screen);
    fakeMotion(d, screen, width / 2, height / 2, 0);
    XSync(d, False);

    std::vector<double> times;
    for (int i = 0; i < steps; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        const std::vector<unsigned long> before = Rows(d, root, width, height);
        const Clock::time_point t0 = Clock::now();
        fakeButton(d, button, True, 0);
        fakeButton(d, button, False, 0);
        XFlush(d);
        double took = -1;
        while (Ms(t0, Clock::now()) < 5000) {
            if (Rows(d, root, width, height) != before) {
                took = Ms(t0, Clock::now());
                break;
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        times.push_back(took);
        std::printf("step %d: %.1f ms%s\n", i + 1, took, took < 0 ? " (no change within 5 s)" : "");
        std::fflush(stdout);
    }
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const size_t n = sorted.size();
    const double median = n == 0 ? 0 : n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    std::printf("wheel step to changed screen: median %.1f ms over %zu steps\n", median, n);
    XCloseDisplay(d);
    return 0;
}
