#include "platform/qt/QtCursors.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>

#include <map>

// The cursor pictures live in a static library: their resource registration
// must be pulled in by name. Q_INIT_RESOURCE works only outside namespaces.
static void InitCursorResources() { Q_INIT_RESOURCE(cursors); }

namespace vellumo {

namespace {

// The program's own cursors by resource number, with their hotspots.
const std::map<int, QCursor>& OwnCursors() {
    static const std::map<int, QCursor> cursors = [] {
        std::map<int, QCursor> result;
        InitCursorResources();
        QFile file(QStringLiteral(":/cursors/hotspots.txt"));
        if (!file.open(QIODevice::ReadOnly)) return result;
        while (!file.atEnd()) {
            QList<QByteArray> fields = file.readLine().simplified().split(' ');
            if (fields.size() != 3 || fields[0].startsWith('#')) continue;
            bool ok = false;
            int id = fields[0].toInt(&ok);
            if (!ok) continue;
            QPixmap picture(QStringLiteral(":/cursors/%1.png").arg(id));
            if (picture.isNull()) continue;
            result.emplace(id, QCursor(picture, fields[1].toInt(), fields[2].toInt()));
        }
        return result;
    }();
    return cursors;
}

}  // namespace

QCursor CursorFor(CursorId cursor) {
    switch (cursor.id) {
        case CursorId::Wait: return QCursor(Qt::WaitCursor);
        case CursorId::Hidden: return QCursor(Qt::BlankCursor);
        case CursorId::Arrow: return QCursor(Qt::ArrowCursor);
        case CursorId::SizeAll: return QCursor(Qt::SizeAllCursor);
        case CursorId::SizeNWSE: return QCursor(Qt::SizeFDiagCursor);
        case CursorId::SizeNESW: return QCursor(Qt::SizeBDiagCursor);
        case CursorId::SizeWE: return QCursor(Qt::SizeHorCursor);
        case CursorId::SizeNS: return QCursor(Qt::SizeVerCursor);
        default: break;
    }
    const auto& own = OwnCursors();
    auto it = own.find(cursor.id);
    return it != own.end() ? it->second : QCursor(Qt::ArrowCursor);
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
