#include "app/PhotoDisplay.h"

namespace vellumo {

PhotoDisplay::PhotoDisplay(PhotoDisplayHost& host, const Rect& screen, char scaleStart)
    : host_(host), view_(screen, ScaleModeFromLetter(scaleStart)) {}

void PhotoDisplay::showPhoto(const std::string& path) { load(path, std::nullopt); }

void PhotoDisplay::showPhotoFresh(const std::string& path) {
    // A missing file changes nothing: clearing NoPhoto without a photo would
    // let the photo commands act on nothing instead of beeping.
    if (!host_.fileExists(path)) return;
    rotationAngle_ = 0.0;
    macroRotationAngle_ = 0.0;
    rotatePending_ = false;
    noPhoto_ = false;
    loadExisting(path, std::nullopt);
}

void PhotoDisplay::showStartPicture(const std::string& path) {
    noPhoto_ = true;
    load(path, ScaleMode::Real);
    view_.setScaleMode(ScaleModeFromLetter(host_.scaleStart()));
}

void PhotoDisplay::load(const std::string& path, std::optional<ScaleMode> forcedMode) {
    if (host_.fileExists(path)) loadExisting(path, forcedMode);
}

void PhotoDisplay::loadExisting(const std::string& path, std::optional<ScaleMode> forcedMode) {
    // A photo still on its way is given up with the commands that waited for it.
    if (waiting_ && !waiting_->copyShown) restoreCursor();
    waiting_.reset();
    deferred_.clear();
    path_ = path;
    if (!noPhoto_) host_.enterPhotoScope(path);

    setBusyCursor(ViewCursors::Busy);
    const DecodedPhoto decoded = host_.decodePhoto(path);
    if (decoded.full == DecodedPhoto::Full::Later) {
        // The busy cursor stays until it arrives.
        waiting_ = Waiting{forcedMode, false};
        return;
    }
    place(decoded, forcedMode);
    if (decoded.full == DecodedPhoto::Full::CopyShown && !noPhoto_) waiting_ = Waiting{forcedMode, true};
}

void PhotoDisplay::place(const DecodedPhoto& decoded, std::optional<ScaleMode> forcedMode) {
    if (decoded.ok) view_.setImageSize(decoded.width, decoded.height);
    // A size the view cannot place (none at all) counts as a failed decode.
    if (!decoded.ok || !view_.hasImage()) {
        path_.clear();
        noPhoto_ = true;
        // The old bitmap is gone: the whole screen is background now.
        view_.clearImage();
        // The busy period ends; a locked slideshow cursor stays.
        restoreCursor();
        host_.redrawAll();
        host_.photoFailed(decoded.errorText);
        return;
    }

    host_.composeComment();
    if (rotatePending_) {
        if (std::optional<Size> rotated =
                host_.rotatePhoto(rotationAngle_ + macroRotationAngle_, host_.backgroundColor()))
            view_.setImageSize(rotated->cx, rotated->cy);
    }
    restoreCursor();

    if (forcedMode)
        view_.setScaleMode(*forcedMode);
    else if (!host_.scaleSavingMode())
        view_.setScaleMode(ScaleModeFromLetter(host_.scaleStart()));
    view_.applyScaleMode();
    host_.presentPhoto();
}

void PhotoDisplay::photoArrived(const DecodedPhoto& decoded) {
    if (!waiting_) return;
    const Waiting waiting = *waiting_;
    waiting_.reset();
    if (!waiting.copyShown) {
        place(decoded, waiting.forcedMode);
        // Its display copy stands in for it: what acts on the view waits on.
        if (decoded.full == DecodedPhoto::Full::CopyShown && !noPhoto_) {
            waiting_ = Waiting{waiting.forcedMode, true};
            return;
        }
    } else if (!decoded.ok || decoded.width != view_.imageRect().width() ||
               decoded.height != view_.imageRect().height()) {
        // Not the photo its copy showed (the file changed meanwhile): placed anew.
        setBusyCursor(ViewCursors::Busy);
        place(decoded, waiting.forcedMode);
    }
    // The copy showed the very pixels: nothing to repaint. The commands that
    // waited run now, in order (one may wait again for a photo it loads).
    std::vector<WaitingCommand> commands = std::move(deferred_);
    deferred_.clear();
    for (const WaitingCommand& c : commands) runCommand(c.command, c.repeat);
}

bool PhotoDisplay::ActsOnView(int command) {
    return (command >= cmd::ZoomIn && command <= cmd::RotateRightMacro) || command == cmd::Refresh;
}

void PhotoDisplay::setScreenRect(const Rect& screen) { view_.setScreenRect(screen); }

std::function<PhotoView(int, int)> PhotoDisplay::newPhotoViews() const {
    // The steps of place() after a decode, on a copy.
    PhotoView view = view_;
    if (!host_.scaleSavingMode()) view.setScaleMode(ScaleModeFromLetter(host_.scaleStart()));
    return [view](int width, int height) {
        PhotoView shown = view;
        shown.setImageSize(width, height);
        shown.applyScaleMode();
        return shown;
    };
}

bool PhotoDisplay::runCommand(int command, int repeat) {
    namespace C = cmd;
    if (waiting_ && ActsOnView(command)) {
        deferred_.push_back({command, repeat});
        host_.hurryPhoto();
        return true;
    }
    switch (command) {
        case C::ZoomIn: zoom(true, repeat); return true;
        case C::ZoomOut: zoom(false, repeat); return true;
        case C::RealScale: scale(ScaleMode::Real); return true;
        case C::FitToScreen: scale(ScaleMode::Fit); return true;
        case C::MoveLeft: pan(PanDirection::Left, repeat); return true;
        case C::MoveRight: pan(PanDirection::Right, repeat); return true;
        case C::MoveUp: pan(PanDirection::Up, repeat); return true;
        case C::MoveDown: pan(PanDirection::Down, repeat); return true;
        case C::RotateLeft: rotateBy(QuarterTurn); return true;
        case C::RotateLeftFine: rotateBy(FineRotationStep); return true;
        case C::RotateLeftMacro: rotateByMacro(true); return true;
        case C::RotateRight: rotateBy(-QuarterTurn); return true;
        case C::RotateRightFine: rotateBy(-FineRotationStep); return true;
        case C::RotateRightMacro: rotateByMacro(false); return true;
        case C::Refresh: refresh(); return true;
        case C::SwitchScaleSaving: toggleScaleSavingMode(); return true;
        default: return false;
    }
}

void PhotoDisplay::zoom(bool in, int repeat) {
    if (noPhoto_) {
        host_.beep(BeepKind::Default);
        return;
    }
    const int steps = in ? view_.zoomIn(repeat) : view_.zoomOut(repeat);
    if (steps == 0) return;
    host_.redrawAll();
    updateCursor();
    host_.runCommandsAfterZoom(in);
}

void PhotoDisplay::scale(ScaleMode mode) {
    if (noPhoto_) {
        host_.beep(BeepKind::Default);
        return;
    }
    view_.setScaleMode(mode);
    view_.applyScaleMode();
    host_.hideComment();
    host_.hideNavigator();
    host_.redrawAll();
    updateCursor();
}

void PhotoDisplay::pan(PanDirection direction, int repeat) {
    if (noPhoto_) {
        host_.beep(BeepKind::Default);
        return;
    }
    if (view_.panCommand(direction, repeat) == 0) return;
    host_.hideComment();
    host_.hideNavigator();
    host_.redrawAll();
}

void PhotoDisplay::rotateBy(double radians) {
    if (noPhoto_) {
        host_.beep(BeepKind::Default);
        return;
    }
    rotatePending_ = true;
    rotationAngle_ += radians;
    showPhoto(path_);
}

void PhotoDisplay::rotateByMacro(bool left) {
    if (noPhoto_) {
        host_.beep(BeepKind::Default);
        return;
    }
    rotatePending_ = true;
    host_.writeRotationMacro(left);
    showPhoto(path_);
}

void PhotoDisplay::toggleScaleSavingMode() {
    host_.beep(BeepKind::Exclamation);
    host_.setScaleSavingMode(!host_.scaleSavingMode());
}

bool PhotoDisplay::leftButtonDown(Point p) {
    if (!view_.beginDrag(p)) return false;
    updateCursor();
    return true;
}

void PhotoDisplay::mouseMove(Point p, bool trackerActive) {
    if (view_.dragTo(p)) host_.redrawAll();
    if (!trackerActive) updateCursor();
}

void PhotoDisplay::leftButtonUp(Point) {
    view_.endDrag();
    updateCursor();
}

void PhotoDisplay::scroll(Axis axis, ScrollCode code) {
    if (view_.scroll(axis, code)) host_.redrawAll();
}

void PhotoDisplay::showCursor(CursorId cursor) {
    cursor_ = cursor;
    host_.setCursor(cursor_);
}

void PhotoDisplay::updateCursor() {
    if (busy()) return;
    showCursor(view_.cursorFor(host_.mousePosition(), host_.totalSlideshowPaused()));
}

void PhotoDisplay::setBusyCursor(int resourceId) {
    // Unbalanced busy periods cannot pile up without bound.
    constexpr std::size_t kMaxNesting = 16;
    if (busyCursors_.size() >= kMaxNesting) busyCursors_.erase(busyCursors_.begin());
    busyCursors_.push_back(resourceId);
    showCursor(CursorId{resourceId});
}

void PhotoDisplay::restoreCursor() {
    if (!busyCursors_.empty()) busyCursors_.pop_back();
    if (!busyCursors_.empty())
        showCursor(CursorId{busyCursors_.back()});
    else if (locked_)
        showCursor(CursorId{*locked_});
    else
        updateCursor();
}

void PhotoDisplay::lockCursor(int resourceId) {
    locked_ = resourceId;
    if (busyCursors_.empty()) showCursor(CursorId{resourceId});
}

void PhotoDisplay::unlockCursor() {
    locked_.reset();
    if (busyCursors_.empty()) updateCursor();
}

}  // namespace vellumo
