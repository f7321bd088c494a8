#pragma once
// CAnyBmp: a plain bitmap, rows top-down in one block without padding.
#include "imaging/Bmp.h"

namespace vellumo {

class CAnyBmp : public CBmp {
public:
    CAnyBmp();

    std::size_t GetMemUsed() const override;
    std::size_t GetBytesPerLine() const override;

protected:
    void AllocStorage(int width, int height, int bpp, bool hasAlpha) override;
    void FreeStorage() override;
    void BuildLineArray() override;

private:
    ByteBlock pixelBlock_;
    std::vector<RGBAPixel> paletteStore_;
};

}  // namespace vellumo
