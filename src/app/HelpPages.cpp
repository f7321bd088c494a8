#include "app/HelpPages.h"

#include "comments/Macros.h"

#include <cstdio>
#include <utility>
#include <vector>

#include "config/Hotkeys.h"
#include "config/Language.h"
#include "config/Settings.h"

namespace vellumo {

namespace {

const std::vector<std::pair<std::string_view, std::string_view>> kMeanings = {
    {"ApplicationLanguage", "The interface language: the name of a file in the lang folder without \".lang.txt\". "
                            "Empty in the archive file: the language dialog opens at the start."},
    {"ApplicationName", "The archive's name shown in the Navigator's caption and the window title; may hold "
                        "macros. Empty: the language file's default archive name."},
    {"ApplicationIcon", "Which of the five program icons the window shows."},
    {"PathHorizon", "The top folder of the archive: the Navigator never goes above it."},
    {"PathToStart", "The folder opened at the start; the program keeps the last folder here."},
    {"BackgroundColor", "The colour around the photo, as red, green, blue."},
    {"PlaySoundCommentToPhoto", "Play a photo's sound comment (a .wav file with the photo's name)."},
    {"KeysHelpRunCount", "While above 0 the hot keys help opens at the start; counted down at every exit."},
    {"IntelliMouseMode", "What the mouse wheel does: zoom, or go to the next and previous photo."},
    {"ScaleStart", "How a photo is first shown: real scale, fitted to the screen, or automatic (fitted when larger)."},
    {"ScaleSavingMode", "Keep the zoom of one photo for the next."},
    {"OpenPhotoWith", "The program that opens the photo (Ctrl+O); empty: the desktop's program for the file type."},
    {"OpenCommentWith", "The editor of comment files (Ctrl+T, Shift+T). When it is not installed: the desktop's "
                        "text editor, then $VISUAL or $EDITOR in a terminal."},
    {"OpenConfigurationWith", "The editor of settings files (Ctrl+D, Shift+D); found like the comment editor."},
    {"Navigator", "Show the Navigator."},
    {"NavigatorRect", "The Navigator's place and size, in thousandths of the screen."},
    {"NavigatorDockingSpace", "How near the screen edge the Navigator snaps to it."},
    {"NavigatorBackgroundColor", "The Navigator list's background colour (only when written in a file)."},
    {"NavigatorTextColor", "The Navigator list's text colour (only when written in a file)."},
    {"Comment", "Show the comment over the photo."},
    {"CommentRect", "The comment's rectangle, in thousandths of the screen (Ctrl+R sets it with the mouse)."},
    {"CommentRectAutoSize", "Shrink the comment's rectangle around its text."},
    {"CommentColor", "The comment's text colour."},
    {"CommentShadowColor", "The colour of the comment's shadow."},
    {"CommentShadowOffset", "How far the shadow lies below and right of the text; 0 for none."},
    {"CommentAlign", "How the comment's lines are aligned."},
    {"CommentFont", "The comment font: face, height and styles."},
    {"CommentFontFile", "A font file used while this settings file applies, for a face not installed."},
    {"CommentsOrder", "The order in which the comments of the photo, folder, script and archive are joined."},
    {"CommentsIncluded", "Which comment sources are shown: embedded text, attached file, descript.ion, folder, "
                         "script and global comment."},
    {"SlideShowAutoExec", "Start a slideshow right after the program starts."},
    {"SlideShowAutoExecScript", "The slideshow script that the automatic total slideshow plays."},
    {"SlideShowDelay", "Seconds each photo stays in a slideshow."},
    {"SlideShowAbsolutePathes", "Write full paths (with the drive) into slideshow scripts."},
    {"SlideShowStopScreenSaver", "Keep the screen saver away while a slideshow runs."},
    {"SlideShowMoveDownCursor", "Move the mouse pointer out of the way during a slideshow."},
    {"SlideShowSmallEndAction", "What happens at the end of the small slideshow."},
    {"SlideShowTotalEndAction", "What happens at the end of the total slideshow."},
    {"SlideShowSmallRandom", "Show the folder's photos in random order."},
    {"SlideShowTotalRandom", "Show the archive's photos in random order."},
    {"Thumbnails", "The Navigator shows thumbnails instead of names."},
    {"ThumbnailsSize", "The size of a thumbnail."},
    {"ThumbnailsSpaceX", "The room between thumbnails side by side."},
    {"ThumbnailsSpaceY", "The room between rows of thumbnails (the name is shown there)."},
    {"ThumbnailsBorderColor", "The colour of a thumbnail's frame."},
    {"ThumbnailsBorder", "Draw a frame around thumbnails."},
    {"ThumbnailsCacheInFolders", "Keep each folder's thumbnails in a cache file in that folder. Off (and where a "
                                 "folder cannot be written) thumbnails go to the desktop's shared thumbnail cache."},
    {"ThumbnailsFineQuality", "Make thumbnails with the smoother, slower filter."},
    {"ThumbnailsSelection", "How the selected thumbnail is marked."},
    {"Music", "Play background music."},
    {"MusicPresent", "Play music always, or only during slideshows."},
    {"MusicSearchMask", "Where the music files are and which names they have."},
    {"MusicRandom", "Play the music files in random order."},
    {"Effects", "When photos change with a transition effect."},
    {"EffectsIncluded", "The transition effects used, by number; all for every effect."},
    {"EffectsExcluded", "Transition effects never used, by number."},
    {"EffectsRandom", "Choose the effects at random instead of in turn."},
    {"CommandsHotkeys", "The hotkeys set: the name of a file in the keys folder without \".keys.txt\"."},
    {"CommandsAfterProgramStart", "Commands run once the program has started."},
    {"CommandsAfterMusicFileEnd", "Commands run when a music file has ended."},
    {"CommandsAfterSlideshowStart", "Commands run when a slideshow starts."},
    {"CommandsAfterSlideshowFinish", "Commands run when a slideshow stops."},
    {"CommandsAfterZoomIn", "Commands run after zooming in."},
    {"CommandsAfterZoomOut", "Commands run after zooming out."},
    {"CommandsAfterKeyDown", "Commands run after every key press."},
    {"CommandsAfterMouseMove", "Commands run after every mouse move."},
};

// The text after the ";" of an annotation, with its numbers filled in.
std::string AllowedValues(const SettingsKey& key) {
    std::string_view format = key.format ? key.format : "";
    size_t semicolon = format.find(';');
    std::string_view tail = semicolon == std::string_view::npos ? std::string_view() : format.substr(semicolon + 1);
    std::string out;
    int numbers = 0;
    for (size_t i = 0; i < tail.size(); ++i) {
        if (tail[i] != '%') {
            out += tail[i];
            continue;
        }
        // %d or %3.2f: the minimum, then the maximum.
        size_t end = tail.find_first_of("df", i);
        if (end == std::string_view::npos) break;
        int value = numbers++ == 0 ? key.minimum : key.maximum;
        char buffer[32];
        if (tail[end] == 'f') std::snprintf(buffer, sizeof buffer, "%d.00", value);
        else std::snprintf(buffer, sizeof buffer, "%d", value);
        out += buffer;
        i = end;
    }
    while (!out.empty() && out.front() == ' ') out.erase(out.begin());
    if (!out.empty()) return out;
    switch (key.kind) {
        case ValueKind::RawText: return "a name";
        case ValueKind::Path: return "a path (\\ or / between folders; relative to the program folder)";
        case ValueKind::Colour: return "RGB (0-255, ...)";
        case ValueKind::CommandList: return "command numbers (100-173) separated by commas; 0 for none";
        default: return "text";
    }
}

std::string Row(std::initializer_list<std::string> cells) {
    std::string row = "<tr>";
    for (const auto& c : cells) row += "<td>" + c + "</td>";
    return row + "</tr>\n";
}

// What the program does on Linux where the hotkeys file's remark (kept as the
// Windows program wrote it) names a program of Windows.
const std::vector<std::pair<int, std::string_view>> kLinuxMeanings = {
    {156, "edit the text file with the photo's comment in the text editor"},
    {157, "edit the text file with the folder's comment in the text editor"},
    {160, "edit the settings file of the current photo in the text editor"},
    {161, "edit the settings file of the current folder in the text editor"},
    {165, "open the current folder in the file manager"},
};

// "zoom in (PageUp)" of the line "PageUp   ;zoom in (PageUp)", without the key in parentheses.
std::string CommandMeaning(std::string_view line) {
    size_t semicolon = line.find(';');
    std::string text(semicolon == std::string_view::npos ? std::string_view() : line.substr(semicolon + 1));
    size_t open = text.rfind(" (");
    if (open != std::string::npos && !text.empty() && text.back() == ')') text.resize(open);
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// A command's meaning for the help pages.
std::string CommandMeaningOf(int command) {
    for (const auto& [c, meaning] : kLinuxMeanings)
        if (c == command) return std::string(meaning);
    return CommandMeaning(DefaultHotkeyLine(command));
}

}  // namespace

std::string HtmlEscaped(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&#39;"; break;
            default: out += c;
        }
    }
    return out;
}

std::string_view SettingsKeyMeaning(std::string_view key) {
    for (const auto& [name, meaning] : kMeanings)
        if (name == key) return meaning;
    return {};
}

std::string CommandsHtml() {
    const HotkeyTable keys = DefaultHotkeyTable();
    const KeyNameTable english;  // the English key names, whatever language is loaded
    std::string html = "<table>\n<tr><th>Key</th><th>Command</th><th>What it does</th></tr>\n";
    for (int c = kFirstCommand; c <= kLastCommand; ++c) {
        std::string key = HotkeyText(keys, c, english);
        html += Row({key.empty() ? "&mdash;" : "<kbd>" + HtmlEscaped(key) + "</kbd>", std::to_string(c),
                     HtmlEscaped(CommandMeaningOf(c))});
    }
    return html + "</table>\n";
}

std::string MouseHtml() {
    const MouseCommands mouse = DefaultMouseCommands();
    std::string html = "<table>\n<tr><th>Mouse</th><th>Command</th><th>What it does</th></tr>\n";
    const std::pair<const char*, int> actions[] = {{"LeftDoubleClick", mouse.leftDoubleClick},
                                                   {"MiddleDoubleClick", mouse.middleDoubleClick},
                                                   {"RightClick", mouse.rightClick}};
    for (const auto& [name, command] : actions)
        html += Row({name, std::to_string(command), HtmlEscaped(CommandMeaningOf(command))});
    return html + "</table>\n";
}

std::string NotationHtml() {
    std::string header = kHotkeysFileHeader;
    std::string lines;
    for (size_t at = 0; at < header.size();) {
        size_t end = header.find("\r\n", at);
        if (end == std::string::npos) end = header.size();
        std::string_view line = std::string_view(header).substr(at, end - at);
        at = end + 2;
        if (line.rfind("; ", 0) != 0) continue;
        line.remove_prefix(2);
        if (line.rfind("Vellumo", 0) == 0 || line.rfind("Author", 0) == 0 || line.rfind("Use the", 0) == 0) continue;
        lines += HtmlEscaped(line) + "\n";
    }
    return "<pre>\n" + lines + "</pre>\n";
}

std::string SettingsHtml() {
    std::string html;
    int section = -1;
    for (const SettingsKey& key : SettingsKeys()) {
        if (key.section != section) {
            if (section >= 0) html += "</table>\n";
            section = key.section;
            html += "<h3>[" + HtmlEscaped(SectionName(key.section)) + "]</h3>\n<table>\n"
                    "<tr><th>Key</th><th>Default</th><th>Allowed values</th><th>Meaning</th></tr>\n";
        }
        std::string meaning = HtmlEscaped(SettingsKeyMeaning(key.name));
        if (key.archiveOnly) meaning += " <i>(read from the archive file only)</i>";
        std::string def = key.defaultText && *key.defaultText ? "<code>" + HtmlEscaped(key.defaultText) + "</code>"
                                                             : "<i>empty</i>";
        html += Row({"<code>" + HtmlEscaped(key.name) + "</code>", def, HtmlEscaped(AllowedValues(key)), meaning});
    }
    if (section >= 0) html += "</table>\n";
    return html;
}

std::string LanguageHtml() {
    std::string html = "<table>\n<tr><th>Key</th><th>Section</th><th>English text</th></tr>\n";
    for (const LanguageEntry& e : LanguageEntries())
        html += Row({"<code>" + HtmlEscaped(e.key) + "</code>", HtmlEscaped(e.section),
                     "<code>" + HtmlEscaped(e.defaultText) + "</code>"});
    return html + "</table>\n";
}

std::string_view MacroMeaning(std::string_view macro) {
    static const std::map<std::string_view, std::string_view> meanings = {
        {"%FILE_NAME%", "the photo's file name"},
        {"%SHORT_FILE_NAME%", "the file name up to its first dot"},
        {"%FOLDER_NAME%", "the name of the photo's folder"},
        {"%PATH%", "the path of the photo's folder"},
        {"%IMAGE_WIDTH%", "the photo's width in pixels"},
        {"%IMAGE_HEIGHT%", "the photo's height in pixels"},
        {"%IMAGE_SIZE_K%", "the file's size in kilobytes"},
        {"%IMAGE_SIZE_M%", "the file's size in megabytes"},
        {"%ROTATE_LEFT%", "nothing; turns the photo by 90 degrees to the left"},
        {"%ROTATE_RIGHT%", "nothing; turns the photo by 90 degrees to the right"},
        {"%CURRENT_FOLDER%", "the Navigator's current folder"},
        {"%SLIDESHOW_COUNT%", "the number of photos of the running slideshow"},
        {"%SLIDESHOW_CURRENT%", "the place of this photo in the running slideshow"},
        {"%MUSIC_FILE_NAME%", "the music file playing"},
        {"%MUSIC_SHORT_FILE_NAME%", "the music file playing, without its extension"},
    };
    auto it = meanings.find(macro);
    return it == meanings.end() ? std::string_view() : it->second;
}

std::string MacrosHtml() {
    // The names come from the comment's own macro table, so the help lists
    // exactly the macros the program expands.
    std::string html = "<table>\n<tr><th>Macro</th><th>Replaced by</th></tr>\n";
    for (std::string_view name : MacroNames())
        html += "<tr><td><code>" + HtmlEscaped(name) + "</code></td><td>" + HtmlEscaped(MacroMeaning(name)) +
                "</td></tr>\n";
    return html + "</table>\n";
}

std::map<std::string, std::string> HelpParts() {
    return {{"commands", CommandsHtml()},
            {"macros", MacrosHtml()},
            {"mouse", MouseHtml()},
            {"notation", NotationHtml()},
            {"settings", SettingsHtml()},
            {"language", LanguageHtml()}};
}

bool FillHelpPage(std::string& page, const std::map<std::string, std::string>& parts, std::string* missing) {
    static constexpr std::string_view kOpen = "<!--generated:";
    static constexpr std::string_view kClose = "-->";
    size_t at = 0;
    while ((at = page.find(kOpen, at)) != std::string::npos) {
        size_t nameStart = at + kOpen.size();
        size_t end = page.find(kClose, nameStart);
        if (end == std::string::npos) break;
        std::string name = page.substr(nameStart, end - nameStart);
        auto it = parts.find(name);
        if (it == parts.end()) {
            if (missing) *missing = name;
            return false;
        }
        page.replace(at, end + kClose.size() - at, it->second);
        at += it->second.size();
    }
    return true;
}

}  // namespace vellumo
