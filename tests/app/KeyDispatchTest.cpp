#include <gtest/gtest.h>

#include "app/KeyDispatch.h"

using namespace vellumo;

namespace {
using Focus = KeyOutcome::FocusChange;
using Delivery = KeyOutcome::Delivery;

KeyOutcome Press(int vk, KeyContext ctx, bool shift = false, bool ctrl = false, bool alt = false) {
    static const HotkeyTable table = DefaultHotkeyTable();
    return PreTranslateKeyDown({vk, shift, ctrl, alt}, ctx, table);
}
}  // namespace

TEST(KeyPreTranslation, TabMovesTheFocusOrShowsTheNavigator) {
    KeyContext ctx;
    ctx.navigatorVisible = true;
    ctx.focus = FocusPlace::Viewer;
    KeyOutcome o = Press(0x09, ctx);
    EXPECT_TRUE(o.postKeyDownTrigger);
    EXPECT_TRUE(o.consumed);
    EXPECT_EQ(o.focusChange, Focus::ToNavigator);
    ctx.focus = FocusPlace::Navigator;
    EXPECT_EQ(Press(0x09, ctx).focusChange, Focus::ToViewer);
    ctx.focus = FocusPlace::Other;  // consumed without effect
    o = Press(0x09, ctx);
    EXPECT_TRUE(o.consumed);
    EXPECT_EQ(o.focusChange, Focus::None);
    ctx.navigatorVisible = false;
    ctx.focus = FocusPlace::Viewer;
    o = Press(0x09, ctx);
    EXPECT_TRUE(o.consumed);
    EXPECT_EQ(o.focusChange, Focus::ShowNavigator);
    // Without a focus window, or with a selection dialog open, Tab is an ordinary key.
    ctx.focus = FocusPlace::None;
    ctx.smallSlideshowRuns = true;
    o = Press(0x09, ctx);
    EXPECT_FALSE(o.consumed);
    EXPECT_TRUE(o.stopSmallSlideshow);
    ctx.focus = FocusPlace::Viewer;
    ctx.selectionDialogOpen = true;
    o = Press(0x09, ctx);
    EXPECT_FALSE(o.consumed);
    EXPECT_EQ(o.focusChange, Focus::None);
    EXPECT_TRUE(o.postKeyDownTrigger);
}

TEST(KeyPreTranslation, HotkeysBecomeCommandsRoutedByFocus) {
    KeyContext viewer;
    viewer.focus = FocusPlace::Viewer;
    viewer.smallSlideshowRuns = true;
    KeyOutcome o = Press(0x21, viewer);  // PageUp
    EXPECT_TRUE(o.postKeyDownTrigger);
    EXPECT_TRUE(o.consumed);
    EXPECT_EQ(o.command, 100);
    EXPECT_EQ(o.delivery, Delivery::QueueToViewer);
    EXPECT_FALSE(o.stopSmallSlideshow);  // a bound key leaves the small slideshow running
    o = Press(0x74, viewer);             // F5 reloads the photo
    EXPECT_EQ(o.command, 143);
    EXPECT_EQ(o.delivery, Delivery::QueueToViewer);
    EXPECT_EQ(Press('X', viewer, false, false, true).command, 142);  // Alt+X

    KeyContext list;
    list.focus = FocusPlace::Navigator;
    list.navigatorVisible = true;
    // The list keeps its navigation keys.
    for (int vk : {0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28}) {
        o = Press(vk, list);
        EXPECT_FALSE(o.consumed) << vk;
        EXPECT_EQ(o.command, 0);
        EXPECT_TRUE(o.postKeyDownTrigger);
    }
    o = Press(0x74, list);  // F5 refreshes the list
    EXPECT_EQ(o.command, 143);
    EXPECT_EQ(o.delivery, Delivery::PostToNavigator);
    o = Press(0x5D, list);  // Context: the Navigator's own menu
    EXPECT_EQ(o.delivery, Delivery::PostToNavigator);
    o = Press(0x1B, list);  // Esc still hides the Navigator through the viewer
    EXPECT_EQ(o.command, 125);
    EXPECT_EQ(o.delivery, Delivery::QueueToViewer);
}

TEST(KeyPreTranslation, UnboundKeysStopTheSmallSlideshowAndGoOn) {
    KeyContext ctx;
    ctx.focus = FocusPlace::Viewer;
    ctx.smallSlideshowRuns = true;
    KeyOutcome o = Press(0x76, ctx, true);  // Shift+F7 is not bound
    EXPECT_FALSE(o.consumed);
    EXPECT_EQ(o.command, 0);
    EXPECT_TRUE(o.stopSmallSlideshow);
    EXPECT_TRUE(o.postKeyDownTrigger);
    ctx.smallSlideshowRuns = false;
    EXPECT_FALSE(Press(0x76, ctx, true).stopSmallSlideshow);
    // A selection dialog translates nothing.
    ctx.selectionDialogOpen = true;
    o = Press(0x21, ctx);
    EXPECT_EQ(o.command, 0);
    EXPECT_FALSE(o.consumed);
}
