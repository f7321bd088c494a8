#pragma once
// The user commands (100..173) and the internal command numbers the
// program's parts send each other, with one declarative table of the user
// commands: the window and the handler that act on each, how it uses the
// repeat count of a burst, its menu texts. Hotkeys, the command queue, the
// menus and the viewer's dispatch all read this table.
#include <string_view>
#include <vector>

namespace vellumo {

namespace cmd {
enum : int {
    ZoomIn = 100,
    ZoomOut = 101,
    RealScale = 102,
    FitToScreen = 103,
    MoveLeft = 104,
    MoveRight = 105,
    MoveUp = 106,
    MoveDown = 107,
    RotateLeft = 108,
    RotateLeftFine = 109,
    RotateLeftMacro = 110,
    RotateRight = 111,
    RotateRightFine = 112,
    RotateRightMacro = 113,
    PreviousPhoto = 114,
    NextPhoto = 115,
    SmallSlideshow = 116,
    TotalSlideshowStartStop = 117,
    TotalSlideshowStart = 118,
    SlideshowStop = 119,
    SlideshowPauseContinue = 120,
    SlideshowPause = 121,
    SlideshowContinue = 122,
    SlideshowSlower = 123,
    SlideshowFaster = 124,
    ToggleNavigator = 125,
    ShowNavigator = 126,
    HideNavigator = 127,
    ToggleComment = 128,
    CommentOn = 129,
    CommentOff = 130,
    ToggleThumbnails = 131,
    ThumbnailsOn = 132,
    ThumbnailsOff = 133,
    ToggleSoundComments = 134,
    SoundCommentsOn = 135,
    SoundCommentsOff = 136,
    ToggleMusic = 137,
    MusicOn = 138,
    MusicOff = 139,
    Help = 140,
    HotkeysHelp = 141,
    Exit = 142,
    Refresh = 143,
    CommentFont = 144,
    FontSmaller = 145,
    FontLarger = 146,
    ToggleBold = 147,
    ToggleItalic = 148,
    ToggleUnderline = 149,
    CommentRectangle = 150,
    CommentColour = 151,
    BackgroundColour = 152,
    ShadowColour = 153,
    CopyComment = 154,
    CopyMacros = 155,
    EditPhotoComment = 156,
    EditFolderComment = 157,
    DeletePhotoComment = 158,
    DeleteFolderComment = 159,
    EditPhotoSettings = 160,
    EditFolderSettings = 161,
    DeletePhotoSettings = 162,
    DeleteFolderSettings = 163,
    OpenExternal = 164,
    ExploreFolder = 165,
    SecondInstance = 166,
    WriteScript = 167,
    SwitchIntelliMouse = 168,
    SwitchScaleSaving = 169,
    SelectLanguage = 170,
    SelectHotkeys = 171,
    ViewerMenu = 172,
    ContextMenu = 173,

    // Internal numbers, never bound to keys.
    AutoExecSlideshow = 3000,
    SlideshowWithoutScript = 3001,
    SlideshowScriptFirst = 3002,  // script n of the sorted list is 3002 + n
    SlideshowScriptLast = 3256,
    VoidSettingsFile = 3257,
    SettingsTemplateFirst = 3258,  // template n is 3258 + n
    SettingsTemplateLast = 3513,
    StartupBegin = 31835,
    StartupFinish = 31836,
    // The start-up decode has a first picture or is over.
    StartupDecodeNews = 31837,
    // The start-up commands have run: work held back for the start goes on.
    StartupOver = 31838,
    EditorClosed = 31845,
    EffectFinished = 31847,
    KeyDownTrigger = 31848,
    MouseMoveTrigger = 31849,
    // The desktop's text editor was looked up (the lookup's number as parameter).
    EditorChosen = 31880,
    // The opener of a help page ended (its exit status as parameter).
    OpenerEnded = 31881,
};
}  // namespace cmd

constexpr int kFirstCommand = 100;
constexpr int kLastCommand = 173;
constexpr int kCommandCount = kLastCommand - kFirstCommand + 1;  // 74

inline bool IsUserCommand(int command) { return command >= kFirstCommand && command <= kLastCommand; }

// The part of the viewer that carries out a user command.
enum class CommandHandler {
    PhotoDisplay,  // the photo view: zoom, pan, rotation, scale, reload, scale saving
    Slideshows,    // starting, stopping, pausing and pacing the slideshows
    FileActions,   // help pages, comment and settings files, other programs
    Comments,      // the comment's visibility, font, colours, rectangle, clipboard
    Sound,         // sound comments and background music
    Navigator,     // the Navigator window: steps, visibility, thumbnails mode
    Viewer,        // the viewer window itself: exit, menus, dialogs, modes
};

// The window whose handler acts on a command. Every user command arrives at
// the viewer; it forwards the Navigator's commands to it. Refresh and the
// context menu go to whichever of the two has the keyboard focus.
enum class CommandOwner { Viewer, Navigator, Focus };

// How a handler uses the repeat count of a merged burst.
enum class RepeatUse {
    Once,        // acts once whatever the count
    PerRepeat,   // repeats its step RepeatCount times with one redraw (zoom, pan)
    SkipPhotos,  // skips RepeatCount photos
    ResetsCount, // resets the count and acts once (font size)
};

struct CommandInfo {
    int id = 0;
    std::string_view name;  // identifier, as in namespace cmd
    CommandHandler handler = CommandHandler::Viewer;
    CommandOwner owner = CommandOwner::Viewer;
    RepeatUse repeat = RepeatUse::Once;
    std::string_view menuTextKey;     // language key labelling the menu item; empty when not in the menu
    std::string_view menuTextKeyAlt;  // the other state's key (HideNavigator, Stop, ...); empty when one
    // The command's line in a new hotkeys file: the default key notation up
    // to the first blank, then its comment.
    std::string_view defaultKeyLine;
    std::string_view action;  // what it does, in a few words
};

// The 74 user commands in number order; nullptr outside 100..173.
const std::vector<CommandInfo>& CommandTable();
const CommandInfo* FindCommand(int id);

// The repeat count a burst of count merged presses hands the command's
// handler: the count for commands that repeat their step or skip photos, 1
// for the others (and for numbers that are no user command).
int HandedRepeatCount(int command, int count);

enum class WindowId { Viewer, Navigator };

// Refresh (143) and the context menu (173) follow the keyboard focus; every
// other command goes to the viewer.
WindowId RouteCommand(int command, bool viewerHasFocus);

}  // namespace vellumo
