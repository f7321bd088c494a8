#include "config/KeyNames.h"

#include "platform/TextCodec.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {

constexpr size_t kMaxKeyText = 31;

// Codes of the ten language keys, in setter order.
constexpr std::array<int, kLanguageKeyTextCount> kLanguageKeyCodes = {0x13, 0x20, 0x21, 0x22, 0x23,
                                                                      0x24, 0x25, 0x26, 0x27, 0x28};
constexpr std::array<const char*, kLanguageKeyTextCount> kEnglishKeyTexts = {
    "Pause", "Spacebar", "PageUp", "PageDown", "End", "Home", "Arrow Left", "Arrow Up", "Arrow Right", "Arrow Down"};

std::string Quoted(std::string_view s) { return "\"" + std::string(s) + "\""; }

}  // namespace

KeyNameTable::KeyNameTable() {
    // Order matters: the first equal name is found first.
    entries_ = {
        {kKeyNone, "none", ""},   {kKeyShift, "Shift", ""}, {kKeyCtrl, "Ctrl", ""},     {kKeyAlt, "Alt", ""},
        {0x08, "Backspace", ""},  {0x0D, "Enter", ""},      {0x13, "Pause", ""},        {0x1B, "Esc", ""},
        {0x20, "Spacebar", ""},   {0x21, "PageUp", ""},     {0x22, "PageDown", ""},     {0x23, "End", ""},
        {0x24, "Home", ""},       {0x25, "Left", ""},       {0x26, "Up", ""},           {0x27, "Right", ""},
        {0x28, "Down", ""},       {0x2D, "Ins", ""},        {0x2E, "Del", ""},          {0x6A, "*", Quoted("*")},
        {0x6F, "/", Quoted("/")}, {0x6B, "+", Quoted("+")}, {0x6D, "-", Quoted("-")},
    };
    for (int i = 1; i <= 12; ++i) entries_.push_back({0x70 + i - 1, "F" + std::to_string(i), ""});
    entries_.push_back({0x5D, "Context", ""});
    for (auto [code, ch] : {std::pair{0xC0, "`"}, {0xBB, "="}, {0xDB, "["}, {0xDD, "]"}, {0xBC, ","}, {0xBE, "."}})
        entries_.push_back({code, ch, Quoted(ch)});
    for (char c = '0'; c <= '9'; ++c) entries_.push_back({c, std::string(1, c), ""});
    for (char c = 'A'; c <= 'Z'; ++c) entries_.push_back({c, std::string(1, c), ""});
    for (int i = 0; i < kLanguageKeyTextCount; ++i) setLanguageKeyText(static_cast<LanguageKeyText>(i), kEnglishKeyTexts[i]);
}

const KeyName* KeyNameTable::findByName(std::string_view name) const {
    for (const auto& e : entries_)
        if (EqualsAsciiNoCase(e.name, name)) return &e;
    return nullptr;
}

const KeyName* KeyNameTable::findKey(int code) const {
    for (const auto& e : entries_) {
        if (e.code == kKeyNone || e.code == kKeyShift || e.code == kKeyCtrl || e.code == kKeyAlt) continue;
        if (e.code == code) return &e;
    }
    return nullptr;
}

void KeyNameTable::setLanguageKeyText(LanguageKeyText which, std::string_view text) {
    int index = static_cast<int>(which);
    if (index < 0 || index >= kLanguageKeyTextCount) return;
    for (auto& e : entries_) {
        if (e.code == kLanguageKeyCodes[static_cast<size_t>(index)]) {
            e.display = std::string(CutUtf8(text, kMaxKeyText));
            return;
        }
    }
}

void KeyNameTable::setLanguageKeyTexts(const std::array<std::string, kLanguageKeyTextCount>& texts) {
    for (int i = 0; i < kLanguageKeyTextCount; ++i)
        setLanguageKeyText(static_cast<LanguageKeyText>(i), texts[static_cast<size_t>(i)]);
}

std::string KeyTextOfMenuText(std::string_view menuText) {
    size_t tab = menuText.find('\t');
    if (tab == std::string_view::npos) return {};
    return std::string(CutUtf8(menuText.substr(tab + 1), kMaxKeyText));
}

KeyNameTable& CurrentKeyNames() {
    static KeyNameTable table;
    return table;
}

}  // namespace vellumo
