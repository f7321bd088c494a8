#pragma once
// CBmp: the in-memory bitmap of a photo or thumbnail. 1, 8 or 32 bits per
// pixel; 32-bit pixels are blue, green, red, alpha bytes; 1- and 8-bit
// bitmaps carry a palette of 2^bpp entries. Row 0 of the line array is the
// top row of the picture, whatever order the rows have in memory.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "imaging/Pixel.h"
#include "platform/Canvas.h"
#include "platform/Geometry.h"
#include "platform/PagePopulation.h"

namespace vellumo {

// A heap block for pixels or file data. Large blocks lie on transparent huge
// pages where the kernel offers them, so touching fresh memory costs a page
// fault per 2 MB rather than per 4 KB, and their mappings are recycled from
// picture to picture with the pages given back in between (BlockPool.cpp).
struct BlockDeleter {
    std::size_t capacity = 0;
    void operator()(std::uint8_t* p) const;
};
using ByteBlock = std::unique_ptr<std::uint8_t[], BlockDeleter>;
// At least bytes bytes, zero-filled when zero is true. Throws std::bad_alloc
// when the memory is not there.
ByteBlock AllocateBlock(std::size_t bytes, bool zero);
inline ByteBlock AllocateZeroed(std::size_t bytes) { return AllocateBlock(bytes, true); }

class CBmp {
public:
    virtual ~CBmp() = default;
    CBmp(const CBmp&) = delete;
    CBmp& operator=(const CBmp&) = delete;

    // Replaces the bitmap by a new one of the given size. bpp is 1, 8 or 32;
    // 1- and 8-bit bitmaps get the gray ramp palette. The pixels start at 0
    // unless zeroFill is false (for callers that write every row at once).
    // Throws std::bad_alloc when memory runs out, std::invalid_argument for a
    // negative size or another depth.
    void Create(int width, int height, int bpp, bool hasAlpha, bool zeroFill = true);

    virtual std::size_t GetMemUsed() const = 0;
    // Bytes from one row to the next in memory.
    virtual std::size_t GetBytesPerLine() const = 0;

    int GetWidth() const { return width_; }
    int GetHeight() const { return height_; }
    Size GetSize() const { return {width_, height_}; }
    int GetBitsPerPixel() const { return bpp_; }
    bool HasAlpha() const { return hasAlpha_; }
    void SetHasAlpha(bool alpha) { hasAlpha_ = alpha; }
    // The alpha is part of the picture as it is meant to be seen (PNG, WebP,
    // HEIF and AVIF photos, BMPs with an alpha mask): the picture is shown
    // over the background colour (ShowOverBackground) before anything else
    // uses it. Formats whose fourth byte only comes along (TGA, TIFF, older
    // BMPs) leave it false and draw as they always did. Create clears it.
    bool AlphaShown() const { return alphaShown_; }
    void SetAlphaShown(bool shown) { alphaShown_ = shown; }

    // Row pointers, row 0 at the top. The writable form counts as a change of
    // the pixels (the cache key moves on).
    std::uint8_t* const* GetLineArray();
    const std::uint8_t* const* GetLineArray() const { return lines_.data(); }

    // The 2^bpp palette entries, or null for 32-bit bitmaps.
    RGBAPixel* GetPalette();
    const RGBAPixel* GetPalette() const { return palette_; }
    int GetPaletteSize() const { return palette_ ? (1 << bpp_) : 0; }
    // Copies 2^bpp entries.
    void SetPalette(const RGBAPixel* entries);

    // 32 bpp: the pixel; 8 bpp: the index; 1 bpp: the bit. No range check
    // beyond the bitmap's own size (outside coordinates read 0 and write nothing).
    RGBAPixel GetPixel(int x, int y) const;
    void SetPixel(int x, int y, RGBAPixel value);
    // The value to store for a colour (pixel layout): the colour itself for
    // 32 bpp, the nearest palette index otherwise.
    RGBAPixel FindNearestColor(RGBAPixel colour) const;

    // Makes this bitmap a copy of source, converted to bpp (0 keeps its depth).
    void CopyFrom(const CBmp& source, int bpp = 0);

    // Changes whenever the pixels or the palette may have changed.
    std::uint64_t GetCacheKey() const { return cacheKey_; }
    void MarkChanged();
    // A view for the canvas: row 0 at the top, stride possibly negative.
    ImageView GetImageView() const;

    // Bytes a row of this width and depth takes without padding (a partial
    // byte of a 1-bit row counts, and one byte more, as the DIB rule has it).
    static std::size_t UnpaddedBytesPerLine(int width, int bpp);

protected:
    CBmp() = default;

    virtual void AllocStorage(int width, int height, int bpp, bool hasAlpha) = 0;
    virtual void FreeStorage() = 0;
    virtual void BuildLineArray() = 0;

    void SetDefaultPalette();

    int width_ = 0;
    int height_ = 0;
    std::uint16_t bpp_ = 0;
    RGBAPixel* palette_ = nullptr;
    std::uint8_t* pixels_ = nullptr;
    bool hasAlpha_ = false;
    bool alphaShown_ = false;
    std::vector<std::uint8_t*> lines_;
    std::uint64_t cacheKey_ = 0;
    bool zeroFill_ = true;  // for AllocStorage: whether the pixels must start at 0
};

}  // namespace vellumo
