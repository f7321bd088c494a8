#include "config/Settings.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdio>

#include "platform/TextCodec.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string_view TrimRight(std::string_view s) {
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

// Splits at commas; an empty text gives one empty piece.
std::vector<std::string_view> SplitCommas(std::string_view text) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(',', start);
        parts.push_back(text.substr(start, comma == std::string_view::npos ? std::string_view::npos : comma - start));
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return parts;
}

int NumberAt(const std::vector<std::string_view>& parts, size_t i) { return i < parts.size() ? LeadingInt(parts[i]) : 0; }

// Shorthands for the key table.
constexpr const char* kRgb = "%d,%d,%d   ;RGB (0-255, ...)";
constexpr const char* kOnOff = "%d   ;(0-off, 1-on)";
constexpr const char* kYesNo = "%d   ;(1-yes, 0-no)";
constexpr const char* kEndAction = "%c   ;(b-begin again, s-stop slideshow, q-quit program)";

std::vector<SettingsKey> BuildKeys() {
    using K = ValueKind;
    using S = Settings;
    std::vector<SettingsKey> k;
    auto flag = [&](SettingsSection s, const char* name, const char* def, const char* fmt, std::uint32_t bit, bool saved,
                    int S::*field) {
        k.push_back({.section = s, .name = name, .kind = K::Flag, .defaultText = def, .minimum = 0, .maximum = 1,
                     .format = fmt, .bit = bit, .saved = saved, .intField = field});
    };
    auto integer = [&](SettingsSection s, const char* name, const char* def, int lo, int hi, const char* fmt,
                       std::uint32_t bit, bool saved, int S::*field, bool archiveOnly = false) {
        k.push_back({.section = s, .name = name, .kind = K::Int, .defaultText = def, .minimum = lo, .maximum = hi,
                     .format = fmt, .bit = bit, .saved = saved, .archiveOnly = archiveOnly, .intField = field});
    };
    auto letter = [&](SettingsSection s, const char* name, const char* def, const char* letters, const char* fmt,
                      std::uint32_t bit, bool saved, char S::*field) {
        k.push_back({.section = s, .name = name, .kind = K::Letter, .defaultText = def, .letters = letters, .format = fmt,
                     .bit = bit, .saved = saved, .charField = field});
    };
    auto text = [&](SettingsSection s, const char* name, K kind, const char* def, const char* keep, const char* fmt,
                    std::uint32_t bit, bool saved, std::string S::*field, bool archiveOnly = false) {
        k.push_back({.section = s, .name = name, .kind = kind, .defaultText = def, .letters = keep, .format = fmt,
                     .bit = bit, .saved = saved, .archiveOnly = archiveOnly, .textField = field});
    };
    auto colour = [&](SettingsSection s, const char* name, const char* def, std::uint32_t bit, bool saved,
                      ColorRef S::*field) {
        k.push_back({.section = s, .name = name, .kind = K::Colour, .defaultText = def, .minimum = 0, .maximum = 255,
                     .format = kRgb, .bit = bit, .saved = saved, .colourField = field});
    };
    auto rect = [&](SettingsSection s, const char* name, const char* def, std::uint32_t bit, Rect S::*field) {
        k.push_back({.section = s, .name = name, .kind = K::Rect, .defaultText = def, .minimum = 0, .maximum = 1000,
                     .format = "%d,%d,%d,%d   ;XYWH (1-1000, ...)", .bit = bit, .saved = true, .rectField = field});
    };
    auto list = [&](const char* name, const char* def, const char* comment, CommandList S::*field) {
        k.push_back({.section = SectionCommands, .name = name, .kind = K::CommandList, .defaultText = def,
                     .minimum = 100, .maximum = 173, .format = comment, .listField = field});
    };

    constexpr auto G = SectionGeneral;
    text(G, "ApplicationLanguage", K::RawText, "English", nullptr, "", 0x1, true, &S::ApplicationLanguage);
    text(G, "ApplicationName", K::RawText, "", nullptr, "", 0x2, false, &S::ApplicationName);
    integer(G, "ApplicationIcon", "1", 1, 5, "%d   ;(%d-%d)", 0x4, false, &S::ApplicationIcon);
    text(G, "PathHorizon", K::Path, "", nullptr, "", 0x8, false, &S::PathHorizon);
    text(G, "PathToStart", K::Path, "", nullptr, "", 0x10, true, &S::PathToStart, true);
    colour(G, "BackgroundColor", "0,0,0", 0x20, true, &S::BackgroundColor);
    flag(G, "PlaySoundCommentToPhoto", "1", kYesNo, 0x40, true, &S::PlaySoundCommentToPhoto);
    integer(G, "KeysHelpRunCount", "0", 0, 10, "%d   ;(%d-%d)", 0x80, true, &S::KeysHelpRunCount);
    letter(G, "IntelliMouseMode", "z", "zn", "%c   ;(z-Zoom, n-Next/Prev)", 0x100, true, &S::IntelliMouseMode);
    letter(G, "ScaleStart", "a", "rfa", "%c   ;(r-Real, f-Fit to Screen, a-Auto)", 0x200, true, &S::ScaleStart);
    flag(G, "ScaleSavingMode", "0", kOnOff, 0x400, true, &S::ScaleSavingMode);
    text(G, "OpenPhotoWith", K::Text, "", nullptr, "%s   ;(photoshp.exe, mspaint.exe, ...)", 0x800, false,
         &S::OpenPhotoWith);
    text(G, "OpenCommentWith", K::Text, "notepad.exe", nullptr, "%s   ;(notepad.exe, etc)", 0x1000, false,
         &S::OpenCommentWith);
    text(G, "OpenConfigurationWith", K::Text, "notepad.exe", nullptr, "%s   ;(notepad.exe, VellumoEdit.exe)", 0x2000,
         false, &S::OpenConfigurationWith);

    constexpr auto N = SectionNavigator;
    flag(N, "Navigator", "1", kOnOff, 0x1, true, &S::Navigator);
    rect(N, "NavigatorRect", "750,500,250,500", 0x2, &S::NavigatorRect);
    integer(N, "NavigatorDockingSpace", "9", 0, 19, "%d   ;in pixels (%d-%d)", 0x4, false, &S::NavigatorDockingSpace);
    colour(N, "NavigatorBackgroundColor", "255,255,255", 0x8, false, &S::NavigatorBackgroundColor);
    colour(N, "NavigatorTextColor", "0,0,0", 0x10, false, &S::NavigatorTextColor);

    constexpr auto C = SectionComment;
    flag(C, "Comment", "1", kOnOff, 0x1, true, &S::Comment);
    rect(C, "CommentRect", "250,900,500,100", 0x2, &S::CommentRect);
    flag(C, "CommentRectAutoSize", "1", kYesNo, 0x4, false, &S::CommentRectAutoSize);
    colour(C, "CommentColor", "255,255,255", 0x8, true, &S::CommentColor);
    colour(C, "CommentShadowColor", "0,0,0", 0x10, true, &S::CommentShadowColor);
    integer(C, "CommentShadowOffset", "1", 0, 10, "%d   ;in pixels (%d-%d)", 0x20, false, &S::CommentShadowOffset);
    letter(C, "CommentAlign", "c", "lcr", "%c   ;(l-left, c-center, r-right)", 0x40, false, &S::CommentAlign);
    k.push_back({.section = C, .name = "CommentFont", .kind = K::Font, .defaultText = "Arial,24,0,0,0", .minimum = 6,
                 .maximum = 72, .format = "%s,%d,%d,%d,%d   ;Name,Height(6-72),Bold(0-1),Italic(0-1),Underline(0-1)",
                 .bit = 0x80, .saved = true, .fontField = &S::CommentFont});
    text(C, "CommentFontFile", K::Path, "", nullptr, "", 0x100, false, &S::CommentFontFile);
    integer(C, "CommentsOrder", "1", 1, 4,
            "%d   ;(1-from embedded to global, 2-from global to embedded, 3-first from embedded only, 4-first from "
            "global only)",
            0x200, false, &S::CommentsOrder);
    text(C, "CommentsIncluded", K::Text, "e,a,d,f,s,g", ",eadfsg",
         "%s   ;(e-embedded, a-attached, d-descript.ion, f-to folder, s-to script, g-global)", 0x400, false,
         &S::CommentsIncluded);

    constexpr auto SL = SectionSlideshow;
    integer(SL, "SlideShowAutoExec", "0", 0, 2, "%d   ;(0-none, 1-run total slideshow, 2-run small slideshow)", 0x1,
            false, &S::SlideShowAutoExec, true);
    text(SL, "SlideShowAutoExecScript", K::RawText, "", nullptr, "", 0x2, false, &S::SlideShowAutoExecScript, true);
    k.push_back({.section = SL, .name = "SlideShowDelay", .kind = K::Seconds, .defaultText = "3.0", .minimum = 1,
                 .maximum = 600, .format = "%3.2f   ;in seconds (%3.2f-%3.2f)", .bit = 0x4, .saved = true,
                 .secondsField = &S::SlideShowDelay});
    flag(SL, "SlideShowAbsolutePathes", "0", kYesNo, 0x8, false, &S::SlideShowAbsolutePathes);
    flag(SL, "SlideShowStopScreenSaver", "1", kYesNo, 0x10, false, &S::SlideShowStopScreenSaver);
    integer(SL, "SlideShowMoveDownCursor", "0", 0, 2, "%d   ;(0-no, 1-down, 2-right)", 0x20, false,
            &S::SlideShowMoveDownCursor);
    letter(SL, "SlideShowSmallEndAction", "b", "bsq", kEndAction, 0x40, false, &S::SlideShowSmallEndAction);
    letter(SL, "SlideShowTotalEndAction", "b", "bsq", kEndAction, 0x80, false, &S::SlideShowTotalEndAction);
    flag(SL, "SlideShowSmallRandom", "0", kYesNo, 0x100, false, &S::SlideShowSmallRandom);
    flag(SL, "SlideShowTotalRandom", "0", kYesNo, 0x200, false, &S::SlideShowTotalRandom);

    constexpr auto T = SectionThumbnails;
    flag(T, "Thumbnails", "0", kOnOff, 0x1, true, &S::Thumbnails);
    integer(T, "ThumbnailsSize", "48", 32, 128, "%d   ;in pixels (%d-%d)", 0x2, false, &S::ThumbnailsSize);
    integer(T, "ThumbnailsSpaceX", "13", 13, 53, "%d   ;horizontal spacing between thumbnails in pixels (%d-%d)", 0x4,
            false, &S::ThumbnailsSpaceX);
    integer(T, "ThumbnailsSpaceY", "43", 13, 53, "%d   ;vertical spacing between thumbnails in pixels (%d-%d)", 0x8,
            false, &S::ThumbnailsSpaceY);
    colour(T, "ThumbnailsBorderColor", "0,0,255", 0x10, false, &S::ThumbnailsBorderColor);
    flag(T, "ThumbnailsBorder", "1", kOnOff, 0x20, false, &S::ThumbnailsBorder);
    flag(T, "ThumbnailsCacheInFolders", "0", kOnOff, 0x40, false, &S::ThumbnailsCacheInFolders);
    flag(T, "ThumbnailsFineQuality", "0", kYesNo, 0x80, false, &S::ThumbnailsFineQuality);
    integer(T, "ThumbnailsSelection", "1", 1, 2, "%d   ;(1-usual, 2-extended)", 0x100, false, &S::ThumbnailsSelection);

    constexpr auto M = SectionMusic;
    flag(M, "Music", "0", kOnOff, 0x1, true, &S::Music);
    letter(M, "MusicPresent", "a", "as", "%c   ;(a-always, s-only in slideshow)", 0x2, false, &S::MusicPresent);
    text(M, "MusicSearchMask", K::Path, ".\\*.mp3", nullptr, "", 0x4, false, &S::MusicSearchMask);
    flag(M, "MusicRandom", "0", kYesNo, 0x8, false, &S::MusicRandom);

    constexpr auto E = SectionEffects;
    letter(E, "Effects", "s", "asnmt",
           "%c   ;(a-always, s-only in slideshow, n-none, m-only in small slideshow, t-only in total slideshow)", 0x1,
           false, &S::Effects);
    text(E, "EffectsIncluded", K::EffectList, "all", nullptr, "   ;(all; _all_; none; 11,12,13,14, ...)", 0x2, false,
         &S::EffectsIncluded);
    text(E, "EffectsExcluded", K::EffectList, "none", nullptr, "   ;(none; 11,12,13,14, ...)", 0x4, false,
         &S::EffectsExcluded);
    flag(E, "EffectsRandom", "1", kYesNo, 0x8, false, &S::EffectsRandom);

    text(SectionCommands, "CommandsHotkeys", K::RawText, "Default", nullptr, "", 0x1, true, &S::CommandsHotkeys);
    list("CommandsAfterProgramStart", "0",
         "   ;0-no command, see other commands numbers in the [Keyboard] section of \"*.keys.txt\" files",
         &S::CommandsAfterProgramStart);
    list("CommandsAfterMusicFileEnd", "0", "   ;0-no commands", &S::CommandsAfterMusicFileEnd);
    list("CommandsAfterSlideshowStart", "127", "   ;default is 127 - hide navigator", &S::CommandsAfterSlideshowStart);
    list("CommandsAfterSlideshowFinish", "126", "   ;default is 126 - show navigator",
         &S::CommandsAfterSlideshowFinish);
    list("CommandsAfterZoomIn", "127,130", "   ;default is 127,130 - hide navigator and comment ",
         &S::CommandsAfterZoomIn);
    list("CommandsAfterZoomOut", "127,130", "   ;default is 127,130 - hide navigator and comment ",
         &S::CommandsAfterZoomOut);
    list("CommandsAfterKeyDown", "0", "   ;0-no commands", &S::CommandsAfterKeyDown);
    list("CommandsAfterMouseMove", "0", "   ;0-no commands", &S::CommandsAfterMouseMove);
    return k;
}

}  // namespace

int IncludedMaskOf(std::string_view text) {
    int mask = 0;
    for (char c : text) {
        switch (c) {
            case 'e': mask |= IncludedEmbedded; break;
            case 'a': mask |= IncludedAttached; break;
            case 'd': mask |= IncludedDescriptIon; break;
            case 'f': mask |= IncludedFolder; break;
            case 's': mask |= IncludedScript; break;
            case 'g': mask |= IncludedGlobal; break;
            default: break;
        }
    }
    return mask;
}

const char* SectionName(SettingsSection section) {
    static constexpr const char* kNames[SectionCount] = {
        "General Settings",   "Navigator Settings", "Comment Settings", "Slideshow Settings",
        "Thumbnails Settings", "Music Settings",    "Effects Settings", "Commands Settings",
    };
    return section >= 0 && section < SectionCount ? kNames[section] : "";
}

bool SettingsChangeSet::isEmpty() const {
    return std::all_of(words.begin(), words.end(), [](std::uint32_t w) { return w == 0; });
}

void SettingsChangeSet::merge(const SettingsChangeSet& other) {
    for (size_t i = 0; i < words.size(); ++i) words[i] |= other.words[i];
}

const std::vector<SettingsKey>& SettingsKeys() {
    static const std::vector<SettingsKey> keys = BuildKeys();
    return keys;
}

const SettingsKey* FindSettingsKey(std::string_view name) {
    for (const auto& k : SettingsKeys())
        if (name == k.name) return &k;
    return nullptr;
}

SettingsChangeSet Compare(const Settings* a, const Settings* b) {
    SettingsChangeSet set;
    if (!a || !b) {
        set.setAll();
        return set;
    }
    for (const auto& k : SettingsKeys()) {
        bool differs = false;
        switch (k.kind) {
            case ValueKind::Flag:
            case ValueKind::Int: differs = a->*k.intField != b->*k.intField; break;
            case ValueKind::Letter: differs = a->*k.charField != b->*k.charField; break;
            case ValueKind::Path: differs = a->*k.textField != b->*k.textField; break;  // paths are exact in case
            case ValueKind::Text:
            case ValueKind::RawText:
            case ValueKind::EffectList: differs = !EqualsNoCase(a->*k.textField, b->*k.textField); break;
            case ValueKind::Colour: differs = a->*k.colourField != b->*k.colourField; break;
            case ValueKind::Rect: differs = a->*k.rectField != b->*k.rectField; break;
            case ValueKind::Seconds: differs = a->*k.secondsField != b->*k.secondsField; break;
            case ValueKind::Font: {
                FontDescription fa = a->*k.fontField, fb = b->*k.fontField;
                differs = !EqualsNoCase(fa.faceName, fb.faceName);
                fa.faceName.clear();
                fb.faceName.clear();
                differs = differs || fa != fb;
                break;
            }
            case ValueKind::CommandList: break;  // not compared
        }
        if (k.colourField == &Settings::NavigatorBackgroundColor)
            differs = differs || a->NavigatorBackgroundColorGiven != b->NavigatorBackgroundColorGiven;
        if (k.colourField == &Settings::NavigatorTextColor)
            differs = differs || a->NavigatorTextColorGiven != b->NavigatorTextColorGiven;
        if (differs) set.set(k.section, k.bit);
    }
    return set;
}

std::string FormatAnnotated(std::string_view format, std::initializer_list<std::string> args) {
    std::string out;
    auto next = args.begin();
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] != '%') {
            out += format[i];
            continue;
        }
        // A conversion: "%d", "%c", "%s" or "%3.2f"; each takes the next argument as given.
        size_t j = i + 1;
        while (j < format.size() && (format[j] == '.' || (format[j] >= '0' && format[j] <= '9'))) ++j;
        if (j < format.size() && format[j] == '%') {
            out += '%';
        } else if (next != args.end()) {
            out += *next++;
        }
        i = j;
    }
    return out;
}

std::string FormatSeconds(double value) {
    // Two decimals with a point in every locale (printf would follow the C
    // locale, which Qt sets from the environment: "3,00" under de_DE).
    char buffer[400];
    auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    if (ec != std::errc()) return "0.00";
    return std::string(buffer, end);
}

std::string FormatColour(ColorRef c) {
    return FormatAnnotated(kRgb, {std::to_string(RedOf(c)), std::to_string(GreenOf(c)), std::to_string(BlueOf(c))});
}

std::string FormatRect(const Rect& r, bool clampForSave) {
    long long x = r.left, y = r.top;
    long long w = static_cast<long long>(r.right) - r.left, h = static_cast<long long>(r.bottom) - r.top;
    if (clampForSave) {
        x = std::clamp(x, 0LL, 980LL);
        y = std::clamp(y, 0LL, 980LL);
        w = std::clamp(w, 20LL, 1000LL);
        h = std::clamp(h, 20LL, 1000LL);
    }
    return FormatAnnotated("%d,%d,%d,%d   ;XYWH (1-1000, ...)",
                           {std::to_string(x), std::to_string(y), std::to_string(w), std::to_string(h)});
}

std::string FormatFont(const FontDescription& f) {
    return FormatAnnotated("%s,%d,%d,%d,%d   ;Name,Height(6-72),Bold(0-1),Italic(0-1),Underline(0-1)",
                           {f.faceName, std::to_string(f.height), f.weight == 700 ? "1" : "0",
                            std::to_string(f.italic), std::to_string(f.underline)});
}

std::string FormatCommandList(const CommandList& list, std::string_view comment) {
    std::string out;
    for (auto c : list) {
        if (!out.empty()) out += ',';
        out += std::to_string(c);
    }
    if (list.empty()) out.push_back('0');
    out.append(comment);
    return out;
}

int LeadingInt(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;  // saturate
    }
    if (negative) value = -value;
    return static_cast<int>(std::clamp<long long>(value, INT_MIN, INT_MAX));
}

ColorRef ParseColour(std::string_view text) {
    auto parts = SplitCommas(text);
    return Rgb(std::clamp(NumberAt(parts, 0), 0, 255), std::clamp(NumberAt(parts, 1), 0, 255),
               std::clamp(NumberAt(parts, 2), 0, 255));
}

Rect ParseRect(std::string_view text) {
    auto parts = SplitCommas(text);
    int x = std::clamp(NumberAt(parts, 0), 0, 1000), y = std::clamp(NumberAt(parts, 1), 0, 1000);
    int w = std::clamp(NumberAt(parts, 2), 0, 1000), h = std::clamp(NumberAt(parts, 3), 0, 1000);
    return Rect{x, y, x + w, y + h};
}

double ParseSeconds(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    if (i < text.size() && text[i] == '+') ++i;
    double value = 0;
    auto [ptr, ec] = std::from_chars(text.data() + i, text.data() + text.size(), value, std::chars_format::general);
    (void)ptr;
    if (ec == std::errc::result_out_of_range) {
        // Too large or too small in magnitude: keep the sign, clamping sorts out the rest.
        value = (i < text.size() && text[i] == '-') ? -1e300 : 1e300;
    } else if (ec != std::errc() || std::isnan(value)) {
        value = 0;
    }
    return value;
}

void ParseFont(std::string_view text, FontDescription& font) {
    font.strikeOut = 0;
    font.outPrecision = 0;
    font.clipPrecision = 0;
    font.quality = 0;
    font.pitchAndFamily = 2;  // variable pitch
    size_t comma = text.find(',');
    std::string_view face = text.substr(0, comma);
    while (!face.empty() && IsBlank(face.front())) face.remove_prefix(1);
    face = TrimRight(face);
    font.faceName = std::string(CutUtf8(face, kFaceNameLimit));
    std::vector<std::string_view> numbers;
    if (comma != std::string_view::npos) numbers = SplitCommas(text.substr(comma + 1));
    font.height = std::clamp(NumberAt(numbers, 0), 6, 72);
    font.weight = NumberAt(numbers, 1) != 0 ? 700 : 400;
    font.italic = NumberAt(numbers, 2) != 0 ? 1 : 0;
    font.underline = NumberAt(numbers, 3) != 0 ? 1 : 0;
}

CommandList ParseCommandList(std::string_view text) {
    text = text.substr(0, text.find(';'));
    size_t blank = text.find_first_of(" \t\r\n");
    text = text.substr(0, blank);
    CommandList list;
    if (text.empty()) return list;
    for (auto piece : SplitCommas(text)) {
        int n = LeadingInt(piece);
        if (n >= 100 && n <= 173 && list.size() < kCommandListLimit) list.push_back(static_cast<std::uint8_t>(n));
    }
    return list;
}

std::string CleanText(std::string_view raw, const char* keep) {
    std::string_view t = CutUtf8(raw, kSettingsTextLimit);
    size_t semicolon = t.rfind(';');
    if (semicolon != std::string_view::npos) t = t.substr(0, semicolon);
    t = TrimRight(t);
    if (!keep) return std::string(t);
    std::string kept;
    for (char c : t)
        if (c != '\0' && std::string_view(keep).find(c) != std::string_view::npos) kept += c;
    return kept;
}

std::string CleanEffectList(std::string_view raw) {
    std::string_view t = CutUtf8(raw, kSettingsTextLimit);
    t = t.substr(0, t.find(';'));
    return std::string(TrimRight(t));
}

}  // namespace vellumo
