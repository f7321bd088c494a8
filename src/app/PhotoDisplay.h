#pragma once
// The photo side of the viewer window: loading a photo into the view, the
// rotation state, the view commands (zoom, scale, pan, rotate, scale saving),
// the mouse and scroll handling, the cursor state and painting.
//
// What belongs to other subsystems (decoding, settings scopes, comments, the
// rotation filter, transition effects, message boxes) is asked of the
// PhotoDisplayHost, which the viewer window implements.
//
// The viewer window wires it up as follows:
//   paint event           -> paint(canvas, clip box, the bitmap's ImageView), then the comment
//   view commands         -> runCommand(number, RepeatCount) (143 only with the focus on the viewer)
//   left button down      -> leftButtonDown (unless the comment tracker takes the press)
//   mouse move            -> mouseMove (after the MouseMoveTrigger check)
//   left button up        -> leftButtonUp; activation or focus change -> activationChanged
//   sideways wheel steps  -> scroll; cursor requests -> currentCursor()
//   display change        -> setScreenRect; ScaleStart changed -> scaleStartChanged
//   Navigator, slideshows -> showPhotoFresh; start picture -> showStartPicture
//   full photo decoded    -> photoArrived (when decodePhoto said it comes later)
//   slideshow cursors     -> lockCursor / unlockCursor; listing -> setBusyCursor / restoreCursor
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/PhotoView.h"
#include "commands/Commands.h"
#include "platform/Canvas.h"
#include "platform/Desktop.h"
#include "platform/Geometry.h"
#include "platform/WindowHost.h"

namespace vellumo {

// Outcome of decoding a photo file into the viewer's bitmap.
struct DecodedPhoto {
    bool ok = false;
    int width = 0;
    int height = 0;
    std::string errorText;  // the decoder's error text when decoding failed
    // Where the full photo is: here; decoding on a worker while its display
    // copy (of this size) stands for it; or decoding on a worker with nothing
    // of it known yet (the window shows what it showed until it arrives).
    enum class Full { Here, CopyShown, Later };
    Full full = Full::Here;
};

// One quarter turn, and the fine rotation step of five degrees, in radians.
constexpr double QuarterTurn = 1.5707963267948966;
constexpr double FineRotationStep = 0.08726646259971647;

class PhotoDisplayHost {
public:
    virtual ~PhotoDisplayHost() = default;

    // --- the current settings record ---
    virtual char scaleStart() const = 0;
    virtual bool scaleSavingMode() const = 0;
    virtual void setScaleSavingMode(bool on) = 0;
    virtual ColorRef backgroundColor() const = 0;

    // --- the window around the view ---
    virtual void hideComment() = 0;    // sets the Comment setting to 0
    virtual void hideNavigator() = 0;
    virtual void redrawAll() = 0;      // invalidates and updates the whole window
    virtual void setCursor(CursorId cursor) = 0;
    virtual Point mousePosition() const = 0;  // in viewer coordinates
    virtual bool totalSlideshowPaused() const = 0;
    virtual void beep(BeepKind kind) = 0;
    virtual void runCommandsAfterZoom(bool zoomedIn) = 0;  // CommandsAfterZoomIn / CommandsAfterZoomOut

    // --- the steps of showing a photo that other subsystems carry out ---
    virtual bool fileExists(const std::string& path) = 0;
    // Enters the photo's settings scope (may load its own settings file).
    virtual void enterPhotoScope(const std::string& path) = 0;
    // Drops the current bitmap and decodes the file into a new one.
    virtual DecodedPhoto decodePhoto(const std::string& path) = 0;
    // Commands wait for the full photo decodePhoto said would come later
    // (it decodes only when needed): its decode is needed now.
    virtual void hurryPhoto() = 0;
    // Gathers, composes and expands the comment and sizes its rectangle. The
    // composition sets the macro rotation through PhotoDisplay.
    virtual void composeComment() = 0;
    // Replaces the bitmap by its rotation (positive is counter-clockwise) with
    // the fill colour around it; returns the new size, or nothing when the
    // rotation could not be made (the bitmap then stays as decoded). Sizes stay
    // within PhotoView::MaxExtent, as the decoders' pixel cap ensures.
    virtual std::optional<Size> rotatePhoto(double radians, ColorRef fill) = 0;
    // Writes a quarter-turn rotation macro into the photo's attached comment file.
    virtual void writeRotationMacro(bool left) = 0;
    // Decoding failed: clear PhotoComment and ShownComment and, unless a small
    // or total slideshow runs, show the text in an information message box.
    // (A decode the photo display no longer waits for is the host's to drop
    // when the next decodePhoto comes.)
    virtual void photoFailed(const std::string& errorText) = 0;
    // The photo is ready: choose a transition effect and start it, or redraw
    // the whole window and play the sound comment.
    virtual void presentPhoto() = 0;
};

class PhotoDisplay {
public:
    PhotoDisplay(PhotoDisplayHost& host, const Rect& screen, char scaleStart);

    PhotoView& view() { return view_; }
    const PhotoView& view() const { return view_; }

    // --- state ---
    bool noPhoto() const { return noPhoto_; }
    void setNoPhoto(bool on) { noPhoto_ = on; }
    const std::string& photoPath() const { return path_; }
    double rotationAngle() const { return rotationAngle_; }
    double macroRotationAngle() const { return macroRotationAngle_; }
    bool rotatePending() const { return rotatePending_; }
    // Used by the comment composition: the macro rotation it found (reset to 0
    // on every composition) and the rotate-pending flag when there was one.
    void setMacroRotationAngle(double radians) { macroRotationAngle_ = radians; }
    void setRotatePending() { rotatePending_ = true; }

    // --- showing ---
    // Loads the photo keeping the rotation state; nothing when the file is missing.
    void showPhoto(const std::string& path);
    // Loads the photo unrotated and clears NoPhoto (zoom steps are kept);
    // nothing at all when the file is missing.
    void showPhotoFresh(const std::string& path);
    // The start picture: NoPhoto set, real scale, no settings scope; the scale
    // mode returns to ScaleStart afterwards.
    void showStartPicture(const std::string& path);
    // The view a photo of this size is shown in when it loads now unrotated
    // (the scale mode it gets applied); the current view stays as it is.
    PhotoView viewForNewPhoto(int width, int height) const { return newPhotoViews()(width, height); }
    // The same for any size, as a snapshot of the view as it is now (for
    // other threads).
    std::function<PhotoView(int width, int height)> newPhotoViews() const;
    // The full photo that decodePhoto said would come later is here (or its
    // decode failed): the load ends as it would have, and the commands that
    // waited for it run in their order.
    void photoArrived(const DecodedPhoto& decoded);
    // The photo's full decode runs on a worker: the commands that act on the
    // view wait for it, the others act at once.
    bool waitingForPhoto() const { return waiting_.has_value(); }
    // Nothing of the photo being loaded is on screen yet (no display copy
    // stands for it).
    bool photoOnItsWay() const { return waiting_ && !waiting_->copyShown; }
    // The commands waiting for the full photo, in order.
    struct WaitingCommand {
        int command = 0;
        int repeat = 1;
    };
    const std::vector<WaitingCommand>& waitingCommands() const { return deferred_; }
    // A new screen size: the photo is placed again for its scale mode.
    void setScreenRect(const Rect& screen);
    // The ScaleStart setting changed.
    void scaleStartChanged(char letter) { view_.setScaleMode(ScaleModeFromLetter(letter)); }

    // --- commands ---
    // Runs one of the view commands (100 to 113, 143, 169) with the repeat
    // count of the command queue; false for any other number. Command 143 is
    // the viewer's refresh; routing it by the focus is the dispatcher's task.
    bool runCommand(int command, int repeat = 1);
    void zoom(bool in, int repeat);
    void scale(ScaleMode mode);  // Real (102) or Fit (103)
    void pan(PanDirection direction, int repeat);
    // 108, 109, 111, 112: by the angle (positive is left).
    void rotateBy(double radians);
    // 110, 113: through the rotation macro of the attached comment file.
    void rotateByMacro(bool left);
    void refresh() { showPhotoFresh(path_); }
    void toggleScaleSavingMode();

    // --- mouse and scrolling ---
    // Left button pressed off the comment tracker: starts dragging a photo
    // larger than the screen. True when a drag started (capture the mouse).
    bool leftButtonDown(Point p);
    // Mouse moved: follows a drag; the cursor is updated unless the comment
    // tracker is active and sets its own.
    void mouseMove(Point p, bool trackerActive = false);
    void leftButtonUp(Point p);
    // The window was activated or deactivated, or lost the focus: a drag
    // ends, since the button's release may never reach this window.
    void activationChanged() {
        view_.endDrag();
        updateCursor();
    }
    bool dragging() const { return view_.isDragging(); }
    void scroll(Axis axis, ScrollCode code);

    // --- cursor ---
    // Shows the view's cursor for the mouse position; nothing while a busy or
    // locked cursor is shown.
    void updateCursor();
    // A busy period (decoding 2005, listing 2003): shows the cursor until the
    // matching restoreCursor. Busy periods nest.
    void setBusyCursor(int resourceId);
    void restoreCursor();
    // The slideshow cursors (2001 to 2004): a lock replaces the previous lock
    // and holds until unlocked; busy periods show over it and return to it.
    void lockCursor(int resourceId);
    void unlockCursor();
    CursorId currentCursor() const { return cursor_; }
    bool busy() const { return !busyCursors_.empty() || locked_.has_value(); }

    // --- painting: background and photo; the comment is drawn over it by the caller ---
    void paint(Canvas& canvas, const Rect& clip, const ImageView* image) const {
        view_.paint(canvas, clip, host_.backgroundColor(), image);
    }

private:
    // Nothing happens when the file is not there.
    void load(const std::string& path, std::optional<ScaleMode> forcedMode);
    void loadExisting(const std::string& path, std::optional<ScaleMode> forcedMode);
    // The steps of a load after the decode: size, comment, rotation, scale
    // mode, presentation (or the failure).
    void place(const DecodedPhoto& decoded, std::optional<ScaleMode> forcedMode);
    // The photo is shown from its display copy meanwhile, or not at all yet.
    struct Waiting {
        std::optional<ScaleMode> forcedMode;
        bool copyShown = false;
    };
    std::optional<Waiting> waiting_;
    std::vector<WaitingCommand> deferred_;
    // Commands that act on the view: they wait for the full photo.
    static bool ActsOnView(int command);

    PhotoDisplayHost& host_;
    PhotoView view_;
    bool noPhoto_ = true;
    std::string path_;
    double rotationAngle_ = 0.0;
    double macroRotationAngle_ = 0.0;
    bool rotatePending_ = false;
    void showCursor(CursorId cursor);

    CursorId cursor_{CursorId::Arrow};
    std::vector<int> busyCursors_;  // innermost busy period last
    std::optional<int> locked_;
};

}  // namespace vellumo
