#pragma once
// A photo decoded before the user asked for it, as the viewer will show it:
// the bitmap, already turned when the photo's attached comment file turns it,
// the embedded text the comment is composed from, and the stamp of the file
// at the start of the decode. Or, kept as what the screen needs: no bitmap,
// only the key of the display copy made from it (which waits with the
// window's prepared copies), to be shown while the file decodes again.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "imaging/AnyPicDecoder.h"
#include "imaging/WinBmp.h"
#include "platform/Geometry.h"
#include "prefetch/FileStamp.h"

namespace vellumo {

struct PrefetchedPhoto {
    std::string path;
    FileStamp stamp;
    std::unique_ptr<CDrawDibBmp> bitmap;
    std::string text;
    // The size as decoded, before the turn.
    Size decodedSize;
    // The turn already applied (radians, positive is left): whole quarter
    // turns only, so turning back by its negative restores the decode exactly.
    double turn = 0.0;
    // Kept as its display copy only: the cache key the bitmap had.
    std::uint64_t screenCopyKey = 0;
    // A picture whose alpha is shown was laid over this background colour
    // (BackgroundColor when it was decoded); none for any other picture.
    std::optional<ColorRef> matte;
    // The colours its pixels were converted to from the file's profile.
    ColourProfilePtr colours;

    bool screenCopyOnly() const { return !bitmap && screenCopyKey != 0; }
    // What it takes in the cache (a display copy is counted where it waits).
    std::size_t bytes() const { return bitmap ? bitmap->GetMemUsed() : 0; }
};

// Whether the angle (radians) is a whole number of quarter turns.
bool IsWholeQuarterTurn(double radians);

// Decodes a photo for later (any thread): nothing when the file is missing,
// fails to decode, is stopped, runs out of memory, or changes while it is
// read. The turn comes from the rotation macros of the attached comment file,
// as the viewer's comment usually gives it; the viewer checks it when it shows
// the photo. A picture whose alpha is shown is laid over the background colour.
// The pixels are converted to the colours given (sRGB when none are).
std::optional<PrefetchedPhoto> DecodeAhead(CAnyPicDecoder& decoder, const std::string& path,
                                           const std::atomic<bool>& stop, ColorRef background = 0,
                                           ColourProfilePtr colours = nullptr);

}  // namespace vellumo
