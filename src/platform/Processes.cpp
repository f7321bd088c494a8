#include "platform/Processes.h"

#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

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
        if (r == pid_) {
            ended_ = true;
            exitStatus_ = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        } else if (r < 0 && errno == ECHILD) {
            // Someone else reaped it (or it is not our child any more): it is
            // gone either way, how is not known.
            ended_ = true;
        }
        return ended_;
    }
    int exitStatus() const override { return exitStatus_; }

private:
    pid_t pid_;
    bool ended_ = false;
    int exitStatus_ = 0;
};

bool IsExecutableFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// Starts the program; its standard output goes to outputFd when that is not
// -1. The child's pid, or -1.
pid_t Spawn(const std::vector<std::string>& argv, int outputFd) {
    if (argv.empty() || argv[0].empty()) return -1;
    const char* pathVariable = getenv("PATH");
    std::string program = FindProgram(argv[0], pathVariable ? pathVariable : "/usr/local/bin:/usr/bin:/bin");
    if (program.empty()) return -1;

    std::vector<std::string> args = argv;
    std::vector<char*> raw;
    raw.reserve(args.size() + 1);
    for (auto& a : args) raw.push_back(a.data());
    raw.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    if (posix_spawn_file_actions_init(&actions) != 0) return -1;
    if (posix_spawnattr_init(&attributes) != 0) {
        posix_spawn_file_actions_destroy(&actions);
        return -1;
    }
    if (outputFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outputFd, STDOUT_FILENO);
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
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
    return error == 0 ? pid : -1;
}

}  // namespace

std::unique_ptr<ChildProcess> StartChildProcess(const std::vector<std::string>& argv) {
    pid_t pid = Spawn(argv, -1);
    if (pid < 0) return nullptr;
    return std::make_unique<PosixChild>(pid);
}

std::optional<std::string> RunForOutput(const std::vector<std::string>& argv, int timeLimitMs, std::size_t maxBytes) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return std::nullopt;
    pid_t pid = Spawn(argv, pipeFds[1]);
    close(pipeFds[1]);
    if (pid < 0) {
        close(pipeFds[0]);
        return std::nullopt;
    }
    std::string output;
    bool timedOut = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeLimitMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            timedOut = true;
            break;
        }
        pollfd p{pipeFds[0], POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) {
            timedOut = ready == 0;
            break;
        }
        char buffer[4096];
        const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;  // the end of its output
        const auto n = std::min(static_cast<std::size_t>(got), maxBytes - std::min(maxBytes, output.size()));
        output.append(buffer, n);
    }
    close(pipeFds[0]);
    // Its output has ended (or the time is up): it is waited for until the
    // deadline, then killed.
    int status = 0;
    for (;;) {
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) break;
        if (r < 0) {
            if (errno == EINTR) continue;
            return std::nullopt;
        }
        if (timedOut || std::chrono::steady_clock::now() >= deadline) {
            kill(-pid, SIGKILL);  // it leads a session of its own: its helpers go too
            kill(pid, SIGKILL);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            return std::nullopt;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return std::nullopt;
    return output;
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
