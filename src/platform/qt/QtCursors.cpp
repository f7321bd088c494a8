#include "platform/qt/QtCursors.h"

#include <QPainter>
#include <QPixmap>

namespace vellumo {

QCursor CursorFor(CursorId cursor) {
    switch (cursor.id) {
        case CursorId::Wait: return QCursor(Qt::WaitCursor);
        case CursorId::Hidden: return QCursor(Qt::BlankCursor);
        case CursorId::Arrow: return QCursor(Qt::ArrowCursor);
        default: return QCursor(Qt::ArrowCursor);
    }
}

QIcon ApplicationIcon(int number) {
    // Five colourings of one drawn frame-and-mountain motif.
    static const QColor kColours[] = {QColor(40, 90, 160), QColor(30, 130, 70), QColor(160, 60, 40),
                                      QColor(110, 60, 140), QColor(60, 60, 60)};
    QColor c = kColours[(number >= 1 && number <= 5) ? number - 1 : 0];
    QPixmap pm(64, 64);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setBrush(c);
    p.setPen(QPen(Qt::white, 3));
    p.drawRoundedRect(4, 8, 56, 48, 6, 6);
    p.setBrush(QColor(250, 220, 90));
    p.setPen(Qt::NoPen);
    p.drawEllipse(40, 14, 12, 12);
    p.setBrush(Qt::white);
    QPolygon mountain;
    mountain << QPoint(8, 52) << QPoint(26, 26) << QPoint(38, 42) << QPoint(46, 34) << QPoint(56, 52);
    p.drawPolygon(mountain);
    p.end();
    return QIcon(pm);
}

}  // namespace vellumo
