#include "imaging/AlphaMatte.h"

namespace vellumo {

bool ShowOverBackground(CBmp& bitmap, ColorRef background) {
    if (!bitmap.AlphaShown() || bitmap.GetBitsPerPixel() != 32) return false;
    const int under[3] = {BlueOf(background), GreenOf(background), RedOf(background)};
    const int w = bitmap.GetWidth(), h = bitmap.GetHeight();
    std::uint8_t* const* lines = bitmap.GetLineArray();
    for (int y = 0; y < h; ++y) {
        std::uint8_t* p = lines[y];
        for (int x = 0; x < w; ++x, p += 4) {
            const int a = p[3];
            if (a != 255) {
                for (int c = 0; c < 3; ++c) {
                    // Rounded (v * a + u * (255 - a)) / 255.
                    const int v = p[c] * a + under[c] * (255 - a) + 128;
                    p[c] = static_cast<std::uint8_t>((v + (v >> 8)) >> 8);
                }
                p[3] = 255;
            }
        }
    }
    bitmap.SetHasAlpha(false);
    bitmap.SetAlphaShown(false);
    return true;
}

}  // namespace vellumo
