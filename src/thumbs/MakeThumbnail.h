#pragma once
// Make thumbnail: one photo file becomes a square thumbnail. The photo is
// decoded (JPEGs at the smallest DCT scale still at least twice the
// thumbnail) and converted from its colour profile to sRGB, turned by the
// rotation its comment file asks for, fitted into
// the square keeping its proportions and centred, framed by the border when it
// is on, and masked so that only the picture and the border are opaque.
#include <atomic>
#include <functional>
#include <string>

#include "imaging/AnyPicDecoder.h"
#include "imaging/Bmp.h"
#include "platform/Geometry.h"
#include "thumbs/ThumbImage.h"

namespace vellumo {

struct ThumbnailOptions {
    int size = 48;                  // ThumbnailsSize
    ColorRef borderColor = 0;       // ThumbnailsBorderColor
    bool border = true;             // ThumbnailsBorder
    int borderWidth = 1;            // in pixels
    bool fineQuality = false;       // ThumbnailsFineQuality: resample instead of stretching
    ColorRef backgroundColor = 0;   // BackgroundColor: under a picture whose alpha is shown, and in
                                    // the corners a rotation uncovers
    // The decoded picture is at least this large along its longest side
    // (when the photo is), beyond twice the thumbnail (0: no more).
    int decodeAtLeast = 0;
    // The cell's size in the screen's own pixels: on a screen the desktop
    // scales it is larger than size, and the thumbnail then carries a copy
    // that large (ThumbImage::sharp), made from the same picture.
    int deviceSize = 0;
};

// The angle in radians (positive turns counter-clockwise) the photo's comment
// file asks for with its rotation macros; 0 for none. Called on worker threads.
using RotationSource = std::function<double(const std::string& photoPath)>;

// Where the picture lands in the square: proportions kept, centred.
Rect ThumbnailPictureRect(int size, int width, int height);

// Fit, draw, border and mask of a decoded bitmap. Nothing when the bitmap
// cannot be drawn (no pixels).
ThumbImagePtr ThumbnailFromBitmap(const CBmp& bitmap, const ThumbnailOptions& options);

// A decoded picture turned by the rotation its photo's comment file asks
// for, then fitted, framed and masked (the picture may be changed); with
// its sharp copy when options.deviceSize asks for one.
ThumbImagePtr ThumbnailFromPicture(CBmp& picture, const std::string& photoPath, const ThumbnailOptions& options,
                                   const RotationSource& rotation);

// Sees each decoded picture before it is turned and fitted.
using DecodedPicture = std::function<void(const CBmp& picture)>;

// The whole of Make thumbnail. Nothing on a decoder failure (or a stop).
// fullDecode true decodes JPEGs at full size (for comparisons).
ThumbImagePtr MakeThumbnail(CAnyPicDecoder& decoder, const std::string& photoPath, const ThumbnailOptions& options,
                            const RotationSource& rotation, bool fullDecode = false,
                            const DecodedPicture& decoded = {});

}  // namespace vellumo
