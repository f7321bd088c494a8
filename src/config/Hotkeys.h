#pragma once
// Hotkeys sets: the key bound to each user command and the commands of the
// three mouse actions, read from "keys/NAME.keys.txt" below the program folder.
// Loading creates and completes the file, so every line shows its default and
// meaning, and reports unusable entries in its "Diagnostics" section.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "commands/Commands.h"
#include "config/KeyNames.h"

namespace vellumo {

// Modifier bits of a HotkeyEntry and of the key state passed to CommandForKey.
enum HotkeyModifier : std::uint8_t {
    kHotkeyDefined = 0x03,  // both bits: the entry holds a parsed notation
    kHotkeyShift = 0x04,
    kHotkeyCtrl = 0x08,
    kHotkeyAlt = 0x10,
};

constexpr std::uint16_t kHotkeyNoKey = 0xFFFF;  // the notation "none"

struct HotkeyEntry {
    std::uint8_t modifiers = 0;  // 0 when cleared
    std::uint16_t key = 0;       // virtual-key code; 0 unusable, 0xFFFF none
    std::uint16_t command = 0;
    friend bool operator==(const HotkeyEntry&, const HotkeyEntry&) = default;
};

// Entry i belongs to command 100 + i.
struct HotkeyTable {
    std::array<HotkeyEntry, kCommandCount> entries{};
    HotkeyEntry& of(int command) { return entries[static_cast<size_t>(command - kFirstCommand)]; }
    const HotkeyEntry& of(int command) const { return entries[static_cast<size_t>(command - kFirstCommand)]; }
};

// Commands of the three mouse actions on the viewer; 0 means none.
struct MouseCommands {
    std::int32_t leftDoubleClick = 0;
    std::int32_t middleDoubleClick = 0;
    std::int32_t rightClick = 0;
    friend bool operator==(const MouseCommands&, const MouseCommands&) = default;
};

// Parses one notation (a value already cut at its first blank) into an entry
// for the command: "Ctrl+F7", "shift+ctrl++", "none". The result has key 0
// and no bits when the notation names no key.
HotkeyEntry ParseHotkeyNotation(std::string_view notation, int command);

// The line text a new file gets for a command ("PageUp   ;zoom in (PageUp)"),
// and its key notation alone ("PageUp"); empty outside 100..173.
std::string_view DefaultHotkeyLine(int command);
std::string_view DefaultHotkeyNotation(int command);
// The default bindings, as the built-in table parses them.
HotkeyTable DefaultHotkeyTable();
MouseCommands DefaultMouseCommands();

// The text a new hotkeys file starts with (CR LF line ends).
extern const char* const kHotkeysFileHeader;

struct HotkeySet {
    std::string name;  // the set name used (what CommandsHotkeys should hold)
    std::string path;  // the hotkeys file
    HotkeyTable keys;
    MouseCommands mouse;
    std::vector<int> badCommands;          // commands whose notation named no key
    std::vector<std::string> badMouseKeys; // mouse keys whose value was no command
    bool fileWritten = false;              // the file on disk now holds every line
};

// Loads the hotkeys set "NAME": reads (creating or completing)
// programFolder/keys/NAME.keys.txt, reads and writes it once. A set name that
// is empty or would leave the keys folder ("..", a path separator) loads
// "Default" instead. Never fails: what cannot be read gives the defaults,
// what cannot be written is left as it is.
// With a user folder (the program folder cannot be written) the user's copy is
// read when there is one, and a file to create or complete is written whole there.
HotkeySet LoadHotkeys(const std::string& programFolder, std::string_view setName, const std::string& userFolder = {});

// The command bound to a key, or 0. modifierState holds kHotkeyShift,
// kHotkeyCtrl and kHotkeyAlt for the modifiers held; the match on modifiers
// is exact. With the focus outside the viewer the Navigator list keeps
// Backspace, Enter, PageUp, PageDown, End, Home and the arrows; while a
// selection dialog is open no key is translated.
int CommandForKey(const HotkeyTable& table, int virtualKey, std::uint8_t modifierState, bool focusOutsideViewer,
                  bool selectionDialogOpen = false);
std::uint8_t HotkeyModifierState(bool shift, bool ctrl, bool alt);

// The key combination of a command as menus show it ("Ctrl+F7", "Shift+C",
// "Arrow Left"); empty for none, an unusable entry or no entry.
std::string HotkeyText(const HotkeyTable& table, int command, const KeyNameTable& names = CurrentKeyNames());

}  // namespace vellumo
