// From outside the program: presses keys through the XTEST extension, each
// after a pause, and times the last one to a change of one row of the screen
// (a strip of the Navigator's caption: it changes when Escape hides the
// panel), X round trips included. Prints the time; never fails on time.
//
//   build/key_answer_probe Y X0 X1 KEY:PAUSE_MS [KEY:PAUSE_MS ...]
//
// Each KEY (an X key name: Tab, Down, Return, Escape) is pressed after its
// pause. The strip is row Y from column X0 to X1; it is read just before the
// last key and then until it changes (at most 60 s).
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using FakeKey = int (*)(Display*, unsigned int, int, unsigned long);

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

std::vector<unsigned long> Strip(Display* d, Window root, int y, int x0, int x1) {
    std::vector<unsigned long> out;
    XImage* image = XGetImage(d, root, x0, y, static_cast<unsigned>(x1 - x0), 1, AllPlanes, ZPixmap);
    if (!image) return out;
    for (int x = 0; x < x1 - x0; ++x) out.push_back(XGetPixel(image, x, 0));
    XDestroyImage(image);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s Y X0 X1 KEY:PAUSE_MS [KEY:PAUSE_MS ...]\n", argv[0]);
        return 2;
    }
    const int y = std::atoi(argv[1]), x0 = std::atoi(argv[2]), x1 = std::atoi(argv[3]);
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "key_answer_probe: no X display\n");
        return 1;
    }
    void* xtst = dlopen("libXtst.so.6", RTLD_NOW);
    auto fakeKey = xtst ? reinterpret_cast<FakeKey>(dlsym(xtst, "XTestFakeKeyEvent")) : nullptr;
    if (!fakeKey) {
        std::fprintf(stderr, "key_answer_probe: libXtst.so.6 not found\n");
        return 1;
    }
    const Window root = RootWindow(d, DefaultScreen(d));
    std::vector<unsigned long> before;
    Clock::time_point sent;
    for (int i = 4; i < argc; ++i) {
        std::string spec = argv[i];
        const auto colon = spec.find(':');
        const std::string name = spec.substr(0, colon);
        const int pause = colon == std::string::npos ? 0 : std::atoi(spec.c_str() + colon + 1);
        const KeyCode code = XKeysymToKeycode(d, XStringToKeysym(name.c_str()));
        if (code == 0) {
            std::fprintf(stderr, "key_answer_probe: no key %s\n", name.c_str());
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
        if (i == argc - 1) before = Strip(d, root, y, x0, x1);
        sent = Clock::now();
        fakeKey(d, code, True, 0);
        fakeKey(d, code, False, 0);
        XFlush(d);
    }
    double took = -1;
    while (Ms(sent, Clock::now()) < 60000) {
        if (Strip(d, root, y, x0, x1) != before) {
            took = Ms(sent, Clock::now());
            break;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    if (took < 0)
        std::printf("answered: no change within 60 s\n");
    else
        std::printf("answered: %.1f ms\n", took);
    XCloseDisplay(d);
    return 0;
}
