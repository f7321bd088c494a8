#include "platform/qt/KeyFilter.h"

#include <QApplication>
#include <QKeyEvent>

#include "platform/qt/KeyMapping.h"

namespace vellumo {

FocusPlace KeyFilter::focusPlace() const {
    QWidget* focus = QApplication::focusWidget();
    if (!focus) return FocusPlace::None;
    if (focus == viewer_) return FocusPlace::Viewer;
    if (navigator_ && (focus == navigator_ || navigator_->isAncestorOf(focus))) return FocusPlace::Navigator;
    return FocusPlace::Other;
}

bool KeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    // Menus and modal dialogs run their own keys (Escape closes them, arrows
    // move in them): the program's hotkeys wait until they are gone.
    if (QApplication::activePopupWidget() || QApplication::activeModalWidget()) return false;
    auto* key = static_cast<QKeyEvent*>(event);
    // A key event travels up the widget tree when ignored and passes this
    // filter at every step: translate it once.
    if (event == lastEvent_ && key->timestamp() == lastTimestamp_) return false;
    lastEvent_ = event;
    lastTimestamp_ = key->timestamp();
    KeyInput input = KeyInputOf(*key);
    if (input.virtualKey == 0) return false;
    return handler_(input, focusPlace());
}

}  // namespace vellumo
