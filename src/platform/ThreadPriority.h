#pragma once
// Work the user is not watching gives way to the window. On two cores a
// photo decoding on both of them held the display server back: a first
// picture painted at once reached the screen 100 ms later, and full-screen
// paints waited for the server. Workers (the start-up decode, decodes ahead
// and the photo stepped to, thumbnails, the walk) lower their own thread's
// priority with this; the window's thread and the display server then run
// first, and an idle machine gives the workers all the rest.
namespace vellumo {

// The nice value of background work.
inline constexpr int kBackgroundNice = 10;

// Lowers the calling thread's priority to `nice` (never raises it: a thread
// already below stays where it is). Threads it starts afterwards inherit it.
// Where the system refuses, nothing changes.
void LowerThisThreadPriority(int nice = kBackgroundNice);

// The calling thread's nice value.
int ThisThreadNice();

}  // namespace vellumo
