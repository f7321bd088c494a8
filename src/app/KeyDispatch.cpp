#include "app/KeyDispatch.h"

#include "commands/Commands.h"

namespace vellumo {

KeyOutcome PreTranslateKeyDown(const KeyInput& key, const KeyContext& context, const HotkeyTable& hotkeys) {
    using FocusChange = KeyOutcome::FocusChange;
    KeyOutcome out;
    out.postKeyDownTrigger = true;

    if (key.virtualKey == kVirtualKeyTab && !context.selectionDialogOpen && context.focus != FocusPlace::None) {
        out.consumed = true;
        if (!context.navigatorVisible) {
            out.focusChange = FocusChange::ShowNavigator;
        } else if (context.focus == FocusPlace::Viewer) {
            out.focusChange = FocusChange::ToNavigator;
        } else if (context.focus == FocusPlace::Navigator) {
            out.focusChange = FocusChange::ToViewer;
        }
        return out;
    }

    bool focusOutsideViewer = context.focus != FocusPlace::Viewer;
    int command = CommandForKey(hotkeys, key.virtualKey, HotkeyModifierState(key.shift, key.ctrl, key.alt),
                                focusOutsideViewer, context.selectionDialogOpen);
    if (command != 0) {
        out.consumed = true;
        out.command = command;
        out.delivery = RouteCommand(command, !focusOutsideViewer) == WindowId::Navigator
                           ? KeyOutcome::Delivery::PostToNavigator
                           : KeyOutcome::Delivery::QueueToViewer;
        return out;
    }
    out.stopSmallSlideshow = context.smallSlideshowRuns;
    return out;
}

}  // namespace vellumo
