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
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "imaging/AnyPicDecoder.h"
#include "imaging/PreviewSink.h"
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
    // The bitmap was decoded at a reduced scale, for the display copy alone:
    // smaller than decodedSize, never shown as the photo.
    bool reduced = false;

    bool screenCopyOnly() const { return !bitmap && screenCopyKey != 0; }
    // What it takes in the cache (a display copy is counted where it waits).
    std::size_t bytes() const { return bitmap ? bitmap->GetMemUsed() : 0; }
};

// Frees a bitmap on a thread of its own: giving back the pages of a large
// photo takes milliseconds the user-interface thread has better use for.
void FreeApart(std::unique_ptr<CDrawDibBmp> bitmap);

// Whether the angle (radians) is a whole number of quarter turns.
bool IsWholeQuarterTurn(double radians);

// How a photo is decoded: for later, or for the viewer that shows it now.
struct DecodeOptions {
    // The turn to apply (radians, whole quarter turns); none: the one the
    // rotation macros of the attached comment file give, as the viewer's
    // comment usually gives it (the viewer checks it when it shows the photo).
    std::optional<double> turn;
    // The photo is shown now: what the decode gives is kept, even when the
    // file changes while it is read (the stamp from before the decode tells
    // later users so) or the picture is empty (the viewer judges it).
    bool shownNow = false;
    // Where a first picture goes while the photo decodes (none: no first picture).
    PreviewSink* firstPicture = nullptr;
    // A picture whose alpha is shown is laid over this colour (BackgroundColor).
    ColorRef background = 0;
    // The colours the pixels are converted to from the file's profile (none: sRGB).
    ColourProfilePtr colours;
    // Only the display copy is wanted, at the size this gives for the
    // photo's size: a JPEG not turned is decoded at the least reduced scale
    // still larger than that (much less memory and time than the whole).
    std::function<Size(Size photo)> reducedFor;
};

// The decoder's size rule for a decode at a reduced scale, for a photo shown
// at shown(photo's size): strictly larger than that, so that the display
// copy is shrunk from it; 0 (whole) when the photo is not larger.
int ReducedDecodeSide(const std::function<Size(Size photo)>& shown, int width, int height);

// Decodes a photo (any thread): nothing when the file is missing, fails to
// decode, is stopped, runs out of memory, or (unless shown now) changes while
// it is read. error, when given, receives the decoder's text of a failure.
// A picture whose alpha is shown is laid over options.background, which the
// photo records as its matte.
std::optional<PrefetchedPhoto> DecodeAhead(CAnyPicDecoder& decoder, const std::string& path,
                                           const std::atomic<bool>& stop, const DecodeOptions& options = {},
                                           std::string* error = nullptr);

}  // namespace vellumo
