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
    if (const char* p = std::getenv("PATH")) env.path = p;
    else env.path = "/usr/local/bin:/usr/bin:/bin";
    return env;
}

const std::vector<std::string>& DesktopTextEditors() {
    static const std::vector<std::string> editors = {"gnome-text-editor", "gedit", "kate", "kwrite",
                                                     "mousepad",          "xed",   "pluma"};
    return editors;
}

std::vector<std::string> EditorArguments(std::string_view configured, const std::string& file,
                                         const EditorEnvironment& env) {
    std::vector<std::string> words = Resolved(SplitCommandWords(configured), env.path);
    if (words.empty()) words = Resolved(SplitCommandWords(env.visual), env.path);
    for (size_t i = 0; words.empty() && i < DesktopTextEditors().size(); ++i)
        words = Resolved({DesktopTextEditors()[i]}, env.path);
    if (words.empty()) words = {"xdg-open"};
    AddWaitingOption(words);
    words.push_back(file);
    return words;
}

}  // namespace vellumo
