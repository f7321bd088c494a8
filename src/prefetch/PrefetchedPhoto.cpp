#include "prefetch/PrefetchedPhoto.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <system_error>
#include <thread>

#include "comments/RotationMacro.h"
#include "imaging/AlphaMatte.h"
#include "imaging/RotateFilter.h"
#include "imaging/TextException.h"

namespace vellumo {

namespace {

constexpr double kQuarter = 1.5707963267948966;

// Whether the angle turns the picture at all (four quarter turns do not).
bool Turns(double angle) {
    const long quarters = std::lround(angle / kQuarter);
    return quarters % 4 != 0;
}

}  // namespace

void FreeApart(std::unique_ptr<CDrawDibBmp> bitmap) {
    if (!bitmap) return;
    try {
        std::thread([bitmap = std::move(bitmap)]() mutable { bitmap.reset(); }).detach();
    } catch (const std::system_error&) {
        // No thread to be had: the bitmap went with the lambda, here.
    }
}

bool IsWholeQuarterTurn(double radians) {
    const double quarters = radians / kQuarter;
    return std::abs(quarters - std::round(quarters)) < 1e-9;
}

int ReducedDecodeSide(const std::function<Size(Size photo)>& shown, int width, int height) {
    const Size size = shown({width, height});
    const int longSide = std::max(size.cx, size.cy);
    return longSide < std::max(width, height) ? longSide + 1 : 0;
}

std::optional<PrefetchedPhoto> DecodeAhead(CAnyPicDecoder& decoder, const std::string& path,
                                           const std::atomic<bool>& stop, const DecodeOptions& options,
                                           std::string* error) {
    PrefetchedPhoto photo;
    photo.path = path;
    const std::optional<FileStamp> before = StampOfFile(path);
    // For the viewer the decoder itself says what is wrong with the file.
    if (!before && !options.shownNow) return std::nullopt;
    if (before) photo.stamp = *before;
    try {
        const double angle = options.turn ? *options.turn : RotationMacroAngleOfFile(path);
        decoder.SetStopFlag(&stop);
        decoder.SetPreviewSink(options.firstPicture);
        photo.colours = options.colours ? options.colours : SrgbProfile();
        decoder.SetColourTarget(photo.colours);
        photo.reduced = options.reducedFor && !Turns(angle);
        if (photo.reduced) {
            decoder.SetSizeRule(
                [&options](int width, int height) { return ReducedDecodeSide(options.reducedFor, width, height); });
        }
        photo.bitmap = std::make_unique<CDrawDibBmp>();
        decoder.DecodeFile(path, *photo.bitmap);
        decoder.SetSizeRule({});
        photo.text = decoder.GetText();
        if (ShowOverBackground(*photo.bitmap, options.background)) photo.matte = options.background;
        photo.decodedSize = photo.reduced ? decoder.GetFullSize() : photo.bitmap->GetSize();
        photo.reduced = photo.reduced && photo.bitmap->GetSize() != photo.decodedSize;
        if ((photo.decodedSize.cx <= 0 || photo.decodedSize.cy <= 0) && !options.shownNow) return std::nullopt;
        if (Turns(angle) && IsWholeQuarterTurn(angle) && !stop) {
            auto turned = std::make_unique<CDrawDibBmp>();
            RotateFilter(angle, 0).Apply(*photo.bitmap, *turned);
            photo.bitmap = std::move(turned);
            photo.turn = angle;
        }
    } catch (const CTextException& e) {
        if (error) *error = e.GetErrorText();
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        if (error) *error = "out of memory";
        return std::nullopt;
    } catch (const std::exception& e) {
        if (error) *error = e.what();
        return std::nullopt;
    }
    if (stop) return std::nullopt;
    if (options.shownNow) return photo;
    // A file written while it was read may have given a mix of old and new.
    if (StampOfFile(path) != before) return std::nullopt;
    return photo;
}

}  // namespace vellumo
