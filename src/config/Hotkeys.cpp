#include "config/Hotkeys.h"

#include <algorithm>

#include "commands/Commands.h"
#include "config/ProfileFile.h"
#include "config/ProgramLocation.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {

struct MouseKey {
    const char* name;
    const char* defaultLine;
    std::int32_t MouseCommands::*field;
};
constexpr std::array<MouseKey, 3> kMouseKeys = {{
    {"LeftDoubleClick", "125   ;default is 125 - show or hide navigator window (Esc)", &MouseCommands::leftDoubleClick},
    {"MiddleDoubleClick", "168   ;default is 168 - switch IntelliMouse mode (Alt+Z)", &MouseCommands::middleDoubleClick},
    {"RightClick", "172   ;default is 172 - call main menu (F10)", &MouseCommands::rightClick},
}};

constexpr const char* kKeyboardSection = "Keyboard";
constexpr const char* kMouseSection = "Mouse";
constexpr const char* kDiagnosticsSection = "Diagnostics";

bool IsBlankChar(char c) { return c == ' ' || c == '\t'; }

// The value up to its first blank.
std::string_view CutAtBlank(std::string_view value) {
    size_t i = 0;
    while (i < value.size() && !IsBlankChar(value[i])) ++i;
    return value.substr(0, i);
}

// The leading integer of a value, as atoi reads it; huge numbers saturate.
long long LeadingInteger(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    long long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        if (v < 1000000000000LL) v = v * 10 + (s[i] - '0');
    }
    return negative ? -v : v;
}

bool IsSafeSetName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string_view("/\\\0", 3)) == std::string_view::npos;
}

const KeyNameTable& NotationNames() {
    static const KeyNameTable names;  // names and codes never change
    return names;
}

}  // namespace

const char* const kHotkeysFileHeader =
    "; Vellumo hotkeys definition file\r\n"
    "; Author:\r\n"
    "\r\n"
    "; Use the following keys notation:\r\n"
    "; Shift Ctrl Alt\r\n"
    "; F1-F12 0-9 A-Z\r\n"
    "; / * - + = [ ] `(apostrophe) ,(comma) .(dot) \r\n"
    "; Ins Del Home End PageUp PageDown\r\n"
    "; Left Right Up Down\r\n"
    "; Pause Esc Backspace Enter Spacebar Context\r\n"
    "; none (hotkey is absent)\r\n"
    "\r\n";

HotkeyEntry ParseHotkeyNotation(std::string_view text, int command) {
    const KeyNameTable& names = NotationNames();
    HotkeyEntry entry;
    int key = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        // A "+" that starts a piece belongs to it: "+", "Ctrl++".
        size_t scanFrom = text[pos] == '+' ? pos + 1 : pos;
        size_t sep = text.find('+', scanFrom);
        std::string_view piece = text.substr(pos, sep == std::string_view::npos ? std::string_view::npos : sep - pos);
        if (const KeyName* k = names.findByName(piece)) {
            if (k->code == kKeyShift) entry.modifiers |= kHotkeyShift;
            else if (k->code == kKeyCtrl) entry.modifiers |= kHotkeyCtrl;
            else if (k->code == kKeyAlt) entry.modifiers |= kHotkeyAlt;
            else key = k->code;
            entry.modifiers |= kHotkeyDefined;
        }
        if (sep == std::string_view::npos) break;
        pos = sep + 1;  // an empty piece (trailing "+") ends the notation
    }
    if (key == 0) return {};
    entry.key = key == kKeyNone ? kHotkeyNoKey : static_cast<std::uint16_t>(key);
    entry.command = static_cast<std::uint16_t>(command);
    return entry;
}

std::string_view DefaultHotkeyLine(int command) {
    const CommandInfo* info = FindCommand(command);
    return info ? info->defaultKeyLine : std::string_view();
}

std::string_view DefaultHotkeyNotation(int command) { return CutAtBlank(DefaultHotkeyLine(command)); }

HotkeyTable DefaultHotkeyTable() {
    HotkeyTable table;
    for (int c = kFirstCommand; c <= kLastCommand; ++c) table.of(c) = ParseHotkeyNotation(DefaultHotkeyNotation(c), c);
    return table;
}

MouseCommands DefaultMouseCommands() {
    MouseCommands m;
    for (const auto& k : kMouseKeys) m.*k.field = static_cast<std::int32_t>(LeadingInteger(k.defaultLine));
    return m;
}

HotkeySet LoadHotkeys(const std::string& programFolder, std::string_view setName, const std::string& userFolder) {
    HotkeySet set;
    set.name = IsSafeSetName(setName) ? std::string(setName) : std::string("Default");
    const ProgramFileCopy copy = LocateProgramFile(programFolder, "keys", set.name + ".keys.txt", userFolder);
    set.path = copy.readPath;
    const std::string& folder = copy.writeFolder;
    const std::string& target = copy.writePath;

    ProfileFile file(set.path);
    if (!file.existed()) file.appendRawText(kHotkeysFileHeader);

    // Every line is read once; a missing line is added with its default text,
    // an existing one is kept exactly as the user wrote it.
    for (int c = kFirstCommand; c <= kLastCommand; ++c) {
        std::string key = std::to_string(c);
        std::string value;
        if (auto v = file.get(kKeyboardSection, key)) {
            value = std::move(*v);
        } else {
            value = std::string(DefaultHotkeyLine(c));
            file.set(kKeyboardSection, key, value);
        }
        HotkeyEntry entry = ParseHotkeyNotation(CutAtBlank(value), c);
        if (entry.key == 0) set.badCommands.push_back(c);
        set.keys.of(c) = entry;
    }
    for (const auto& k : kMouseKeys) {
        std::string value;
        if (auto v = file.get(kMouseSection, k.name)) {
            value = std::move(*v);
        } else {
            value = k.defaultLine;
            file.set(kMouseSection, k.name, value);
        }
        long long command = LeadingInteger(value);
        if (IsUserCommand(static_cast<int>(std::clamp(command, -1LL, 1000LL)))) {
            set.mouse.*k.field = static_cast<std::int32_t>(command);
        } else {
            set.mouse.*k.field = 0;
            set.badMouseKeys.push_back(k.name);
        }
    }

    if (set.badCommands.empty() && set.badMouseKeys.empty()) {
        file.removeSection(kDiagnosticsSection);
    } else {
        if (!set.badCommands.empty()) {
            std::string text = "Bad Command(s):";
            for (size_t i = 0; i < set.badCommands.size(); ++i) {
                if (i) text += ",";
                text += std::to_string(set.badCommands[i]);
            }
            file.set(kDiagnosticsSection, "Keyboard", text);
        } else {
            file.remove(kDiagnosticsSection, "Keyboard");
        }
        if (!set.badMouseKeys.empty()) {
            std::string text = "bad value of ";
            for (size_t i = 0; i < set.badMouseKeys.size(); ++i) {
                if (i) text += ", ";
                text += set.badMouseKeys[i];
            }
            file.set(kDiagnosticsSection, "Mouse", text);
        } else {
            file.remove(kDiagnosticsSection, "Mouse");
        }
    }

    // Something there that could not be read (no permission, not a file) is
    // never written over: the defaults are used.
    if (!file.unreadable()) {
        if (!file.modified()) {
            set.fileWritten = true;
        } else {
            if (!file.existed() || target != set.path) MakeFolders(folder);
            set.fileWritten = file.saveTo(target);
            if (set.fileWritten) set.path = target;
        }
    }
    return set;
}

std::uint8_t HotkeyModifierState(bool shift, bool ctrl, bool alt) {
    return static_cast<std::uint8_t>((shift ? kHotkeyShift : 0) | (ctrl ? kHotkeyCtrl : 0) | (alt ? kHotkeyAlt : 0));
}

int CommandForKey(const HotkeyTable& table, int virtualKey, std::uint8_t modifierState, bool focusOutsideViewer,
                  bool selectionDialogOpen) {
    if (selectionDialogOpen) return 0;
    if (virtualKey <= 0 || virtualKey >= kHotkeyNoKey) return 0;
    if (focusOutsideViewer) {
        switch (virtualKey) {
            case 0x08: case 0x0D: case 0x21: case 0x22: case 0x23: case 0x24: case 0x25: case 0x26: case 0x27: case 0x28:
                return 0;
            default:
                break;
        }
    }
    std::uint8_t state = static_cast<std::uint8_t>(kHotkeyDefined | (modifierState & (kHotkeyShift | kHotkeyCtrl | kHotkeyAlt)));
    for (const auto& e : table.entries)
        if (e.key == virtualKey && e.modifiers == state) return e.command;
    return 0;
}

std::string HotkeyText(const HotkeyTable& table, int command, const KeyNameTable& names) {
    if (command == 0) return {};
    for (const auto& e : table.entries) {
        if (e.command != command) continue;
        const KeyName* key = names.findKey(e.key);
        if (!key) return {};
        std::string text;
        if (e.modifiers & kHotkeyShift) text += "Shift+";
        if (e.modifiers & kHotkeyCtrl) text += "Ctrl+";
        if (e.modifiers & kHotkeyAlt) text += "Alt+";
        text += key->display.empty() ? key->name : key->display;
        return text;
    }
    return {};
}

}  // namespace vellumo
