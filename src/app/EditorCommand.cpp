#include "app/EditorCommand.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/Paths.h"
#include "platform/Processes.h"

namespace vellumo {

namespace {

// Editors that pass a file to their running instance and return at once,
// and the option that makes them stay until the file is closed.
const std::vector<std::pair<std::string, std::string>> kWaitingOptions = {
    {"gedit", "--wait"},
    {"xed", "--wait"},
    {"kate", "--block"},
    {"gnome-text-editor", "--standalone"},
    {"mousepad", "--disable-server"},
    {"code", "--wait"},
    {"codium", "--wait"},
    {"subl", "--wait"},
};

// The words with their program resolved; empty when the program is not found.
std::vector<std::string> Resolved(std::vector<std::string> words, std::string_view pathVariable) {
    if (words.empty()) return {};
    std::string program = FindProgram(words[0], pathVariable);
    if (program.empty()) return {};
    words[0] = program;
    return words;
}

void AddWaitingOption(std::vector<std::string>& words) {
    std::string name = FileNameOf(words[0]);
    for (const auto& [editor, option] : kWaitingOptions) {
        if (name != editor) continue;
        if (std::find(words.begin() + 1, words.end(), option) == words.end()) words.insert(words.begin() + 1, option);
        return;
    }
}

}  // namespace

EditorEnvironment EditorEnvironment::OfThisProcess() {
    EditorEnvironment env;
    if (const char* v = std::getenv("VISUAL")) env.visual = v;
    if (const char* e = std::getenv("EDITOR")) env.editor = e;
    if (const char* p = std::getenv("PATH")) env.path = p;
    else env.path = "/usr/local/bin:/usr/bin:/bin";
    return env;
}

const std::vector<std::string>& DesktopTextEditors() {
    static const std::vector<std::string> editors = {"gnome-text-editor", "gedit", "kate", "kwrite",
                                                     "mousepad",          "xed",   "pluma"};
    return editors;
}

bool ConfiguredEditorFound(std::string_view configured, const EditorEnvironment& env) {
    return !Resolved(SplitCommandWords(configured), env.path).empty();
}

std::vector<std::string> ExecArguments(std::string_view exec, const std::string& file) {
    std::vector<std::string> words;
    bool fileGiven = false;
    for (const std::string& word : SplitCommandWords(exec)) {
        std::string out;
        bool keep = true;
        for (size_t i = 0; i < word.size(); ++i) {
            if (word[i] != '%' || i + 1 >= word.size()) {
                out += word[i];
                continue;
            }
            const char code = word[++i];
            if (code == '%') {
                out += '%';
            } else if (code == 'f' || code == 'F' || code == 'u' || code == 'U') {
                // One file: a second file code has nothing left to stand for.
                if (fileGiven) keep = false;
                out += file;
                fileGiven = true;
            } else if (word.size() == 2) {
                keep = false;  // %i, %c, %k and the deprecated codes stand alone
            }
        }
        if (keep && !(out.empty() && !word.empty())) words.push_back(std::move(out));
    }
    if (!fileGiven) words.push_back(file);
    return words;
}

std::vector<std::string> EditorArguments(std::string_view configured, const std::string& file,
                                         const EditorEnvironment& env) {
    auto withFile = [&](std::vector<std::string> words) {
        AddWaitingOption(words);
        words.push_back(file);
        return words;
    };
    std::vector<std::string> words = Resolved(SplitCommandWords(configured), env.path);
    if (!words.empty()) return withFile(std::move(words));
    if (!env.desktopExec.empty()) {
        words = Resolved(ExecArguments(env.desktopExec, file), env.path);
        if (!words.empty()) {
            AddWaitingOption(words);
            return words;
        }
    }
    for (const std::string& editor : DesktopTextEditors()) {
        words = Resolved({editor}, env.path);
        if (!words.empty()) return withFile(std::move(words));
    }
    // A terminal editor is seen only in a terminal of its own.
    const std::string terminal = FindProgram("x-terminal-emulator", env.path);
    for (const std::string* chosen : {&env.visual, &env.editor}) {
        words = Resolved(SplitCommandWords(*chosen), env.path);
        if (words.empty() || terminal.empty()) continue;
        words.insert(words.begin(), {terminal, "-e"});
        words.push_back(file);
        return words;
    }
    return {"xdg-open", file};
}

}  // namespace vellumo
