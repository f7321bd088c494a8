#include "slideshow/SlideDelay.h"

#include <algorithm>

namespace vellumo {

std::optional<double> SlowerDelay(double d) {
    double slower = d >= 2 ? d * 1.5 : 2.0;
    slower = std::min(slower, kSlideDelayMax);
    if (slower == d) return std::nullopt;
    return slower;
}

std::optional<double> FasterDelay(double d) {
    if (!(d > 1)) return std::nullopt;
    return d >= 2 ? d - d / 3 : 1.0;
}

int SlideTimerMs(double seconds) {
    double ms = seconds * 1000.0;
    if (!(ms >= 1)) return 1;
    if (ms > 3600000.0) return 3600000;
    return static_cast<int>(ms);
}

}  // namespace vellumo
