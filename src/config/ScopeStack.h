#pragma once
// The chain of settings scopes from the archive level to the innermost level
// being shown (folder, photo, slideshow script). The innermost scope that has
// a settings file owns the current Settings record; a nested scope starts from
// a copy of the enclosing record. Scope changes are handed to the registered
// listeners; scopes write back their present keys when they end.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "config/Language.h"
#include "config/ProgramLocation.h"
#include "config/SettingsScope.h"

namespace vellumo {

// The scope kind handed to listeners with a change set.
enum ScopeChangeKind : int { ChangeByFolder = 4, ChangeByPhoto = 8, ChangeByScript = 16 };

// Told of every scope change that changed settings (viewer, navigator, music player).
class SettingsChangeListener {
public:
    virtual ~SettingsChangeListener() = default;
    virtual void settingsChanged(const SettingsChangeSet& changes, int scopeKind) = 0;
};

// What the rest of the program does for the scope chain. Every hook is optional.
struct ScopeHooks {
    // The numbers of all transition effects ("_all_" in the effect lists).
    std::function<std::vector<int>()> effectNumbers;
    // Rebuild the effect list from the current record (at start, and when E 0x2 or E 0x4 changed).
    std::function<void(Settings& current)> rebuildEffectList;
    // Load the named hotkeys set (at start, and when K 0x1 changed).
    std::function<void(const std::string& name)> loadHotkeys;
    // A language file was loaded (at start and when G 0x1 changed): the key
    // display texts may have changed.
    std::function<void(const Language& language)> languageLoaded;
    // The viewer and the Navigator are told that the folder changes (before the scopes change).
    std::function<void(const std::string& folder)> folderChanges;
    // The Navigator is told that a photo changes (before the scopes change).
    std::function<void(const std::string& photo)> photoChanges;
    // The language selection dialog, run when the archive file names no language; "" gives "English".
    std::function<std::string()> chooseLanguage;
    // The viewer's current scale mode letter (r, f, a or u), saved into ScaleStart.
    std::function<char()> viewerScaleLetter;
    // Font files named by CommentFontFile, registered while their scope lives.
    std::function<void(const std::string& path)> registerFontFile;
    std::function<void(const std::string& path)> unregisterFontFile;
};

class ScopeStack {
public:
    ScopeStack(ProgramLocation program, ScopeHooks hooks = {});
    // Shutdown(): every scope is destroyed innermost first, each saving its present keys.
    ~ScopeStack();
    ScopeStack(const ScopeStack&) = delete;
    ScopeStack& operator=(const ScopeStack&) = delete;

    // Builds the archive scope at program start. iniArgument is the command
    // line's settings-file argument (an argv entry ending in ".ini", relative to
    // the working folder) or "" for the program's own settings file. Loads the
    // language, writes the archive file, gathers the comments, rebuilds the
    // effect list and loads the hotkeys.
    void StartArchive(const std::string& iniArgument = {});
    // The Navigator lists a folder it entered (or a settings or comment file of it was deleted).
    void EnterFolder(const std::string& folder);
    // A photo is loaded for display.
    void EnterPhoto(const std::string& photo);
    // A total slideshow starts from a script / stops.
    void EnterScript(const std::string& script);
    void LeaveScript();
    // Destroys every scope, innermost first, each saving its present keys. Idempotent.
    void Shutdown();

    // Listeners are called in the order they were added (viewer, Navigator, music player).
    void addListener(SettingsChangeListener* listener);
    void removeListener(SettingsChangeListener* listener);

    // The current record: the innermost scope's that has a settings file.
    Settings& current();
    const Settings& current() const;
    // The joined attached comments of the scopes, at most 1023 bytes.
    const std::string& scopeComments() const { return scopeComments_; }
    Language& language() { return language_; }
    const Language& language() const { return language_; }
    const std::string& LanguageText(int id) const { return language_.LanguageText(id); }
    const ProgramLocation& program() const { return program_; }
    bool scriptScopeActive() const { return scriptActive_; }
    // The scopes from the archive (index 0) inwards; empty before StartArchive.
    const std::vector<std::unique_ptr<SettingsScope>>& scopes() const { return scopes_; }
    // The scope that owns the current record (nullptr before StartArchive).
    SettingsScope* currentScope();

    // Loads a language the user chose: its name goes into the current record,
    // its texts become current and the key display texts follow.
    void LoadLanguage(const std::string& name);

    // A language or hotkeys set chosen in its dialog is kept where the next
    // start reads it: in the archive record (written back to the archive
    // settings file, or to the per-user copy) and in every inner record whose
    // settings file does not name one of its own. Returns whether the current
    // record took it (false: the shown folder's, photo's or script's own file
    // names another, which stays in force there).
    enum class UserChoice { Language, Hotkeys };
    bool StoreUserChoice(UserChoice what, const std::string& name);

    // Creates a settings file holding every key of the current record commented out.
    bool WriteVoidTemplate(const std::string& newFile) const;
    // Copies a settings file (a template) to a new path, replacing it.
    bool CopySettingsFile(const std::string& path, const std::string& newFile) const;

private:
    std::unique_ptr<SettingsScope> makeScope(const std::string& path, std::uint32_t kind);
    // A scope on the stack already reads and writes this settings file.
    bool ownedByOuterScope(const std::string& settingsFile) const;
    void loadScope(SettingsScope& scope, bool writeBack);
    void enter(const std::string& path, std::uint32_t kind, int changeKind);
    // Removes and destroys the innermost scope; returns whether it had a comment file.
    bool popScope(const std::string* enteredPath);
    void destroyScope(SettingsScope& scope);
    void applyChanges(int changeKind, bool commentChanged);
    void gatherScopeComments();
    char scaleLetter() const;

    ProgramLocation program_;
    ScopeHooks hooks_;
    Language language_;
    std::vector<std::unique_ptr<SettingsScope>> scopes_;
    std::vector<SettingsChangeListener*> listeners_;
    SettingsChangeSet accumulated_;
    std::string scopeComments_;
    bool scriptActive_ = false;
    Settings empty_;  // the current record before StartArchive
};

// Reads an attached comment file: at most maxBytes bytes of it, cut back to a
// whole character, decoded (UTF-8 or the legacy code page); stops at a NUL byte.
std::string ReadCommentFile(const std::string& path, size_t maxBytes = 1023);

}  // namespace vellumo
