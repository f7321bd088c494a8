// From outside the program: turns the mouse wheel one step through the XTEST
// extension and reads rows of the screen until they change. Prints each
// step's time (from the button event sent to the changed screen read back,
// X round trips included) and the median. Never fails on time.
//
//   build/screen_change_probe STEPS PAUSE_MS [BUTTON]
//   build/screen_change_probe --key-after-step ROUNDS PAUSE_MS RRGGBB
//
// Each step waits PAUSE_MS first (the viewer prepares the next photo in the
// meantime). BUTTON 5 turns the wheel towards the user (the next photo), 4
// away. The pointer is moved to the middle of the screen first.
//
// --key-after-step times Escape (which shows the viewer's Navigator, whose
// background colour is RRGGBB, at its default place in the lower right
// quarter): in each round once when the viewer is idle and once pressed as
// soon as a wheel step has changed the screen, each from the key sent to the
// Navigator seen; Escape again hides it. Prints both medians and their
// difference.
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
using FakeKey = int (*)(Display*, unsigned int, int, unsigned long);
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

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// The share of samples of the Navigator's default place (the lower right
// quarter, inside its border) that have its background colour.
double NavigatorShare(Display* d, Window root, int width, int height, unsigned long colour) {
    int hits = 0, samples = 0;
    for (int k = 0; k < 8; ++k) {
        const int y = height * (60 + 4 * k) / 100;
        XImage* image = XGetImage(d, root, width * 78 / 100, y, static_cast<unsigned>(width * 19 / 100), 1, AllPlanes,
                                  ZPixmap);
        if (!image) continue;
        for (int x = 0; x < image->width; x += 4, ++samples)
            if ((XGetPixel(image, x, 0) & 0xFFFFFF) == colour) ++hits;
        XDestroyImage(image);
    }
    return samples ? static_cast<double>(hits) / samples : 0;
}

struct Probe {
    Display* d;
    Window root;
    int width, height;
    FakeButton button;
    FakeKey key;
    unsigned long navigator;

    // Sends Escape and waits until the Navigator is shown (or hidden); the
    // time in ms, -1 when it did not happen within 5 s.
    double escape(bool toShown) {
        const unsigned code = XKeysymToKeycode(d, XStringToKeysym("Escape"));
        const Clock::time_point t0 = Clock::now();
        key(d, code, True, 0);
        key(d, code, False, 0);
        XFlush(d);
        while (Ms(t0, Clock::now()) < 5000) {
            const double share = NavigatorShare(d, root, width, height, navigator);
            if (toShown ? share >= 0.4 : share < 0.1) return Ms(t0, Clock::now());
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        return -1;
    }
    // One wheel step towards the user; true once the screen changed.
    bool step() {
        const std::vector<unsigned long> before = Rows(d, root, width, height);
        const Clock::time_point t0 = Clock::now();
        button(d, 5, True, 0);
        button(d, 5, False, 0);
        XFlush(d);
        while (Ms(t0, Clock::now()) < 5000) {
            if (Rows(d, root, width, height) != before) return true;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
        return false;
    }
};

int KeyAfterStep(Probe& p, int rounds, int pauseMs) {
    std::vector<double> idle, afterStep;
    for (int i = 0; i < rounds; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        const double a = p.escape(true);
        p.escape(false);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
        const bool stepped = p.step();
        const double b = stepped ? p.escape(true) : -1;
        p.escape(false);
        std::printf("round %d: idle %.1f ms, right after a step %.1f ms%s\n", i + 1, a, b,
                    stepped ? "" : " (the step did not change the screen)");
        std::fflush(stdout);
        if (a >= 0) idle.push_back(a);
        if (b >= 0) afterStep.push_back(b);
    }
    const double mi = Median(idle), ma = Median(afterStep);
    std::printf("Escape to the Navigator on screen: idle median %.1f ms, right after a wheel step median %.1f ms, "
                "difference %.1f ms (goal: at most 30)\n",
                mi, ma, ma - mi);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "--key-after-step") == 0) {
        Display* d = XOpenDisplay(nullptr);
        void* xtst = dlopen("libXtst.so.6", RTLD_NOW);
        if (!d || !xtst) {
            std::fprintf(stderr, "screen_change_probe: no X display or no libXtst.so.6\n");
            return 1;
        }
        auto fakeMotion = reinterpret_cast<FakeMotion>(dlsym(xtst, "XTestFakeMotionEvent"));
        Probe p{d, RootWindow(d, DefaultScreen(d)), DisplayWidth(d, DefaultScreen(d)), DisplayHeight(d, DefaultScreen(d)),
                reinterpret_cast<FakeButton>(dlsym(xtst, "XTestFakeButtonEvent")),
                reinterpret_cast<FakeKey>(dlsym(xtst, "XTestFakeKeyEvent")), std::strtoul(argv[4], nullptr, 16)};
        if (!fakeMotion || !p.button || !p.key) return 1;
        fakeMotion(d, DefaultScreen(d), p.width / 2, p.height / 2, 0);
        XSync(d, False);
        const int status = KeyAfterStep(p, std::atoi(argv[2]), std::atoi(argv[3]));
        XCloseDisplay(d);
        return status;
    }
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
    std::printf("wheel step to changed screen: median %.1f ms over %zu steps\n", Median(times), times.size());
    XCloseDisplay(d);
    return 0;
}
