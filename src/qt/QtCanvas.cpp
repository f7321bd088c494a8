#include "qt/QtCanvas.h"

#include "qt/DevicePixels.h"
#include "qt/PreparedDisplayCopies.h"

#include <QCoreApplication>
#include <QFontMetrics>
#include <QThread>

#include <cmath>
#include <thread>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace vellumo {

QColor ToQColor(ColorRef c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

namespace {
QFont MakeQFont(const FontSpec& font) {
    QFont f(QString::fromStdString(font.face));
    f.setPixelSize(font.height > 0 ? font.height : 1);
    f.setWeight(font.weight >= 700 ? QFont::Bold : QFont::Normal);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    if (font.cellHeight && font.height > 0) {
        // The em size whose ascent plus descent is the wanted cell height.
        int cell = QFontMetrics(f).height();
        if (cell > 0) f.setPixelSize(std::max(1, static_cast<int>(std::lround(double(font.height) * font.height / cell))));
    }
    return f;
}
}  // namespace

QFont ToQFont(const FontSpec& font) {
    // The same font is asked for on every paint and measure: the last one made
    // on the user-interface thread is kept (never destroyed, so it does not
    // outlive the font database in a destructor at exit).
    if (!QCoreApplication::instance() || QThread::currentThread() != QCoreApplication::instance()->thread())
        return MakeQFont(font);
    static FontSpec* lastSpec = nullptr;
    static QFont* lastFont = nullptr;
    if (!lastSpec) {
        lastSpec = new FontSpec(font);
        lastFont = new QFont(MakeQFont(font));
    } else if (font.face != lastSpec->face || font.height != lastSpec->height || font.weight != lastSpec->weight ||
               font.italic != lastSpec->italic || font.underline != lastSpec->underline ||
               font.cellHeight != lastSpec->cellHeight) {
        *lastFont = MakeQFont(font);
        *lastSpec = font;
    }
    return *lastFont;
}

namespace {
QRect ToQRect(const Rect& r) { return QRect(r.left, r.top, r.width(), r.height()); }

int AlignmentOf(unsigned flags) {
    int a = Qt::AlignTop;
    if (flags & TextCenter) a |= Qt::AlignHCenter;
    else if (flags & TextRight) a |= Qt::AlignRight;
    else a |= Qt::AlignLeft;
    if (flags & TextWordBreak) a |= Qt::TextWordWrap;
    return a;
}

// Qt breaks lines only at LF; texts read from files end their lines with
// CR LF, LF or a lone CR, and every one of them is a line break.
QString DrawnText(const std::string& utf8) {
    QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    if (!text.contains(QLatin1Char('\r'))) return text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}
}  // namespace

QImage QtCanvas::Wrap(const ImageView& v, bool* flipped) {
    if (flipped) *flipped = false;
    if (!v.bits || v.width <= 0 || v.height <= 0 || v.stride == 0) return QImage();
    const std::uint8_t* first = v.bits;
    auto stride = static_cast<qsizetype>(v.stride);
    if (stride < 0) {
        first = v.bits + static_cast<std::ptrdiff_t>(v.height - 1) * v.stride;
        stride = -stride;
        if (flipped) *flipped = true;
    }
    if (v.bitsPerPixel == 32) return QImage(first, v.width, v.height, stride, QImage::Format_RGB32);
    QImage::Format format = v.bitsPerPixel == 1 ? QImage::Format_Mono : QImage::Format_Indexed8;
    QImage img(first, v.width, v.height, stride, format);
    int entries = v.bitsPerPixel == 1 ? 2 : 256;
    QList<QRgb> table(entries);
    for (int i = 0; i < entries; ++i) {
        if (v.palette && i < v.paletteSize) {
            table[i] = 0xFF000000u | (v.palette[i] & 0x00FFFFFFu);
        } else if (v.bitsPerPixel == 8) {
            table[i] = qRgb(i, i, i);
        } else {
            table[i] = i ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
        }
    }
    img.setColorTable(table);
    return img;
}

namespace {

// One output pixel: the rounded mean of four.
inline std::uint32_t Mean4(std::uint32_t p0, std::uint32_t p1, std::uint32_t p2, std::uint32_t p3) {
    // Two 8-bit lanes at a time: red and blue, then green.
    std::uint32_t rb = (((p0 & 0x00FF00FF) + (p1 & 0x00FF00FF) + (p2 & 0x00FF00FF) + (p3 & 0x00FF00FF) + 0x00020002) >> 2) &
                       0x00FF00FF;
    std::uint32_t g = (((p0 & 0x0000FF00) + (p1 & 0x0000FF00) + (p2 & 0x0000FF00) + (p3 & 0x0000FF00) + 0x00000200) >> 2) &
                      0x0000FF00;
    return 0xFF000000u | rb | g;
}

void HalveRows(const QImage& source, bool flipped, QImage& out, int firstRow, int endRow) {
    const int w = out.width();
    const int sx = source.width() > 1 ? 2 : 1;
    const int sy = source.height() > 1 ? 2 : 1;
    for (int y = firstRow; y < endRow; ++y) {
        int ya = y * sy, yb = y * sy + sy - 1;
        if (flipped) {
            ya = source.height() - 1 - ya;
            yb = source.height() - 1 - yb;
        }
        const auto* a = reinterpret_cast<const std::uint32_t*>(source.constScanLine(ya));
        const auto* b = reinterpret_cast<const std::uint32_t*>(source.constScanLine(yb));
        auto* o = reinterpret_cast<std::uint32_t*>(out.scanLine(y));
        int x = 0;
#if defined(__SSE2__)
        if (sx == 2) {
            // Four output pixels per step: average the two rows, then the
            // even and odd pixels of the result (each average rounds up, so
            // a value may come out one above the exact mean).
            const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
            for (; x + 4 <= w; x += 4) {
                __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 2 * x));
                __m128i a1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 2 * x + 4));
                __m128i b0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 2 * x));
                __m128i b1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 2 * x + 4));
                __m128 v0 = _mm_castsi128_ps(_mm_avg_epu8(a0, b0));
                __m128 v1 = _mm_castsi128_ps(_mm_avg_epu8(a1, b1));
                __m128i even = _mm_castps_si128(_mm_shuffle_ps(v0, v1, _MM_SHUFFLE(2, 0, 2, 0)));
                __m128i odd = _mm_castps_si128(_mm_shuffle_ps(v0, v1, _MM_SHUFFLE(3, 1, 3, 1)));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(o + x), _mm_or_si128(_mm_avg_epu8(even, odd), alpha));
            }
        }
#endif
        for (; x < w; ++x) o[x] = Mean4(a[x * sx], a[x * sx + sx - 1], b[x * sx], b[x * sx + sx - 1]);
    }
}

}  // namespace

QImage HalveImage(const QImage& source, bool flipped, QImage recycled) {
    int w = std::max(1, source.width() / 2);
    int h = std::max(1, source.height() / 2);
    QImage out = recycled.size() == QSize(w, h) && recycled.format() == QImage::Format_RGB32
                     ? std::move(recycled)
                     : QImage(w, h, QImage::Format_RGB32);
    if (static_cast<long long>(w) * h < 512 * 1024) {
        HalveRows(source, flipped, out, 0, h);
        return out;
    }
    // Large pictures: the lower half of the rows on a second thread.
    std::thread helper(HalveRows, std::cref(source), flipped, std::ref(out), h / 2, h);
    HalveRows(source, flipped, out, 0, h / 2);
    helper.join();
    return out;
}

void DisplayCopyCache::prepareMemory(size_t pixels) {
    const size_t levels = pixels + pixels / 3 + 16;  // level 1 and all below it
    if (levelPixels_ < levels) {
        clear();  // no level may point into the memory given up
        levelMemory_ = AllocateBlock(levels * 4, false);
        levelPixels_ = levels;
    }
    const auto copyPixels = static_cast<size_t>(kWholeCopyLimit);
    if (copyPixels_ < copyPixels) {
        copy_ = QImage();
        copyMemory_ = AllocateBlock(copyPixels * 4, false);
        copyPixels_ = copyPixels;
    }
}

void DisplayCopyCache::clear() {
    key_ = 0;
    source_ = QImage();
    flipped_ = false;
    levels_.clear();
    copy_ = QImage();
    copyWidth_ = copyHeight_ = 0;
}

void DisplayCopyCache::handOverCopy() {
    // The copy of the photo left waits among the prepared ones: a step back
    // to it (kept by the prefetcher) finds it. Its memory goes with it rather
    // than being copied.
    if (!prepared_ || key_ == 0 || copy_.isNull()) return;
    QImage left = copy_;
    if (copyMemory_ && copy_.constBits() == reinterpret_cast<const uchar*>(copyMemory_.get())) {
        auto* memory = new ByteBlock(std::move(copyMemory_));
        copyPixels_ = 0;
        left = QImage((*memory).get(), copy_.width(), copy_.height(), copy_.bytesPerLine(), copy_.format(),
                      [](void* m) { delete static_cast<ByteBlock*>(m); }, memory);
    }
    copy_ = QImage();
    prepared_->keep(key_, std::move(left));
}

void DisplayCopyCache::leave(std::uint64_t key) {
    if (key == 0 || key != key_) return;
    handOverCopy();
    clear();
}

std::optional<QImage> DisplayCopyCache::copyOf(std::uint64_t key, int width, int height) const {
    if (key == 0) return std::nullopt;
    if (key == key_ && !copy_.isNull() && copyWidth_ == width && copyHeight_ == height) return copy_;
    return prepared_ ? prepared_->peek(key, width, height) : std::nullopt;
}

void DisplayCopyCache::reset(const QImage& source, std::uint64_t key, bool flipped) {
    if (key != key_) handOverCopy();
    clear();
    key_ = key;
    source_ = source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
    flipped_ = flipped;
    levels_.resize(1);
    // Every level below the picture lives in levelMemory_, one after the
    // other; it grows (before any level is made in it) only for a larger photo.
    levelOffsets_.assign(1, 0);
    size_t total = 0;
    for (int w = source_.width(), h = source_.height(); w >= 2 && h >= 2;) {
        w /= 2;
        h /= 2;
        levelOffsets_.push_back(total);
        total += static_cast<size_t>(w) * static_cast<size_t>(h);
    }
    if (levelPixels_ < total) {
        levelMemory_ = AllocateBlock(std::max<size_t>(total, 1) * 4, false);
        levelPixels_ = total;
    }
}

const QImage& DisplayCopyCache::level(size_t k) {
    if (k >= levels_.size()) levels_.resize(k + 1);
    if (levels_[k].isNull()) {
        if (k == 0) {
            levels_[0] = source_;  // stored as it is, possibly upside down
        } else {
            const QImage& above = level(k - 1);
            int w = std::max(1, above.width() / 2), h = std::max(1, above.height() / 2);
            QImage into(reinterpret_cast<uchar*>(levelPixelsAt(levelOffsets_[k])), w, h, w * 4,
                        QImage::Format_RGB32);
            levels_[k] = HalveImage(above, k == 1 && flipped_, std::move(into));
        }
    }
    return levels_[k];
}

const QImage& DisplayCopyCache::levelFor(const QImage& source, std::uint64_t key, bool flipped, int width,
                                         int height, bool* upsideDown) {
    if (key == 0 || key != key_ || levels_.empty()) reset(source, key, flipped);
    // The smallest level still at least as large as the shown size.
    size_t k = 0;
    int w = source_.width(), h = source_.height();
    while (w / 2 >= width && h / 2 >= height && w >= 2 && h >= 2) {
        w /= 2;
        h /= 2;
        ++k;
    }
    if (upsideDown) *upsideDown = k == 0 && flipped_;
    return level(k);
}

const QImage& DisplayCopyCache::scaled(const QImage& source, std::uint64_t key, int width, int height, bool flipped) {
    if (key == 0 || key != key_ || levels_.empty()) {
        reset(source, key, flipped);
        // A photo decoded ahead may come with its copy at this size made already.
        if (std::optional<QImage> made = prepared_ ? prepared_->take(key, width, height) : std::nullopt) {
            copy_ = std::move(*made);
            copyWidth_ = width;
            copyHeight_ = height;
        }
    }
    if (copy_.isNull() || width != copyWidth_ || height != copyHeight_) {
        bool upsideDown = false;
        const QImage& from = levelFor(source, key, flipped, width, height, &upsideDown);
        // At most a halving is left: bilinear filtering of the level is smooth enough.
        size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
        if (copyPixels_ < pixels) {
            copy_ = QImage();
            copyMemory_ = AllocateBlock(pixels * 4, false);
            copyPixels_ = pixels;
        }
        copy_ = QImage(copyMemory_.get(), width, height, width * 4, QImage::Format_RGB32);
        QPainter painter(&copy_);
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        if (upsideDown) {
            painter.translate(0, height);
            painter.scale(1, -1);
        }
        painter.drawImage(QRectF(0, 0, width, height), from, QRectF(0, 0, from.width(), from.height()));
        painter.end();
        copyWidth_ = width;
        copyHeight_ = height;
    }
    return copy_;
}

void QtCanvas::fillRect(const Rect& r, ColorRef colour) { painter_.fillRect(ToQRect(r), ToQColor(colour)); }

void QtCanvas::drawImage(const ImageView& image, const Rect& source, const Rect& destination, ScaleQuality quality) {
    if (source.isEmpty() || destination.isEmpty()) return;
    bool flipped = false;
    QImage img = Wrap(image, &flipped);
    if (img.isNull()) return;
    bool shrinking = destination.width() < source.width() || destination.height() < source.height();
    if (quality == ScaleQuality::Smooth && shrinking && cache_) {
        // The whole picture at the shown scale; the destination is a part of it.
        double sx = static_cast<double>(destination.width()) / source.width();
        double sy = static_cast<double>(destination.height()) / source.height();
        int fullW = std::max(1, static_cast<int>(std::lround(image.width * sx)));
        int fullH = std::max(1, static_cast<int>(std::lround(image.height * sy)));
        const QImage& copy = cache_->scaled(img, image.cacheKey, fullW, fullH, flipped);
        QRect part(static_cast<int>(std::lround(source.left * sx)), static_cast<int>(std::lround(source.top * sy)),
                   destination.width(), destination.height());
        painter_.drawImage(QPoint(destination.left, destination.top), copy, part);
        return;
    }
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, quality == ScaleQuality::Smooth);
    if (!flipped) {
        painter_.drawImage(ToQRect(destination), img, ToQRect(source));
        return;
    }
    // Rows stored bottom-up: draw the mirrored source rectangle through a flip.
    QRect mirroredSource(source.left, image.height - source.bottom, source.width(), source.height());
    painter_.save();
    painter_.translate(0, destination.top + destination.bottom);
    painter_.scale(1, -1);
    painter_.drawImage(ToQRect(destination), img, mirroredSource);
    painter_.restore();
}

bool QtCanvas::drawPreparedCopy(std::uint64_t key, const Rect& placement, const Rect& visible) {
    if (!cache_ || visible.isEmpty() || placement.isEmpty()) return false;
    const std::optional<QImage> copy = cache_->copyOf(key, placement.width(), placement.height());
    if (!copy) return false;
    // As drawImagePart copies the visible part of a whole display copy.
    QRect part(visible.left - placement.left, visible.top - placement.top, visible.width(), visible.height());
    painter_.drawImage(QPoint(visible.left, visible.top), *copy, part);
    return true;
}

void QtCanvas::drawImagePart(const ImageView& image, const Rect& placement, const Rect& source, const Rect& visible,
                             ScaleQuality quality) {
    if (visible.isEmpty() || placement.isEmpty()) return;
    bool shrinking = placement.width() < image.width || placement.height() < image.height;
    if (!(quality == ScaleQuality::Smooth && shrinking && cache_)) {
        drawImage(image, source, visible, quality);
        return;
    }
    bool flipped = false;
    QImage img = Wrap(image, &flipped);
    if (img.isNull()) return;
    long long shownPixels = static_cast<long long>(placement.width()) * placement.height();
    if (shownPixels <= DisplayCopyCache::kWholeCopyLimit) {
        // The display copy is the whole photo at the size it is shown; each
        // paint copies the visible part of it.
        const QImage& copy = cache_->scaled(img, image.cacheKey, placement.width(), placement.height(), flipped);
        QRect part(visible.left - placement.left, visible.top - placement.top, visible.width(), visible.height());
        painter_.drawImage(QPoint(visible.left, visible.top), copy, part);
        return;
    }
    // Zoomed in far: the visible part, filtered from the level just above the shown size.
    bool upsideDown = false;
    const QImage& level =
        cache_->levelFor(img, image.cacheKey, flipped, placement.width(), placement.height(), &upsideDown);
    double fx = static_cast<double>(level.width()) / placement.width();
    double fy = static_cast<double>(level.height()) / placement.height();
    QRectF from((visible.left - placement.left) * fx, (visible.top - placement.top) * fy, visible.width() * fx,
                visible.height() * fy);
    QRectF to(visible.left, visible.top, visible.width(), visible.height());
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
    if (!upsideDown) {
        painter_.drawImage(to, level, from);
        return;
    }
    from.moveTop(level.height() - from.bottom());
    painter_.save();
    painter_.translate(0, to.top() + to.bottom());
    painter_.scale(1, -1);
    painter_.drawImage(to, level, from);
    painter_.restore();
}

namespace {
// The font's height is in logical pixels, as in other programs; the canvas
// draws in device pixels.
FontSpec OnScreen(const FontSpec& font) {
    FontSpec f = font;
    f.height = ToDeviceLength(font.height);
    return f;
}
}  // namespace

void QtCanvas::drawText(const std::string& utf8, const Rect& r, const FontSpec& font, ColorRef colour, unsigned flags) {
    painter_.setFont(ToQFont(OnScreen(font)));
    painter_.setPen(ToQColor(colour));
    int align = AlignmentOf(flags);
    if (flags & TextNoClip) align |= Qt::TextDontClip;
    painter_.drawText(ToQRect(r), align, DrawnText(utf8));
}

Size QtCanvas::measureText(const std::string& utf8, int width, const FontSpec& font, unsigned flags) {
    return Measure(utf8, width, font, flags);
}

void QtCanvas::fillHatched(const Rect& r, ColorRef foreground, ColorRef background) {
    if (r.isEmpty()) return;
    painter_.fillRect(ToQRect(r), ToQColor(background));
    painter_.fillRect(ToQRect(r), QBrush(ToQColor(foreground), Qt::BDiagPattern));
}

Size QtCanvas::Measure(const std::string& utf8, int width, const FontSpec& font, unsigned flags) {
    QFontMetrics metrics(ToQFont(OnScreen(font)));
    QRect box = metrics.boundingRect(QRect(0, 0, width > 0 ? width : 100000, 100000), AlignmentOf(flags),
                                     DrawnText(utf8));
    return {box.width(), box.height()};
}

void QtCanvas::setClip(const Rect& r) {
    if (r.isEmpty()) painter_.setClipping(false);
    else painter_.setClipRect(ToQRect(r));
}

}  // namespace vellumo
