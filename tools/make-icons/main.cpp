// make-icons DIR
//   Draws the application icon at the sizes of the hicolor icon theme into
//   DIR/<n>x<n>/apps/vellumo.png: a framed photograph of hills under a sun,
//   drawn with vector shapes so every size is sharp.
#include <QColor>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

QImage DrawIcon(int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);

    // The print: a white border round the picture, slightly turned, with a shadow.
    p.translate(32, 32);
    p.rotate(-6);
    p.translate(-32, -32);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 70));
    p.drawRoundedRect(QRectF(7.5, 10.5, 51, 45), 3, 3);
    p.setBrush(QColor(250, 248, 240));
    p.drawRoundedRect(QRectF(6, 8, 51, 45), 3, 3);

    // The picture: sky, sun and two hills.
    const QRectF picture(10, 12, 43, 31);
    p.save();
    p.setClipRect(picture);
    QLinearGradient sky(picture.topLeft(), picture.bottomLeft());
    sky.setColorAt(0, QColor(52, 120, 200));
    sky.setColorAt(1, QColor(160, 205, 240));
    p.fillRect(picture, sky);
    p.setBrush(QColor(255, 205, 60));
    p.drawEllipse(QPointF(42, 20), 5, 5);
    QPainterPath far;
    far.moveTo(8, 44);
    far.cubicTo(18, 24, 30, 26, 40, 36);
    far.cubicTo(46, 32, 52, 32, 56, 36);
    far.lineTo(56, 44);
    far.closeSubpath();
    p.setBrush(QColor(60, 140, 80));
    p.drawPath(far);
    QPainterPath near;
    near.moveTo(8, 44);
    near.cubicTo(22, 34, 36, 34, 56, 44);
    near.closeSubpath();
    p.setBrush(QColor(30, 100, 55));
    p.drawPath(near);
    p.restore();
    return image;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: make-icons DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString folder = QStringLiteral("%1/%2x%2/apps").arg(dir).arg(size);
        if (!QDir().mkpath(folder) || !DrawIcon(size).save(folder + QStringLiteral("/vellumo.png"), "PNG")) {
            std::fprintf(stderr, "make-icons: cannot write %s\n", qPrintable(folder));
            return 1;
        }
    }
    return 0;
}
