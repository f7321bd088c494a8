#include "qt/KeyFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWindow>

#include "qt/KeyMapping.h"

namespace vellumo {

namespace {

// A key event that went to `previous` travels on to `next`: from a window to a
// widget inside it, or from a widget to one of its ancestors.
bool IsLaterStepOfDelivery(QObject* next, QObject* previous) {
    if (!next || !previous || !next->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(next);
    if (auto* window = qobject_cast<QWindow*>(previous)) return widget->window()->windowHandle() == window;
    if (!previous->isWidgetType() || next == previous) return false;
    return widget->isAncestorOf(static_cast<QWidget*>(previous));
}

}  // namespace

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
    // One key press reaches this filter several times: at its window, then at
    // the focus widget and at each parent while it is ignored. Those later
    // deliveries are recognised by where they go, not by the time stamp (keys
    // sent by input tools share time stamps) nor by the address alone (a new
    // event may reuse the address of the last one).
    const bool repeated = event == lastEvent_ && IsLaterStepOfDelivery(watched, lastReceiver_);
    lastEvent_ = event;
    lastReceiver_ = watched;
    if (repeated) return false;
    KeyInput input = KeyInputOf(*key);
    if (input.virtualKey == 0) return false;
    return handler_(input, focusPlace());
}

}  // namespace vellumo
