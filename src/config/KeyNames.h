#pragma once
// The key names of the hotkeys notation, with their virtual-key codes and the
// texts shown for them beside menu items.
#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace vellumo {

// Key codes of the notation that are not keys of their own.
constexpr int kKeyNone = -1;          // "none": no key (0xFFFF in a HotkeyEntry)
constexpr int kKeyShift = 0x1000;     // modifier names
constexpr int kKeyCtrl = 0x2000;
constexpr int kKeyAlt = 0x4000;

struct KeyName {
    int code = 0;
    std::string name;     // at most 31 characters
    std::string display;  // at most 31 bytes; empty means the name is shown
};

// The ten keys whose display texts come from the menu texts of the loaded
// language, in the order the setter takes them.
enum class LanguageKeyText { Pause, ShowComment, ZoomIn, ZoomOut, FitToScreen, RealScale, MoveLeft, MoveUp, MoveRight, MoveDown };
constexpr int kLanguageKeyTextCount = 10;

class KeyNameTable {
public:
    // The built-in names; the ten language keys start with the built-in
    // English display texts (Pause, Spacebar, PageUp, PageDown, End, Home,
    // Arrow Left, Arrow Up, Arrow Right, Arrow Down).
    KeyNameTable();

    const std::vector<KeyName>& entries() const { return entries_; }
    // The first entry whose name equals the text ignoring ASCII case.
    const KeyName* findByName(std::string_view name) const;
    // The first key entry with this code; never "none" or a modifier.
    const KeyName* findKey(int code) const;

    // Sets the display texts of Pause, Spacebar, PageUp, PageDown, End,
    // Home, Left, Up, Right and Down from the ten language texts taken in the
    // order Pause, ShowComment, ZoomIn, ZoomOut, FitToScreen, RealScale,
    // MoveLeft, MoveUp, MoveRight, MoveDown. Each text is the display text
    // itself (see KeyTextOfMenuText); an empty text clears the display text
    // so the key's name is shown. Texts are cut to 31 bytes at a whole character.
    void setLanguageKeyTexts(const std::array<std::string, kLanguageKeyTextCount>& texts);
    void setLanguageKeyText(LanguageKeyText which, std::string_view text);

private:
    std::vector<KeyName> entries_;
};

// The display text a menu text gives its key: the part after the first tab,
// at most 31 bytes; empty when the text has no tab.
std::string KeyTextOfMenuText(std::string_view menuText);

// The key name table of the running program (user-interface thread only):
// the language loader sets its display texts, menus read them.
KeyNameTable& CurrentKeyNames();

}  // namespace vellumo
