// Sets the X screen's colour profile as a colour manager does: the root
// window's _ICC_PROFILE property, for the whole-program colour test.
//   set_screen_profile swap   a profile whose red and green are changed round
//   set_screen_profile none   no profile (the property removed)
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <cstdio>
#include <string>

#include "imaging/ProfileBuilder.h"

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "";
    if (what != "swap" && what != "none") {
        std::fprintf(stderr, "usage: set_screen_profile swap|none\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    const Atom atom = XInternAtom(display, "_ICC_PROFILE", False);
    const Window root = DefaultRootWindow(display);
    if (what == "none") {
        XDeleteProperty(display, root, atom);
    } else {
        const std::vector<std::uint8_t> icc = vellumo::BuildRgbProfile(
            {0.3127, 0.3290, 0.30, 0.60, 0.64, 0.33, 0.15, 0.06}, vellumo::TransferCurve::Srgb);
        XChangeProperty(display, root, atom, XA_CARDINAL, 8, PropModeReplace, icc.data(), static_cast<int>(icc.size()));
    }
    XCloseDisplay(display);
    return 0;
}
