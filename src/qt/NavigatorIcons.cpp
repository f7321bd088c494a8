#include "qt/NavigatorIcons.h"

#include <QBitmap>
#include <QPainter>
#include <QPainterPath>

#include "platform/Files.h"

namespace vellumo {

namespace {

const char* const kThemeNames[9] = {"computer",      "drive-removable-media", "drive-harddisk",
                                    "folder-remote", "media-optical",         "drive-harddisk",
                                    "folder-open",   "folder",                "folder"};

void DrawFolder(QPainter& p, double s, bool open, bool empty) {
    QColor body = empty ? QColor(225, 205, 150) : QColor(240, 190, 70);
    p.setPen(QPen(QColor(150, 110, 30), s / 16.0));
    p.setBrush(body.darker(110));
    p.drawRect(QRectF(s * 0.08, s * 0.2, s * 0.35, s * 0.15));
    p.setBrush(body);
    if (open) {
        p.drawRect(QRectF(s * 0.08, s * 0.3, s * 0.8, s * 0.55));
        QPolygonF flap;
        flap << QPointF(s * 0.2, s * 0.45) << QPointF(s * 0.95, s * 0.45) << QPointF(s * 0.85, s * 0.85)
             << QPointF(s * 0.08, s * 0.85);
        p.setBrush(body.lighter(115));
        p.drawPolygon(flap);
    } else {
        p.drawRect(QRectF(s * 0.08, s * 0.3, s * 0.84, s * 0.55));
    }
}

void DrawDrive(QPainter& p, double s, int kind) {
    if (kind == 4) {  // optical disc
        p.setPen(QPen(QColor(90, 90, 110), s / 16.0));
        p.setBrush(QColor(210, 215, 230));
        p.drawEllipse(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.8));
        p.setBrush(QColor(160, 190, 230));
        p.drawEllipse(QRectF(s * 0.35, s * 0.35, s * 0.3, s * 0.3));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(s * 0.44, s * 0.44, s * 0.12, s * 0.12));
        return;
    }
    static const QColor kColours[] = {QColor(), QColor(80, 140, 200), QColor(150, 150, 160), QColor(90, 160, 90),
                                      QColor(), QColor(190, 120, 190)};
    p.setPen(QPen(QColor(60, 60, 70), s / 16.0));
    p.setBrush(kColours[kind]);
    p.drawRoundedRect(QRectF(s * 0.08, s * 0.35, s * 0.84, s * 0.4), s * 0.08, s * 0.08);
    p.setBrush(QColor(80, 220, 80));
    p.drawRect(QRectF(s * 0.72, s * 0.5, s * 0.1, s * 0.1));
    if (kind == 3) {  // network: a cable below
        p.drawLine(QPointF(s * 0.5, s * 0.75), QPointF(s * 0.5, s * 0.92));
        p.drawLine(QPointF(s * 0.2, s * 0.92), QPointF(s * 0.8, s * 0.92));
    }
}

void DrawComputer(QPainter& p, double s) {
    p.setPen(QPen(QColor(50, 50, 60), s / 16.0));
    p.setBrush(QColor(200, 200, 210));
    p.drawRect(QRectF(s * 0.1, s * 0.1, s * 0.8, s * 0.58));
    p.setBrush(QColor(60, 110, 190));
    p.drawRect(QRectF(s * 0.18, s * 0.18, s * 0.64, s * 0.42));
    p.setBrush(QColor(170, 170, 180));
    p.drawRect(QRectF(s * 0.3, s * 0.75, s * 0.4, s * 0.12));
}

void DrawPhoto(QPainter& p, double s, bool text, bool sound) {
    p.setPen(QPen(QColor(70, 70, 70), s / 16.0));
    p.setBrush(QColor(120, 180, 240));
    p.drawRect(QRectF(s * 0.06, s * 0.16, s * 0.88, s * 0.68));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 140, 60));
    QPolygonF hill;
    hill << QPointF(s * 0.08, s * 0.82) << QPointF(s * 0.35, s * 0.45) << QPointF(s * 0.55, s * 0.68)
         << QPointF(s * 0.7, s * 0.55) << QPointF(s * 0.92, s * 0.82);
    p.drawPolygon(hill);
    p.setBrush(QColor(250, 220, 60));
    p.drawEllipse(QRectF(s * 0.66, s * 0.22, s * 0.16, s * 0.16));
    if (text) {  // a white note with lines in the lower left
        p.setPen(QPen(QColor(40, 40, 40), s / 20.0));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(0, s * 0.5, s * 0.45, s * 0.48));
        for (int i = 0; i < 3; ++i)
            p.drawLine(QPointF(s * 0.07, s * (0.62 + 0.11 * i)), QPointF(s * 0.38, s * (0.62 + 0.11 * i)));
    }
    if (sound) {  // a red note symbol in the lower right
        p.setPen(QPen(QColor(200, 30, 30), s / 12.0));
        p.setBrush(QColor(200, 30, 30));
        p.drawEllipse(QRectF(s * 0.6, s * 0.8, s * 0.2, s * 0.16));
        p.drawLine(QPointF(s * 0.8, s * 0.88), QPointF(s * 0.8, s * 0.52));
        p.drawLine(QPointF(s * 0.8, s * 0.52), QPointF(s * 0.97, s * 0.6));
    }
}

}  // namespace

QPixmap DrawnNavigatorIcon(int index, int size) {
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    double s = size;
    switch (index) {
        case 0: DrawComputer(p, s); break;
        case 1:
        case 2:
        case 3:
        case 4:
        case 5: DrawDrive(p, s, index); break;
        case 6: DrawFolder(p, s, true, false); break;
        case 7: DrawFolder(p, s, false, false); break;
        case 8: DrawFolder(p, s, false, true); break;
        case 9: DrawPhoto(p, s, false, false); break;
        case 10: DrawPhoto(p, s, true, false); break;
        case 11: DrawPhoto(p, s, false, true); break;
        case 12: DrawPhoto(p, s, true, true); break;
        default: break;
    }
    return pm;
}

QList<QPixmap> NavigatorIcons(int size, const QPixmap& iconStrip, bool themed) {
    int stripCount = 0;
    if (!iconStrip.isNull() && iconStrip.height() == 16 && iconStrip.width() % 16 == 0) {
        int n = iconStrip.width() / 16;
        if (n >= 4 && n <= 13) stripCount = n;
    }
    QList<QPixmap> icons;
    int own = kNavigatorIconCount - (stripCount ? stripCount : 4);
    for (int i = 0; i < kNavigatorIconCount - 4 && i < own; ++i) {
        QIcon icon = themed ? QIcon::fromTheme(QString::fromLatin1(kThemeNames[i])) : QIcon();
        QPixmap pm = icon.isNull() ? QPixmap() : icon.pixmap(size, size);
        icons << (pm.isNull() ? DrawnNavigatorIcon(i, size) : pm);
    }
    if (stripCount) {
        QImage strip = iconStrip.toImage().convertToFormat(QImage::Format_ARGB32);
        for (int y = 0; y < strip.height(); ++y)
            for (int x = 0; x < strip.width(); ++x)
                if ((strip.pixel(x, y) & 0x00FFFFFF) == 0x00FF00FF) strip.setPixel(x, y, 0);
        for (int i = 0; i < stripCount; ++i) {
            QPixmap piece = QPixmap::fromImage(strip.copy(i * 16, 0, 16, 16));
            icons << (size == 16 ? piece : piece.scaled(size, size, Qt::KeepAspectRatio, Qt::FastTransformation));
        }
    } else {
        for (int i = 9; i < kNavigatorIconCount; ++i) icons << DrawnNavigatorIcon(i, size);
    }
    return icons;
}

QPixmap LoadIconStrip(const QString& path) {
    QPixmap strip;
    if (path.isEmpty()) return strip;
    // 13 images of 16 by 16 pixels fit in far less, whatever the format.
    auto bytes = ReadFileNoLargerThan(path.toStdString(), 1u << 20);
    if (bytes) strip.loadFromData(reinterpret_cast<const uchar*>(bytes->data()), static_cast<uint>(bytes->size()));
    return strip;
}

}  // namespace vellumo
