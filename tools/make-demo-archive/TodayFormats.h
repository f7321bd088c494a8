#pragma once
// Writers of the photos of today for the demo archive: PNG (with alpha),
// WebP, HEIC, AVIF, and a JPEG stored turned with its EXIF orientation.
#include <string>

#include "Pictures.h"

namespace demo {

// A picture as a camera held upright stores it for orientation 6: turned a
// quarter counter-clockwise, with the tag that turns it back.
bool WriteTurnedJpeg(const std::string& path, const Picture& upright);
// alpha: the picture fades out towards its right edge and has a round hole.
bool WritePng(const std::string& path, const Picture& p, bool alpha);
bool WriteWebp(const std::string& path, const Picture& p);
bool WriteHeic(const std::string& path, const Picture& p);
bool WriteAvif(const std::string& path, const Picture& p);

}  // namespace demo
