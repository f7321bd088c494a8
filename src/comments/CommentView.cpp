#include "comments/CommentView.h"

#include <cmath>

#include "comments/CommentLayout.h"
#include "comments/CommentLimits.h"
#include "comments/CommentSources.h"
#include "comments/Tags.h"
#include "config/Settings.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {

std::string CutText(std::string_view text) { return std::string(CutUtf8(text, kCommentByteLimit)); }

}  // namespace

CommentView::CommentView(WindowHost& host, Desktop& desktop, ScopeStack& scopes)
    : host_(host), desktop_(desktop), scopes_(scopes), screen_(desktop.screenRect()) {}

const MacroQueries& CommentView::queries() const {
    static const MacroQueries none;
    return queries_ ? *queries_ : none;
}

FontSpec CommentView::font() const {
    const FontDescription& f = settings().CommentFont;
    FontSpec spec;
    spec.face = f.faceName;
    spec.height = f.height < 0 ? -f.height : f.height;
    spec.weight = f.weight;
    spec.italic = f.italic != 0;
    spec.underline = f.underline != 0;
    spec.charSet = f.charSet;
    spec.cellHeight = true;
    return spec;
}

TagState CommentView::tagState() const {
    TagState state;
    state.languageName = settings().ApplicationLanguage.empty() ? "English" : settings().ApplicationLanguage;
    state.soundCommentsOn = settings().PlaySoundCommentToPhoto == 1;
    state.slideshowRunning = queries().slideshowRunning();
    state.musicPlaying = queries().musicPlaying();
    return state;
}

std::string CommentView::gatherPhotoComment(const std::string& photoPath, const std::string& embeddedText) {
    if (photoPath.empty()) return {};
    const Settings& s = settings();
    return GatherPhotoComment({s.IncludedMask, s.CommentsOrder, embeddedText, photoPath, &descriptIon_});
}

MacroExpansion CommentView::expand(const std::string& photoComment, const ShownPhoto& photo) const {
    const std::string text = CombineComments(photoComment, scopes_.scopeComments(), settings().CommentsOrder);
    return ExpandMacros(text, {photo.path, photo.width, photo.height, queries_});
}

MacroExpansion CommentView::compose(const ShownPhoto& photo) {
    MacroExpansion expanded = expand(photoComment_, photo);
    macroFlags_ = expanded.flags;
    shownComment_ = ApplyTags(CutText(expanded.text), tagState());
    return expanded;
}

MacroExpansion CommentView::showPhoto(const ShownPhoto& photo, const std::string& embeddedText) {
    photoComment_ = gatherPhotoComment(photo.path, embeddedText);
    return recompose(photo);
}

double CommentView::rotationAngleFor(const std::string& photoPath, const std::string& embeddedText) {
    if (photoPath.empty()) return 0.0;
    ShownPhoto photo;
    photo.path = photoPath;
    return expand(gatherPhotoComment(photoPath, embeddedText), photo).rotationAngle;
}

void CommentView::photoFailed() {
    photoComment_.clear();
    if (!shownComment_.empty()) redraw(drawRect_);
    shownComment_.clear();
    macroFlags_ = 0;
}

MacroExpansion CommentView::recompose(const ShownPhoto& photo) {
    MacroExpansion expanded = compose(photo);
    resizeAndRedraw();
    return expanded;
}

void CommentView::layout(const Rect& screen) {
    screen_ = screen;
    rectPx_ = CommentRectToPixels(settings().CommentRect, screen_);
    resizeAndRedraw();
}

void CommentView::sizeDrawRect() {
    const Settings& s = settings();
    const FontSpec f = font();
    const unsigned flags = CommentTextFlags(s.CommentAlign);
    drawRect_ = SizeCommentRect(rectPx_, screen_, s.CommentRectAutoSize == 1, s.CommentShadowOffset, shownComment_,
                                [&](const std::string& text, int width) {
                                    return desktop_.measureText(text, width, f, flags);
                                });
}

void CommentView::redraw(const Rect& r) {
    if (!r.isEmpty()) host_.invalidate(r);
}

void CommentView::resizeAndRedraw(const Rect& alsoRedraw) {
    // The viewer paints without erasing: the old place is repainted too, so
    // nothing of the old comment stays behind. The shadow reaches past the
    // rectangle by its offset.
    const Rect old = drawRect_;
    sizeDrawRect();
    // A comment hidden before and after has nothing on the screen to repaint
    // (and must not repaint parts of a photo a transition is still revealing).
    const bool visible = settings().Comment == 1;
    if (!visible && !visibleOnScreen_ && alsoRedraw.isEmpty()) return;
    visibleOnScreen_ = visible;
    const int offset = settings().CommentShadowOffset;
    auto reach = [offset](const Rect& r) {
        return r.isEmpty() ? r : Rect{r.left, r.top, r.right + offset, r.bottom + offset};
    };
    redraw(reach(old).united(reach(drawRect_)).united(alsoRedraw));
}

void CommentView::paint(Canvas& canvas, const Rect& dirty, bool hasBitmap) const {
    const Settings& s = settings();
    if (!hasBitmap || s.Comment != 1) return;
    const int offset = s.CommentShadowOffset;
    const Rect reach{drawRect_.left, drawRect_.top, drawRect_.right + offset, drawRect_.bottom + offset};
    if (!shownComment_.empty() && !reach.intersected(dirty).isEmpty()) {
        const FontSpec f = font();
        const unsigned flags = CommentTextFlags(s.CommentAlign);
        canvas.drawText(shownComment_, drawRect_.offset(offset, offset), f, s.CommentShadowColor, flags);
        canvas.drawText(shownComment_, drawRect_, f, s.CommentColor, flags);
    }
    if (tracker_.active() && !tracker_.outerRect().intersected(dirty).isEmpty()) tracker_.paint(canvas);
}

bool CommentView::needsComment() {
    if (settings().Comment == 1) return true;
    desktop_.beep(BeepKind::Default);
    return false;
}

bool CommentView::runCommand(int command) {
    
    Settings& s = settings();
    switch (command) {
        case cmd::ToggleComment:
        case cmd::CommentOff: {
            Rect trackerRect = tracker_.active() ? tracker_.outerRect() : Rect{};
            finishTracker();
            s.Comment = command == cmd::CommentOff ? 0 : (s.Comment == 1 ? 0 : 1);
            resizeAndRedraw(trackerRect);
            return true;
        }
        case cmd::CommentOn:
            s.Comment = 1;
            resizeAndRedraw();
            return true;
        case cmd::CommentFont: chooseFont(); return true;
        case cmd::FontSmaller: changeHeight(-2); return true;
        case cmd::FontLarger: changeHeight(+2); return true;
        case cmd::ToggleBold:
            if (!needsComment()) return true;
            s.CommentFont.weight = s.CommentFont.weight == 700 ? 400 : 700;
            resizeAndRedraw();
            return true;
        case cmd::ToggleItalic:
            if (!needsComment()) return true;
            s.CommentFont.italic = s.CommentFont.italic ? 0 : 1;
            resizeAndRedraw();
            return true;
        case cmd::ToggleUnderline:
            if (!needsComment()) return true;
            s.CommentFont.underline = s.CommentFont.underline ? 0 : 1;
            resizeAndRedraw();
            return true;
        case cmd::CommentRectangle: toggleTracker(); return true;
        case cmd::CommentColour:
        case cmd::ShadowColour:
        case cmd::BackgroundColour: chooseColour(command); return true;
        case cmd::CopyComment:
            if (shownComment_.empty()) desktop_.beep(BeepKind::Default);
            else desktop_.setClipboardText(shownComment_);
            return true;
        case cmd::CopyMacros: {
            std::string language = s.ApplicationLanguage.empty() ? "English" : s.ApplicationLanguage;
            desktop_.setClipboardText(MacroAndTagList(ToUpperAscii(language)));
            return true;
        }
        default: return false;
    }
}

void CommentView::chooseFont() {
    if (!needsComment()) return;
    const Language& language = scopes_.language();
    auto face = desktop_.chooseFontFace(font(), language.text(LanguageKey::CommentFont),
                                        language.text(LanguageKey::OK), language.text(LanguageKey::Cancel));
    if (!face || face->empty()) return;
    std::string cut(CutUtf8(*face, kFaceNameLimit));
    // A face name goes into a one-line settings value.
    for (char& c : cut)
        if (c == '\r' || c == '\n' || c == '\0' || c == ',') c = ' ';
    settings().CommentFont.faceName = cut;
    resizeAndRedraw();
}

void CommentView::changeHeight(int delta) {
    if (!needsComment()) return;
    FontDescription& f = settings().CommentFont;
    const int height = f.height + delta;
    if (height <= kCommentFontMinExclusive || height >= kCommentFontMaxExclusive) return;
    f.height = height;
    resizeAndRedraw();
}

void CommentView::chooseColour(int command) {
    
    if (command != cmd::BackgroundColour && !needsComment()) return;
    Settings& s = settings();
    ColorRef* target = command == cmd::CommentColour     ? &s.CommentColor
                       : command == cmd::ShadowColour ? &s.CommentShadowColor
                                                    : &s.BackgroundColor;
    LanguageKey caption = command == cmd::CommentColour     ? LanguageKey::CommentColour
                          : command == cmd::ShadowColour ? LanguageKey::CommentShadowColour
                                                       : LanguageKey::BackgroundColour;
    const Language& language = scopes_.language();
    auto colour = desktop_.chooseColour(*target, language.text(caption), language.text(LanguageKey::OK),
                                        language.text(LanguageKey::Cancel));
    if (!colour) return;
    // The setting may have been replaced while the dialog was open (a scope change).
    Settings& now = settings();
    if (command == cmd::CommentColour) now.CommentColor = *colour;
    else if (command == cmd::ShadowColour) now.CommentShadowColor = *colour;
    else now.BackgroundColor = *colour;
    if (command == cmd::BackgroundColour) host_.invalidateAll();
    else resizeAndRedraw();
}

void CommentView::toggleTracker() {
    if (!needsComment()) return;
    Rect before = tracker_.active() ? tracker_.outerRect() : Rect{};
    if (tracker_.active()) {
        finishTracker();
    } else {
        tracker_.start(rectPx_, static_cast<int>(std::lround(kTrackerHandleSize * desktop_.devicePixelRatio())));
        before = tracker_.outerRect();
    }
    redraw(before.united(drawRect_));
}

void CommentView::finishTracker() {
    if (!tracker_.active()) return;
    tracker_.finish();
    settings().CommentRect = CommentRectToThousandths(rectPx_, screen_);
}

bool CommentView::mouseDown(Point p) {
    if (!tracker_.active() || settings().Comment != 1) return false;
    if (!tracker_.beginDrag(p)) return false;
    host_.setCursor(CommentTracker::cursorFor(tracker_.hitTest(p)));
    return true;
}

bool CommentView::mouseMove(Point p) {
    if (!tracker_.active()) return false;
    if (!tracker_.dragging()) {
        TrackerHit hit = tracker_.hitTest(p);
        if (hit == TrackerHit::None) return false;
        host_.setCursor(CommentTracker::cursorFor(hit));
        return true;
    }
    const Rect before = tracker_.outerRect();
    if (tracker_.dragTo(p)) {
        // The comment follows the tracker while it is dragged.
        rectPx_ = tracker_.rect().intersected(screen_);
        if (rectPx_.isEmpty()) rectPx_ = tracker_.rect();
        resizeAndRedraw(before.united(tracker_.outerRect()));
    }
    return true;
}

bool CommentView::mouseUp(Point) {
    if (!tracker_.dragging()) return false;
    tracker_.endDrag();
    return true;
}

void CommentView::destroy() {
    finishTracker();
    descriptIon_.clear();
}

std::string CommentView::expandCaption(const std::string& name, const ShownPhoto& photo, std::uint32_t& flags) const {
    flags = 0;
    std::string text = name;
    if (text.find('%') != std::string::npos) {
        MacroExpansion expanded = ExpandMacros(text, {photo.path, photo.width, photo.height, queries_});
        flags = expanded.flags;
        text = std::move(expanded.text);
    }
    if (text.find('<') != std::string::npos) text = ApplyTags(CutText(text), tagState());
    return text;
}

}  // namespace vellumo
