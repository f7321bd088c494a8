#include "app/DesktopTextEditor.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <thread>

#include "platform/Files.h"
#include "platform/Paths.h"
#include "platform/Processes.h"

namespace vellumo {

namespace {

constexpr int kQueryTimeLimitMs = 3000;
constexpr std::uint64_t kEntryLimit = 256 * 1024;

std::string Trimmed(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t\r\n");
    return std::string(text.substr(first, last - first + 1));
}

// The escapes of a desktop entry's string values.
std::string Unescaped(std::string_view value) {
    std::string out;
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 >= value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
            case 's': out += ' '; break;
            case 'n': out += '\n'; break;
            case 't': out += '\t'; break;
            case 'r': out += '\r'; break;
            case '\\': out += '\\'; break;
            default:
                out += '\\';
                out += value[i];
        }
    }
    return out;
}

// The Exec line of a desktop entry file, under the rules of TextEditorExec.
std::optional<std::string> ExecOfEntry(const std::string& file) {
    auto bytes = ReadFileNoLargerThan(file, kEntryLimit);
    if (!bytes) return std::nullopt;
    std::string_view text = *bytes;
    bool inEntry = false;
    std::optional<std::string> exec;
    bool terminal = false, hidden = false;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string line = Trimmed(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line[0] == '[') {
            inEntry = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntry) continue;
        const size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        const std::string key = Trimmed(std::string_view(line).substr(0, eq));
        const std::string value = Trimmed(std::string_view(line).substr(eq + 1));
        if (key == "Exec" && !exec) exec = Unescaped(value);
        else if (key == "Terminal") terminal = value == "true";
        else if (key == "Hidden") hidden = value == "true";
    }
    if (terminal || hidden || !exec || exec->empty()) return std::nullopt;
    return exec;
}

}  // namespace

std::vector<std::string> ApplicationFolders() {
    std::vector<std::string> folders;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    if (dataHome && dataHome[0] == '/') folders.push_back(JoinPath(dataHome, "applications"));
    else if (home && home[0] == '/') folders.push_back(JoinPath(home, ".local/share/applications"));
    const char* dataDirs = std::getenv("XDG_DATA_DIRS");
    std::string_view dirs = dataDirs && *dataDirs ? dataDirs : "/usr/local/share:/usr/share";
    while (!dirs.empty()) {
        const size_t colon = dirs.find(':');
        std::string dir(dirs.substr(0, colon));
        dirs.remove_prefix(colon == std::string_view::npos ? dirs.size() : colon + 1);
        if (!dir.empty() && dir[0] == '/') folders.push_back(JoinPath(dir, "applications"));
    }
    return folders;
}

std::optional<std::string> TextEditorExec(const std::string& desktopId, const std::vector<std::string>& folders) {
    if (desktopId.empty() || desktopId.find('/') != std::string::npos || desktopId[0] == '.') return std::nullopt;
    for (const auto& folder : folders) {
        // The first entry found stands for the id, even when it cannot be used.
        std::string file = JoinPath(folder, desktopId);
        const size_t dash = desktopId.find('-');
        if (!IsRegularFile(file) && dash != std::string::npos)
            file = JoinPath(folder, desktopId.substr(0, dash) + "/" + desktopId.substr(dash + 1));
        if (IsRegularFile(file)) return ExecOfEntry(file);
    }
    return std::nullopt;
}

std::string FindDesktopTextEditorExec() {
    auto answer = RunForOutput({"xdg-mime", "query", "default", "text/plain"}, kQueryTimeLimitMs, 4096);
    if (!answer) return {};
    const std::string id = Trimmed(std::string_view(*answer).substr(0, answer->find('\n')));
    return TextEditorExec(id, ApplicationFolders()).value_or(std::string());
}

// ---- The lookup worker -----------------------------------------------------------

struct DesktopEditorLookup::State {
    EventQueue& queue;
    CommandTarget* target;
    int command;
    std::mutex mutex;
    bool stopped = false;
    std::intptr_t latest = 0;
    std::optional<std::string> answer;  // the latest lookup's
    State(EventQueue& q, CommandTarget* t, int c) : queue(q), target(t), command(c) {}
};

DesktopEditorLookup::DesktopEditorLookup(EventQueue& queue, CommandTarget* target, int command)
    : state_(std::make_shared<State>(queue, target, command)) {}

DesktopEditorLookup::~DesktopEditorLookup() { stop(); }

std::intptr_t DesktopEditorLookup::start(std::function<std::string()> find) {
    std::intptr_t number;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        number = ++state_->latest;
        state_->answer.reset();
    }
    try {
        // Never joined: a query that hangs ends at its time limit, on its own.
        std::thread([state = state_, number, find = std::move(find)] {
            std::string exec = find ? find() : std::string();
            std::lock_guard<std::mutex> lock(state->mutex);
            if (state->stopped || number != state->latest) return;
            state->answer = std::move(exec);
            state->queue.post(state->target, state->command, number);
        }).detach();
    } catch (const std::system_error&) {
        // No thread: the answer is "none", at once.
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->answer = std::string();
        state_->queue.post(state_->target, state_->command, number);
    }
    return number;
}

std::optional<std::string> DesktopEditorLookup::take(std::intptr_t number) {
    std::lock_guard<std::mutex> lock(state_->mutex);
    if (number != state_->latest || !state_->answer) return std::nullopt;
    std::optional<std::string> answer = std::move(state_->answer);
    state_->answer.reset();
    return answer;
}

void DesktopEditorLookup::stop() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->stopped = true;
}

}  // namespace vellumo
