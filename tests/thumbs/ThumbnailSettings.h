#pragma once
// The thumbnail view of the thumbnail tests and benchmarks: thumbnails of
// `size` pixels with a one-pixel blue border, 13 x 43 pixels apart, the
// selection drawn as a frame, caches kept in the photo folders.
#include "config/Settings.h"

namespace vellumo::testing {

inline void UseThumbnails(Settings& settings, int size) {
    settings.Thumbnails = 1;
    settings.ThumbnailsSize = size;
    settings.ThumbnailsSpaceX = 13;
    settings.ThumbnailsSpaceY = 43;
    settings.ThumbnailsBorderColor = Rgb(0, 0, 255);
    settings.ThumbnailsBorder = 1;
    settings.ThumbnailsCacheInFolders = 1;
    settings.ThumbnailsSelection = 1;
}

}  // namespace vellumo::testing
