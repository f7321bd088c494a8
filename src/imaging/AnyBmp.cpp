#include "imaging/AnyBmp.h"

namespace vellumo {

CAnyBmp::CAnyBmp() { Create(16, 16, 8, false); }

std::size_t CAnyBmp::GetBytesPerLine() const { return UnpaddedBytesPerLine(width_, bpp_); }

std::size_t CAnyBmp::GetMemUsed() const {
    return GetBytesPerLine() * static_cast<std::size_t>(height_) + paletteStore_.size() * sizeof(RGBAPixel) + 32 + 32;
}

void CAnyBmp::AllocStorage(int width, int height, int bpp, bool hasAlpha) {
    pixelBlock_ = AllocateBlock(UnpaddedBytesPerLine(width, bpp) * static_cast<std::size_t>(height), zeroFill_);
    paletteStore_.assign(bpp <= 8 ? std::size_t{1} << bpp : 0, 0);
    width_ = width;
    height_ = height;
    bpp_ = static_cast<std::uint16_t>(bpp);
    hasAlpha_ = hasAlpha;
    pixels_ = pixelBlock_.get();
    palette_ = paletteStore_.empty() ? nullptr : paletteStore_.data();
    BuildLineArray();
    SetDefaultPalette();
}

void CAnyBmp::FreeStorage() {
    pixelBlock_.reset();
    paletteStore_.clear();
}

void CAnyBmp::BuildLineArray() {
    lines_.resize(static_cast<std::size_t>(height_));
    const std::size_t stride = GetBytesPerLine();
    for (int i = 0; i < height_; ++i) lines_[i] = pixels_ + static_cast<std::size_t>(i) * stride;
}

}  // namespace vellumo
