#include "config/SettingsScope.h"

#include <algorithm>

#include "config/Language.h"
#include "config/ProfileFile.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {

constexpr int kAbsentInt = 65530;   // an integer read as this counts as absent
constexpr size_t kFontFileLimit = 255;

bool Is(const SettingsKey& k, std::string_view name) { return name == k.name; }

std::string Cut(std::string_view text, size_t limit = kSettingsTextLimit) { return std::string(CutUtf8(text, limit)); }

// The language named in the scope's user file ("" without one).
std::string UserFileLanguage(const SettingsScope& scope) {
    if (scope.userFile.empty()) return {};
    auto value = ProfileFile(scope.userFile).get(SectionName(SectionGeneral), "ApplicationLanguage");
    std::string v = value ? Cut(*value) : "";
    if (!v.empty() && v[0] >= '0' && v[0] <= '9') v.clear();
    return v;
}

// The value text Load writes for a key, from the record.
std::string LoadText(const SettingsKey& k, const Settings& r) {
    switch (k.kind) {
        case ValueKind::Flag:
        case ValueKind::Int:
            return FormatAnnotated(k.format, {std::to_string(r.*k.intField), std::to_string(k.minimum),
                                              std::to_string(k.maximum)});
        case ValueKind::Letter: return FormatAnnotated(k.format, {std::string(1, r.*k.charField)});
        case ValueKind::Text: return FormatAnnotated(k.format, {r.*k.textField});
        case ValueKind::RawText:
        case ValueKind::Path: return r.*k.textField;
        case ValueKind::EffectList: return r.*k.textField + k.format;
        case ValueKind::Colour: return FormatColour(r.*k.colourField);
        case ValueKind::Rect: return FormatRect(r.*k.rectField, false);
        case ValueKind::Seconds:
            return FormatAnnotated(k.format, {FormatSeconds(r.*k.secondsField), FormatSeconds(k.minimum),
                                              FormatSeconds(k.maximum)});
        case ValueKind::Font: return FormatFont(r.*k.fontField);
        case ValueKind::CommandList: return FormatCommandList(r.*k.listField, k.format);
    }
    return {};
}

// Writes only when the text differs from what the file holds, so a line whose
// value is unchanged keeps its bytes (its spacing, its legacy encoding).
void Put(ProfileFile& file, const SettingsKey& k, const std::string& text) {
    auto old = file.get(SectionName(k.section), k.name);
    if (old && *old == text) return;
    file.set(SectionName(k.section), k.name, text);
}

bool HasDollars(const std::optional<std::string>& v) { return v && v->find("$$$") != std::string::npos; }

std::string JoinNumbers(const std::vector<int>& numbers, size_t limit) {
    std::string out;
    for (int n : numbers) {
        std::string piece = (out.empty() ? "" : ",") + std::to_string(n);
        if (out.size() + piece.size() > limit) break;  // only whole numbers
        out += piece;
    }
    return out;
}

}  // namespace

std::string ExpandProgramPath(std::string_view text, const ProgramLocation& program) {
    if (text.empty()) return {};
    if (text.size() > 1 && (text.back() == '\\' || text.back() == '/')) text.remove_suffix(1);
    return ReadPathFromFile(text, program.folder, program.drive);
}

namespace {

// Reads every key of one file into the scope's record. With writeBack missing
// keys take their defaults, and with writeFile every key's text is put back
// into the file; onlyPresent (the user's file of changed keys) leaves keys the
// file does not hold exactly as they are, even those otherwise not inherited.
void ReadKeys(SettingsScope& scope, ProfileFile& file, bool writeBack, bool writeFile, bool onlyPresent,
              const LoadEnvironment& env, const ProgramLocation& program) {
    Settings& r = scope.record;
    const bool archiveLevel = scope.isArchive();
    for (const SettingsKey& k : SettingsKeys()) {
        if (k.archiveOnly && !archiveLevel) continue;
        const auto raw = file.get(SectionName(k.section), k.name);
        if (onlyPresent && !raw) continue;
        bool present = false;  // the file gave a usable value
        std::string written;   // the text written back with writeBack
        bool write = writeFile;

        if (Is(k, "ApplicationLanguage")) {
            std::string v = raw ? Cut(*raw) : "";
            if (!v.empty() && v[0] >= '0' && v[0] <= '9') v.clear();
            if (!v.empty()) {
                r.ApplicationLanguage = v;
                present = true;
            } else if (writeBack) {
                // The user's own file may name the language the program folder's file does not:
                // then there is nothing to ask.
                v = UserFileLanguage(scope);
                if (v.empty() && env.chooseLanguage) {
                    v = Cut(env.chooseLanguage());
                    scope.languageChosen = !v.empty();
                }
                r.ApplicationLanguage = v.empty() ? "English" : v;
            }
            written = r.ApplicationLanguage;
            if (archiveLevel && env.language) {
                Settings& current = env.current ? *env.current : r;
                env.language->LoadLanguage(r.ApplicationLanguage, program.folder, current, program.userFolder);
                // The language's character set decides how the rest of a legacy file reads.
                file.useLegacyCodePage(LegacyCodePage());
            }
        } else if (Is(k, "ApplicationName")) {
            if (raw) {
                r.ApplicationName = Cut(*raw);
                present = true;
            } else if (writeBack) {
                r.ApplicationName =
                    env.language ? env.language->text(LanguageKey::Photoarchive) : std::string("Photoarchive");
            }
            written = r.ApplicationName;
        } else if (Is(k, "PathHorizon")) {
            if (raw || writeBack) r.PathHorizon = ExpandProgramPath(raw ? Cut(*raw) : "", program);
            present = raw.has_value();
            written = r.PathHorizon;
        } else if (Is(k, "PathToStart")) {
            r.PathToStart = ExpandProgramPath(raw ? Cut(*raw) : "", program);
            if (!r.PathHorizon.empty() && !PathContains(r.PathHorizon, r.PathToStart)) r.PathToStart = r.PathHorizon;
            present = true;
            written = r.PathToStart;
        } else if (Is(k, "CommentFontFile")) {
            std::string asRead = raw ? Cut(*raw, kFontFileLimit) : "";
            if (raw) {
                r.CommentFontFile = ExpandProgramPath(asRead, program);
                present = true;
                // Only a regular file can hold a font (a FIFO would hang the reader).
                if (!r.CommentFontFile.empty() && env.registerFontFile && IsRegularFile(r.CommentFontFile)) {
                    env.registerFontFile(r.CommentFontFile);
                    scope.registeredFontFile = r.CommentFontFile;
                }
            } else if (writeBack) {
                r.CommentFontFile.clear();
            }
            written = asRead;
        } else if (Is(k, "MusicSearchMask")) {
            std::string asRead = raw ? Cut(*raw) : "";
            if (asRead.empty() && writeBack) asRead = k.defaultText;
            if (!asRead.empty()) {
                r.MusicSearchMask = ExpandProgramPath(asRead, program);
                present = true;
            }
            written = asRead;
        } else if (Is(k, "SlideShowAutoExecScript")) {
            r.SlideShowAutoExecScript = raw ? Cut(*raw) : "";
            present = raw.has_value();
            written = r.SlideShowAutoExecScript;
        } else if (Is(k, "CommandsHotkeys")) {
            std::string v = raw ? Cut(*raw) : "";
            // An archive-level file without a usable name gets "Default", so a hotkeys file is always named.
            if (v.empty() && archiveLevel) v = k.defaultText;
            if (!v.empty()) {
                r.CommandsHotkeys = v;
                present = true;
            }
            written = r.CommandsHotkeys;
        } else {
            switch (k.kind) {
                case ValueKind::Flag:
                case ValueKind::Int: {
                    int n = raw ? LeadingInt(*raw) : kAbsentInt;
                    present = n != kAbsentInt;
                    if (present) r.*k.intField = std::clamp(n, k.minimum, k.maximum);
                    else if (writeBack) r.*k.intField = LeadingInt(k.defaultText);
                    written = LoadText(k, r);
                    // Thumbnail sizes are even and spacings odd in memory; the file keeps the value as read.
                    if (present || writeBack) {
                        int& v = r.*k.intField;
                        if (Is(k, "ThumbnailsSize") && v % 2 != 0) ++v;
                        if ((Is(k, "ThumbnailsSpaceX") || Is(k, "ThumbnailsSpaceY")) && v % 2 == 0) ++v;
                    }
                    break;
                }
                case ValueKind::Letter: {
                    present = raw && !raw->empty();
                    if (present) {
                        char c = static_cast<char>(ToLowerAscii(raw->substr(0, 1))[0]);
                        if (c == '\0' || std::string_view(k.letters).find(c) == std::string_view::npos)
                            c = k.defaultText[0];
                        r.*k.charField = c;
                    } else if (writeBack) {
                        r.*k.charField = k.defaultText[0];
                    }
                    written = LoadText(k, r);
                    break;
                }
                case ValueKind::Text: {
                    present = raw.has_value();
                    if (present) r.*k.textField = CleanText(*raw, k.letters);
                    else if (writeBack) r.*k.textField = k.defaultText;
                    if (k.textField == &Settings::CommentsIncluded) r.IncludedMask = IncludedMaskOf(r.CommentsIncluded);
                    written = LoadText(k, r);
                    break;
                }
                case ValueKind::RawText:
                case ValueKind::Path: {
                    present = raw.has_value();
                    if (present) r.*k.textField = Cut(*raw);
                    else if (writeBack) r.*k.textField = k.defaultText;
                    written = r.*k.textField;
                    break;
                }
                case ValueKind::Colour: {
                    present = raw && !HasDollars(raw);
                    bool navigator = k.colourField == &Settings::NavigatorBackgroundColor ||
                                     k.colourField == &Settings::NavigatorTextColor;
                    if (present) r.*k.colourField = ParseColour(*raw);
                    else if (writeBack && !navigator) r.*k.colourField = ParseColour(k.defaultText);
                    if (k.colourField == &Settings::NavigatorBackgroundColor)
                        r.NavigatorBackgroundColorGiven = present ? 1 : 0;
                    if (k.colourField == &Settings::NavigatorTextColor) r.NavigatorTextColorGiven = present ? 1 : 0;
                    if (navigator) write = false;  // read as if without write-back, never written
                    written = LoadText(k, r);
                    break;
                }
                case ValueKind::Rect: {
                    present = raw && !HasDollars(raw);
                    if (present) r.*k.rectField = ParseRect(*raw);
                    else if (writeBack) r.*k.rectField = ParseRect(k.defaultText);
                    written = LoadText(k, r);
                    break;
                }
                case ValueKind::Seconds: {
                    present = raw && !HasDollars(raw);
                    // Not inherited: an absent delay is the default in every scope.
                    double v = present ? ParseSeconds(*raw) : ParseSeconds(k.defaultText);
                    r.*k.secondsField = std::clamp(v, double(k.minimum), double(k.maximum));
                    written = LoadText(k, r);
                    break;
                }
                case ValueKind::Font: {
                    std::string v = raw ? Cut(*raw) : "";
                    if (v.empty() && writeBack) v = k.defaultText;
                    if (!v.empty()) {
                        ParseFont(v, r.*k.fontField);
                        present = true;
                    }
                    written = LoadText(k, r);
                    break;
                }
                case ValueKind::EffectList: {
                    std::string v = raw ? Cut(*raw) : "";
                    if (v.empty() && writeBack) v = k.defaultText;
                    if (!v.empty()) {
                        std::string cleaned = CleanEffectList(v);
                        if (EqualsAsciiNoCase(cleaned, "_all_") && env.effectNumbers)
                            cleaned = JoinNumbers(env.effectNumbers(), 255);
                        r.*k.textField = cleaned;
                        present = true;
                    }
                    written = LoadText(k, r);
                    break;
                }
                case ValueKind::CommandList: {
                    // Not inherited: the file's list or the default list in every scope.
                    bool usable = raw && !HasDollars(raw);
                    r.*k.listField = ParseCommandList(usable ? std::string_view(*raw) : k.defaultText);
                    written = LoadText(k, r);
                    break;
                }
            }
        }
        if (k.saved && k.bit && (present || archiveLevel)) scope.present.set(k.section, k.bit);
        if (write) Put(file, k, written);
    }
}

}  // namespace

void Load(SettingsScope& scope, bool writeBack, const LoadEnvironment& env) {
    Settings& r = scope.record;
    const bool isCurrent = env.current == &r;
    if (!isCurrent && env.current) r = *env.current;
    scope.changes.clear();
    scope.present.clear();
    ProgramLocation noProgram;
    const ProgramLocation& program = env.program ? *env.program : noProgram;

    if (!writeBack && (scope.settingsFile.empty() || !IsRegularFile(scope.settingsFile))) {
        if (isCurrent) scope.changes.setAll();
        else scope.changes = Compare(env.current, &r);
        return;
    }
    ProfileFile file(scope.settingsFile);
    // An archive file that cannot be written is completed in memory only; the
    // keys the user changed come from, and go to, the user's own file.
    const bool userLayer = writeBack && !scope.userFile.empty();
    ReadKeys(scope, file, writeBack, writeBack && !userLayer, false, env, program);
    if (userLayer) {
        scope.baseRecord = r;
        // A language chosen at the first start is the user's, not the program folder's file's:
        // it differs from that file (which names none), so it is kept in the user's file.
        if (scope.languageChosen) scope.baseRecord.ApplicationLanguage.clear();
        ProfileFile user(scope.userFile);
        ReadKeys(scope, user, false, false, true, env, program);
    }
    if (isCurrent) scope.changes.setAll();
    else scope.changes = Compare(env.current, &r);
    if (writeBack && !userLayer) file.save();  // a folder that cannot be written leaves the file as it was
}

void SavePresent(SettingsScope& scope, char viewerScaleLetter) {
    if (scope.settingsFile.empty() || scope.present.isEmpty()) return;
    const bool userLayer = !scope.userFile.empty();
    ProfileFile file(userLayer ? scope.userFile : scope.settingsFile);
    if (!file.existed() && !userLayer) return;
    Settings& r = scope.record;
    for (const SettingsKey& k : SettingsKeys()) {
        if (!k.saved || !scope.present.has(k.section, k.bit)) continue;
        std::string text;
        if (Is(k, "KeysHelpRunCount")) {
            if (r.KeysHelpRunCount > 0) --r.KeysHelpRunCount;
            text = LoadText(k, r);
        } else if (Is(k, "ScaleStart")) {
            if (r.ScaleSavingMode != 1) continue;
            char letter = viewerScaleLetter == 'u' ? 'a' : viewerScaleLetter;
            if (letter != '\0' && std::string_view(k.letters).find(letter) != std::string_view::npos)
                r.ScaleStart = letter;
            text = LoadText(k, r);
        } else if (k.kind == ValueKind::Rect) {
            text = FormatRect(r.*k.rectField, true);
        } else {
            text = LoadText(k, r);
        }
        if (userLayer) {
            // Only what differs from the program folder's file is the user's.
            const Settings& base = scope.baseRecord;
            std::string baseText = k.kind == ValueKind::Rect ? FormatRect(base.*k.rectField, true) : LoadText(k, base);
            if (text == baseText) {
                file.remove(SectionName(k.section), k.name);
                continue;
            }
        }
        Put(file, k, text);
    }
    if (userLayer && file.modified()) MakeFolders(ParentPath(scope.userFile));
    file.save();
}

bool WriteVoidTemplate(const Settings& r, const std::string& path) {
    ProfileFile file(path);
    for (const SettingsKey& k : SettingsKeys()) {
        std::string text;
        if (Is(k, "OpenPhotoWith") || Is(k, "OpenCommentWith") || Is(k, "OpenConfigurationWith") ||
            k.kind == ValueKind::EffectList) {
            text = r.*k.textField;
        } else if (k.kind == ValueKind::Rect) {
            text = FormatRect(r.*k.rectField, true);
        } else if (Is(k, "ThumbnailsSpaceX") || Is(k, "ThumbnailsSpaceY")) {
            text = FormatAnnotated("%d   ;in pixels (%d-%d)", {std::to_string(r.*k.intField), "13", "53"});
        } else if (Is(k, "ThumbnailsFineQuality")) {
            text = FormatAnnotated("%d   ;(0-off, 1-on)", {std::to_string(r.*k.intField)});
        } else {
            text = LoadText(k, r);
        }
        file.set(SectionName(k.section), std::string("#") + k.name, text);
    }
    return file.save();
}

}  // namespace vellumo
