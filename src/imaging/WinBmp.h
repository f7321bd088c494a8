#pragma once
// CWinBmp: a bitmap laid out as a device-independent bitmap: one block with
// the 40-byte header, the palette and the rows, each row padded to a multiple
// of 4 bytes, the bottom row first in memory.
// CDrawDibBmp: the bitmap the viewer and the thumbnail builder draw.
#include "imaging/Bmp.h"

namespace vellumo {

#pragma pack(push, 1)
struct BitmapInfoHeader {
    std::uint32_t size;
    std::int32_t width;
    std::int32_t height;
    std::uint16_t planes;
    std::uint16_t bitCount;
    std::uint32_t compression;
    std::uint32_t sizeImage;
    std::int32_t xPelsPerMeter;
    std::int32_t yPelsPerMeter;
    std::uint32_t clrUsed;
    std::uint32_t clrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BitmapInfoHeader) == 40);

class CWinBmp : public CBmp {
public:
    CWinBmp();

    std::size_t GetMemUsed() const override;
    std::size_t GetBytesPerLine() const override;
    const BitmapInfoHeader& GetBitmapInfo() const;

    // (width x bpp) / 8, one more for a partial 1-bit byte, rounded up to 4.
    static std::size_t DibStride(int width, int bpp);

protected:
    void AllocStorage(int width, int height, int bpp, bool hasAlpha) override;
    void FreeStorage() override;
    void BuildLineArray() override;
    void LocatePalette();

private:
    ByteBlock block_;
    std::size_t paletteBytes_ = 0;
};

class CDrawDibBmp : public CWinBmp {
public:
    CDrawDibBmp() = default;

    // Draws the source rectangle (null: the whole bitmap) scaled into the
    // destination rectangle (null: the source rectangle). Returns 0 when
    // nothing could be drawn (no pixels), else 1.
    int DrawRect(Canvas& canvas, const Rect* destination, const Rect* source,
                 ScaleQuality quality = ScaleQuality::Smooth) const;
};

}  // namespace vellumo
