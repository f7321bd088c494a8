// The viewer window's own commands: exit, the menus, the selection dialogs,
// the IntelliMouse switch, and the sound commands.
#include "app/ViewerWindow.h"

#include "platform/StartupTrace.h"
#include "sound/MusicPlayer.h"
#include "sound/SoundComment.h"

namespace vellumo {

namespace {

// The language text of a key name ("ZoomIn"); "" for unknown names.
std::string LanguageTextOfKey(const Language& language, std::string_view key) {
    const auto& entries = LanguageEntries();
    for (size_t i = 0; i < entries.size(); ++i)
        if (key == entries[i].key) return language.text(static_cast<LanguageKey>(i));
    return {};
}

std::vector<MenuItem> ToMenuItems(const std::vector<ViewerMenuEntry>& entries) {
    std::vector<MenuItem> items;
    for (const auto& e : entries) {
        MenuItem item;
        item.id = e.command;
        item.text = e.text;
        item.enabled = e.enabled;
        item.checked = e.checked;
        item.separator = e.separator;
        item.children = ToMenuItems(e.submenu);
        items.push_back(std::move(item));
    }
    return items;
}


}  // namespace

void ViewerWindow::viewerCommand(int command, bool fromMouse) {
    switch (command) {
        case cmd::ViewerMenu:
        case cmd::ContextMenu: showViewerMenu(fromMouse); return;
        case cmd::Exit:
            TraceStartup("exit command");
            host_.close();
            return;
        case cmd::SwitchIntelliMouse:
            beep(BeepKind::Exclamation);
            settings().IntelliMouseMode = ToggledIntelliMouseMode(settings().IntelliMouseMode);
            return;
        case cmd::SelectLanguage: runSelection(SelectionUse::Language); return;
        case cmd::SelectHotkeys: runSelection(SelectionUse::Hotkeys); return;
        default: return;
    }
}

void ViewerWindow::soundCommand(int command) {
    if (command == cmd::ToggleSoundComments || command == cmd::SoundCommentsOn || command == cmd::SoundCommentsOff) {
        const bool on = settings().PlaySoundCommentToPhoto == 1;
        const bool now = SwitchedSoundComments(command, on);
        if (now == on) return;
        settings().PlaySoundCommentToPhoto = now ? 1 : 0;
        musicStateChanged();  // the SOUND tags show the switch
        if (!now && music_) music_->soundComments().stop();
        return;
    }
    if (!music_) return;
    switch (command) {
        case cmd::ToggleMusic: music_->ToggleMusic(); return;
        case cmd::MusicOn: music_->MusicOn(); return;
        case cmd::MusicOff: music_->MusicOff(); return;
        default: return;
    }
}

void ViewerWindow::playSoundComment(const std::string& photoPath) {
    if (!music_) return;
    SoundCommentSituation situation;
    situation.commentsOn = settings().PlaySoundCommentToPhoto == 1;
    situation.noPhoto = display_.noPhoto();
    situation.slideshowStepping = music_->inSlideshow() && !totalSlideshowPaused();
    situation.ctrlDown = desktop_.isKeyDown(0x11);
    PlaySoundComment(photoPath, situation, music_->soundComments());
}

void ViewerWindow::musicStateChanged() {
    // The comment (and its music macros and tags) is composed again and redrawn.
    recomposeComment();
}

void ViewerWindow::runSelection(SelectionUse use) {
    if (!selection_ || selection_->isOpen()) return;
    const bool navigatorHadFocus = navigator_ && navigator_->listHasFocus();
    const bool loaded = selection_->run(use);
    // A new language changes the texts the comment may show.
    if (loaded && use == SelectionUse::Language && !display_.noPhoto()) composeComment();
    redrawAll();
    if (navigatorHadFocus && navigator_) navigator_->focusList();
    else host_.setFocus();
}

void ViewerWindow::showViewerMenu(bool fromMouse) {
    // The menu's first step: a running small slideshow stops (F10 is a bound
    // key, which the key handling lets through without stopping it).
    if (slideshows_ && slideshows_->smallRunning()) slideshows_->stopSmall();
    const Settings& s = settings();
    const PhotoView& view = display_.view();
    ViewerMenuState state;
    state.noPhoto = display_.noPhoto();
    state.canZoomIn = view.canZoomIn();
    state.canZoomOut = view.canZoomOut();
    const Rect& photo = view.photoRect();
    state.photoLeftOfScreen = photo.left < screenRect_.left;
    state.photoRightOfScreen = photo.right > screenRect_.right;
    state.photoAboveScreen = photo.top < screenRect_.top;
    state.photoBelowScreen = photo.bottom > screenRect_.bottom;
    state.hasPreviousPhoto = navigator_ && navigator_->canStep(false);
    state.hasNextPhoto = navigator_ && navigator_->canStep(true);
    state.smallSlideshowCanStart = slideshows_ && slideshows_->smallCommandActs();
    state.totalSlideshowRuns = slideshows_ && slideshows_->totalRunning();
    state.totalSlideshowPaused = totalSlideshowPaused();
    state.navigatorVisible = navigator_ && navigator_->isShown();
    state.commentOn = s.Comment == 1;
    state.thumbnailsOn = s.Thumbnails == 1;
    state.soundCommentsOn = s.PlaySoundCommentToPhoto == 1;
    state.musicPresent = s.MusicPresent;
    state.musicListEmpty = !music_ || !music_->hasFiles();
    state.musicPlays = music_ && music_->isPlaying();
    state.zoomTargetZero = view.zoomSteps().target == 0;
    state.scaleMode = ScaleLetter(view.scaleMode());
    const Language& language = context_.scopes.language();
    auto entries = ComposeViewerMenu(
        state, [&](std::string_view key) { return LanguageTextOfKey(language, key); },
        [&](int command) { return HotkeyText(context_.hotkeys.keys, command); });
    MenuPlacement placement = ViewerMenuPlacement(fromMouse, commandQueue_.lastMousePosition(), screenRect_);
    int chosen = desktop_.popupMenu(ToMenuItems(entries), placement.point,
                                     placement.alignment == MenuPlacement::RightEdgeAtPoint
                                         ? MenuAlign::RightVerticalCenter
                                         : MenuAlign::Centered);
    if (chosen != 0) execute(chosen, 1, false);
}

}  // namespace vellumo
