#pragma once
// Qt key events onto the program's virtual-key codes. The physical key
// decides, whatever the Shift state and the keyboard layout: Shift+2 is the
// key 2 with Shift, the main keyboard's "=" key stays 0xBB with Shift, the
// keypad's operators are 0x6A 0x6B 0x6D 0x6F, letters and digits give their
// capital ASCII codes, the Menu key gives 0x5D.
#include <QKeyEvent>

#include "app/KeyDispatch.h"

namespace vellumo {

// The virtual-key code of a key from Qt's key, modifiers and the native scan
// code (under X11 and Wayland the xkb keycode: evdev code + 8; 0 when
// unknown); 0 when the key has no code of the program.
int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode);

int VirtualKeyOf(const QKeyEvent& event);

// The key and the Shift, Ctrl and Alt state of a key press.
KeyInput KeyInputOf(const QKeyEvent& event);

}  // namespace vellumo
