#include "config/Language.h"

#include "config/ProfileFile.h"
#include "config/ProgramLocation.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"

namespace vellumo {

namespace {

constexpr const char* kLanguageSettings = "Language Settings";
constexpr const char* kGeneral = "General";
constexpr const char* kMainMenu = "Main Menu";
constexpr const char* kDialogs = "Dialogs";
constexpr const char* kMessages = "Messages";

constexpr size_t kLanguageTextLimit = 259;
constexpr size_t kKeyTextLimit = 31;

// The value written for an entry the file lacks: the text, then the comment when it has one.
std::string DefaultLine(const LanguageEntry& e) {
    std::string line = e.defaultText;
    if (std::string_view(e.comment).size() > 1) line += std::string("   ; ") + e.comment;
    return line;
}

std::string ReplaceEscapes(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size()) {
            char next = text[i + 1];
            if (next == 't' || next == 'r' || next == 'n') {
                out += next == 't' ? '\t' : next == 'r' ? '\r' : '\n';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// A language name as one file name: separators cannot lead out of the "lang" folder.
std::string FileNameForLanguage(const std::string& name) {
    std::string n = name.empty() ? std::string("English") : name;
    for (char& c : n)
        if (c == '/' || c == '\0') c = '_';
    return n;
}

}  // namespace

const std::array<LanguageEntry, kLanguageEntryCount>& LanguageEntries() {
    static const std::array<LanguageEntry, kLanguageEntryCount> entries = {{
        {"Photoarchive", kGeneral, "Photoarchive", "default archive name"},
        {"ZoomIn", kMainMenu, "Zoom In\\tPageUp", "in all menu items \\t characters will be replaced by tab"},
        {"ZoomOut", kMainMenu, "Zoom Out\\tPageDown", "."},
        {"RealScale", kMainMenu, "Real Scale\\tHome", "."},
        {"FitToScreen", kMainMenu, "Fit to Screen\\tEnd", "."},
        {"MoveLeft", kMainMenu, "Move Left\\tArrow Left", "."},
        {"MoveRight", kMainMenu, "Move Right\\tArrow Right", "."},
        {"MoveUp", kMainMenu, "Move Up\\tArrow Up", "."},
        {"MoveDown", kMainMenu, "Move Down\\tArrow Down", "."},
        {"RotateLeft", kMainMenu, "Rotate Left\\t\"[\"", "."},
        {"RotateRight", kMainMenu, "Rotate Right\\t\"]\"", "."},
        {"ShowPreviousPhoto", kMainMenu, "Show Previous Photo\\t\"-\"", "."},
        {"ShowNextPhoto", kMainMenu, "Show Next Photo\\t\"+\"", "."},
        {"SlideShowSmall", kMainMenu, "SlideShow Small\\tF12", "."},
        {"SlideShowTotal", kMainMenu, "SlideShow Total", "."},
        {"Start", kMainMenu, "Start\\tF8", "."},
        {"Stop", kMainMenu, "Stop\\tF8", "."},
        {"Pause", kMainMenu, "Pause\\tPause", "."},
        {"Continue", kMainMenu, "Continue\\tPause", "."},
        {"ShowNavigator", kMainMenu, "Show Navigator\\tEsc", "."},
        {"HideNavigator", kMainMenu, "Hide Navigator\\tEsc", "."},
        {"ShowComment", kMainMenu, "Show Comment\\tSpacebar", "."},
        {"HideComment", kMainMenu, "Hide Comment\\tSpacebar", "."},
        {"Thumbnails", kMainMenu, "Thumbnails\\tIns", "."},
        {"SoundComment", kMainMenu, "Sound Comment\\tF4", "."},
        {"BackgroundMusic", kMainMenu, "Background Music\\tF3", "."},
        {"Help", kMainMenu, "Help\\tF1", "."},
        {"Exit", kMainMenu, "Exit\\tAlt+X", "."},
        {"OK", kDialogs, "OK", "."},
        {"Cancel", kDialogs, "Cancel", "."},
        {"SelectLanguage", kDialogs, "Select language", "caption of \"Select language\" dialog"},
        {"SelectHotkeys", kDialogs, "Select hotkeys set", "caption of \"Select hotkeys set\" dialog"},
        {"CommentFont", kDialogs, "Comment font", "caption of \"Choose font\" dialog"},
        {"CommentColour", kDialogs, "Comment colour", "caption of \"Choose comment color\" dialog"},
        {"CommentShadowColour", kDialogs, "Comment shadow colour", "caption of \"Choose comment shadow colour\" dialog"},
        {"BackgroundColour", kDialogs, "Background colour", "caption of \"Choose background colour\" dialog"},
        {"Message1", kMessages, "Comment text file\\n'%s'\\ndoes not exist.\\n\\nDo you want to create it ?",
         "invitation to create text comment file, \\n will be replaced by line break"},
        {"Message2", kMessages, "Are you sure you want to delete comment file:\\n'%s' ?",
         "promt to delete comment text file, \\n will be replaced by line break"},
        {"HelpTotal", kLanguageSettings, "help\\Help.English.html", "command for 'Shell execute' to run program help"},
        {"HelpHotKeys", kLanguageSettings, "help\\Keys.English.html",
         "command for 'Shell execute' to run hot keys hint"},
        {"CharSet", kLanguageSettings, "ANSI",
         "ANSI,BALTIC,EASTEUROPE,GB2312,GREEK,HANGUL,MAC,OEM,RUSSIAN,SHIFTJIS,SYMBOL,TURKISH,JOHAB,HEBREW,ARABIC,THAI"},
        {"SlideShow", kGeneral, "SlideShow", "prefix for slideshow scripts"},
        {"Message3", kMessages, "Settings file\\n'%s'\\ndoes not exist.\\n\\nDo you want to create it ?",
         "invitation to create settings file, \\n will be replaced by line break"},
        {"Message4", kMessages, "Are you sure you want to delete settings file:\\n'%s' ?",
         "promt to delete settings file, \\n will be replaced by line break"},
        {"VoidLocalSettingsFile", kGeneral, "Void Local Settings File", "default value in menu (Shift+D)"},
    }};
    return entries;
}

const std::array<const char*, 5>& LanguageSections() {
    static const std::array<const char*, 5> sections = {kLanguageSettings, kGeneral, kMainMenu, kDialogs, kMessages};
    return sections;
}

std::string CleanLanguageText(std::string_view raw) {
    std::string_view t = raw.substr(0, raw.find(';'));
    while (!t.empty() && (t.back() == ' ' || t.back() == '\t' || t.back() == '\r' || t.back() == '\n'))
        t.remove_suffix(1);
    return ReplaceEscapes(t);
}

int CharSetCodeOf(std::string_view text, std::string* name) {
    struct Entry {
        const char* name;
        int code;
    };
    static constexpr Entry kCharSets[] = {
        {"ANSI", 0},     {"BALTIC", 186}, {"EASTEUROPE", 238}, {"GB2312", 134}, {"GREEK", 161},  {"HANGUL", 129},
        {"MAC", 77},     {"OEM", 255},    {"RUSSIAN", 204},    {"SHIFTJIS", 128}, {"SYMBOL", 2}, {"TURKISH", 162},
        {"JOHAB", 130},  {"HEBREW", 177}, {"ARABIC", 178},     {"THAI", 222},
    };
    for (const auto& e : kCharSets) {
        if (text.find(e.name) != std::string_view::npos) {
            if (name) *name = e.name;
            return e.code;
        }
    }
    if (name) *name = "ANSI";
    return 0;
}

Language::Language() {
    const auto& entries = LanguageEntries();
    for (size_t i = 0; i < entries.size(); ++i) texts_[i] = ReplaceEscapes(entries[i].defaultText);
    finish(nullptr);
}

void Language::LoadLanguage(const std::string& name, const std::string& programFolder, Settings& current,
                            const std::string& userFolder) {
    current.ApplicationLanguage = name;
    // Where a new or completed file goes: beside the program, or the user's copy.
    const ProgramFileCopy copy = LocateProgramFile(programFolder, "lang", FileNameForLanguage(name) + ".lang.txt", userFolder);
    path_ = copy.readPath;
    const std::string& folder = copy.writeFolder;
    const std::string& target = copy.writePath;
    const auto& entries = LanguageEntries();
    auto saveFile = [&](ProfileFile& file) {
        if (target == path_) return file.save();
        return file.modified() && MakeFolders(folder) && file.saveTo(target);
    };

    ProfileFile file(path_);
    if (!file.existed()) {
        for (size_t i = 0; i < entries.size(); ++i) texts_[i] = ReplaceEscapes(entries[i].defaultText);
        // Nothing there yet: a link loop is something, and not ours to replace.
        if (!FileExists(target) && !IsLinkLoop(target) && MakeFolders(folder)) {
            file.appendRawText("; Vellumo language file\r\n; Author:");
            for (const char* section : LanguageSections()) file.appendRawText(std::string("\r\n\r\n[") + section + "]");
            for (const auto& e : entries) file.set(e.section, e.key, DefaultLine(e));
            file.saveTo(target);  // read-only media: the built-in texts stay in use, nothing is reported
        }
    } else {
        if (file.encoding().name != "UTF-8") {
            // A legacy file is read in the code page its own CharSet line names.
            std::string charSetName;
            CharSetCodeOf(CleanLanguageText(file.get(kLanguageSettings, "CharSet").value_or("")), &charSetName);
            file.useLegacyCodePage(CodePageForCharSet(charSetName));
        }
        for (size_t i = 0; i < entries.size(); ++i) {
            const auto& e = entries[i];
            std::string value(CutUtf8(file.get(e.section, e.key).value_or(""), kLanguageTextLimit));
            if (value.empty()) {
                file.set(e.section, e.key, DefaultLine(e));
                value = e.defaultText;
            }
            texts_[i] = CleanLanguageText(value);
        }
        saveFile(file);
    }
    finish(&current);
}

void Language::finish(Settings* current) {
    std::string charSetName;
    charSet_ = CharSetCodeOf(text(LanguageKey::CharSet), &charSetName);
    if (current) {
        current->CommentFont.charSet = static_cast<std::uint8_t>(charSet_);
        SetLegacyCodePage(CodePageForCharSet(charSetName));
    }

    static constexpr LanguageKey kSources[kKeyDisplayTextCount] = {
        LanguageKey::Pause,       LanguageKey::ShowComment, LanguageKey::ZoomIn,   LanguageKey::ZoomOut,
        LanguageKey::FitToScreen, LanguageKey::RealScale,   LanguageKey::MoveLeft, LanguageKey::MoveUp,
        LanguageKey::MoveRight,   LanguageKey::MoveDown,
    };
    for (size_t i = 0; i < keyTexts_.size(); ++i) {
        const std::string& t = text(kSources[i]);
        size_t tab = t.find('\t');
        keyTexts_[i] = tab == std::string::npos ? std::string() : std::string(CutUtf8(std::string_view(t).substr(tab + 1), kKeyTextLimit));
    }
}

const std::string& Language::LanguageText(int id) const {
    static const std::string empty;
    if (id < 300 || id > 432) return empty;
    return texts_[static_cast<size_t>((id - 300) / 3)];
}

}  // namespace vellumo
