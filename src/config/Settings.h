#pragma once
// The in-memory settings record, the set of changed or present keys, and the
// table of every settings key: its section, name, kind, default, range and
// the annotation written after its value.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Geometry.h"

namespace vellumo {

// Longest text, raw text or path value kept from a settings file, in bytes.
inline constexpr size_t kSettingsTextLimit = 259;
// Longest font face name, in bytes.
inline constexpr size_t kFaceNameLimit = 31;
// Longest command list.
inline constexpr size_t kCommandListLimit = 96;

// A logical font description, as the comment font is kept.
struct FontDescription {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    std::string faceName;  // at most kFaceNameLimit bytes, whole UTF-8 characters
    friend bool operator==(const FontDescription&, const FontDescription&) = default;
};

// Command numbers (100..173) run in order after an event; at most kCommandListLimit.
using CommandList = std::vector<std::uint8_t>;

// Every settings key. Field names are the key names. A value-initialised
// record (Settings{}) is all zero and empty, as a new archive-level record starts.
struct Settings {
    std::string ApplicationLanguage;
    std::string ApplicationName;
    int ApplicationIcon = 0;
    std::string PathHorizon;      // expanded
    std::string PathToStart;      // expanded
    std::string CommentFontFile;  // expanded
    ColorRef BackgroundColor = 0;
    int KeysHelpRunCount = 0;
    char IntelliMouseMode = 0;
    std::string OpenPhotoWith;
    std::string OpenCommentWith;
    std::string OpenConfigurationWith;
    char ScaleStart = 0;
    int ScaleSavingMode = 0;
    Rect NavigatorRect;  // 0..1000 coordinate space
    int Navigator = 0;
    int NavigatorDockingSpace = 0;
    ColorRef NavigatorBackgroundColor = 0;
    ColorRef NavigatorTextColor = 0;
    int NavigatorBackgroundColorGiven = 0;  // 1 when the last file loaded into this record held the key
    int NavigatorTextColorGiven = 0;
    int Comment = 0;
    Rect CommentRect;
    int CommentRectAutoSize = 0;
    ColorRef CommentColor = 0;
    ColorRef CommentShadowColor = 0;
    char CommentAlign = 0;
    FontDescription CommentFont;
    int CommentShadowOffset = 0;
    int PlaySoundCommentToPhoto = 0;
    int CommentsOrder = 0;
    std::string CommentsIncluded;
    int IncludedMask = 0;  // IncludedBit values of the letters in CommentsIncluded
    double SlideShowDelay = 0;
    int SlideShowAutoExec = 0;
    int SlideShowAbsolutePathes = 0;
    std::string SlideShowAutoExecScript;
    int SlideShowStopScreenSaver = 0;
    int SlideShowMoveDownCursor = 0;
    char SlideShowSmallEndAction = 0;
    char SlideShowTotalEndAction = 0;
    int SlideShowSmallRandom = 0;
    int SlideShowTotalRandom = 0;
    int Thumbnails = 0;
    int ThumbnailsSize = 0;    // made even
    int ThumbnailsSpaceX = 0;  // made odd
    int ThumbnailsSpaceY = 0;  // made odd
    ColorRef ThumbnailsBorderColor = 0;
    int ThumbnailsBorder = 0;
    int ThumbnailsCacheInFolders = 0;
    int ThumbnailsFineQuality = 0;
    int ThumbnailsSelection = 0;
    int Music = 0;
    char MusicPresent = 0;
    std::string MusicSearchMask;  // expanded
    int MusicRandom = 0;
    char Effects = 0;
    std::string EffectsIncluded;
    std::string EffectsExcluded;
    int EffectsRandom = 0;
    std::string CommandsHotkeys;
    CommandList CommandsAfterProgramStart;
    CommandList CommandsAfterMusicFileEnd;
    CommandList CommandsAfterSlideshowStart;
    CommandList CommandsAfterSlideshowFinish;
    CommandList CommandsAfterZoomIn;
    CommandList CommandsAfterZoomOut;
    CommandList CommandsAfterKeyDown;
    CommandList CommandsAfterMouseMove;
};

// Bits of the IncludedMask, one per letter of CommentsIncluded.
enum IncludedBit : int {
    IncludedEmbedded = 0x1,    // e
    IncludedAttached = 0x2,    // a
    IncludedDescriptIon = 0x4, // d
    IncludedFolder = 0x8,      // f
    IncludedScript = 0x10,     // s
    IncludedGlobal = 0x20,     // g
};
int IncludedMaskOf(std::string_view commentsIncluded);

// The sections of a settings file, in file order; also the word index of a SettingsChangeSet.
enum SettingsSection : int {
    SectionGeneral = 0,
    SectionNavigator,
    SectionComment,
    SectionSlideshow,
    SectionThumbnails,
    SectionMusic,
    SectionEffects,
    SectionCommands,
    SectionCount
};
const char* SectionName(SettingsSection section);

// One bit per key, one 32-bit word per section.
struct SettingsChangeSet {
    std::array<std::uint32_t, SectionCount> words{};

    void clear() { words.fill(0); }
    bool isEmpty() const;
    void setAll() { words.fill(0xFFFF); }
    void merge(const SettingsChangeSet& other);
    void set(SettingsSection section, std::uint32_t bit) { words[section] |= bit; }
    bool has(SettingsSection section, std::uint32_t bits) const { return (words[section] & bits) != 0; }
    friend bool operator==(const SettingsChangeSet&, const SettingsChangeSet&) = default;
};

// How a key's value is read, validated and written.
enum class ValueKind { Flag, Int, Letter, Text, RawText, Path, Colour, Rect, Seconds, Font, EffectList, CommandList };

// One row of the key table. Exactly one field pointer matches the kind.
struct SettingsKey {
    SettingsSection section;
    const char* name;
    ValueKind kind;
    const char* defaultText;  // the default as it is written ("1", "z", "0,0,0", "3.0", ...)
    int minimum = 0;
    int maximum = 0;
    const char* letters = nullptr;  // Letter: the allowed letters; Text: the characters kept (nullptr keeps all)
    const char* format = "";        // annotation format as written ("%d   ;(%d-%d)"); for lists the comment text
    std::uint32_t bit = 0;          // change bit within the section's word (0: none)
    bool saved = false;             // written back by SavePresent
    bool archiveOnly = false;       // read only from archive-level files
    int Settings::*intField = nullptr;
    char Settings::*charField = nullptr;
    std::string Settings::*textField = nullptr;
    ColorRef Settings::*colourField = nullptr;
    Rect Settings::*rectField = nullptr;
    double Settings::*secondsField = nullptr;
    FontDescription Settings::*fontField = nullptr;
    CommandList Settings::*listField = nullptr;
};

// Every key, sections in file order and keys in table order.
const std::vector<SettingsKey>& SettingsKeys();
// The key of that name (exact spelling), or nullptr.
const SettingsKey* FindSettingsKey(std::string_view name);

// The keys whose values differ between two records. Either record missing: set-all.
// Texts compare ignoring case, paths exactly; command lists are not compared.
SettingsChangeSet Compare(const Settings* oldRecord, const Settings* newRecord);

// Value texts as the settings files hold them.
std::string FormatAnnotated(std::string_view format, std::initializer_list<std::string> args);
std::string FormatSeconds(double value);  // "%3.2f"
std::string FormatColour(ColorRef c);     // with the RGB annotation
// X,Y,W,H with the XYWH annotation. With clampForSave, X and Y are clamped
// into 0..980 and W and H into 20..1000.
std::string FormatRect(const Rect& r, bool clampForSave);
std::string FormatFont(const FontDescription& f);
std::string FormatCommandList(const CommandList& list, std::string_view comment);

// Value readers (each never fails: garbage gives the documented fallback).
// The leading integer of a text ("" or no digits give 0), saturated to int.
int LeadingInt(std::string_view text);
// R,G,B each clamped into 0..255; missing numbers count as 0.
ColorRef ParseColour(std::string_view text);
// X,Y,W,H each clamped into 0..1000, stored as left, top, right, bottom.
Rect ParseRect(std::string_view text);
// A decimal real number ("" or no number gives 0).
double ParseSeconds(std::string_view text);
// Face,Height,Bold,Italic,Underline into an existing description (width,
// escapement, orientation and character set stay).
void ParseFont(std::string_view text, FontDescription& font);
// Up to the first ";" and then up to the first blank; comma-separated numbers
// of which only 100..173 remain, at most kCommandListLimit.
CommandList ParseCommandList(std::string_view text);
// A Text value: cut to the text limit, everything from the last ";" cut off,
// trailing blanks removed, then only the kept characters (when given).
std::string CleanText(std::string_view raw, const char* keep = nullptr);
// An effect list value: everything from the first ";" off, trailing blanks removed.
std::string CleanEffectList(std::string_view raw);

}  // namespace vellumo
