#include "qt/QtWindowHost.h"

#include "qt/DevicePixels.h"
#include "qt/QtCursors.h"

#include <QWindow>

namespace vellumo {

void QtWindowHost::invalidate(const Rect& r) {
    // Invalidations that no update() follows are painted by the event loop;
    // past a few thousand pieces the region is not worth keeping.
    const QRect logical = ToLogical(r);
    if (!pendingAll_) pending_ += logical;
    if (pending_.rectCount() > 4096) {
        pending_ = QRegion();
        pendingAll_ = true;
    }
    widget_.update(logical);
}
void QtWindowHost::invalidateAll() {
    pendingAll_ = true;
    widget_.update();
}
void QtWindowHost::update() {
    if (pendingAll_) widget_.repaint();
    else if (!pending_.isEmpty()) widget_.repaint(pending_);
    pending_ = QRegion();
    pendingAll_ = false;
}
void QtWindowHost::setVisible(bool visible) {
    if (visible && fullScreen_) widget_.showFullScreen();
    else widget_.setVisible(visible);
}
bool QtWindowHost::isVisible() const { return widget_.isVisible(); }
bool QtWindowHost::isExposed() const {
    const QWindow* window = widget_.windowHandle();
    return window && window->isExposed();
}
void QtWindowHost::move(const Rect& r) { widget_.setGeometry(ToLogicalPlace(r)); }
Rect QtWindowHost::geometry() const { return ToDevicePlace(widget_.geometry()); }
void QtWindowHost::setTitle(const std::string& utf8) { widget_.setWindowTitle(QString::fromStdString(utf8)); }
void QtWindowHost::setFocus() {
    widget_.activateWindow();
    widget_.setFocus(Qt::OtherFocusReason);
}
bool QtWindowHost::hasFocus() const { return widget_.hasFocus(); }
void QtWindowHost::setCursor(CursorId cursor) { widget_.setCursor(CursorFor(cursor)); }
void QtWindowHost::setIcon(int iconNumber) { widget_.setWindowIcon(ApplicationIcon(iconNumber)); }
void QtWindowHost::captureMouse(bool capture) {
    if (capture) widget_.grabMouse();
    else widget_.releaseMouse();
}
void QtWindowHost::close() { widget_.close(); }

}  // namespace vellumo
