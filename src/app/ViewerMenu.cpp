#include "app/ViewerMenu.h"

#include "commands/Commands.h"

namespace vellumo {

namespace {

// Replaces the part of a language text after its first tab by the hotkey text.
std::string WithHotkey(std::string text, const std::string& hotkey) {
    size_t tab = text.find('\t');
    if (tab != std::string::npos) text = text.substr(0, tab + 1) + hotkey;
    return text;
}

ViewerMenuEntry Separator() {
    ViewerMenuEntry m;
    m.separator = true;
    return m;
}

}  // namespace

std::vector<ViewerMenuEntry> ComposeViewerMenu(const ViewerMenuState& s,
                                        const std::function<std::string(std::string_view key)>& languageText,
                                        const std::function<std::string(int command)>& hotkeyText) {
    // An item's text comes from the language key the command table gives it,
    // or its other key in the other state (Stop, HideNavigator, ...).
    auto item = [&](int command, bool otherState = false) {
        const CommandInfo* info = FindCommand(command);
        ViewerMenuEntry m;
        m.command = command;
        m.text = WithHotkey(languageText(otherState ? info->menuTextKeyAlt : info->menuTextKey), hotkeyText(command));
        return m;
    };
    std::vector<ViewerMenuEntry> menu;
    for (int c : {100, 101, 102, 103, 0, 104, 105, 106, 107, 0, 108, 111, 0, 114, 115, 0, 116})
        menu.push_back(c ? item(c) : Separator());
    ViewerMenuEntry total;
    total.text = WithHotkey(languageText("SlideShowTotal"), "");
    total.submenu.push_back(item(cmd::TotalSlideshowStartStop, s.totalSlideshowRuns));
    total.submenu.push_back(item(cmd::SlideshowPauseContinue, s.totalSlideshowPaused));
    menu.push_back(std::move(total));
    menu.push_back(Separator());
    menu.push_back(item(cmd::ToggleNavigator, s.navigatorVisible));
    menu.push_back(item(cmd::ToggleComment, s.commentOn));
    for (int c : {131, 134, 137, 0, 140, 142}) menu.push_back(c ? item(c) : Separator());

    auto apply = [&](ViewerMenuEntry& m) {
        int c = m.command;
        bool disabled = false;
        if (s.noPhoto) {
            disabled = (c >= 100 && c <= 108) || c == 111 || c == 128;
        } else {
            disabled = (c == 100 && !s.canZoomIn) || (c == 101 && !s.canZoomOut) ||
                       (c == 104 && !s.photoLeftOfScreen) || (c == 105 && !s.photoRightOfScreen) ||
                       (c == 106 && !s.photoAboveScreen) || (c == 107 && !s.photoBelowScreen);
        }
        disabled = disabled || (c == 114 && !s.hasPreviousPhoto) || (c == 115 && !s.hasNextPhoto) ||
                   (c == 116 && !s.smallSlideshowCanStart) || (c == 120 && !s.totalSlideshowRuns) ||
                   (c == 131 && !s.navigatorVisible) ||
                   (c == 137 && (s.musicListEmpty || (s.musicPresent == 's' && !s.totalSlideshowRuns)));
        m.enabled = !disabled;
        m.checked = (c == 134 && s.soundCommentsOn) || (c == 137 && s.musicPlays) ||
                    (s.zoomTargetZero && ((c == 102 && s.scaleMode == 'r') || (c == 103 && s.scaleMode == 'f'))) ||
                    (c == 131 && s.thumbnailsOn);
    };
    for (auto& m : menu) {
        if (m.separator) continue;
        if (m.command) apply(m);
        for (auto& sub : m.submenu) apply(sub);
    }
    return menu;
}

MenuPlacement ViewerMenuPlacement(bool fromMouse, Point lastMouse, const Rect& screen) {
    MenuPlacement p;
    if (fromMouse) {
        p.alignment = MenuPlacement::RightEdgeAtPoint;
        p.point = lastMouse;
    } else {
        p.alignment = MenuPlacement::Centred;
        p.point = {screen.left + screen.width() / 2, screen.top + screen.height() / 2};
    }
    return p;
}

}  // namespace vellumo
