#include "platform/qt/QtCanvas.h"

#include <QFontMetrics>

#include <cmath>

namespace vellumo {

QColor ToQColor(ColorRef c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

QFont ToQFont(const FontSpec& font) {
    QFont f(QString::fromStdString(font.face));
    f.setPixelSize(font.height > 0 ? font.height : 1);
    f.setWeight(font.weight >= 700 ? QFont::Bold : QFont::Normal);
    f.setItalic(font.italic);
    f.setUnderline(font.underline);
    return f;
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

const QImage& DisplayCopyCache::scaled(const QImage& source, std::uint64_t key, int width, int height, bool flipped) {
    if (key == 0 || key != key_ || width != width_ || height != height_ || image_.isNull()) {
        QImage in = source.format() == QImage::Format_RGB32 ? source : source.convertToFormat(QImage::Format_RGB32);
        image_ = in.scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        if (flipped) image_.mirror(false, true);
        key_ = key;
        width_ = width;
        height_ = height;
    }
    return image_;
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
    // The display copy is the whole photo at the size it is shown; each paint
    // copies the visible part of it.
    const QImage& copy = cache_->scaled(img, image.cacheKey, placement.width(), placement.height(), flipped);
    QRect part(visible.left - placement.left, visible.top - placement.top, visible.width(), visible.height());
    painter_.drawImage(QPoint(visible.left, visible.top), copy, part);
}

void QtCanvas::drawText(const std::string& utf8, const Rect& r, const FontSpec& font, ColorRef colour, unsigned flags) {
    painter_.setFont(ToQFont(font));
    painter_.setPen(ToQColor(colour));
    int align = AlignmentOf(flags);
    if (flags & TextNoClip) align |= Qt::TextDontClip;
    painter_.drawText(ToQRect(r), align, QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
}

Size QtCanvas::measureText(const std::string& utf8, int width, const FontSpec& font, unsigned flags) {
    QFontMetrics metrics(ToQFont(font));
    QRect box = metrics.boundingRect(QRect(0, 0, width > 0 ? width : 100000, 100000), AlignmentOf(flags),
                                     QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size())));
    return {box.width(), box.height()};
}

void QtCanvas::setClip(const Rect& r) {
    if (r.isEmpty()) painter_.setClipping(false);
    else painter_.setClipRect(ToQRect(r));
}

}  // namespace vellumo
