#pragma once
// Services of the desktop that are not tied to one window.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Geometry.h"
#include "platform/Processes.h"

namespace vellumo {

enum class BeepKind { Default, Exclamation };

enum class MessageBoxKind {
    Information,  // one OK button
    Error,        // one OK button, error icon
    YesNo,        // question, No is the default button
    YesNoInformation,  // information icon, Yes and No, No is the default button
};

enum class MessageBoxResult { Ok, Yes, No };

// One item of a popup menu.
struct MenuItem {
    int id = 0;               // what choosing it returns; 0 for separators and submenus
    std::string text;         // UTF-8; a tab separates the hotkey text shown on the right
    int icon = -1;            // index into the Navigator's small icons, -1 for none
    bool enabled = true;
    bool checked = false;
    bool separator = false;
    bool isDefault = false;   // shown as the menu's default item (bold)
    std::vector<MenuItem> children;  // a submenu when not empty
};

enum class MenuAlign {
    TopLeft,              // the menu's top-left corner at the point
    RightVerticalCenter,  // the menu's right edge at the point, centred vertically on it
    Centered,             // the menu centred on the point both ways
};

// A modal dialog with a list of names and OK and Cancel buttons; a double
// click on a name acts as OK.
struct ListChoice {
    std::string caption, okText, cancelText;
    std::vector<std::string> items;  // shown in this order
    int selected = -1;               // the preselected item, -1 for none
};

class Desktop {
public:
    virtual ~Desktop() = default;

    // The primary screen, (0, 0, width, height).
    virtual Rect screenRect() const = 0;
    // The colour profile of the screen the viewer is on, as ICC bytes (the
    // one the desktop's colour manager set); empty for an sRGB screen or
    // when none is known. Asked anew for each photo, so a profile changed
    // meanwhile applies to the next one.
    virtual std::vector<std::uint8_t> screenColourProfile() const { return {}; }
    // The screen's own pixels per pixel as the desktop counts them (2 on a
    // screen it scales by 2). The logic works in the former; sizes meant for
    // the eye (a handle, a frame) are made that much larger.
    virtual double devicePixelRatio() const { return 1.0; }
    virtual void beep(BeepKind kind) = 0;
    // Whether a key (virtual-key code) is held down right now.
    virtual bool isKeyDown(int virtualKey) const = 0;
    virtual MessageBoxResult messageBox(const std::string& text, const std::string& caption, MessageBoxKind kind) = 0;
    // Starts a program with its arguments (no shell). Returns false when it
    // could not be started.
    virtual bool startProcess(const std::vector<std::string>& argv) = 0;
    // Opens a document or folder with the desktop's opener.
    virtual bool shellOpen(const std::string& path) = 0;
    // The same, with the opener as a child whose end and exit status can be
    // waited for (off the user-interface thread: an opener may only return
    // when the program it started closes); nullptr when it could not be
    // started. The default runs xdg-open.
    virtual std::unique_ptr<ChildProcess> startOpener(const std::string& path) {
        return StartChildProcess({"xdg-open", path});
    }
    virtual void setClipboardText(const std::string& utf8) = 0;
    virtual void setScreenSaverInhibited(bool inhibited) = 0;
    // The mouse cursor's position on the screen, and moving it there.
    virtual Point cursorPosition() const { return {}; }
    virtual void moveCursor(Point) {}
    // Shows a popup menu at a point of the viewer window and waits for the
    // choice; returns the chosen item's id, or 0 when the menu was dismissed.
    virtual int popupMenu(const std::vector<MenuItem>& items, Point at, MenuAlign align) = 0;
    // Runs a list dialog: the text of the item selected on OK ("" when none
    // was), nothing on Cancel.
    virtual std::optional<std::string> chooseFromList(const ListChoice& choice) = 0;
    // Starts a program whose end is watched (an editor); nullptr when it
    // could not be started.
    virtual std::unique_ptr<ChildProcess> startChild(const std::vector<std::string>& argv) = 0;

    // The font chooser (a modal dialog offering the face names of the
    // installed fonts, with a sample): the chosen face name, or nothing when
    // cancelled. The default has no dialog and answers Cancel.
    virtual std::optional<std::string> chooseFontFace(const FontSpec& initial, const std::string& caption,
                                                      const std::string& okText, const std::string& cancelText) {
        (void)initial, (void)caption, (void)okText, (void)cancelText;
        return std::nullopt;
    }
    // The colour chooser (modal, fully open): the chosen colour, or nothing
    // when cancelled. The default answers Cancel.
    virtual std::optional<ColorRef> chooseColour(ColorRef initial, const std::string& caption,
                                                 const std::string& okText, const std::string& cancelText) {
        (void)initial, (void)caption, (void)okText, (void)cancelText;
        return std::nullopt;
    }
    // The size text takes with a screen font when drawn into a box of the
    // given width with the flags (word breaking). The default measures
    // nothing (an empty size).
    virtual Size measureText(const std::string& utf8, int width, const FontSpec& font, unsigned flags) {
        (void)utf8, (void)width, (void)font, (void)flags;
        return {};
    }
};

}  // namespace vellumo
