#include "qt/ViewerWidget.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>

#include "qt/DevicePixels.h"
#include "qt/KeyMapping.h"

namespace vellumo {

namespace {
// A key event in the program's terms.
KeyEvent KeyEventOf(const QKeyEvent* e) {
    KeyInput input = KeyInputOf(*e);
    KeyEvent k;
    k.virtualKey = input.virtualKey;
    k.shift = input.shift;
    k.control = input.ctrl;
    k.alt = input.alt;
    k.autoRepeat = e->isAutoRepeat();
    return k;
}
}  // namespace

ViewerWidget::ViewerWidget(QWidget* parent) : QWidget(parent) {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    // The viewer paints without erasing: what it does not repaint keeps its
    // old pixels, which the transition effects rely on.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAttribute(Qt::WA_KeyCompression, false);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    // Room (reserved, not yet touched) for the first level of photos up to 32 megapixels.
    displayCopy_.prepareMemory(8u * 1024 * 1024);
    displayCopy_.setPrepared(&prepared_);
    prepared_.setShownCopies(&displayCopy_);
}


void ViewerWidget::paintEvent(QPaintEvent* e) {
    if (!events_) return;
    storePages_.populate(*this);
    QPainter painter(this);
    // The logic paints in device pixels (see DevicePixels.h).
    const double ratio = DeviceRatio();
    if (ratio != 1.0) painter.scale(1.0 / ratio, 1.0 / ratio);
    QtCanvas canvas(painter, &displayCopy_);
    // Each rectangle of the region on its own: a transition effect's scattered
    // squares must not repaint the whole box around them.
    for (const QRect& r : e->region()) events_->paint(canvas, ToDevice(r));
}

void ViewerWidget::keyPressEvent(QKeyEvent* e) {
    if (events_ && events_->keyDown(KeyEventOf(e))) return;
    QWidget::keyPressEvent(e);
}

void ViewerWidget::keyReleaseEvent(QKeyEvent* e) {
    if (events_) events_->keyUp(KeyEventOf(e));
}

namespace {
MouseButton ButtonOf(Qt::MouseButton b) {
    if (b == Qt::RightButton) return MouseButton::Right;
    if (b == Qt::MiddleButton) return MouseButton::Middle;
    return MouseButton::Left;
}
Point PointOf(const QPointF& p) { return ToDevice(p); }
KeyEvent ModifiersOf(Qt::KeyboardModifiers m) {
    KeyEvent k;
    k.shift = m & Qt::ShiftModifier;
    k.control = m & Qt::ControlModifier;
    k.alt = m & Qt::AltModifier;
    return k;
}
}  // namespace

void ViewerWidget::mousePressEvent(QMouseEvent* e) {
    if (events_) events_->mouseDown(ButtonOf(e->button()), PointOf(e->position()), ModifiersOf(e->modifiers()));
}
void ViewerWidget::mouseReleaseEvent(QMouseEvent* e) {
    if (events_) events_->mouseUp(ButtonOf(e->button()), PointOf(e->position()));
}
void ViewerWidget::mouseDoubleClickEvent(QMouseEvent* e) {
    if (events_) events_->mouseDoubleClick(ButtonOf(e->button()), PointOf(e->position()));
}
void ViewerWidget::mouseMoveEvent(QMouseEvent* e) {
    if (events_) events_->mouseMove(PointOf(e->position()), e->buttons() & Qt::LeftButton);
}
void ViewerWidget::wheelEvent(QWheelEvent* e) {
    // Touchpads send many small steps: hand over whole notches only.
    wheelRemainder_ += e->angleDelta().y();
    while (events_ && (wheelRemainder_ >= 120 || wheelRemainder_ <= -120)) {
        int notch = wheelRemainder_ > 0 ? 120 : -120;
        wheelRemainder_ -= notch;
        events_->wheel(notch, PointOf(e->position()));
    }
    // A tilt wheel or a sideways swipe scrolls the photo sideways, a notch a step.
    sideRemainder_ += e->angleDelta().x();
    while (events_ && (sideRemainder_ >= 120 || sideRemainder_ <= -120)) {
        bool left = sideRemainder_ > 0;  // a positive x delta points left
        sideRemainder_ -= left ? 120 : -120;
        events_->scrollStep(0, !left);
    }
}
void ViewerWidget::changeEvent(QEvent* e) {
    if (e->type() == QEvent::ActivationChange && events_) events_->activationChanged(isActiveWindow());
    QWidget::changeEvent(e);
}
void ViewerWidget::closeEvent(QCloseEvent* e) {
    if (events_ && !events_->closeRequested()) {
        e->ignore();
        return;
    }
    if (events_) events_->destroyed();
    events_ = nullptr;
    e->accept();
}
void ViewerWidget::focusInEvent(QFocusEvent*) {
    if (events_) events_->focusChanged(true);
}
void ViewerWidget::focusOutEvent(QFocusEvent*) {
    if (events_) events_->focusChanged(false);
}

bool ViewerWidget::event(QEvent* e) {
    // Tab must reach the logic instead of moving the focus between widgets.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    return QWidget::event(e);
}

}  // namespace vellumo
