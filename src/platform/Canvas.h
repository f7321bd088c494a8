#pragma once
// The drawing surface the logic paints on: the Qt layer implements it over a
// QPainter, tests over a recording fake.
#include <cstdint>
#include <string>

#include "platform/Geometry.h"

namespace vellumo {

// A read-only view of bitmap pixels. Row 0 is the top row of the picture.
// bitsPerPixel is 1 or 8 (palette indices) or 32 (blue, green, red, alpha bytes).
struct ImageView {
    const std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;       // bytes from one row to the next
    int bitsPerPixel = 32;
    const std::uint32_t* palette = nullptr;  // entries 0x00RRGGBB-style as blue, green, red, reserved bytes
    int paletteSize = 0;
    // Identifies the pixel content: equal keys mean equal pixels, so an
    // implementation may keep converted or scaled copies between paints.
    std::uint64_t cacheKey = 0;
};

// A logical font as the settings describe it.
struct FontSpec {
    std::string face = "Arial";
    int height = 24;     // pixels
    int weight = 400;    // 700 is bold
    bool italic = false;
    bool underline = false;
    int charSet = 0;     // Windows character-set code, kept for the comment font's script
    // The height is the font's cell height (ascent plus descent, as the comment
    // font gives it) rather than its em size.
    bool cellHeight = false;
};

enum TextFlags : unsigned {
    TextLeft = 0x0,
    TextCenter = 0x1,
    TextRight = 0x2,
    TextWordBreak = 0x10,
    TextNoClip = 0x100,
};

enum class ScaleQuality {
    Nearest,  // crisp pixels, for magnification
    Smooth,   // area or bilinear filtering, for shrinking
};

class Canvas {
public:
    virtual ~Canvas() = default;

    virtual void fillRect(const Rect& r, ColorRef colour) = 0;
    // Draws the source rectangle of the image scaled into the destination rectangle.
    virtual void drawImage(const ImageView& image, const Rect& source, const Rect& destination,
                           ScaleQuality quality) = 0;
    // Draws the part of a picture that lands in `visible` when the whole image is
    // scaled into `placement`; `source` is that part in image pixels as rounded
    // for drawImage. An implementation may keep a copy of the image scaled to the
    // placement's size (keyed by the image's cacheKey and that size) and copy the
    // visible part of it, so the cost follows the screen rather than the photo.
    // (A placement far larger than the screen, zoomed in deep, is better drawn
    // from the source directly.) The default draws the source rectangle into
    // the visible one.
    virtual void drawImagePart(const ImageView& image, const Rect& placement, const Rect& source,
                               const Rect& visible, ScaleQuality quality) {
        (void)placement;
        drawImage(image, source, visible, quality);
    }
    // Draws the part that lands in `visible` of the display copy made ahead
    // (DisplayPreparer) for the picture with this cache key at the
    // placement's size: the pixels drawImagePart would draw for that picture.
    // False, with nothing drawn, when there is no such copy.
    virtual bool drawPreparedCopy(std::uint64_t key, const Rect& placement, const Rect& visible) {
        (void)key;
        (void)placement;
        (void)visible;
        return false;
    }
    virtual void drawText(const std::string& utf8, const Rect& r, const FontSpec& font, ColorRef colour,
                          unsigned flags) = 0;
    // The size the text takes when drawn into a box of the given width with the flags.
    virtual Size measureText(const std::string& utf8, int width, const FontSpec& font, unsigned flags) = 0;
    // Fills the rectangle with diagonal lines of the foreground colour on the
    // background colour (the comment tracker's border). The default fills
    // with the background colour only.
    virtual void fillHatched(const Rect& r, ColorRef foreground, ColorRef background) {
        (void)foreground;
        fillRect(r, background);
    }
    // Limits later drawing to the rectangle (an empty rectangle lifts the limit).
    virtual void setClip(const Rect& r) = 0;
};

}  // namespace vellumo
