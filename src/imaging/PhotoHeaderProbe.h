#pragma once
// What the header of a photo file says about the picture as it is seen,
// read without decoding it: the orientation it is stored in and whether it
// carries a colour profile of its own. Reads only the headers (a few
// kilobytes; the first IFD of a TIFF wherever it lies).
#include <string>

namespace vellumo {

struct PhotoHeaderFacts {
    // 1 when the stored picture is upright; otherwise the EXIF or TIFF
    // orientation, or 2 for a HEIF/AVIF file that declares a rotation or a
    // mirror (any value but 1 means the decoder turns the picture).
    int orientation = 1;
    // An embedded ICC profile: JPEG APP2 ICC_PROFILE, the TIFF ICC tag, PNG
    // iCCP, WebP ICCP, HEIF colr of a profile kind, BMP V5 embedded profile.
    bool colourProfile = false;
    // A JPEG whose frame is progressive (its first scans give a first picture).
    bool progressiveJpeg = false;
};

// The facts of the file; a file that cannot be read or is of another kind
// counts as upright without a profile.
PhotoHeaderFacts ProbePhotoHeader(const std::string& path);

}  // namespace vellumo
