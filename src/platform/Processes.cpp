#include "platform/Processes.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace vellumo {

namespace {

class PosixChild : public ChildProcess {
public:
    explicit PosixChild(pid_t pid) : pid_(pid) {}
    bool hasEnded() override {
        if (ended_) return true;
        int status = 0;
        pid_t r = waitpid(pid_, &status, WNOHANG);
        // ECHILD: someone else reaped it (or it is not our child any more): it is gone either way.
        if (r == pid_ || (r < 0 && errno == ECHILD)) ended_ = true;
        return ended_;
    }

private:
    pid_t pid_;
    bool ended_ = false;
};

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::unique_ptr<ChildProcess> StartChildProcess(const std::vector<std::string>& argv) {
    if (argv.empty() || argv[0].empty()) return nullptr;
    const char* pathVariable = getenv("PATH");
    std::string program = FindProgram(argv[0], pathVariable ? pathVariable : "/usr/local/bin:/usr/bin:/bin");
    if (program.empty()) return nullptr;

    std::vector<std::string> args = argv;
    std::vector<char*> raw;
    raw.reserve(args.size() + 1);
    for (auto& a : args) raw.push_back(a.data());
    raw.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) return nullptr;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return nullptr;
    }
    // Only stdin, stdout and stderr go to the child.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGCHLD);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSID);

    pid_t pid = 0;
    int error = posix_spawn(&pid, program.c_str(), &actions, &attributes, raw.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0) return nullptr;
    return std::make_unique<PosixChild>(pid);
}

std::vector<std::string> SplitCommandWords(std::string_view text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            if (inWord) words.push_back(std::move(word));
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == '\'') {
            size_t end = text.find('\'', i + 1);
            if (end == std::string_view::npos) end = text.size();
            word.append(text.substr(i + 1, end - i - 1));
            i = end;
        } else if (c == '"') {
            for (++i; i < text.size() && text[i] != '"'; ++i) {
                if (text[i] == '\\' && i + 1 < text.size()) {
                    char next = text[i + 1];
                    if (next == '\\' || next == '"' || next == '$' || next == '`') {
                        word += next;
                        ++i;
                        continue;
                    }
                }
                word += text[i];
            }
        } else if (c == '\\' && i + 1 < text.size()) {
            word += text[++i];
        } else {
            word += c;
        }
    }
    if (inWord) words.push_back(std::move(word));
    return words;
}

std::string FindProgram(std::string_view word, std::string_view pathVariable) {
    if (word.empty()) return {};
    if (word.find('/') != std::string_view::npos) {
        std::string path(word);
        return IsExecutableFile(path) ? path : std::string();
    }
    size_t start = 0;
    while (start <= pathVariable.size()) {
        size_t end = pathVariable.find(':', start);
        if (end == std::string_view::npos) end = pathVariable.size();
        std::string folder(pathVariable.substr(start, end - start));
        if (folder.empty()) folder = ".";
        std::string candidate = folder + (folder.back() == '/' ? "" : "/") + std::string(word);
        if (IsExecutableFile(candidate)) return candidate;
        start = end + 1;
    }
    return {};
}

}  // namespace vellumo
