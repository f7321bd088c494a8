#include "qt/KeyMapping.h"

namespace vellumo {

namespace {

// xkb keycodes are evdev codes + 8.
constexpr quint32 X(int evdev) { return static_cast<quint32>(evdev + 8); }

struct CodePair {
    quint32 scanCode;
    int virtualKey;
};

// Keys whose Qt key depends on Shift and on the layout: the digits row and
// the punctuation keys, by their place on the keyboard.
constexpr CodePair kPrintingKeys[] = {
    {X(2), '1'},   {X(3), '2'},   {X(4), '3'},   {X(5), '4'},   {X(6), '5'},   {X(7), '6'},
    {X(8), '7'},   {X(9), '8'},   {X(10), '9'},  {X(11), '0'},  {X(12), 0xBD}, {X(13), 0xBB},
    {X(26), 0xDB}, {X(27), 0xDD}, {X(39), 0xBA}, {X(40), 0xDE}, {X(41), 0xC0}, {X(43), 0xDC},
    {X(51), 0xBC}, {X(52), 0xBE}, {X(53), 0xBF}, {X(86), 0xE2},
    // keypad operators, whatever NumLock and the layout say
    {X(55), 0x6A}, {X(74), 0x6D}, {X(78), 0x6B}, {X(98), 0x6F},
};

// Letter keys by place, for layouts whose letters are not Latin.
constexpr CodePair kLetterKeys[] = {
    {X(16), 'Q'}, {X(17), 'W'}, {X(18), 'E'}, {X(19), 'R'}, {X(20), 'T'}, {X(21), 'Y'}, {X(22), 'U'},
    {X(23), 'I'}, {X(24), 'O'}, {X(25), 'P'}, {X(30), 'A'}, {X(31), 'S'}, {X(32), 'D'}, {X(33), 'F'},
    {X(34), 'G'}, {X(35), 'H'}, {X(36), 'J'}, {X(37), 'K'}, {X(38), 'L'}, {X(44), 'Z'}, {X(45), 'X'},
    {X(46), 'C'}, {X(47), 'V'}, {X(48), 'B'}, {X(49), 'N'}, {X(50), 'M'},
};

template <size_t N>
int Find(const CodePair (&table)[N], quint32 scanCode) {
    for (const auto& p : table)
        if (p.scanCode == scanCode) return p.virtualKey;
    return 0;
}

int KeypadKey(int qtKey) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return 0x60 + (qtKey - Qt::Key_0);
    switch (qtKey) {
        case Qt::Key_Asterisk: return 0x6A;
        case Qt::Key_Plus: return 0x6B;
        case Qt::Key_Minus: return 0x6D;
        case Qt::Key_Period:
        case Qt::Key_Comma: return 0x6E;
        case Qt::Key_Slash: return 0x6F;
        case Qt::Key_Enter:
        case Qt::Key_Return: return 0x0D;
        default: return 0;
    }
}

// By Qt's key alone: a US layout's meaning of the key.
int QtKey(int qtKey) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return '0' + (qtKey - Qt::Key_0);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) return 0x70 + (qtKey - Qt::Key_F1);
    switch (qtKey) {
        case Qt::Key_Backspace: return 0x08;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return 0x09;
        case Qt::Key_Clear: return 0x0C;
        case Qt::Key_Return:
        case Qt::Key_Enter: return 0x0D;
        case Qt::Key_Shift: return 0x10;
        case Qt::Key_Control: return 0x11;
        case Qt::Key_Alt: return 0x12;
        case Qt::Key_Pause: return 0x13;
        case Qt::Key_CapsLock: return 0x14;
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
        case Qt::Key_Print: return 0x2C;
        case Qt::Key_Insert: return 0x2D;
        case Qt::Key_Delete: return 0x2E;
        case Qt::Key_Help: return 0x2F;
        case Qt::Key_Meta: return 0x5B;
        case Qt::Key_Menu: return 0x5D;
        case Qt::Key_NumLock: return 0x90;
        case Qt::Key_ScrollLock: return 0x91;
        // shifted digits of a US keyboard
        case Qt::Key_Exclam: return '1';
        case Qt::Key_At: return '2';
        case Qt::Key_NumberSign: return '3';
        case Qt::Key_Dollar: return '4';
        case Qt::Key_Percent: return '5';
        case Qt::Key_AsciiCircum: return '6';
        case Qt::Key_Ampersand: return '7';
        case Qt::Key_Asterisk: return '8';
        case Qt::Key_ParenLeft: return '9';
        case Qt::Key_ParenRight: return '0';
        // punctuation, plain and shifted
        case Qt::Key_Semicolon:
        case Qt::Key_Colon: return 0xBA;
        case Qt::Key_Equal:
        case Qt::Key_Plus: return 0xBB;
        case Qt::Key_Comma:
        case Qt::Key_Less: return 0xBC;
        case Qt::Key_Minus:
        case Qt::Key_Underscore: return 0xBD;
        case Qt::Key_Period:
        case Qt::Key_Greater: return 0xBE;
        case Qt::Key_Slash:
        case Qt::Key_Question: return 0xBF;
        case Qt::Key_QuoteLeft:
        case Qt::Key_AsciiTilde: return 0xC0;
        case Qt::Key_BracketLeft:
        case Qt::Key_BraceLeft: return 0xDB;
        case Qt::Key_Backslash:
        case Qt::Key_Bar: return 0xDC;
        case Qt::Key_BracketRight:
        case Qt::Key_BraceRight: return 0xDD;
        case Qt::Key_Apostrophe:
        case Qt::Key_QuoteDbl: return 0xDE;
        default: return 0;
    }
}

}  // namespace

int VirtualKeyFromQt(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeScanCode) {
    if (nativeScanCode != 0) {
        if (int vk = Find(kPrintingKeys, nativeScanCode)) return vk;
        if (int vk = Find(kLetterKeys, nativeScanCode)) {
            // A Latin letter of the layout wins (AZERTY's A is A); other
            // scripts give the letter of the key's place.
            if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
            return vk;
        }
    }
    if (modifiers & Qt::KeypadModifier) {
        if (int vk = KeypadKey(qtKey)) return vk;
    }
    return QtKey(qtKey);
}

int VirtualKeyOf(const QKeyEvent& event) {
    return VirtualKeyFromQt(event.key(), event.modifiers(), event.nativeScanCode());
}

KeyInput KeyInputOf(const QKeyEvent& event) {
    KeyInput k;
    k.virtualKey = VirtualKeyOf(event);
    Qt::KeyboardModifiers m = event.modifiers();
    k.shift = m.testFlag(Qt::ShiftModifier);
    k.ctrl = m.testFlag(Qt::ControlModifier);
    k.alt = m.testFlag(Qt::AltModifier);
    return k;
}

}  // namespace vellumo
