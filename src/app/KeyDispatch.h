#pragma once
// What becomes of a key press before any window sees it: Tab moves the focus
// between the viewer and the Navigator, a bound key becomes a command, every
// key press fires the key-down trigger.
#include "config/Hotkeys.h"

namespace vellumo {

// A key-down (plain or with Alt) in the program's virtual-key codes.
struct KeyInput {
    int virtualKey = 0;
    bool shift = false;
    bool ctrl = false;
    bool alt = false;
};

constexpr int kVirtualKeyTab = 0x09;

// Where the keyboard focus is.
enum class FocusPlace {
    None,       // no focus window in the program
    Viewer,     // the viewer window itself
    Navigator,  // the Navigator window or its list
    Other,      // any other window (a dialog's control, ...)
};

struct KeyContext {
    FocusPlace focus = FocusPlace::Viewer;
    bool navigatorVisible = false;
    bool selectionDialogOpen = false;  // the language or hotkeys selection dialog
    bool smallSlideshowRuns = false;
};

struct KeyOutcome {
    enum class FocusChange { None, ToNavigator, ToViewer, ShowNavigator };
    enum class Delivery { None, QueueToViewer, PostToNavigator };

    bool postKeyDownTrigger = false;  // post cmd::KeyDownTrigger to the viewer first
    bool consumed = false;            // true: the key goes no further; false: normal processing
    FocusChange focusChange = FocusChange::None;
    int command = 0;                  // the hotkey's command (0 when none)
    Delivery delivery = Delivery::None;
    bool stopSmallSlideshow = false;  // an unbound key stops a running small slideshow
};

// Decides what to do with one key-down or system-key-down.
KeyOutcome PreTranslateKeyDown(const KeyInput& key, const KeyContext& context, const HotkeyTable& hotkeys);

}  // namespace vellumo
