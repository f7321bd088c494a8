// The viewer window's side of showing a photo: what the photo display and
// the first picture ask of the window (settings, decoding, the comment,
// rotation, the transition effect, painting).
#include "app/ViewerWindow.h"

#include "comments/RotationMacro.h"
#include "platform/Files.h"
#include "platform/StartupTrace.h"

namespace vellumo {

char ViewerWindow::scaleStart() const { return settings().ScaleStart; }
bool ViewerWindow::scaleSavingMode() const { return settings().ScaleSavingMode == 1; }
void ViewerWindow::setScaleSavingMode(bool on) { settings().ScaleSavingMode = on ? 1 : 0; }
ColorRef ViewerWindow::backgroundColor() const { return settings().BackgroundColor; }

ColourProfilePtr ViewerWindow::screenColours() {
    std::vector<std::uint8_t> icc = desktop_.screenColourProfile();
    if (icc.empty()) return SrgbProfile();
    if (!screenColours_ || screenColours_->Icc() != icc) screenColours_ = std::make_shared<const ColourProfile>(std::move(icc));
    return screenColours_;
}
void ViewerWindow::hideComment() { settings().Comment = 0; }
void ViewerWindow::hideNavigator() {
    if (navigator_ && navigator_->isShown()) navigator_->setShown(false);
}
void ViewerWindow::redrawAll() {
    host_.invalidateAll();
    host_.update();
}
void ViewerWindow::setCursor(CursorId cursor) { host_.setCursor(cursor); }
Point ViewerWindow::mousePosition() const { return commandQueue_.lastMousePosition(); }
void ViewerWindow::beep(BeepKind kind) { desktop_.beep(kind); }
void ViewerWindow::runCommandsAfterZoom(bool zoomedIn) {
    runCommandList(zoomedIn ? settings().CommandsAfterZoomIn : settings().CommandsAfterZoomOut);
}
// Any entry counts: a FIFO, socket or device named like a photo is refused by
// the decoder (without being opened) with its message, like any bad file. A
// photo decoded ahead (or on its way) was there a moment ago: its file is
// looked at off this thread once it is shown (a look on a network share may
// wait long behind other requests).
bool ViewerWindow::fileExists(const std::string& path) { return prefetch_.aheadOf(path) || FileExists(path); }
void ViewerWindow::enterPhotoScope(const std::string& path) { context_.scopes.EnterPhoto(path); }

DecodedPhoto ViewerWindow::decodePhoto(const std::string& path) {
    copyFellShort_ = false;
    // A photo a slideshow puts on screen fails quietly, even when its decode
    // ends after the show has.
    photoOfAShow_ = slideshows_ && slideshows_->showing();
    return loader_.load(path);
}

void ViewerWindow::photoDecoded(ShownDecode decoded) {
    if (std::optional<DecodedPhoto> photo = loader_.arrived(std::move(decoded))) photoArrived(*photo);
}

void ViewerWindow::photoArrived(const DecodedPhoto& photo) {
    display_.photoArrived(photo);
    // A paint found the display copy gone and left the photo's place empty.
    if (copyFellShort_ && !loader_.decoding()) {
        copyFellShort_ = false;
        redrawAll();
    }
}

void ViewerWindow::photoFileChanged(const std::string& path) {
    if (display_.photoPath() != path || display_.noPhoto()) return;
    // Shown again as the refresh shows it: decoded anew, or, when the file
    // is gone, left as it is.
    loader_.fileChanged(path);
    display_.refresh();
}

bool ViewerWindow::previewAllowed() {
    // Only on a window already on screen: a paint before the window is first
    // exposed is lost. At start-up it may be exposed without a paint yet.
    if (!paintedOnce_ && !(loader_.paintingEarlyFirstPicture() && host_.isExposed())) return false;
    // Never for the start picture, nor for a photo that will be turned (by the
    // commands or by the rotation macros of its comment file).
    if (display_.noPhoto() || display_.rotatePending() ||
        comments_.rotationAngleFor(display_.photoPath(), loader_.previewText()) != 0.0)
        return false;
    // A transition effect shows the full picture, never the first one.
    return !effectMayRun();
}

bool ViewerWindow::effectMayRun() const {
    if (effectRunner_.running()) return true;
    ShowState shows;
    shows.smallRuns = slideshows_ && slideshows_->smallRunning();
    shows.totalRuns = slideshows_ && slideshows_->totalRunning();
    return context_.effects && context_.effects->mayChoose(settings().Effects, shows);
}

void ViewerWindow::paintPreviewNow() {
    host_.invalidateAll();
    host_.update();
}

ShownPhoto ViewerWindow::shownPhoto() const {
    ShownPhoto photo;
    if (!display_.noPhoto()) photo.path = display_.photoPath();
    const Size size = loader_.macroSize();
    photo.width = size.cx;
    photo.height = size.cy;
    return photo;
}

void ViewerWindow::composeComment() {
    MacroExpansion expanded = comments_.showPhoto(shownPhoto(), loader_.hasPhoto() ? loader_.text() : std::string());
    display_.setMacroRotationAngle(expanded.rotationAngle);
    if (expanded.rotate) display_.setRotatePending();
    if (navigator_) navigator_->captionSourcesChanged(kPhotoMacroBits);
}

void ViewerWindow::recomposeComment() {
    comments_.recompose(shownPhoto());
    if (navigator_) navigator_->captionSourcesChanged(~std::uint32_t{0});
}

std::string ViewerWindow::expandCaption(const std::string& name, std::uint32_t& flags) {
    return comments_.expandCaption(name, shownPhoto(), flags);
}

std::optional<Size> ViewerWindow::rotatePhoto(double radians, ColorRef fill) {
    return loader_.rotate(radians, fill);
}

void ViewerWindow::writeRotationMacro(bool left) {
    // The Navigator's entry of the photo shows whether it has a comment file.
    if (WriteRotationMacro(display_.photoPath(), left) && navigator_) navigator_->refreshPhotoEntry(display_.photoPath());
}

// A photo was placed (or failed): a start that waited for its photo is over.
void ViewerWindow::photoSettled() {
    if (!finishStartupWithPhoto_) return;
    finishStartupWithPhoto_ = false;
    queue_.post(this, cmd::StartupFinish);
}

void ViewerWindow::photoFailed(const std::string& errorText) {
    photoSettled();
    comments_.photoFailed();
    // The user is at this photo all the same: its neighbours are still wanted.
    prefetch_.photoShown();
    // A slideshow skips a photo it cannot show, without a message (its first
    // photo too).
    if (photoOfAShow_ || (slideshows_ && slideshows_->showing())) return;
    desktop_.messageBox(errorText, programTitle(), MessageBoxKind::Information);
}

void ViewerWindow::presentPhoto() {
    photoSettled();
    loader_.presented();
    prefetch_.photoShown();
    // The size macros show the bitmap as turned.
    if ((comments_.macroFlags() & (MacroImageWidth | MacroImageHeight)) && display_.rotatePending())
        comments_.recompose(shownPhoto());
    // The effect is chosen for every photo (the choice moves on even when the
    // photo is drawn at once); a second effect never starts while one runs.
    int effect = 0;
    if (context_.effects) {
        ShowState shows;
        shows.smallRuns = slideshows_ && slideshows_->smallRunning();
        shows.totalRuns = slideshows_ && slideshows_->totalRunning();
        effect = context_.effects->choose(settings().Effects, settings().EffectsRandom == 1, shows);
    }
    // With an effect the photo's sound plays when the effect has finished.
    if (effect > 0 && !effectRunner_.running() && effectRunner_.start(effect, screenRect_)) return;
    redrawAll();
    playSoundComment(display_.photoPath());
}

void ViewerWindow::paint(Canvas& canvas, const Rect& dirty) {
    paintedOnce_ = true;
    // Exposed at last: the start goes on after this paint.
    exposureWaitEnds();
    const CDrawDibBmp* bitmap = loader_.bitmap();
    TraceStartup(bitmap ? "paint with photo" : "paint");
    if (preview_.painting()) {
        preview_.paint(canvas, dirty, settings().BackgroundColor);
        return;
    }
    if (bitmap) {
        ImageView view = bitmap->GetImageView();
        display_.paint(canvas, dirty, &view);
    } else {
        display_.paint(canvas, dirty, nullptr);
        // The display copy stands for the photo while it decodes.
        if (const std::uint64_t copy = loader_.copyKey()) {
            const Rect& placement = display_.view().photoRect();
            const Rect visible = placement.intersected(dirty);
            if (!visible.isEmpty() && !canvas.drawPreparedCopy(copy, placement, visible)) {
                // The copy no longer fits (another screen, the Navigator
                // docked): the photo itself is needed.
                canvas.fillRect(visible, settings().BackgroundColor);
                copyFellShort_ = true;
                loader_.hurry();
            }
        }
    }
    comments_.paint(canvas, dirty, loader_.hasPhoto());
}
}  // namespace vellumo
