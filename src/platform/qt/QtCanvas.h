#pragma once
// The canvas over a QPainter. Photos are drawn from a display copy scaled to
// the size they are shown at, so a repaint costs in proportion to the screen
// whatever the photo's size.
#include <QImage>
#include <QPainter>

#include "platform/Canvas.h"

namespace vellumo {

// Keeps the last smoothly scaled copy of a photo between paints.
class DisplayCopyCache {
public:
    // The image scaled to the full size (width x height), made on first use.
    // flipped: the source is stored upside down; the copy is made upright.
    const QImage& scaled(const QImage& source, std::uint64_t key, int width, int height, bool flipped = false);
    void clear() { image_ = QImage(); key_ = 0; }

private:
    QImage image_;
    std::uint64_t key_ = 0;
    int width_ = 0;
    int height_ = 0;
};

class QtCanvas : public Canvas {
public:
    QtCanvas(QPainter& painter, DisplayCopyCache* cache) : painter_(painter), cache_(cache) {}

    void fillRect(const Rect& r, ColorRef colour) override;
    void drawImage(const ImageView& image, const Rect& source, const Rect& destination, ScaleQuality quality) override;
    void drawImagePart(const ImageView& image, const Rect& placement, const Rect& source, const Rect& visible,
                       ScaleQuality quality) override;
    void drawText(const std::string& utf8, const Rect& r, const FontSpec& font, ColorRef colour, unsigned flags) override;
    Size measureText(const std::string& utf8, int width, const FontSpec& font, unsigned flags) override;
    void setClip(const Rect& r) override;

    // A QImage sharing the view's pixels (no copy); palettes are expanded into
    // a colour table. Bitmaps whose rows run bottom-up in memory (negative
    // stride) are wrapped in memory order and reported as flipped.
    static QImage Wrap(const ImageView& image, bool* flipped = nullptr);

private:
    QPainter& painter_;
    DisplayCopyCache* cache_;
};

QColor ToQColor(ColorRef c);
QFont ToQFont(const FontSpec& font);

}  // namespace vellumo
