#include "app/FileActions.h"

#include <algorithm>

#include "commands/Commands.h"
#include "config/SettingsScope.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextCompare.h"

namespace vellumo {

namespace {

constexpr std::string_view kIniSuffix = ".ini";
// How long a help page's opener is waited for; failures come at once.
constexpr std::chrono::milliseconds kOpenerTimeLimit{5000};

bool EndsWithIni(const std::string& name) {
    return name.size() > kIniSuffix.size() &&
           EqualsAsciiNoCase(std::string_view(name).substr(name.size() - kIniSuffix.size()), kIniSuffix);
}

// "https://..." and the like: a web address, opened as it is.
bool IsWebAddress(std::string_view text) {
    size_t colon = text.find("://");
    if (colon == std::string_view::npos || colon < 2) return false;
    return std::all_of(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
               c == '.';
    });
}

}  // namespace

std::string PhotoCommentFile(const std::string& photo) { return ResolveDerivedName(ReplaceExtension(photo, "txt")); }

std::string PhotoSettingsFile(const std::string& photo) { return ResolveDerivedName(ReplaceExtension(photo, "ini")); }

std::string FolderCommentFile(const std::string& folder, const ProgramLocation& program) {
    // The program folder's comment file is the archive's (global) comment.
    if (EqualsNoCase(folder, program.folder)) return ResolveDerivedName(JoinPath(folder, "comment.txt"));
    return ResolveDerivedName(JoinPath(folder, program.baseName + ".txt"));
}

std::string FolderSettingsFile(const std::string& folder, const ProgramLocation& program) {
    return ResolveDerivedName(JoinPath(folder, program.baseName + ".ini"));
}

std::vector<std::string> ListSettingsTemplates(const std::string& programFolder, const std::string& userFolder,
                                               size_t limit) {
    std::vector<std::string> paths;
    auto listed = [&](const std::string& name) {
        return std::any_of(paths.begin(), paths.end(),
                           [&](const std::string& p) { return EqualsNoCase(FileNameOf(p), name); });
    };
    for (const std::string& folder : {programFolder, userFolder}) {
        if (folder.empty()) continue;
        for (auto& name : ListFolderNames(folder))
            if (EndsWithIni(name) && !listed(name) && IsRegularFile(JoinPath(folder, name)))
                paths.push_back(JoinPath(folder, name));
    }
    std::sort(paths.begin(), paths.end(),
              [](const std::string& a, const std::string& b) { return LessNoCase{}(FileNameOf(a), FileNameOf(b)); });
    if (paths.size() > limit) paths.resize(limit);
    return paths;
}

std::string TemplateMenuText(const std::string& fileName) {
    std::string text = EndsWithIni(fileName) ? fileName.substr(0, fileName.size() - kIniSuffix.size()) : fileName;
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return text;
}

std::string PromptText(const std::string& languageText, const std::string& path) {
    std::string text = languageText;
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, path);
    return text;
}

std::string HelpTarget(const std::string& languageText, const ProgramLocation& program) {
    if (IsWebAddress(languageText)) return languageText;
    return ExpandProgramPath(languageText, program);
}

FileActions::FileActions(Desktop& desktop, EventQueue& queue, CommandTarget* viewer, ScopeStack& scopes,
                         const ProgramLocation& program, FileActionsHost& host)
    : desktop_(desktop),
      scopes_(scopes),
      program_(program),
      host_(host),
      watcher_(queue, viewer, cmd::EditorClosed),
      lookup_(queue, viewer, cmd::EditorChosen),
      editorEnv_(EditorEnvironment::OfThisProcess()) {}

FileActions::~FileActions() { stop(); }

void FileActions::run(int command) {
    switch (command) {
        case cmd::Help: openHelp(LanguageKey::HelpTotal); return;
        case cmd::HotkeysHelp: openHelp(LanguageKey::HelpHotKeys); return;
        case cmd::EditPhotoComment: editPhotoComment(); return;
        case cmd::EditFolderComment: editFolderComment(); return;
        case cmd::DeletePhotoComment: deletePhotoComment(); return;
        case cmd::DeleteFolderComment: deleteFolderComment(); return;
        case cmd::EditPhotoSettings: editSettings(SettingsOf::Photo); return;
        case cmd::EditFolderSettings: editSettings(SettingsOf::Folder); return;
        case cmd::DeletePhotoSettings: deleteSettings(SettingsOf::Photo); return;
        case cmd::DeleteFolderSettings: deleteSettings(SettingsOf::Folder); return;
        case cmd::OpenExternal: openPhotoExternally(); return;
        case cmd::ExploreFolder: exploreFolder(); return;
        case cmd::SecondInstance: secondInstance(); return;
        default: return;
    }
}

void FileActions::runMenuItem(int command) {
    if (command >= cmd::VoidSettingsFile && command <= cmd::SettingsTemplateLast) templateChosen(command);
}

bool FileActions::onCdRom(const std::string& path) const {
    return OnOpticalDisc(drives_ ? drives_() : ListDrives(), path);
}

bool FileActions::ask(LanguageKey message, const std::string& path, MessageBoxKind kind) {
    std::string text = PromptText(scopes_.language().text(message), path);
    return desktop_.messageBox(text, title_, kind) != MessageBoxResult::No;
}

void FileActions::openInEditor(const std::string& file, Editor editor, bool belongsToPhoto) {
    const Settings& s = scopes_.current();
    const std::string& configured = editor == Editor::Comment ? s.OpenCommentWith : s.OpenConfigurationWith;
    if (ConfiguredEditorFound(configured, editorEnv_) || !findDesktopEditor_) {
        startEditor(file, editor, belongsToPhoto, editorEnv_);
        return;
    }
    // Which editor the desktop has is asked of another program: off this thread.
    pendingEdit_ = PendingEdit{lookup_.start(findDesktopEditor_), file, editor, belongsToPhoto};
}

void FileActions::editorChosen(std::intptr_t lookup) {
    std::optional<std::string> exec = lookup_.take(lookup);
    if (!exec || !pendingEdit_ || pendingEdit_->lookup != lookup) return;
    PendingEdit edit = std::move(*pendingEdit_);
    pendingEdit_.reset();
    EditorEnvironment env = editorEnv_;
    env.desktopExec = *exec;
    startEditor(edit.file, edit.editor, edit.belongsToPhoto, env);
}

void FileActions::startEditor(const std::string& file, Editor editor, bool belongsToPhoto,
                              const EditorEnvironment& env) {
    const Settings& s = scopes_.current();
    const std::string& configured = editor == Editor::Comment ? s.OpenCommentWith : s.OpenConfigurationWith;
    std::unique_ptr<ChildProcess> child = desktop_.startChild(EditorArguments(configured, file, env));
    if (!child) {
        beep();
        return;
    }
    ChildWatch what;
    what.command = cmd::EditorClosed;
    what.param = belongsToPhoto ? 1 : 0;
    what.file = file;
    watcher_.watch(std::move(child), std::move(what));
}

void FileActions::editorClosed(bool photosFile) {
    if (photosFile) {
        std::string photo = host_.currentPhoto();
        if (!photo.empty()) host_.showPhotoFresh(photo);
    } else {
        host_.refreshNavigatorList();
    }
}

bool FileActions::existsOrCreated(const std::string& file, LanguageKey question) {
    if (IsRegularFile(file)) return true;
    if (onCdRom(file)) {
        beep();
        return false;
    }
    if (!ask(question, file, MessageBoxKind::YesNo)) return false;
    if (!CreateEmptyFile(file)) {
        beep();
        return false;
    }
    return true;
}

bool FileActions::deletedAfterAsking(const std::string& file, LanguageKey question) {
    if (file.empty() || !IsRegularFile(file) || onCdRom(file)) {
        beep();
        return false;
    }
    if (!ask(question, file, MessageBoxKind::YesNoInformation)) return false;
    if (!RemoveFile(file)) {
        beep();
        return false;
    }
    return true;
}

void FileActions::editPhotoComment() {
    std::string photo = host_.currentPhoto();
    if (photo.empty()) {
        beep();
        return;
    }
    std::string file = PhotoCommentFile(photo);
    const bool existed = IsRegularFile(file);
    if (!existsOrCreated(file, LanguageKey::Message1)) return;
    if (!existed && host_.navigatorListsNames()) host_.refreshPhotoEntry(photo);
    openInEditor(file, Editor::Comment, true);
}

void FileActions::editFolderComment() {
    std::string folder = host_.currentFolder();
    if (folder.empty()) return;
    std::string file = FolderCommentFile(folder, program_);
    const bool existed = IsRegularFile(file);
    if (!existsOrCreated(file, LanguageKey::Message1)) return;
    if (!existed && host_.navigatorListsNames()) host_.refreshNavigatorList();
    openInEditor(file, Editor::Comment, false);
}

void FileActions::deletePhotoComment() {
    std::string photo = host_.currentPhoto();
    if (!deletedAfterAsking(photo.empty() ? std::string() : PhotoCommentFile(photo), LanguageKey::Message2)) return;
    if (host_.navigatorListsNames()) host_.refreshPhotoEntry(photo);
    host_.showPhotoFresh(photo);
}

void FileActions::deleteFolderComment() {
    std::string folder = host_.currentFolder();
    std::string file = folder.empty() ? std::string() : FolderCommentFile(folder, program_);
    if (deletedAfterAsking(file, LanguageKey::Message2)) scopes_.EnterFolder(folder);
}

std::string FileActions::settingsFile(SettingsOf scope) const {
    if (scope == SettingsOf::Photo) {
        std::string photo = host_.currentPhoto();
        return photo.empty() ? std::string() : PhotoSettingsFile(photo);
    }
    if (scope == SettingsOf::Folder) {
        std::string folder = host_.currentFolder();
        return folder.empty() ? std::string() : FolderSettingsFile(folder, program_);
    }
    return {};
}

void FileActions::editSettings(SettingsOf scope) {
    if (scope == SettingsOf::Photo && host_.currentPhoto().empty()) {
        beep();
        return;
    }
    if (host_.currentFolder().empty()) return;
    pendingSettings_ = scope;
    std::string file = settingsFile(scope);
    if (IsRegularFile(file)) {
        openInEditor(file, Editor::Settings, scope == SettingsOf::Photo);
        return;
    }
    if (onCdRom(file)) {
        beep();
        return;
    }
    if (!ask(LanguageKey::Message3, file, MessageBoxKind::YesNo)) return;
    templates_ = ListSettingsTemplates(program_.folder, program_.userFolder,
                                       cmd::SettingsTemplateLast - cmd::SettingsTemplateFirst + 1);
    if (templates_.empty()) return;

    std::vector<MenuItem> items;
    MenuItem voidFile;
    voidFile.id = cmd::VoidSettingsFile;
    voidFile.text = scopes_.language().text(LanguageKey::VoidLocalSettingsFile);
    voidFile.isDefault = true;
    items.push_back(voidFile);
    MenuItem separator;
    separator.separator = true;
    items.push_back(separator);
    for (size_t i = 0; i < templates_.size(); ++i) {
        MenuItem item;
        item.id = cmd::SettingsTemplateFirst + static_cast<int>(i);
        item.text = TemplateMenuText(FileNameOf(templates_[i]));
        items.push_back(std::move(item));
    }
    Rect screen = desktop_.screenRect();
    Point centre{screen.left + screen.width() / 2, screen.top + screen.height() / 2};
    int chosen = desktop_.popupMenu(items, centre, MenuAlign::Centered);
    if (chosen != 0) templateChosen(chosen);
}

void FileActions::templateChosen(int command) {
    std::string file = settingsFile(pendingSettings_);
    if (file.empty() || onCdRom(file)) return;
    bool written = false;
    if (command == cmd::VoidSettingsFile) {
        written = scopes_.WriteVoidTemplate(file);
    } else {
        size_t index = static_cast<size_t>(command - cmd::SettingsTemplateFirst);
        if (index >= templates_.size()) return;  // not a listed template
        written = scopes_.CopySettingsFile(templates_[index], file);
    }
    if (!written) {
        beep();
        return;
    }
    openInEditor(file, Editor::Settings, pendingSettings_ == SettingsOf::Photo);
}

void FileActions::deleteSettings(SettingsOf scope) {
    if (scope == SettingsOf::Photo && host_.currentPhoto().empty()) {
        beep();
        return;
    }
    std::string folder = host_.currentFolder();
    if (folder.empty()) return;
    if (deletedAfterAsking(settingsFile(scope), LanguageKey::Message4)) scopes_.EnterFolder(folder);
}

void FileActions::openPhotoExternally() {
    std::string photo = host_.currentPhoto();
    if (photo.empty()) {
        beep();
        return;
    }
    std::vector<std::string> words = SplitCommandWords(scopes_.current().OpenPhotoWith);
    // A program that cannot be started is not reported.
    if (words.empty()) {
        desktop_.shellOpen(photo);
        return;
    }
    words.push_back(photo);
    desktop_.startProcess(words);
}

void FileActions::exploreFolder() {
    std::string folder = host_.currentFolder();
    if (folder.empty() || !desktop_.shellOpen(folder)) beep();
}

void FileActions::secondInstance() {
    std::vector<std::string> argv = {"/proc/self/exe"};
    std::string photo = host_.currentPhoto();
    if (!photo.empty()) argv.push_back(photo);
    desktop_.startProcess(argv);
}

void FileActions::openHelp(LanguageKey key) {
    std::string target = HelpTarget(scopes_.language().text(key), program_);
    if (target.empty() || (!IsWebAddress(target) && !FileExists(target))) {
        beep();
        return;
    }
    std::unique_ptr<ChildProcess> opener = desktop_.startOpener(target);
    if (!opener) {
        beep();
        return;
    }
    // The opener's answer comes later; one that is still running after a
    // while has handed the page on.
    ChildWatch what;
    what.command = cmd::OpenerEnded;
    what.timeLimit = kOpenerTimeLimit;
    what.postExitStatus = true;
    watcher_.watch(std::move(opener), std::move(what));
}

void FileActions::openerEnded(int status) {
    if (status != 0) beep();
}

}  // namespace vellumo
