#include "thumbs/MakeThumbnail.h"

#include <algorithm>
#include <new>

#include "imaging/AlphaMatte.h"
#include "imaging/ResizeFilter.h"
#include "imaging/RotateFilter.h"
#include "imaging/TextException.h"
#include "imaging/WinBmp.h"

namespace vellumo {

namespace {

// The colour of a pixel of any depth, opaque.
std::uint32_t ColourAt(const CBmp& bitmap, int x, int y) {
    RGBAPixel v = bitmap.GetPixel(x, y);
    if (bitmap.GetBitsPerPixel() != 32) {
        const RGBAPixel* palette = bitmap.GetPalette();
        const int n = bitmap.GetPaletteSize();
        v = palette && static_cast<int>(v) < n ? palette[v] : 0u;
    }
    return v | 0xFF000000u;
}

// A plain stretch: every target pixel takes the source pixel under its centre.
void Stretch(const CBmp& source, ThumbImage& target, const Rect& r) {
    const int w = source.GetWidth(), h = source.GetHeight();
    const int pw = r.width(), ph = r.height();
    std::vector<int> columns(static_cast<std::size_t>(pw));
    for (int x = 0; x < pw; ++x)
        columns[static_cast<std::size_t>(x)] =
            static_cast<int>((static_cast<std::int64_t>(2 * x + 1) * w) / (2 * static_cast<std::int64_t>(pw)));
    const bool direct = source.GetBitsPerPixel() == 32;
    const std::uint8_t* const* lines = source.GetLineArray();
    for (int y = 0; y < ph; ++y) {
        const int sy = static_cast<int>((static_cast<std::int64_t>(2 * y + 1) * h) / (2 * static_cast<std::int64_t>(ph)));
        std::uint32_t* out = &target.at(r.left, r.top + y);
        if (direct) {
            const auto* row = reinterpret_cast<const std::uint32_t*>(lines[sy]);
            for (int x = 0; x < pw; ++x) out[x] = row[columns[static_cast<std::size_t>(x)]] | 0xFF000000u;
        } else {
            for (int x = 0; x < pw; ++x) out[x] = ColourAt(source, columns[static_cast<std::size_t>(x)], sy);
        }
    }
}

void CopyResampled(const CBmp& source, ThumbImage& target, const Rect& r) {
    CDrawDibBmp resized;
    ResizeFilter(r.width(), r.height()).Apply(source, resized);
    const std::uint8_t* const* lines = resized.GetLineArray();
    const int pw = std::min(r.width(), resized.GetWidth());
    const int ph = std::min(r.height(), resized.GetHeight());
    for (int y = 0; y < ph; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(lines[y]);
        std::uint32_t* out = &target.at(r.left, r.top + y);
        for (int x = 0; x < pw; ++x) out[x] = row[x] | 0xFF000000u;
    }
}

}  // namespace

Rect ThumbnailPictureRect(int size, int width, int height) {
    const int m = std::max(width, height);
    if (size <= 0 || m <= 0) return {};
    // size * w / m is the exact value of trunc((size / m) * w) without the
    // rounding of an inexact quotient (48 / 3000 * 2000 is not quite 32).
    int pw = static_cast<int>(static_cast<double>(size) * width / m);
    int ph = static_cast<int>(static_cast<double>(size) * height / m);
    // A picture far wider or taller than the square still shows as a line.
    pw = std::clamp(pw, 1, size);
    ph = std::clamp(ph, 1, size);
    const int left = (size - pw) / 2;
    const int top = (size - ph) / 2;
    return {left, top, left + pw, top + ph};
}

ThumbImagePtr ThumbnailFromBitmap(const CBmp& bitmap, const ThumbnailOptions& options) {
    const int s = options.size;
    if (s <= 0 || bitmap.GetWidth() <= 0 || bitmap.GetHeight() <= 0) return nullptr;
    auto image = std::make_shared<ThumbImage>(s);
    const Rect picture = ThumbnailPictureRect(s, bitmap.GetWidth(), bitmap.GetHeight());
    if (options.fineQuality && bitmap.GetBitsPerPixel() == 32)
        CopyResampled(bitmap, *image, picture);
    else
        Stretch(bitmap, *image, picture);
    // Border and picture are opaque; the margins beside the picture are
    // transparent (alpha 0, colour 0).
    if (options.border) {
        const std::uint32_t ink = OpaquePixelOf(options.borderColor);
        for (int w = 0; w < std::min(options.borderWidth, (s + 1) / 2); ++w)
            for (int i = 0; i < s; ++i) {
                image->at(i, w) = ink;
                image->at(i, s - 1 - w) = ink;
                image->at(w, i) = ink;
                image->at(s - 1 - w, i) = ink;
            }
    }
    return image;
}

ThumbImagePtr ThumbnailFromPicture(CBmp& picture, const std::string& photoPath, const ThumbnailOptions& options,
                                   const RotationSource& rotation) {
    ShowOverBackground(picture, options.backgroundColor);
    const double angle = rotation ? rotation(photoPath) : 0.0;
    if (angle != 0.0) RotateFilter(angle, options.backgroundColor).ApplyInPlace(picture);
    ThumbImagePtr cell = ThumbnailFromBitmap(picture, options);
    if (!cell || options.deviceSize <= options.size) return cell;
    ThumbnailOptions large = options;
    large.size = options.deviceSize;
    large.deviceSize = 0;
    // The frame as wide to the eye as the cell's own.
    large.borderWidth = std::max(1, options.borderWidth * options.deviceSize / options.size);
    ThumbImagePtr sharp = ThumbnailFromBitmap(picture, large);
    if (!sharp) return cell;
    auto both = std::make_shared<ThumbImage>(*cell);
    both->sharp = std::move(sharp);
    return both;
}

ThumbImagePtr MakeThumbnail(CAnyPicDecoder& decoder, const std::string& photoPath, const ThumbnailOptions& options,
                            const RotationSource& rotation, bool fullDecode, const DecodedPicture& decoded) {
    CDrawDibBmp bitmap;
    try {
        decoder.SetSizeHint(fullDecode ? 0
                                       : std::max(2 * std::max(options.size, options.deviceSize), options.decodeAtLeast));
        // Thumbnails are kept in sRGB, whatever screen they are drawn on.
        decoder.SetColourTarget(SrgbProfile());
        decoder.DecodeFile(photoPath, bitmap, 0, nullptr);
        decoder.SetSizeHint(0);
        if (decoded) decoded(bitmap);
        return ThumbnailFromPicture(bitmap, photoPath, options, rotation);
    } catch (const CTextException&) {
    } catch (const std::bad_alloc&) {
    } catch (const std::exception&) {
    }
    decoder.SetSizeHint(0);
    return nullptr;
}

}  // namespace vellumo
