#pragma once
// The viewer's actions on files and external programs: editing, creating and
// deleting the comment and settings files of the photo and of the folder
// (with the settings template menu), opening the photo in another program,
// the folder in the file manager, the help files, and a second copy of the
// program. Editors are watched; when one ends (or, for an editor that hands
// the file on and returns at once, when the file changes) the viewer gets
// EditorClosed. Without a configured editor the desktop's text editor is
// looked up off the user-interface thread first (EditorChosen), and a help
// page's opener is waited for there too (OpenerEnded): nothing here ever
// waits for another program.
//
// Not here: what a comment or settings file means once written (the scopes
// and the comment feature read them again when the photo or folder is shown
// again).
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/DesktopTextEditor.h"
#include "app/EditorCommand.h"
#include "app/EditorWatcher.h"
#include "config/ProgramLocation.h"
#include "config/ScopeStack.h"
#include "platform/Desktop.h"
#include "platform/Drives.h"
#include "platform/EventQueue.h"

namespace vellumo {

// What the file actions need of the viewer and the Navigator.
class FileActionsHost {
public:
    virtual ~FileActionsHost() = default;
    // The shown photo ("" when the start screen, the start picture or a failed load is shown).
    virtual std::string currentPhoto() const = 0;
    // The Navigator's current folder ("" at the drive list).
    virtual std::string currentFolder() const = 0;
    // The Navigator is visible and lists names (thumbnails mode is off).
    virtual bool navigatorListsNames() const = 0;
    // The Navigator shows the photo's row again (its comment icon).
    virtual void refreshPhotoEntry(const std::string& photo) = 0;
    // Command 143 to the Navigator: it lists its folder again.
    virtual void refreshNavigatorList() = 0;
    // The photo is loaded and shown again (its settings and comment re-read).
    virtual void showPhotoFresh(const std::string& photo) = 0;
};

// The files that belong to a photo or a folder.
std::string PhotoCommentFile(const std::string& photo);
std::string PhotoSettingsFile(const std::string& photo);
std::string FolderCommentFile(const std::string& folder, const ProgramLocation& program);
std::string FolderSettingsFile(const std::string& folder, const ProgramLocation& program);

// The settings templates, as full paths: files of the program folder ending
// in ".ini" (ignoring case), and, for a program folder that cannot be
// written, those of its user folder (where the archive settings file lives
// then) whose names the program folder has not; sorted by name ignoring
// case; at most `limit` of them.
std::vector<std::string> ListSettingsTemplates(const std::string& programFolder, const std::string& userFolder,
                                               size_t limit);
// A template's menu text: its name without ".ini", control characters shown as blanks.
std::string TemplateMenuText(const std::string& fileName);

// A prompt text of the language file with the path in place of its first "%s".
std::string PromptText(const std::string& languageText, const std::string& path);

// What commands 140 and 141 open: a web address as it is, anything else as a
// path below the program folder.
std::string HelpTarget(const std::string& languageText, const ProgramLocation& program);

class FileActions {
public:
    FileActions(Desktop& desktop, EventQueue& queue, CommandTarget* viewer, ScopeStack& scopes,
                const ProgramLocation& program, FileActionsHost& host);
    ~FileActions();

    // The user commands the command table gives to the file actions.
    void run(int command);
    // The template menu's items (3257 to 3513); other numbers do nothing.
    void runMenuItem(int command);
    // EditorClosed: the photo is shown again when the edited file was the
    // photo's, otherwise the Navigator lists its folder again.
    void editorClosed(bool photosFile);
    // EditorChosen: the lookup of the desktop's text editor answered; the
    // edit waiting for it starts.
    void editorChosen(std::intptr_t lookup);
    // OpenerEnded: a help page's opener failed when its status is not 0 (a beep).
    void openerEnded(int status);
    // Stops watching editors and openers (the window goes away).
    void stop() {
        watcher_.stop();
        lookup_.stop();
    }

    // The drive list used to tell optical drives (the machine's by default).
    void setDriveList(std::function<std::vector<Drive>()> drives) { drives_ = std::move(drives); }
    // Where editors are looked for ($VISUAL, $PATH of the process by default).
    void setEditorEnvironment(EditorEnvironment env) { editorEnv_ = std::move(env); }
    // How the desktop's text editor is found (FindDesktopTextEditorExec by default).
    void setDesktopEditorSource(std::function<std::string()> find) { findDesktopEditor_ = std::move(find); }
    // How soon an editor that ends counts as a launcher (see EditorWatcher).
    void setLauncherTime(std::chrono::milliseconds t) { watcher_.setLauncherTime(t); }
    // The application title shown as the caption of the prompts.
    void setTitle(std::string title) { title_ = std::move(title); }
    const EditorWatcher& watcher() const { return watcher_; }

private:
    enum class Editor { Comment, Settings };
    enum class SettingsOf { None, Photo, Folder };

    void beep() { desktop_.beep(BeepKind::Default); }
    bool onCdRom(const std::string& path) const;
    // Asks a yes/no question of the language file; false when the answer is No.
    bool ask(LanguageKey message, const std::string& path, MessageBoxKind kind);
    void openInEditor(const std::string& file, Editor editor, bool belongsToPhoto);
    void startEditor(const std::string& file, Editor editor, bool belongsToPhoto, const EditorEnvironment& env);
    // A file to edit: true when it exists, or was made after the question
    // (never on an optical drive; a failure beeps).
    bool existsOrCreated(const std::string& file, LanguageKey question);
    // A file to delete: asks and deletes; a missing file, an optical drive
    // or a failure beeps. True when it is gone.
    bool deletedAfterAsking(const std::string& file, LanguageKey question);
    std::string settingsFile(SettingsOf scope) const;

    void editPhotoComment();
    void editFolderComment();
    void deletePhotoComment();
    void deleteFolderComment();
    void editSettings(SettingsOf scope);
    void deleteSettings(SettingsOf scope);
    void templateChosen(int command);
    void openPhotoExternally();
    void exploreFolder();
    void secondInstance();
    void openHelp(LanguageKey key);

    Desktop& desktop_;
    ScopeStack& scopes_;
    const ProgramLocation& program_;
    FileActionsHost& host_;
    EditorWatcher watcher_;
    DesktopEditorLookup lookup_;
    std::function<std::vector<Drive>()> drives_;
    EditorEnvironment editorEnv_;
    std::function<std::string()> findDesktopEditor_ = FindDesktopTextEditorExec;
    // The edit waiting for the desktop's text editor to be looked up.
    struct PendingEdit {
        std::intptr_t lookup = 0;
        std::string file;
        Editor editor = Editor::Comment;
        bool belongsToPhoto = false;
    };
    std::optional<PendingEdit> pendingEdit_;
    std::string title_ = "Vellumo";
    // The settings command in progress (for the template menu) and its templates.
    SettingsOf pendingSettings_ = SettingsOf::None;
    std::vector<std::string> templates_;
};

}  // namespace vellumo
