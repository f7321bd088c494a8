#pragma once
// The viewer's popup menu as data: its items in order, their texts from the
// language file with the current hotkeys, grey items and check marks, and
// where it opens.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Geometry.h"

namespace vellumo {

// What the menu's texts, grey items and check marks depend on.
struct ViewerMenuState {
    bool noPhoto = true;
    bool canZoomIn = false;
    bool canZoomOut = false;
    bool photoLeftOfScreen = false;    // the photo's left edge is left of the screen
    bool photoRightOfScreen = false;   // its right edge is right of the screen
    bool photoAboveScreen = false;     // its top edge is above the screen
    bool photoBelowScreen = false;     // its bottom edge is below the screen
    bool hasPreviousPhoto = false;
    bool hasNextPhoto = false;
    bool smallSlideshowCanStart = false;
    bool totalSlideshowRuns = false;
    bool totalSlideshowPaused = false;
    bool navigatorVisible = false;
    bool commentOn = false;            // the Comment setting is 1
    bool thumbnailsOn = false;
    bool soundCommentsOn = false;
    bool musicListEmpty = true;
    char musicPresent = 'a';           // MusicPresent setting letter
    bool musicPlays = false;
    bool zoomTargetZero = true;
    char scaleMode = 'f';              // ScaleMode setting letter
};

struct ViewerMenuEntry {
    int command = 0;        // 0 for a separator or a submenu
    bool separator = false;
    std::string text;       // tab, then the hotkey text when the language text has a tab
    bool enabled = true;
    bool checked = false;
    std::vector<ViewerMenuEntry> submenu;
};

// Builds the viewer menu: items, texts (languageText looks up a language key;
// the part after a tab becomes hotkeyText of the item's command), grey items
// and check marks.
std::vector<ViewerMenuEntry> ComposeViewerMenu(const ViewerMenuState& state,
                                        const std::function<std::string(std::string_view key)>& languageText,
                                        const std::function<std::string(int command)>& hotkeyText);

// Where the viewer menu opens: at the last mouse position with its right edge
// there, vertically centred, when the command came from a mouse button;
// otherwise centred on the screen.
struct MenuPlacement {
    enum Alignment { RightEdgeAtPoint, Centred } alignment = Centred;
    Point point;
};
MenuPlacement ViewerMenuPlacement(bool fromMouse, Point lastMouse, const Rect& screen);

}  // namespace vellumo
