#pragma once
// The slideshow delay commands: slower (x 1.5, at most 600 s) and faster
// (minus a third, at least 1 s). Each gives the new delay, or nothing when the
// delay cannot change (the caller beeps).
#include <optional>

namespace vellumo {

inline constexpr double kSlideDelayMax = 600.0;

std::optional<double> SlowerDelay(double seconds);
std::optional<double> FasterDelay(double seconds);
// The timer interval of a delay: whole milliseconds, truncated, at least 1.
int SlideTimerMs(double seconds);

}  // namespace vellumo
