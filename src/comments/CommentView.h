#pragma once
// The comment of the viewer window: the texts gathered for the shown photo,
// their composition into the shown comment, its rectangle on the screen, its
// drawing over the photo, the tracker that places it, and the comment commands
// (128 to 130 visibility, 144 to 149 font, 150 tracker, 151 to 153 colours,
// 154 copy the comment, 155 copy the list of macros and tags).
//
// It is not the photo view: the viewer window tells it what is shown
// (folder changes, the photo path and its embedded text, the bitmap size)
// and paints it after the photo. Settings are read from and changed in the
// current record of the scope chain; saving them is the scopes' business.
#include <cstdint>
#include <string>

#include "commands/Commands.h"
#include "comments/CommentTracker.h"
#include "comments/DescriptIon.h"
#include "comments/Macros.h"
#include "comments/Tags.h"
#include "config/ScopeStack.h"
#include "platform/Canvas.h"
#include "platform/Desktop.h"
#include "platform/Geometry.h"
#include "platform/WindowHost.h"

namespace vellumo {

// The comment font heights that commands 145 and 146 can reach are 7 to 73.
inline constexpr int kCommentFontMinExclusive = 6;
inline constexpr int kCommentFontMaxExclusive = 74;

// What the shown photo is, for the macros.
struct ShownPhoto {
    std::string path;  // "" while no photo is shown (start picture, failure)
    int width = 0;     // the bitmap size
    int height = 0;
};

class CommentView {
public:
    CommentView(WindowHost& host, Desktop& desktop, ScopeStack& scopes);

    // The slideshow, music and Navigator answers (nullptr: none of them).
    void setQueries(const MacroQueries* queries) { queries_ = queries; }
    const MacroQueries& queries() const;

    // The Navigator enters a folder: its descript.ion is read.
    void folderChanged(const std::string& folder) { descriptIon_.load(folder); }

    // Show photo, after decoding: gathers the photo-level comment and composes
    // it with the scope comments. Returns the composition's macro result (its
    // rotation is the photo's macro rotation).
    MacroExpansion showPhoto(const ShownPhoto& photo, const std::string& embeddedText);
    // The turn (radians) the rotation macros of the comment this photo would
    // get give it, from all its sources, without showing anything: before the
    // decode, with the embedded text known so far.
    double rotationAngleFor(const std::string& photoPath, const std::string& embeddedText);
    // Decoding failed: no photo-level comment and nothing shown.
    void photoFailed();
    // Composes again (the states that macros and tags show changed, or the
    // bitmap size), sizes the rectangle and invalidates the old and new ones.
    MacroExpansion recompose(const ShownPhoto& photo);

    // Converts CommentRect for the screen and sizes the drawing rectangle
    // (start, display and settings changes); invalidates old and new.
    void layout(const Rect& screen);

    // Paint steps 4 and 5: the comment and the tracker, over the photo.
    void paint(Canvas& canvas, const Rect& dirty, bool hasBitmap) const;

    // Runs a comment command; false for other numbers.
    bool runCommand(int command);

    // The left button: true when the tracker takes the press.
    bool mouseDown(Point p);
    // While the tracker drags: true when the move was taken. Sets the
    // tracker's cursors over its handles otherwise (true when it set one).
    bool mouseMove(Point p);
    bool mouseUp(Point p);

    // The window is destroyed: an active tracker is finished (its rectangle
    // stored), the descript.ion data freed.
    void destroy();

    // The Navigator caption: ApplicationName with its macros and tags; flags
    // receives the MacroFlags of the macros it holds.
    std::string expandCaption(const std::string& name, const ShownPhoto& photo, std::uint32_t& flags) const;

    const std::string& photoComment() const { return photoComment_; }
    const std::string& shownComment() const { return shownComment_; }
    const Rect& rectPx() const { return rectPx_; }
    const Rect& drawRect() const { return drawRect_; }
    const CommentTracker& tracker() const { return tracker_; }
    std::uint32_t macroFlags() const { return macroFlags_; }
    // The comment font as the canvas takes it.
    FontSpec font() const;

private:
    Settings& settings() { return scopes_.current(); }
    const Settings& settings() const { return scopes_.current(); }
    MacroExpansion compose(const ShownPhoto& photo);
    // The photo-level comment of a photo, from the sources the settings include.
    std::string gatherPhotoComment(const std::string& photoPath, const std::string& embeddedText);
    // The photo-level and scope comments combined, with their macros expanded.
    MacroExpansion expand(const std::string& photoComment, const ShownPhoto& photo) const;
    TagState tagState() const;
    // Sizes the drawing rectangle again and repaints where the old one was and the new one is.
    void resizeAndRedraw(const Rect& alsoRedraw = {});
    void sizeDrawRect();
    bool needsComment();
    void chooseFont();
    void changeHeight(int delta);
    void chooseColour(int command);
    void toggleTracker();
    void finishTracker();
    void redraw(const Rect& r);

    WindowHost& host_;
    Desktop& desktop_;
    ScopeStack& scopes_;
    const MacroQueries* queries_ = nullptr;
    DescriptIon descriptIon_;
    std::string photoComment_;
    std::string shownComment_;
    std::uint32_t macroFlags_ = 0;
    Rect screen_;
    Rect rectPx_;
    Rect drawRect_;
    bool visibleOnScreen_ = false;  // the last repaint showed the comment
    CommentTracker tracker_;
};

}  // namespace vellumo
