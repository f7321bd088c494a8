#pragma once
// The canvas over a QPainter. Photos are drawn from a display copy scaled to
// the size they are shown at, so a repaint costs in proportion to the screen
// whatever the photo's size.
#include <QImage>
#include <QPainter>
#include <optional>
#include <vector>

#include "imaging/Bmp.h"
#include "platform/Canvas.h"

namespace vellumo {

class PreparedDisplayCopies;

// Keeps, for the photo on screen, a pyramid of smoothly halved copies and the
// copy scaled to the size it is shown at. Shrinking always starts from the
// smallest level that is still at least as large as the shown size, so a
// zoom step on a 24-megapixel photo costs about as much as the screen.
class DisplayCopyCache {
public:
    // The level to shrink from for a picture shown at width x height: level 0
    // is the picture itself (upright), each next level half as large.
    // *upsideDown tells whether the returned level is stored bottom-up (only
    // level 0 of an upside-down picture is, to spare copying the whole photo).
    const QImage& levelFor(const QImage& source, std::uint64_t key, bool flipped, int width, int height,
                           bool* upsideDown = nullptr);
    // The picture scaled to width x height, made on first use.
    const QImage& scaled(const QImage& source, std::uint64_t key, int width, int height, bool flipped = false);
    // The copy of the picture with this key at width x height, made here or
    // ahead (prepared); nothing when there is none.
    std::optional<QImage> copyOf(std::uint64_t key, int width, int height) const;
    // The picture with this key is left: its copy joins the prepared ones and
    // nothing of it stays here (its pixels may go away).
    void leave(std::uint64_t key);
    void clear();
    // Reserves the memory of the levels for a first level of this many
    // pixels and of the scaled copy. The memory lies on huge pages where the
    // kernel offers them and is kept from photo to photo, so the first touch
    // costs a page fault per 2 MB; nothing is touched before it is drawn into.
    void prepareMemory(size_t pixels);
    // Where display copies made ahead for photos not shown yet wait (none: every copy is made here).
    void setPrepared(PreparedDisplayCopies* prepared) { prepared_ = prepared; }

    // Shown sizes up to this many pixels keep a whole scaled copy; larger ones
    // (zoomed in) draw their visible part straight from a level.
    static constexpr long long kWholeCopyLimit = 2560LL * 1024;

private:
    void reset(const QImage& source, std::uint64_t key, bool flipped);
    // Gives the copy of the picture on hand to the prepared ones.
    void handOverCopy();
    // Level k made on first use; level 0 is the picture itself, upright.
    const QImage& level(size_t k);

    std::uint64_t key_ = 0;
    QImage source_;        // the picture as stored (may be upside down)
    bool flipped_ = false;
    std::vector<QImage> levels_;  // null entries are not made yet
    // The scaled copy's memory, kept from copy to copy: new memory costs a page
    // fault on first touch.
    ByteBlock copyMemory_;
    size_t copyPixels_ = 0;
    // The levels' memory, kept from photo to photo for the same reason, and
    // where each level starts in it (in pixels).
    ByteBlock levelMemory_;
    size_t levelPixels_ = 0;
    std::vector<size_t> levelOffsets_;
    std::uint32_t* levelPixelsAt(size_t offset) { return reinterpret_cast<std::uint32_t*>(levelMemory_.get()) + offset; }
    QImage copy_;
    int copyWidth_ = 0;
    int copyHeight_ = 0;
    PreparedDisplayCopies* prepared_ = nullptr;
};

// A smooth half-size copy (2 x 2 box average) of an RGB32 picture; flipped
// reads the rows bottom-up, so an upside-down picture gives an upright copy.
// recycled: a picture of the result's size whose memory may be written over
// (memory kept from photo to photo), which spares allocating and touching new memory.
QImage HalveImage(const QImage& source, bool flipped = false, QImage recycled = QImage());

class QtCanvas : public Canvas {
public:
    QtCanvas(QPainter& painter, DisplayCopyCache* cache) : painter_(painter), cache_(cache) {}

    void fillRect(const Rect& r, ColorRef colour) override;
    void drawImage(const ImageView& image, const Rect& source, const Rect& destination, ScaleQuality quality) override;
    bool drawPreparedCopy(std::uint64_t key, const Rect& placement, const Rect& visible) override;
    void drawImagePart(const ImageView& image, const Rect& placement, const Rect& source, const Rect& visible,
                       ScaleQuality quality) override;
    void drawText(const std::string& utf8, const Rect& r, const FontSpec& font, ColorRef colour, unsigned flags) override;
    Size measureText(const std::string& utf8, int width, const FontSpec& font, unsigned flags) override;
    void fillHatched(const Rect& r, ColorRef foreground, ColorRef background) override;
    // What measureText gives, without a painter (the screen's font metrics).
    static Size Measure(const std::string& utf8, int width, const FontSpec& font, unsigned flags);
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
