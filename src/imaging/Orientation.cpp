#include "imaging/Orientation.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

#include "imaging/AnyBmp.h"

namespace vellumo {

namespace {

// Where the pixel seen at (ux, uy) lies in the stored picture of w x h.
struct StoredAt {
    int orientation, w, h;
    int x(int ux, int uy) const {
        switch (orientation) {
            case 2: case 3: return w - 1 - ux;
            case 5: case 6: return uy;
            case 7: case 8: return w - 1 - uy;
            default: return ux;
        }
    }
    int y(int ux, int uy) const {
        switch (orientation) {
            case 3: case 4: return h - 1 - uy;
            case 5: case 8: return ux;
            case 6: case 7: return h - 1 - ux;
            default: return uy;
        }
    }
};

// Whole bytes per pixel: rows of the upright picture filled in tiles, so
// that the stored rows a tile reads stay in the cache while it is written.
template <typename Pixel>
void TurnPixels(const CBmp& stored, CBmp& upright, const StoredAt& at) {
    const std::uint8_t* const* in = stored.GetLineArray();
    std::uint8_t* const* out = upright.GetLineArray();
    const int uw = upright.GetWidth(), uh = upright.GetHeight();
    constexpr int kTile = 64;
    for (int y0 = 0; y0 < uh; y0 += kTile) {
        const int y1 = std::min(uh, y0 + kTile);
        for (int x0 = 0; x0 < uw; x0 += kTile) {
            const int x1 = std::min(uw, x0 + kTile);
            for (int uy = y0; uy < y1; ++uy) {
                auto* row = reinterpret_cast<Pixel*>(out[uy]);
                for (int ux = x0; ux < x1; ++ux)
                    row[ux] = reinterpret_cast<const Pixel*>(in[at.y(ux, uy)])[at.x(ux, uy)];
            }
        }
    }
}

}  // namespace

void TurnUpright(const CBmp& stored, CBmp& upright, int orientation) {
    if (orientation < 2 || orientation > 8) {
        upright.CopyFrom(stored);
        return;
    }
    const int w = stored.GetWidth(), h = stored.GetHeight(), bpp = stored.GetBitsPerPixel();
    const bool swap = OrientationSwapsSides(orientation);
    upright.Create(swap ? h : w, swap ? w : h, bpp, stored.HasAlpha(), bpp == 1);
    upright.SetAlphaShown(stored.AlphaShown());
    if (stored.GetPalette()) upright.SetPalette(stored.GetPalette());
    const StoredAt at{orientation, w, h};
    if (bpp == 32) {
        TurnPixels<std::uint32_t>(stored, upright, at);
    } else if (bpp == 8) {
        TurnPixels<std::uint8_t>(stored, upright, at);
    } else {
        for (int uy = 0; uy < upright.GetHeight(); ++uy)
            for (int ux = 0; ux < upright.GetWidth(); ++ux)
                upright.SetPixel(ux, uy, stored.GetPixel(at.x(ux, uy), at.y(ux, uy)));
    }
}

void TurnUprightInPlace(CBmp& bitmap, int orientation) {
    if (orientation < 2 || orientation > 8) return;
    if (OrientationSwapsSides(orientation) || bitmap.GetBitsPerPixel() == 1) {
        CAnyBmp stored;
        stored.CopyFrom(bitmap);
        TurnUpright(stored, bitmap, orientation);
        return;
    }
    const int w = bitmap.GetWidth(), h = bitmap.GetHeight();
    const std::size_t bytes = static_cast<std::size_t>(bitmap.GetBitsPerPixel() / 8);
    std::uint8_t* const* lines = bitmap.GetLineArray();
    if (orientation == 3 || orientation == 4) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * bytes);
        for (int y = 0; y < h / 2; ++y) {
            std::memcpy(row.data(), lines[y], row.size());
            std::memcpy(lines[y], lines[h - 1 - y], row.size());
            std::memcpy(lines[h - 1 - y], row.data(), row.size());
        }
    }
    if (orientation == 2 || orientation == 3) {
        for (int y = 0; y < h; ++y) {
            if (bytes == 4) {
                auto* p = reinterpret_cast<std::uint32_t*>(lines[y]);
                std::reverse(p, p + w);
            } else {
                std::reverse(lines[y], lines[y] + w);
            }
        }
    }
}

Size UprightPreviewSink::PreviewSizeFor(int width, int height, bool progressive) {
    const bool swap = OrientationSwapsSides(orientation_);
    const Size wanted = swap ? upright_.PreviewSizeFor(height, width, progressive)
                             : upright_.PreviewSizeFor(width, height, progressive);
    return swap ? Size{wanted.cy, wanted.cx} : wanted;
}

void UprightPreviewSink::ShowPreview(const CBmp& coarse) {
    CAnyBmp turned;
    try {
        TurnUpright(coarse, turned, orientation_);
    } catch (const std::bad_alloc&) {
        return;  // a first picture is only a courtesy
    }
    upright_.ShowPreview(turned);
}

}  // namespace vellumo
