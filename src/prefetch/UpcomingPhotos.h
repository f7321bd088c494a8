#pragma once
// The photos the viewer is likely to show next, most likely first: the next
// entry of a running slideshow, then the photos commands 115 and 114 would
// step to (through the total slideshow's list while one runs, else through
// the Navigator's folder), the one of the direction the user last stepped in
// first. Steps drawn at random cannot be known in advance and give nothing.
#include <string>
#include <vector>

#include "archive/ArchiveNavigator.h"
#include "slideshow/Slideshows.h"

namespace vellumo {

std::vector<std::string> UpcomingPhotos(const ArchiveNavigator& archive, const Slideshows& shows,
                                        bool steppingBack = false);

}  // namespace vellumo
