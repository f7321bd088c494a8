#include "imaging/WinBmp.h"

#include <cstring>

namespace vellumo {

CWinBmp::CWinBmp() { Create(16, 16, 8, false); }

std::size_t CWinBmp::DibStride(int width, int bpp) {
    return (UnpaddedBytesPerLine(width, bpp) + 3) & ~std::size_t{3};
}

std::size_t CWinBmp::GetBytesPerLine() const { return DibStride(width_, bpp_); }

std::size_t CWinBmp::GetMemUsed() const {
    return GetBytesPerLine() * static_cast<std::size_t>(height_) + sizeof(BitmapInfoHeader) + paletteBytes_ +
           sizeof(*this);
}

const BitmapInfoHeader& CWinBmp::GetBitmapInfo() const {
    return *reinterpret_cast<const BitmapInfoHeader*>(block_.get());
}

void CWinBmp::AllocStorage(int width, int height, int bpp, bool hasAlpha) {
    paletteBytes_ = bpp <= 8 ? sizeof(RGBAPixel) << bpp : 0;
    const std::size_t pixelBytes = DibStride(width, bpp) * static_cast<std::size_t>(height);
    block_ = AllocateBlock(sizeof(BitmapInfoHeader) + paletteBytes_ + pixelBytes, zeroFill_);
    BitmapInfoHeader header{};
    header.size = sizeof(BitmapInfoHeader);
    header.width = width;
    header.height = height;
    header.planes = 1;
    header.bitCount = static_cast<std::uint16_t>(bpp);
    std::memcpy(block_.get(), &header, sizeof header);
    width_ = width;
    height_ = height;
    bpp_ = static_cast<std::uint16_t>(bpp);
    hasAlpha_ = hasAlpha;
    LocatePalette();
    BuildLineArray();
    SetDefaultPalette();
}

void CWinBmp::LocatePalette() {
    std::uint8_t* afterHeader = block_.get() + sizeof(BitmapInfoHeader);
    palette_ = paletteBytes_ ? reinterpret_cast<RGBAPixel*>(afterHeader) : nullptr;
    pixels_ = afterHeader + paletteBytes_;
}

void CWinBmp::FreeStorage() {
    block_.reset();
    paletteBytes_ = 0;
}

void CWinBmp::BuildLineArray() {
    lines_.resize(static_cast<std::size_t>(height_));
    const std::size_t stride = GetBytesPerLine();
    for (int i = 0; i < height_; ++i) lines_[i] = pixels_ + static_cast<std::size_t>(height_ - 1 - i) * stride;
}

int CDrawDibBmp::DrawRect(Canvas& canvas, const Rect* destination, const Rect* source, ScaleQuality quality) const {
    if (width_ <= 0 || height_ <= 0 || lines_.empty()) return 0;
    const Rect src = source ? *source : Rect{0, 0, width_, height_};
    const Rect dst = destination ? *destination : src;
    canvas.drawImage(GetImageView(), src, dst, quality);
    return 1;
}

}  // namespace vellumo
