#include "prefetch/PrefetchedPhoto.h"

#include <cmath>
#include <new>

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

bool IsWholeQuarterTurn(double radians) {
    const double quarters = radians / kQuarter;
    return std::abs(quarters - std::round(quarters)) < 1e-9;
}

std::optional<PrefetchedPhoto> DecodeAhead(CAnyPicDecoder& decoder, const std::string& path,
                                           const std::atomic<bool>& stop, ColorRef background,
                                           ColourProfilePtr colours) {
    PrefetchedPhoto photo;
    photo.path = path;
    const std::optional<FileStamp> before = StampOfFile(path);
    if (!before) return std::nullopt;
    photo.stamp = *before;
    try {
        decoder.SetStopFlag(&stop);
        photo.colours = colours ? std::move(colours) : SrgbProfile();
        decoder.SetColourTarget(photo.colours);
        photo.bitmap = std::make_unique<CDrawDibBmp>();
        decoder.DecodeFile(path, *photo.bitmap);
        photo.text = decoder.GetText();
        if (ShowOverBackground(*photo.bitmap, background)) photo.matte = background;
        photo.decodedSize = photo.bitmap->GetSize();
        if (photo.decodedSize.cx <= 0 || photo.decodedSize.cy <= 0) return std::nullopt;
        const double angle = RotationMacroAngleOfFile(path);
        if (Turns(angle) && !stop) {
            auto turned = std::make_unique<CDrawDibBmp>();
            RotateFilter(angle, 0).Apply(*photo.bitmap, *turned);
            photo.bitmap = std::move(turned);
            photo.turn = angle;
        }
    } catch (const CTextException&) {
        return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    } catch (const std::exception&) {
        return std::nullopt;
    }
    if (stop) return std::nullopt;
    // A file written while it was read may have given a mix of old and new.
    if (StampOfFile(path) != before) return std::nullopt;
    return photo;
}

}  // namespace vellumo
