#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QKeyEvent>

#include "qt/KeyMapping.h"

using namespace vellumo;

namespace {

void EnsureApplication() {
    static int argc = 1;
    static char name[] = "test_qt";
    static char* argv[] = {name, nullptr};
    static QGuiApplication* app = QCoreApplication::instance() ? nullptr : new QGuiApplication(argc, argv);
    (void)app;
}

// xkb keycodes as X11 and Wayland report them: evdev code + 8.
constexpr quint32 X(int evdev) { return static_cast<quint32>(evdev + 8); }

int Vk(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, quint32 scan = 0, const QString& text = {}) {
    EnsureApplication();
    QKeyEvent e(QEvent::KeyPress, key, mods, scan, 0, 0, text);
    return VirtualKeyOf(e);
}

}  // namespace

TEST(KeyMapping, ShiftAndLayoutDoNotChangeThePhysicalKey) {
    // Shift+2 on a US keyboard is "@", on a German one '"': still the key 2.
    EXPECT_EQ(Vk(Qt::Key_2, Qt::NoModifier, X(3)), '2');
    EXPECT_EQ(Vk(Qt::Key_At, Qt::ShiftModifier, X(3), "@"), '2');
    EXPECT_EQ(Vk(Qt::Key_QuoteDbl, Qt::ShiftModifier, X(3), "\""), '2');
    EXPECT_EQ(Vk(Qt::Key_Eacute, Qt::NoModifier, X(3), "é"), '2');  // French AZERTY digit row
    EXPECT_EQ(Vk(Qt::Key_ParenRight, Qt::ShiftModifier, X(11)), '0');
    // Main keyboard punctuation, plain and shifted.
    EXPECT_EQ(Vk(Qt::Key_Equal, Qt::NoModifier, X(13)), 0xBB);
    EXPECT_EQ(Vk(Qt::Key_Plus, Qt::ShiftModifier, X(13)), 0xBB);
    EXPECT_EQ(Vk(Qt::Key_Comma, Qt::NoModifier, X(51)), 0xBC);
    EXPECT_EQ(Vk(Qt::Key_Less, Qt::ShiftModifier, X(51)), 0xBC);
    EXPECT_EQ(Vk(Qt::Key_Period, Qt::ControlModifier, X(52)), 0xBE);
    EXPECT_EQ(Vk(Qt::Key_BracketLeft, Qt::NoModifier, X(26)), 0xDB);
    EXPECT_EQ(Vk(Qt::Key_BraceRight, Qt::ShiftModifier, X(27)), 0xDD);
    EXPECT_EQ(Vk(Qt::Key_QuoteLeft, Qt::NoModifier, X(41)), 0xC0);
    EXPECT_EQ(Vk(Qt::Key_AsciiTilde, Qt::ShiftModifier, X(41)), 0xC0);
    EXPECT_EQ(Vk(Qt::Key_Minus, Qt::NoModifier, X(12)), 0xBD);  // not the keypad minus
    // Letters: capital codes; a Latin layout's letter wins, other scripts go by place.
    EXPECT_EQ(Vk(Qt::Key_C, Qt::ShiftModifier, X(46), "C"), 'C');
    EXPECT_EQ(Vk(Qt::Key_A, Qt::NoModifier, X(16), "a"), 'A');  // AZERTY's A sits where Q is
    EXPECT_EQ(Vk(0x0421 /* Cyrillic ES */, Qt::ControlModifier, X(46)), 'C');
}

TEST(KeyMapping, KeypadMenuAndNamedKeys) {
    EXPECT_EQ(Vk(Qt::Key_Plus, Qt::KeypadModifier, X(78)), 0x6B);
    EXPECT_EQ(Vk(Qt::Key_Plus, Qt::KeypadModifier | Qt::ShiftModifier, X(78)), 0x6B);
    EXPECT_EQ(Vk(Qt::Key_Minus, Qt::KeypadModifier, X(74)), 0x6D);
    EXPECT_EQ(Vk(Qt::Key_Asterisk, Qt::KeypadModifier, X(55)), 0x6A);
    EXPECT_EQ(Vk(Qt::Key_Slash, Qt::KeypadModifier, X(98)), 0x6F);
    // Without a scan code the keypad flag decides.
    EXPECT_EQ(Vk(Qt::Key_Plus, Qt::KeypadModifier), 0x6B);
    EXPECT_EQ(Vk(Qt::Key_Asterisk, Qt::KeypadModifier), 0x6A);
    EXPECT_EQ(Vk(Qt::Key_Slash, Qt::KeypadModifier), 0x6F);
    EXPECT_EQ(Vk(Qt::Key_7, Qt::KeypadModifier), 0x67);
    EXPECT_EQ(Vk(Qt::Key_Home, Qt::KeypadModifier, X(71)), 0x24);  // NumLock off
    EXPECT_EQ(Vk(Qt::Key_Menu, Qt::NoModifier, X(127)), 0x5D);
    EXPECT_EQ(Vk(Qt::Key_F7, Qt::AltModifier, X(65)), 0x76);
    EXPECT_EQ(Vk(Qt::Key_F12), 0x7B);
    EXPECT_EQ(Vk(Qt::Key_Escape), 0x1B);
    EXPECT_EQ(Vk(Qt::Key_Space), 0x20);
    EXPECT_EQ(Vk(Qt::Key_Pause), 0x13);
    EXPECT_EQ(Vk(Qt::Key_Insert), 0x2D);
    EXPECT_EQ(Vk(Qt::Key_Delete), 0x2E);
    EXPECT_EQ(Vk(Qt::Key_Backspace), 0x08);
    EXPECT_EQ(Vk(Qt::Key_Return), 0x0D);
    EXPECT_EQ(Vk(Qt::Key_Enter, Qt::KeypadModifier), 0x0D);
    EXPECT_EQ(Vk(Qt::Key_PageUp), 0x21);
    EXPECT_EQ(Vk(Qt::Key_Down), 0x28);
    EXPECT_EQ(Vk(Qt::Key_Backtab, Qt::ShiftModifier), 0x09);
    // Without a scan code, shifted US characters fall back to their keys.
    EXPECT_EQ(Vk(Qt::Key_At, Qt::ShiftModifier), '2');
    EXPECT_EQ(Vk(Qt::Key_Plus, Qt::ShiftModifier), 0xBB);
    EXPECT_EQ(Vk(Qt::Key_unknown), 0);
}

TEST(KeyMapping, KeyInputCarriesTheModifiersTheHotkeysMatch) {
    EnsureApplication();
    QKeyEvent e(QEvent::KeyPress, Qt::Key_At, Qt::ShiftModifier | Qt::ControlModifier, X(3), 0, 0, "@");
    KeyInput k = KeyInputOf(e);
    EXPECT_EQ(k.virtualKey, '2');
    EXPECT_TRUE(k.shift);
    EXPECT_TRUE(k.ctrl);
    EXPECT_FALSE(k.alt);
    // Through the default bindings: plain 2 starts a second copy, Shift+2 nothing.
    HotkeyTable table = DefaultHotkeyTable();
    KeyContext ctx;
    EXPECT_EQ(PreTranslateKeyDown(KeyInputOf(QKeyEvent(QEvent::KeyPress, Qt::Key_2, Qt::NoModifier, X(3), 0, 0, "2")),
                                  ctx, table).command, 166);
    EXPECT_EQ(PreTranslateKeyDown(KeyInputOf(QKeyEvent(QEvent::KeyPress, Qt::Key_At, Qt::ShiftModifier, X(3), 0, 0, "@")),
                                  ctx, table).command, 0);
    EXPECT_EQ(PreTranslateKeyDown(KeyInputOf(QKeyEvent(QEvent::KeyPress, Qt::Key_Less, Qt::ShiftModifier | Qt::ControlModifier, X(51), 0, 0)),
                                  ctx, table).command, 0);
    EXPECT_EQ(PreTranslateKeyDown(KeyInputOf(QKeyEvent(QEvent::KeyPress, Qt::Key_Comma, Qt::ControlModifier, X(51), 0, 0)),
                                  ctx, table).command, 145);
    EXPECT_EQ(PreTranslateKeyDown(KeyInputOf(QKeyEvent(QEvent::KeyPress, Qt::Key_Plus, Qt::KeypadModifier, X(78), 0, 0, "+")),
                                  ctx, table).command, 115);
}
