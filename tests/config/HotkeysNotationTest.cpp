#include <gtest/gtest.h>

#include "config/Hotkeys.h"

using namespace vellumo;

namespace {
HotkeyEntry P(const char* text) { return ParseHotkeyNotation(text, 150); }
constexpr std::uint8_t D = kHotkeyDefined;
}  // namespace

TEST(HotkeyNotation, NamesModifiersAndPlusKeys) {
    EXPECT_EQ(P("ctrl+f7"), (HotkeyEntry{D | kHotkeyCtrl, 0x76, 150}));
    EXPECT_EQ(P("Ctrl+F7"), P("CTRL+f7"));
    EXPECT_EQ(P("Shift+Ctrl+Alt+Del"), (HotkeyEntry{D | kHotkeyShift | kHotkeyCtrl | kHotkeyAlt, 0x2E, 150}));
    // A "+" that starts a piece is the plus key.
    EXPECT_EQ(P("+"), (HotkeyEntry{D, 0x6B, 150}));
    EXPECT_EQ(P("Ctrl++"), (HotkeyEntry{D | kHotkeyCtrl, 0x6B, 150}));
    EXPECT_EQ(P("Shift+Ctrl++"), (HotkeyEntry{D | kHotkeyShift | kHotkeyCtrl, 0x6B, 150}));
    EXPECT_EQ(P("-"), (HotkeyEntry{D, 0x6D, 150}));
    EXPECT_EQ(P("Ctrl+,").key, 0xBC);
    EXPECT_EQ(P("Ctrl+.").key, 0xBE);
    EXPECT_EQ(P("`").key, 0xC0);
    EXPECT_EQ(P("=").key, 0xBB);
    EXPECT_EQ(P("[").key, 0xDB);
    EXPECT_EQ(P("]").key, 0xDD);
    EXPECT_EQ(P("*").key, 0x6A);
    EXPECT_EQ(P("/").key, 0x6F);
    EXPECT_EQ(P("Context").key, 0x5D);
    EXPECT_EQ(P("2").key, '2');
    EXPECT_EQ(P("z").key, 'Z');
    EXPECT_EQ(P("F12").key, 0x7B);
    EXPECT_EQ(P("Spacebar").key, 0x20);
    // A later key replaces an earlier one; unknown pieces are skipped.
    EXPECT_EQ(P("F7+F8").key, 0x77);
    EXPECT_EQ(P("Ctrl+Banana+F8"), (HotkeyEntry{D | kHotkeyCtrl, 0x77, 150}));
    // none is a key that is never pressed.
    EXPECT_EQ(P("none"), (HotkeyEntry{D, kHotkeyNoKey, 150}));
    EXPECT_EQ(P("NONE+F3").key, 0x72);
}

TEST(HotkeyNotation, UnusableNotationsClearTheEntry) {
    for (const char* bad : {"", "Ctrl+", "Shift", "Ctrl+Alt", "Ctrl+F7;rotate", "F13", "+A", "Ctrl+ F7", "\x01\xff"})
        EXPECT_EQ(P(bad), HotkeyEntry{}) << bad;
    // A trailing "+" ends the notation; a doubled one is the plus key.
    EXPECT_EQ(P("F7+").key, 0x76);
    EXPECT_EQ(P("F7++").key, 0x6B);
    EXPECT_EQ(P("++F7").key, 0x76);
    std::string huge(100000, '+');
    EXPECT_EQ(P(huge.c_str()).key, 0x6B);
}

TEST(HotkeyLookup, ExactModifiersFirstCommandAndNavigatorKeys) {
    HotkeyTable t = DefaultHotkeyTable();
    auto find = [&](int vk, bool shift, bool ctrl, bool alt, bool outside = false, bool dialog = false) {
        return CommandForKey(t, vk, HotkeyModifierState(shift, ctrl, alt), outside, dialog);
    };
    EXPECT_EQ(find(0x76, false, false, false), 108);   // F7
    EXPECT_EQ(find(0x76, false, true, false), 109);    // Ctrl+F7
    EXPECT_EQ(find(0x76, false, false, true), 110);    // Alt+F7
    EXPECT_EQ(find(0x76, true, false, false), 0);      // Shift+F7 runs nothing
    EXPECT_EQ(find('C', true, false, false), 153);
    EXPECT_EQ(find('2', false, false, false), 166);
    EXPECT_EQ(find('2', true, false, false), 0);
    EXPECT_EQ(find(0x6B, false, false, false), 115);
    EXPECT_EQ(find(0xFFFF, false, false, false), 0);   // "none" never matches
    EXPECT_EQ(find(0, false, false, false), 0);        // cleared entries never match
    // The Navigator list keeps its keys; other keys still work there.
    for (int vk : {0x08, 0x0D, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28}) {
        t.of(170) = ParseHotkeyNotation(vk == 0x08 ? "Backspace" : vk == 0x0D ? "Enter" : "none", 170);
        EXPECT_EQ(find(vk, false, false, false, true), 0) << vk;
    }
    EXPECT_EQ(find(0x21, false, false, false, false), 100);
    EXPECT_EQ(find(0x74, false, false, false, true), 143);  // F5
    EXPECT_EQ(find(0x74, false, false, false, false, true), 0);  // selection dialog open
    // A key bound twice: the lower command wins.
    t.of(160) = ParseHotkeyNotation("F9", 160);
    EXPECT_EQ(find(0x78, false, false, false), 117);
    t.of(117) = ParseHotkeyNotation("none", 117);
    EXPECT_EQ(find(0x78, false, false, false), 160);
}

TEST(HotkeyText, ModifiersDisplayTextsAndLanguageTexts) {
    HotkeyTable t = DefaultHotkeyTable();
    KeyNameTable names;
    EXPECT_EQ(HotkeyText(t, 109, names), "Ctrl+F7");
    EXPECT_EQ(HotkeyText(t, 153, names), "Shift+C");
    EXPECT_EQ(HotkeyText(t, 104, names), "Arrow Left");
    EXPECT_EQ(HotkeyText(t, 100, names), "PageUp");
    EXPECT_EQ(HotkeyText(t, 115, names), "\"+\"");
    EXPECT_EQ(HotkeyText(t, 145, names), "Ctrl+\",\"");
    EXPECT_EQ(HotkeyText(t, 118, names), "");  // none
    EXPECT_EQ(HotkeyText(t, 99, names), "");
    t.of(150) = ParseHotkeyNotation("Alt+Shift+Ctrl+Spacebar", 150);
    EXPECT_EQ(HotkeyText(t, 150, names), "Shift+Ctrl+Alt+Spacebar");
    t.of(150) = ParseHotkeyNotation("Ctrl+", 150);
    EXPECT_EQ(HotkeyText(t, 150, names), "");

    // The language's texts after the tab name the ten keys.
    std::array<std::string, 10> texts;
    for (auto& s : texts) s = "";
    texts[2] = KeyTextOfMenuText("Vergrößern\tBild auf");  // ZoomIn -> PageUp
    texts[6] = KeyTextOfMenuText("Links\tPfeil links");   // MoveLeft -> Left
    names.setLanguageKeyTexts(texts);
    EXPECT_EQ(HotkeyText(t, 100, names), "Bild auf");
    EXPECT_EQ(HotkeyText(t, 104, names), "Pfeil links");
    EXPECT_EQ(HotkeyText(t, 101, names), "PageDown");  // cleared: falls back to the name
    EXPECT_EQ(HotkeyText(t, 128, names), "Spacebar");
    EXPECT_EQ(KeyTextOfMenuText("Zoom In"), "");
    EXPECT_EQ(KeyTextOfMenuText("a\tb\tc"), "b\tc");
    // At most 31 bytes, never half a character.
    names.setLanguageKeyText(LanguageKeyText::Pause, std::string(30, 'x') + "ä");
    t.of(120) = ParseHotkeyNotation("Pause", 120);
    EXPECT_EQ(HotkeyText(t, 120, names), std::string(30, 'x'));
}

TEST(HotkeyDefaults, EveryCommandHasItsDefaultLineAndBinding) {
    HotkeyTable t = DefaultHotkeyTable();
    int none = 0;
    for (int c = kFirstCommand; c <= kLastCommand; ++c) {
        EXPECT_NE(t.of(c).key, 0) << c;
        EXPECT_EQ(t.of(c).command, c);
        if (t.of(c).key == kHotkeyNoKey) ++none;
        EXPECT_NE(DefaultHotkeyLine(c).find("   ;"), std::string_view::npos) << c;
    }
    EXPECT_EQ(none, 14);
    EXPECT_EQ(DefaultHotkeyNotation(145), "Ctrl+,");
    EXPECT_EQ(DefaultHotkeyLine(172), "F10   ;call main menu (F10)");
    EXPECT_EQ(DefaultMouseCommands(), (MouseCommands{125, 168, 172}));
}
