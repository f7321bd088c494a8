#include "config/ScopeStack.h"

#include <unistd.h>

#include <cerrno>

#include <algorithm>

#include "config/ProfileFile.h"
#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"

namespace vellumo {

namespace {

constexpr size_t kCommentLimit = 1023;

std::string WorkingFolder() {
    std::vector<char> buffer(4096);
    while (!getcwd(buffer.data(), buffer.size())) {
        if (errno != ERANGE || buffer.size() > (1u << 20)) return "/";
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

// "Summer.script.txt" gives "Summer.comment.txt"; a name with one extension has none.
std::string ScriptCommentFile(const std::string& script) {
    std::string name = FileNameOf(script);
    size_t last = name.rfind('.');
    if (last == std::string::npos || last == 0) return {};
    size_t previous = name.rfind('.', last - 1);
    if (previous == std::string::npos || previous == 0) return {};
    return JoinPath(ParentPath(script), name.substr(0, previous) + ".comment.txt");
}

}  // namespace

std::string ReadCommentFile(const std::string& path, size_t maxBytes) {
    auto bytes = ReadWholeFile(path, maxBytes + 6);  // a little more, to tell a cut character from a bad one
    if (!bytes) return {};
    std::string_view body = *bytes;
    if (body.substr(0, 3) == "\xEF\xBB\xBF") body.remove_prefix(3);
    body = body.substr(0, body.find('\0'));
    if (body.size() > maxBytes) {
        std::string_view cut = CutUtf8(body, maxBytes);
        if (IsValidUtf8(cut)) return std::string(cut);
        return DecodeText(body.substr(0, maxBytes), LegacyCodePage(), nullptr);
    }
    return DecodeText(body, LegacyCodePage(), nullptr);
}

ScopeStack::ScopeStack(ProgramLocation program, ScopeHooks hooks)
    : program_(std::move(program)), hooks_(std::move(hooks)) {}

ScopeStack::~ScopeStack() { Shutdown(); }

SettingsScope* ScopeStack::currentScope() {
    for (auto it = scopes_.rbegin(); it != scopes_.rend(); ++it)
        if ((*it)->hasSettingsFile()) return it->get();
    return nullptr;
}

Settings& ScopeStack::current() {
    SettingsScope* s = currentScope();
    return s ? s->record : empty_;
}

const Settings& ScopeStack::current() const { return const_cast<ScopeStack*>(this)->current(); }

void ScopeStack::addListener(SettingsChangeListener* listener) {
    if (listener && std::find(listeners_.begin(), listeners_.end(), listener) == listeners_.end())
        listeners_.push_back(listener);
}

void ScopeStack::removeListener(SettingsChangeListener* listener) {
    listeners_.erase(std::remove(listeners_.begin(), listeners_.end(), listener), listeners_.end());
}

std::unique_ptr<SettingsScope> ScopeStack::makeScope(const std::string& path, std::uint32_t kind) {
    auto s = std::make_unique<SettingsScope>();
    s->kind = kind;
    const std::string& base = program_.baseName;
    if (kind & ScopeArchiveFromCommandLine) {
        s->kind |= ScopeArchive;
        s->settingsFile = path;
        s->key = ParentPath(path);
        s->commentFile = ResolveDerivedName(JoinPath(s->key, "comment.txt"));
    } else if (kind & ScopeArchive) {
        s->settingsFile = ResolveDerivedName(JoinPath(program_.folder, base + ".ini"));
        s->key = program_.folder;
        s->commentFile = ResolveDerivedName(JoinPath(program_.folder, "comment.txt"));
    } else if (kind & ScopeFolder) {
        s->settingsFile = ResolveDerivedName(JoinPath(path, base + ".ini"));
        s->commentFile = ResolveDerivedName(JoinPath(path, base + ".txt"));
        s->key = path;
    } else if (kind & ScopePhoto) {
        s->settingsFile = ResolveDerivedName(ReplaceExtension(path, "ini"));
        s->key = path;
    } else if (kind & ScopeScript) {
        s->settingsFile = ResolveDerivedName(ReplaceExtension(path, "ini"));
        std::string comment = ScriptCommentFile(path);
        if (!comment.empty()) s->commentFile = ResolveDerivedName(comment);
        s->key = ParentPath(path);
    }
    if (!s->isArchive() && ownedByOuterScope(s->settingsFile)) {
        // The program folder's own settings file is the archive file, and a
        // photo named like the program shares its folder's file: the outer
        // scope stands for it, so one file never has two records that would
        // overwrite each other's changes.
        s->settingsFile.clear();
    }
    if (s->isArchive() || IsRegularFile(s->settingsFile)) s->kind |= ScopeSettingsFileExists;
    if (!s->commentFile.empty() && IsRegularFile(s->commentFile)) s->kind |= ScopeCommentFileExists;
    if (!s->hasSettingsFile() && !s->hasCommentFile()) return nullptr;
    if (s->hasCommentFile()) s->commentText = ReadCommentFile(s->commentFile, kCommentLimit);
    return s;
}

bool ScopeStack::ownedByOuterScope(const std::string& settingsFile) const {
    for (const auto& scope : scopes_)
        if (scope->hasSettingsFile() && SameFile(scope->settingsFile, settingsFile)) return true;
    return false;
}

void ScopeStack::loadScope(SettingsScope& scope, bool writeBack) {
    LoadEnvironment env;
    env.program = &program_;
    env.language = &language_;
    env.current = &current();
    env.effectNumbers = hooks_.effectNumbers;
    env.chooseLanguage = hooks_.chooseLanguage;
    env.registerFontFile = hooks_.registerFontFile;
    Load(scope, writeBack, env);
}

void ScopeStack::StartArchive(const std::string& iniArgument) {
    if (!scopes_.empty()) return;
    std::unique_ptr<SettingsScope> scope;
    if (!iniArgument.empty()) {
        std::string path = iniArgument.front() == '/' ? NormalizePath(iniArgument)
                                                        : AbsoluteFromWorkingFolder(iniArgument, WorkingFolder());
        scope = makeScope(path, ScopeArchiveFromCommandLine);
    } else {
        scope = makeScope(program_.folder, ScopeArchive);
        // The program folder cannot be written: the user's changes live in a file of their own.
        if (!program_.userFolder.empty()) scope->userFile = program_.userCopy(program_.baseName + ".ini");
    }
    // The archive record is current before it is loaded: Load starts from a
    // zeroed record, writes every key back and reports every key as changed.
    scope->record = Settings{};
    scopes_.push_back(std::move(scope));
    loadScope(*scopes_.back(), true);
    if (hooks_.languageLoaded) hooks_.languageLoaded(language_);
    gatherScopeComments();
    Settings& cur = current();
    if (hooks_.rebuildEffectList) hooks_.rebuildEffectList(cur);
    if (hooks_.loadHotkeys) hooks_.loadHotkeys(cur.CommandsHotkeys.empty() ? "Default" : cur.CommandsHotkeys);
}

void ScopeStack::EnterFolder(const std::string& folder) {
    if (scopes_.empty()) return;
    if (hooks_.folderChanges) hooks_.folderChanges(folder);
    // The archive file remembers the last folder; a name with a line break
    // cannot stand in one line of it, so the folder remembered before stays.
    if (FitsOneLine(folder)) scopes_.front()->record.PathToStart = folder;
    enter(folder, ScopeFolder, ChangeByFolder);
}

void ScopeStack::EnterPhoto(const std::string& photo) {
    if (scopes_.empty()) return;
    if (hooks_.photoChanges) hooks_.photoChanges(photo);
    enter(photo, ScopePhoto, ChangeByPhoto);
}

void ScopeStack::enter(const std::string& path, std::uint32_t kind, int changeKind) {
    bool commentRemoved = false;
    while (scopes_.size() > 1) {
        SettingsScope& s = *scopes_.back();
        if (s.isArchive() || (s.kind & ScopeScript)) break;
        if (PathContains(s.key, path) && s.key != path) {
            // The new path lies below this scope: it stays, and its keys are saved now.
            if (s.hasSettingsFile()) SavePresent(s, scaleLetter());
            break;
        }
        commentRemoved = popScope(&path) || commentRemoved;
    }
    // The drive list ("") has no settings scope of its own.
    auto scope = path.empty() ? nullptr : makeScope(path, kind);
    if (!scope) {
        applyChanges(changeKind, commentRemoved);
        return;
    }
    loadScope(*scope, false);
    bool hasComment = scope->hasCommentFile();
    if (scope->hasSettingsFile()) accumulated_.merge(scope->changes);
    scopes_.push_back(std::move(scope));
    applyChanges(changeKind, hasComment);
}

void ScopeStack::EnterScript(const std::string& script) {
    if (scopes_.empty()) return;
    auto scope = makeScope(script, ScopeScript);
    if (scope) {
        scriptActive_ = true;
        loadScope(*scope, false);
        bool hasComment = scope->hasCommentFile();
        if (scope->hasSettingsFile()) accumulated_.merge(scope->changes);
        scopes_.push_back(std::move(scope));
        if (hasComment) {
            gatherScopeComments();
            accumulated_.set(SectionComment, 0x2);
        }
    }
    applyChanges(ChangeByScript, false);
}

void ScopeStack::LeaveScript() {
    if (!scriptActive_) return;
    bool commentRemoved = false;
    while (scopes_.size() > 1) {
        bool wasScript = (scopes_.back()->kind & ScopeScript) != 0;
        commentRemoved = popScope(nullptr) || commentRemoved;
        if (wasScript) break;
    }
    if (commentRemoved) {
        gatherScopeComments();
        accumulated_.set(SectionComment, 0x2);
    }
    applyChanges(ChangeByScript, false);
    scriptActive_ = false;
}

bool ScopeStack::popScope(const std::string* enteredPath) {
    std::unique_ptr<SettingsScope> scope = std::move(scopes_.back());
    scopes_.pop_back();
    bool hadComment = scope->hasCommentFile();
    if (scope->hasSettingsFile()) accumulated_.merge(scope->changes);
    // The same folder or photo entered again: its file is read afresh, not saved first.
    if (enteredPath && scope->key == *enteredPath) scope->settingsFile.clear();
    destroyScope(*scope);
    return hadComment;
}

void ScopeStack::destroyScope(SettingsScope& scope) {
    if (scope.hasSettingsFile() && !scope.settingsFile.empty()) SavePresent(scope, scaleLetter());
    if (!scope.registeredFontFile.empty() && hooks_.unregisterFontFile) hooks_.unregisterFontFile(scope.registeredFontFile);
    scope.registeredFontFile.clear();
}

void ScopeStack::Shutdown() {
    while (!scopes_.empty()) {
        std::unique_ptr<SettingsScope> scope = std::move(scopes_.back());
        scopes_.pop_back();
        destroyScope(*scope);
    }
    scriptActive_ = false;
}

void ScopeStack::applyChanges(int changeKind, bool commentChanged) {
    if (commentChanged) {
        gatherScopeComments();
        accumulated_.set(SectionComment, 0x2);
    }
    if (accumulated_.isEmpty()) return;
    Settings& cur = current();
    if (accumulated_.has(SectionGeneral, 0x1)) {
        language_.LoadLanguage(cur.ApplicationLanguage.empty() ? "English" : cur.ApplicationLanguage, program_.folder,
                               cur, program_.userFolder);
        if (hooks_.languageLoaded) hooks_.languageLoaded(language_);
    }
    // The order (C 0x200) and the included sources (C 0x400) both decide the joined comments.
    if (accumulated_.has(SectionComment, 0x200 | 0x400)) gatherScopeComments();
    if (accumulated_.has(SectionEffects, 0x2 | 0x4) && hooks_.rebuildEffectList) hooks_.rebuildEffectList(cur);
    if (accumulated_.has(SectionCommands, 0x1) && hooks_.loadHotkeys)
        hooks_.loadHotkeys(cur.CommandsHotkeys.empty() ? "Default" : cur.CommandsHotkeys);
    SettingsChangeSet changes = accumulated_;
    accumulated_.clear();
    auto listeners = listeners_;  // a listener may unregister itself
    for (SettingsChangeListener* l : listeners) l->settingsChanged(changes, changeKind);
}

void ScopeStack::gatherScopeComments() {
    const Settings& cur = current();
    const int mask = cur.IncludedMask;
    const int order = cur.CommentsOrder;
    auto qualifies = [mask](const SettingsScope& s) {
        if (!s.hasCommentFile()) return false;
        if (s.isArchive()) return (mask & IncludedGlobal) != 0;
        if (s.kind & ScopeScript) return (mask & IncludedScript) != 0;
        if (s.kind & ScopeFolder) return (mask & IncludedFolder) != 0;
        return false;
    };
    const bool firstOnly = order == 3 || order == 4;
    const bool fromArchive = order == 2 || order == 4;
    std::string joined;
    auto take = [&](const SettingsScope& s) {
        if (!qualifies(s)) return false;
        joined += s.commentText;
        return firstOnly;
    };
    if (fromArchive) {
        for (auto it = scopes_.begin(); it != scopes_.end(); ++it)
            if (take(**it)) break;
    } else {
        for (auto it = scopes_.rbegin(); it != scopes_.rend(); ++it)
            if (take(**it)) break;
    }
    scopeComments_ = std::string(CutUtf8(joined, kCommentLimit));
}

char ScopeStack::scaleLetter() const { return hooks_.viewerScaleLetter ? hooks_.viewerScaleLetter() : '\0'; }

void ScopeStack::LoadLanguage(const std::string& name) {
    language_.LoadLanguage(name.empty() ? "English" : name, program_.folder, current(), program_.userFolder);
    if (hooks_.languageLoaded) hooks_.languageLoaded(language_);
}

bool ScopeStack::StoreUserChoice(UserChoice what, const std::string& name) {
    const bool language = what == UserChoice::Language;
    std::string Settings::*field = language ? &Settings::ApplicationLanguage : &Settings::CommandsHotkeys;
    const SettingsSection section = language ? SectionGeneral : SectionCommands;
    for (auto& scope : scopes_) {
        if (!scope->hasSettingsFile()) continue;
        // An inner file that names its own keeps it, and it holds from there inwards.
        if (!scope->isArchive() && scope->present.has(section, 0x1)) return false;
        scope->record.*field = name;
    }
    return true;
}

bool ScopeStack::WriteVoidTemplate(const std::string& newFile) const { return vellumo::WriteVoidTemplate(current(), newFile); }

bool ScopeStack::CopySettingsFile(const std::string& path, const std::string& newFile) const {
    auto content = ReadFileNoLargerThan(path, kProfileFileLimit);
    if (!content) return false;
    return WriteFileAtomically(newFile, *content);
}

}  // namespace vellumo
