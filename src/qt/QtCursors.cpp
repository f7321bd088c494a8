#include "qt/QtCursors.h"

#include <QFile>
#include <QPainter>
#include <QPixmap>

#include <map>
#include <optional>

// The cursor pictures live in a static library: their resource registration
// must be pulled in by name. Q_INIT_RESOURCE works only outside namespaces.
static void InitCursorResources() { Q_INIT_RESOURCE(cursors); }

namespace vellumo {

namespace {

// The hotspots of the program's own cursors by resource number.
const std::map<int, QPoint>& OwnHotspots() {
    static const std::map<int, QPoint> hotspots = [] {
        std::map<int, QPoint> result;
        InitCursorResources();
        QFile file(QStringLiteral(":/cursors/hotspots.txt"));
        if (!file.open(QIODevice::ReadOnly)) return result;
        while (!file.atEnd()) {
            QList<QByteArray> fields = file.readLine().simplified().split(' ');
            if (fields.size() != 3 || fields[0].startsWith('#')) continue;
            bool ok = false;
            int id = fields[0].toInt(&ok);
            if (ok) result.emplace(id, QPoint(fields[1].toInt(), fields[2].toInt()));
        }
        return result;
    }();
    return hotspots;
}

// One of the program's own cursors, its picture loaded on first use (the
// start shows one or two of them; loading all would delay its first paint).
// Null when the number has no picture.
const QCursor* OwnCursor(int id) {
    static std::map<int, std::optional<QCursor>> loaded;
    auto it = loaded.find(id);
    if (it == loaded.end()) {
        std::optional<QCursor> cursor;
        const auto& hotspots = OwnHotspots();
        auto spot = hotspots.find(id);
        if (spot != hotspots.end()) {
            QPixmap picture(QStringLiteral(":/cursors/%1.png").arg(id));
            if (!picture.isNull()) cursor.emplace(picture, spot->second.x(), spot->second.y());
        }
        it = loaded.emplace(id, std::move(cursor)).first;
    }
    return it->second ? &*it->second : nullptr;
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
    const QCursor* own = OwnCursor(cursor.id);
    return own ? *own : QCursor(Qt::ArrowCursor);
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
