#include "app/ViewerMenu.h"

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
    auto item = [&](int command, std::string_view key) {
        ViewerMenuEntry m;
        m.command = command;
        m.text = WithHotkey(languageText(key), hotkeyText(command));
        return m;
    };
    std::vector<ViewerMenuEntry> menu;
    menu.push_back(item(100, "ZoomIn"));
    menu.push_back(item(101, "ZoomOut"));
    menu.push_back(item(102, "RealScale"));
    menu.push_back(item(103, "FitToScreen"));
    menu.push_back(Separator());
    menu.push_back(item(104, "MoveLeft"));
    menu.push_back(item(105, "MoveRight"));
    menu.push_back(item(106, "MoveUp"));
    menu.push_back(item(107, "MoveDown"));
    menu.push_back(Separator());
    menu.push_back(item(108, "RotateLeft"));
    menu.push_back(item(111, "RotateRight"));
    menu.push_back(Separator());
    menu.push_back(item(114, "ShowPreviousPhoto"));
    menu.push_back(item(115, "ShowNextPhoto"));
    menu.push_back(Separator());
    menu.push_back(item(116, "SlideShowSmall"));
    ViewerMenuEntry total;
    total.text = WithHotkey(languageText("SlideShowTotal"), "");
    total.submenu.push_back(item(117, s.totalSlideshowRuns ? "Stop" : "Start"));
    total.submenu.push_back(item(120, s.totalSlideshowPaused ? "Continue" : "Pause"));
    menu.push_back(std::move(total));
    menu.push_back(Separator());
    menu.push_back(item(125, s.navigatorVisible ? "HideNavigator" : "ShowNavigator"));
    menu.push_back(item(128, s.commentOn ? "HideComment" : "ShowComment"));
    menu.push_back(item(131, "Thumbnails"));
    menu.push_back(item(134, "SoundComment"));
    menu.push_back(item(137, "BackgroundMusic"));
    menu.push_back(Separator());
    menu.push_back(item(140, "Help"));
    menu.push_back(item(142, "Exit"));

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
