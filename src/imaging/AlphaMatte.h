#pragma once
// A picture whose alpha is meant to be seen, laid over a plain colour.
#include "imaging/Bmp.h"
#include "platform/Geometry.h"

namespace vellumo {

// When the bitmap's alpha is shown (CBmp::AlphaShown), blends every pixel
// over the colour (the BackgroundColor setting) and leaves an opaque picture
// without alpha; any other bitmap is left as it is. Returns whether it
// blended.
bool ShowOverBackground(CBmp& bitmap, ColorRef background);

}  // namespace vellumo
