#pragma once
// The real window behind the NavigatorWindow logic: a floating panel over the
// viewer with one list control. The list reports the user's actions through
// NavigatorListEvents; the panel's frame reports moves, sizes and the close
// button through PanelEvents. Coordinates are the viewer window's.
#include <optional>

#include "platform/Geometry.h"
#include "platform/PanelEvents.h"
#include "platform/WindowHost.h"

namespace vellumo {

class NavigatorList;
class ThumbnailImageList;

// How the list shows its rows: list view with small icons, or icon view
// with the large image list (thumbnails).
struct ThumbnailViewSpec {
    bool on = false;
    int size = 48;     // ThumbnailsSize: the square of every large image
    int spaceX = 13;   // items are spaced by size + spaceX across
    int spaceY = 43;   // and size + spaceY down
    int selection = 1; // ThumbnailsSelection: 2 draws a selected thumbnail on a square
    // Frames (9, 10) and thumbnails (11 on); the icons 0 to 8 are the panel's own.
    const ThumbnailImageList* images = nullptr;
};

// What the list control reports, already in the program's terms.
class NavigatorListEvents {
public:
    virtual ~NavigatorListEvents() = default;
    // The user moved the selection: row is now focused and selected.
    virtual void listSelectionChangedByUser(int row) = 0;
    // A double click with the left button; row -1 when not over a row.
    virtual void listDoubleClicked(int row) = 0;
    // A key press in the list (virtual-key code). Returns true when the key
    // was used; other keys keep their list behaviour (arrows, PageUp, ...).
    virtual bool listKeyDown(int virtualKey) = 0;
    // A right click at a point of the viewer window.
    virtual void listRightClicked(Point at) = 0;
    // The mouse moved over the panel to a point of the viewer window.
    virtual void listMouseMoved(Point at) = 0;
    // The list drew itself: the first and last rows whose icons lie in its
    // client area (-1 and -1 when none).
    virtual void listVisibleRows(int /*first*/, int /*last*/) {}
};

class NavigatorPanel {
public:
    virtual ~NavigatorPanel() = default;

    // The panel as a window: visibility, rectangle, caption, close.
    virtual WindowHost& host() = 0;
    // Connects the panel to the logic: the list control shows list and
    // reports to listEvents, the frame reports to panelEvents. Null pointers
    // disconnect (before the logic goes away).
    virtual void bind(NavigatorList* list, NavigatorListEvents* listEvents, PanelEvents* panelEvents) = 0;
    virtual void focusList() = 0;
    virtual bool listHasFocus() const = 0;
    // The list control's top-left corner in viewer coordinates.
    virtual Point listTopLeft() const = 0;
    // Background and text colour of the list; nothing means the desktop's
    // window and window-text colours.
    virtual void setListColors(std::optional<ColorRef> background, std::optional<ColorRef> text) = 0;
    virtual void repaintList() = 0;
    // Switches between list view and icon view, with the icon spacing and the
    // large image list; called again when any of them changes.
    virtual void setThumbnailView(const ThumbnailViewSpec& /*spec*/) {}
    // The screen's own pixels per pixel of the list (2 on a screen the
    // desktop scales by 2): thumbnails are made that much larger as well.
    virtual double devicePixelRatio() const { return 1.0; }
    // The start-up is over (the first photo on screen at full quality): work
    // that can wait until then, such as looking up the desktop's icon theme,
    // may run now.
    virtual void startupOver() {}
};

}  // namespace vellumo
