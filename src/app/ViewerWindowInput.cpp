// The viewer window's keys and mouse: the key pre-translation of every
// key-down, mouse buttons and drags, the wheel, focus and activation.
#include "app/ViewerWindow.h"

namespace vellumo {

bool ViewerWindow::preTranslateKeyDown(const KeyInput& key, FocusPlace focus) {
    KeyContext context;
    context.focus = focus;
    context.navigatorVisible = navigator_ && navigator_->isShown();
    context.smallSlideshowRuns = slideshows_ && slideshows_->smallRunning();
    context.selectionDialogOpen = selectionDialogOpen();
    KeyOutcome outcome = PreTranslateKeyDown(key, context, context_.hotkeys.keys);
    if (outcome.stopSmallSlideshow && slideshows_) slideshows_->stopSmall();
    if (outcome.postKeyDownTrigger) queue_.post(this, cmd::KeyDownTrigger);
    switch (outcome.focusChange) {
        case KeyOutcome::FocusChange::ToNavigator:
            if (navigator_) navigator_->focusList();
            break;
        case KeyOutcome::FocusChange::ToViewer: host_.setFocus(); break;
        case KeyOutcome::FocusChange::ShowNavigator:
            if (navigator_) navigator_->setShown(true);
            break;
        case KeyOutcome::FocusChange::None: break;
    }
    if (outcome.command != 0) {
        if (outcome.delivery == KeyOutcome::Delivery::QueueToViewer) commandQueue_.queue(outcome.command);
        else if (outcome.delivery == KeyOutcome::Delivery::PostToNavigator) forwardToNavigator(outcome.command, 1);
    }
    return outcome.consumed;
}

bool ViewerWindow::keyDown(const KeyEvent&) {
    // Keys were handled by the pre-translation before the window saw them.
    return false;
}

void ViewerWindow::mouseDown(MouseButton button, Point p, const KeyEvent&) {
    if (button == MouseButton::Left) {
        if (comments_.mouseDown(p) || display_.leftButtonDown(p)) host_.captureMouse(true);
    } else if (button == MouseButton::Right) {
        commandQueue_.mouseButton(p, CommandForMouse(MouseAction::RightClick, context_.hotkeys.mouse));
    }
}

void ViewerWindow::mouseUp(MouseButton button, Point p) {
    if (button == MouseButton::Left) {
        if (!comments_.mouseUp(p)) display_.leftButtonUp(p);
        host_.captureMouse(false);
    }
}

void ViewerWindow::mouseDoubleClick(MouseButton button, Point p) {
    if (button == MouseButton::Left)
        commandQueue_.mouseButton(p, CommandForMouse(MouseAction::LeftDoubleClick, context_.hotkeys.mouse));
    else if (button == MouseButton::Middle)
        commandQueue_.mouseButton(p, CommandForMouse(MouseAction::MiddleDoubleClick, context_.hotkeys.mouse));
    else
        mouseDown(button, p, {});
}

void ViewerWindow::mouseMove(Point p, bool leftDown) {
    if (commandQueue_.mouseMoved(p)) queue_.post(this, cmd::MouseMoveTrigger);
    if (!leftDown && (display_.dragging() || comments_.tracker().dragging())) {
        // The release went elsewhere (a menu, another window): the drag is over.
        mouseUp(MouseButton::Left, p);
        return;
    }
    const bool trackerTook = comments_.mouseMove(p);
    if (!comments_.tracker().dragging()) display_.mouseMove(p, trackerTook);
}

void ViewerWindow::focusChanged(bool hasFocus) {
    if (!hasFocus) endDragSilently();
}

void ViewerWindow::activationChanged(bool) { endDragSilently(); }

void ViewerWindow::endDragSilently() {
    if (comments_.mouseUp({})) host_.captureMouse(false);
    if (!display_.dragging()) return;
    display_.activationChanged();
    host_.captureMouse(false);
}

void ViewerWindow::scrollStep(int axis, bool forward) {
    display_.scroll(axis == 0 ? Axis::Horizontal : Axis::Vertical,
                    forward ? ScrollCode::LineForward : ScrollCode::LineBack);
}

void ViewerWindow::wheel(int delta, Point) {
    int command = CommandForWheel(delta, settings().IntelliMouseMode);
    if (command != 0) queue_.post(this, command);
}

}  // namespace vellumo
