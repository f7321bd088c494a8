#include "platform/qt/QtKeys.h"

namespace vellumo {

namespace {

// Virtual-key codes of the keys Qt names directly.
int VirtualKeyOf(int key) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return 'A' + (key - Qt::Key_A);
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return '0' + (key - Qt::Key_0);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
    switch (key) {
        case Qt::Key_Backspace: return 0x08;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return 0x09;
        case Qt::Key_Return:
        case Qt::Key_Enter: return 0x0D;
        case Qt::Key_Shift: return 0x10;
        case Qt::Key_Control: return 0x11;
        case Qt::Key_Alt: return 0x12;
        case Qt::Key_Pause: return 0x13;
        case Qt::Key_Escape: return 0x1B;
        case Qt::Key_Space: return 0x20;
        case Qt::Key_PageUp: return 0x21;
        case Qt::Key_PageDown: return 0x22;
        case Qt::Key_End: return 0x23;
        case Qt::Key_Home: return 0x24;
        case Qt::Key_Left: return 0x25;
        case Qt::Key_Up: return 0x26;
        case Qt::Key_Right: return 0x27;
        case Qt::Key_Down: return 0x28;
        case Qt::Key_Insert: return 0x2D;
        case Qt::Key_Delete: return 0x2E;
        case Qt::Key_Menu: return 0x5D;
        default: return 0;
    }
}

}  // namespace

KeyEvent TranslateKeyEvent(const QKeyEvent* e) {
    KeyEvent k;
    k.virtualKey = VirtualKeyOf(e->key());
    Qt::KeyboardModifiers m = e->modifiers();
    k.shift = m & Qt::ShiftModifier;
    k.control = m & Qt::ControlModifier;
    k.alt = m & Qt::AltModifier;
    k.autoRepeat = e->isAutoRepeat();
    return k;
}

}  // namespace vellumo
