#pragma once
// Runs a piece of a test in a child process that sees one folder mounted
// read-only, in a mount namespace of its own. Unlike a folder without write
// permission this stops root too, so the test means the same in every CI run.
#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace vellumo::testing {

// The exit code the child uses when the read-only view cannot be made.
constexpr int kNoReadOnlyMount = 125;

namespace detail {
inline bool WriteSmallFile(const char* path, const std::string& text) {
    int fd = open(path, O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    return ok;
}
}  // namespace detail

// In a child process only: gives the process a mount namespace of its own
// and mounts the folder read-only in it. False when that cannot be done.
inline bool MountReadOnlyInOwnNamespace(const std::string& folder) {
    uid_t uid = geteuid();
    gid_t gid = getegid();
    if (unshare(CLONE_NEWNS) != 0) {
        // Without the right to make mount namespaces: a user namespace gives it.
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
        detail::WriteSmallFile("/proc/self/setgroups", "deny");
        if (!detail::WriteSmallFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
            !detail::WriteSmallFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1"))
            return false;
    }
    return mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
           mount(folder.c_str(), folder.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
           mount(nullptr, folder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) == 0;
}

// Runs `action` in a child process and returns its exit code, or -1 when the
// child died.
inline int RunInChild(const std::function<int()>& action) {
    pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) _exit(action());
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Returns the exit code of `action` run in the child (0 for success), or
// kNoReadOnlyMount when the namespace or the mount failed, or -1 when the
// child died.
inline int RunWithReadOnlyFolder(const std::string& folder, const std::function<int()>& action) {
    return RunInChild([&] { return MountReadOnlyInOwnNamespace(folder) ? action() : kNoReadOnlyMount; });
}

}  // namespace vellumo::testing
