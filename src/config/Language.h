#pragma once
// Language files: every interface text comes from the loaded language file by
// its identifier. The program carries the English texts built in, writes a
// complete file when the named one is missing and adds missing entries.
#include <array>
#include <string>
#include <string_view>

#include "config/Settings.h"

namespace vellumo {

// The 45 entries in file-entry order; entry n has the identifiers 300 + 3n
// (key name), 301 + 3n (default text) and 302 + 3n (comment).
enum class LanguageKey : int {
    Photoarchive, ZoomIn, ZoomOut, RealScale, FitToScreen, MoveLeft, MoveRight, MoveUp, MoveDown,
    RotateLeft, RotateRight, ShowPreviousPhoto, ShowNextPhoto, SlideShowSmall, SlideShowTotal, Start, Stop,
    Pause, Continue, ShowNavigator, HideNavigator, ShowComment, HideComment, Thumbnails, SoundComment,
    BackgroundMusic, Help, Exit, OK, Cancel, SelectLanguage, SelectHotkeys, CommentFont, CommentColour,
    CommentShadowColour, BackgroundColour, Message1, Message2, HelpTotal, HelpHotKeys, CharSet, SlideShow,
    Message3, Message4, VoidLocalSettingsFile,
    Count
};
inline constexpr int kLanguageEntryCount = static_cast<int>(LanguageKey::Count);
// The text identifier of an entry (its key-name identifier).
constexpr int LanguageTextId(LanguageKey key) { return 300 + 3 * static_cast<int>(key); }

struct LanguageEntry {
    const char* key;
    const char* section;
    const char* defaultText;  // with the two-character escapes \t and \n as the file holds them
    const char* comment;      // "." for none
};
// The built-in English entries, in entry order.
const std::array<LanguageEntry, kLanguageEntryCount>& LanguageEntries();
// The sections of a language file, in file order.
const std::array<const char*, 5>& LanguageSections();

// The ten keys whose display texts come from menu texts, in this order.
enum class KeyDisplayText : int {
    Pause, Spacebar, PageUp, PageDown, End, Home, Left, Up, Right, Down, Count
};
inline constexpr int kKeyDisplayTextCount = static_cast<int>(KeyDisplayText::Count);

// Cuts a language text at its first ";", removes trailing blanks and replaces
// the escapes \t, \r and \n.
std::string CleanLanguageText(std::string_view raw);
// The Windows character-set code of a CharSet text (first of the names found,
// case-sensitive; 0 when none), and the matching name ("ANSI" when none).
int CharSetCodeOf(std::string_view charSetText, std::string* name = nullptr);

class Language {
public:
    // The built-in English texts.
    Language();

    // Loads lang/<name>.lang.txt below the program folder, creating the folder
    // and the file, or adding missing and empty entries (one save). Stores the
    // name into current.ApplicationLanguage and the character set into
    // current.CommentFont; sets the legacy code page from the file's CharSet.
    // With a user folder (the program folder cannot be written) the user's copy
    // of the file is read when there is one, and a file that needs creating or
    // completing is written whole into the user folder.
    void LoadLanguage(const std::string& name, const std::string& programFolder, Settings& current,
                      const std::string& userFolder = {});

    // The text of identifiers 300..432 (any of an entry's three); "" otherwise.
    const std::string& LanguageText(int id) const;
    const std::string& text(LanguageKey key) const { return texts_[static_cast<size_t>(key)]; }
    // Display texts of Pause, Spacebar, PageUp, PageDown, End, Home, Left, Up,
    // Right, Down: the text after the first tab of the Pause, ShowComment,
    // ZoomIn, ZoomOut, FitToScreen, RealScale, MoveLeft, MoveUp, MoveRight and
    // MoveDown texts, at most 31 bytes; "" when a text has no tab.
    const std::string& keyDisplayText(KeyDisplayText which) const {
        return keyTexts_[static_cast<size_t>(which)];
    }
    const std::array<std::string, kKeyDisplayTextCount>& keyDisplayTexts() const { return keyTexts_; }
    int charSet() const { return charSet_; }
    // The file last loaded ("" for the built-in texts).
    const std::string& path() const { return path_; }

private:
    // Character set and key display texts from the texts; with a record, applies the character set.
    void finish(Settings* current);

    std::array<std::string, kLanguageEntryCount> texts_;
    std::array<std::string, kKeyDisplayTextCount> keyTexts_;
    int charSet_ = 0;
    std::string path_;
};

}  // namespace vellumo
