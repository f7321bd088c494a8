#include "commands/Commands.h"

namespace vellumo {

namespace {

using O = CommandOwner;
using R = RepeatUse;

const std::vector<CommandInfo> kCommands = {
    {100, "ZoomIn", "ZoomIn", "", O::Viewer, R::PerRepeat, "zoom in one step per repeat, then CommandsAfterZoomIn"},
    {101, "ZoomOut", "ZoomOut", "", O::Viewer, R::PerRepeat, "zoom out one step per repeat, then CommandsAfterZoomOut"},
    {102, "RealScale", "RealScale", "", O::Viewer, R::Once, "real scale; hides comment and Navigator"},
    {103, "FitToScreen", "FitToScreen", "", O::Viewer, R::Once, "fit to screen; hides comment and Navigator"},
    {104, "MoveLeft", "MoveLeft", "", O::Viewer, R::PerRepeat, "pan: show more of the left part"},
    {105, "MoveRight", "MoveRight", "", O::Viewer, R::PerRepeat, "pan right"},
    {106, "MoveUp", "MoveUp", "", O::Viewer, R::PerRepeat, "pan up"},
    {107, "MoveDown", "MoveDown", "", O::Viewer, R::PerRepeat, "pan down"},
    {108, "RotateLeft", "RotateLeft", "", O::Viewer, R::Once, "rotate left by 90 degrees"},
    {109, "RotateLeftFine", "", "", O::Viewer, R::Once, "rotate left by 5 degrees"},
    {110, "RotateLeftMacro", "", "", O::Viewer, R::Once, "rotate left by 90 degrees by writing the macro"},
    {111, "RotateRight", "RotateRight", "", O::Viewer, R::Once, "rotate right by 90 degrees"},
    {112, "RotateRightFine", "", "", O::Viewer, R::Once, "rotate right by 5 degrees"},
    {113, "RotateRightMacro", "", "", O::Viewer, R::Once, "rotate right by 90 degrees by writing the macro"},
    {114, "PreviousPhoto", "ShowPreviousPhoto", "", O::Navigator, R::SkipPhotos, "previous photo"},
    {115, "NextPhoto", "ShowNextPhoto", "", O::Navigator, R::SkipPhotos, "next photo"},
    {116, "SmallSlideshow", "SlideShowSmall", "", O::Navigator, R::Once, "start or stop the small slideshow"},
    {117, "TotalSlideshowStartStop", "Start", "Stop", O::Viewer, R::Once, "post 119 if the total slideshow runs, else 118"},
    {118, "TotalSlideshowStart", "", "", O::Viewer, R::Once, "start the total slideshow (script menu)"},
    {119, "SlideshowStop", "", "", O::Navigator, R::Once, "stop the small or else the total slideshow"},
    {120, "SlideshowPauseContinue", "Pause", "Continue", O::Navigator, R::Once, "pause or continue the total slideshow"},
    {121, "SlideshowPause", "", "", O::Navigator, R::Once, "pause the total slideshow"},
    {122, "SlideshowContinue", "", "", O::Navigator, R::Once, "continue the total slideshow"},
    {123, "SlideshowSlower", "", "", O::Navigator, R::Once, "exclamation beep; slower slideshow"},
    {124, "SlideshowFaster", "", "", O::Navigator, R::Once, "exclamation beep; faster slideshow"},
    {125, "ToggleNavigator", "ShowNavigator", "HideNavigator", O::Navigator, R::Once, "toggle Navigator visibility"},
    {126, "ShowNavigator", "", "", O::Navigator, R::Once, "show the Navigator if hidden"},
    {127, "HideNavigator", "", "", O::Navigator, R::Once, "hide the Navigator if shown"},
    {128, "ToggleComment", "ShowComment", "HideComment", O::Viewer, R::Once, "toggle the Comment setting"},
    {129, "CommentOn", "", "", O::Viewer, R::Once, "Comment setting on"},
    {130, "CommentOff", "", "", O::Viewer, R::Once, "Comment setting off"},
    {131, "ToggleThumbnails", "Thumbnails", "", O::Navigator, R::Once, "toggle thumbnails mode (Navigator visible)"},
    {132, "ThumbnailsOn", "", "", O::Navigator, R::Once, "thumbnails mode on"},
    {133, "ThumbnailsOff", "", "", O::Navigator, R::Once, "thumbnails mode off"},
    {134, "ToggleSoundComments", "SoundComment", "", O::Viewer, R::Once, "toggle sound comments"},
    {135, "SoundCommentsOn", "", "", O::Viewer, R::Once, "sound comments on"},
    {136, "SoundCommentsOff", "", "", O::Viewer, R::Once, "sound comments off"},
    {137, "ToggleMusic", "BackgroundMusic", "", O::Viewer, R::Once, "toggle background music"},
    {138, "MusicOn", "", "", O::Viewer, R::Once, "music on"},
    {139, "MusicOff", "", "", O::Viewer, R::Once, "music off"},
    {140, "Help", "Help", "", O::Viewer, R::Once, "open the program help"},
    {141, "HotkeysHelp", "", "", O::Viewer, R::Once, "open the hot keys help"},
    {142, "Exit", "Exit", "", O::Viewer, R::Once, "close the viewer"},
    {143, "Refresh", "", "", O::Focus, R::Once, "reload the photo or refresh the Navigator list"},
    {144, "CommentFont", "", "", O::Viewer, R::Once, "choose the comment font face"},
    {145, "FontSmaller", "", "", O::Viewer, R::ResetsCount, "comment font smaller by 2"},
    {146, "FontLarger", "", "", O::Viewer, R::ResetsCount, "comment font larger by 2"},
    {147, "ToggleBold", "", "", O::Viewer, R::Once, "toggle bold"},
    {148, "ToggleItalic", "", "", O::Viewer, R::Once, "toggle italic"},
    {149, "ToggleUnderline", "", "", O::Viewer, R::Once, "toggle underline"},
    {150, "CommentRectangle", "", "", O::Viewer, R::Once, "start or finish the comment rectangle tracker"},
    {151, "CommentColour", "", "", O::Viewer, R::Once, "choose the comment colour"},
    {152, "BackgroundColour", "", "", O::Viewer, R::Once, "choose the background colour"},
    {153, "ShadowColour", "", "", O::Viewer, R::Once, "choose the comment shadow colour"},
    {154, "CopyComment", "", "", O::Viewer, R::Once, "copy the shown comment to the clipboard"},
    {155, "CopyMacros", "", "", O::Viewer, R::Once, "copy all macro names and tags to the clipboard"},
    {156, "EditPhotoComment", "", "", O::Viewer, R::Once, "edit (create) the photo comment file"},
    {157, "EditFolderComment", "", "", O::Viewer, R::Once, "edit (create) the folder comment file"},
    {158, "DeletePhotoComment", "", "", O::Viewer, R::Once, "delete the photo comment file"},
    {159, "DeleteFolderComment", "", "", O::Viewer, R::Once, "delete the folder comment file"},
    {160, "EditPhotoSettings", "", "", O::Viewer, R::Once, "edit (create) the photo settings file"},
    {161, "EditFolderSettings", "", "", O::Viewer, R::Once, "edit (create) the folder settings file"},
    {162, "DeletePhotoSettings", "", "", O::Viewer, R::Once, "delete the photo settings file"},
    {163, "DeleteFolderSettings", "", "", O::Viewer, R::Once, "delete the folder settings file"},
    {164, "OpenExternal", "", "", O::Viewer, R::Once, "open the photo with the external program"},
    {165, "ExploreFolder", "", "", O::Viewer, R::Once, "open the current folder in the file manager"},
    {166, "SecondInstance", "", "", O::Viewer, R::Once, "start a second copy of the program"},
    {167, "WriteScript", "", "", O::Navigator, R::Once, "write a script for the running total slideshow"},
    {168, "SwitchIntelliMouse", "", "", O::Viewer, R::Once, "exclamation beep; switch IntelliMouseMode z/n"},
    {169, "SwitchScaleSaving", "", "", O::Viewer, R::Once, "exclamation beep; toggle ScaleSavingMode"},
    {170, "SelectLanguage", "", "", O::Viewer, R::Once, "select the interface language"},
    {171, "SelectHotkeys", "", "", O::Viewer, R::Once, "select the hotkeys set"},
    {172, "ViewerMenu", "", "", O::Viewer, R::Once, "show the viewer menu"},
    {173, "ContextMenu", "", "", O::Focus, R::Once, "show the viewer menu or the Navigator's context menu"},
};

}  // namespace

const std::vector<CommandInfo>& CommandTable() { return kCommands; }

const CommandInfo* FindCommand(int id) {
    if (id < 100 || id > 173) return nullptr;
    return &kCommands[static_cast<size_t>(id - 100)];
}

WindowId RouteCommand(int command, bool viewerHasFocus) {
    if ((command == cmd::Refresh || command == cmd::ContextMenu) && !viewerHasFocus) return WindowId::Navigator;
    return WindowId::Viewer;
}

}  // namespace vellumo
