#pragma once
// The colour profile of a screen as the desktop's colour manager publishes
// it under X11: the root window's _ICC_PROFILE property for the first screen,
// _ICC_PROFILE_1, _ICC_PROFILE_2 ... for the others.
#include <QWidget>
#include <cstdint>
#include <vector>

namespace vellumo {

// The ICC bytes for the screen the window is on (the primary screen without
// a window); empty when there is none, or no X11 display (Wayland, offscreen).
// Each screen's property is read once and kept: a round trip to the X server
// on every photo would wait behind whatever the server is drawing.
std::vector<std::uint8_t> ReadScreenColourProfile(const QWidget* window);
// The kept profiles are read again on the next call (ScreenColourWatch
// calls this when a profile property changes).
void ForgetScreenColourProfiles();

}  // namespace vellumo
