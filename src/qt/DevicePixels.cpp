#include "qt/DevicePixels.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace vellumo {

namespace {
int Floor(double v) { return static_cast<int>(std::floor(v + 1e-9)); }
int Ceil(double v) { return static_cast<int>(std::ceil(v - 1e-9)); }
}  // namespace

double DeviceRatio() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const double ratio = screen ? screen->devicePixelRatio() : 1.0;
    return ratio > 0 ? ratio : 1.0;
}

Rect ToDevice(const QRect& g) {
    const double k = DeviceRatio();
    if (k == 1.0) return {g.left(), g.top(), g.left() + g.width(), g.top() + g.height()};
    return {Floor(g.left() * k), Floor(g.top() * k), Ceil((g.left() + g.width()) * k),
            Ceil((g.top() + g.height()) * k)};
}

Point ToDevice(const QPointF& p) {
    const double k = DeviceRatio();
    return {Floor(p.x() * k), Floor(p.y() * k)};
}

QRect ToLogical(const Rect& r) {
    const double k = DeviceRatio();
    if (k == 1.0) return QRect(r.left, r.top, r.width(), r.height());
    const int left = Floor(r.left / k), top = Floor(r.top / k);
    return QRect(left, top, Ceil(r.right / k) - left, Ceil(r.bottom / k) - top);
}

QPoint ToLogical(Point p) {
    const double k = DeviceRatio();
    return QPoint(Floor(p.x / k), Floor(p.y / k));
}

Rect ToDevicePlace(const QRect& g) {
    const double k = DeviceRatio();
    auto at = [k](int v) { return static_cast<int>(std::lround(v * k)); };
    return {at(g.left()), at(g.top()), at(g.left() + g.width()), at(g.top() + g.height())};
}

QRect ToLogicalPlace(const Rect& r) {
    const double k = DeviceRatio();
    auto at = [k](int v) { return static_cast<int>(std::lround(v / k)); };
    const int left = at(r.left), top = at(r.top);
    return QRect(left, top, at(r.right) - left, at(r.bottom) - top);
}

int ToDeviceLength(int logical) {
    const double k = DeviceRatio();
    return k == 1.0 ? logical : static_cast<int>(std::lround(logical * k));
}

}  // namespace vellumo
