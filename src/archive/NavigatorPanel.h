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
};

}  // namespace vellumo
