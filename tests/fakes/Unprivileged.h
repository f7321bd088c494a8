#pragma once
// Runs a piece of a test as an ordinary user, in a child process: root reads
// every folder whatever its permissions, so "made unreadable" means something
// in a CI run as root only for a process that gave up root first.
#include <grp.h>
#include <unistd.h>

#include <functional>

#include "fakes/ReadOnlyMount.h"

namespace vellumo::testing {

// The exit code the child uses when it cannot become an ordinary user.
constexpr int kNoUnprivilegedUser = 124;

// Runs `action` in a child process that is not root (the user "nobody" when
// the test runs as root) and returns its exit code: 0 for success,
// kNoUnprivilegedUser when the user could not be changed, -1 when the child died.
inline int RunAsUnprivilegedUser(const std::function<int()>& action) {
    return RunInChild([&] {
        if (geteuid() == 0) {
            constexpr uid_t kNobody = 65534;
            if (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0) return kNoUnprivilegedUser;
        }
        return geteuid() == 0 ? kNoUnprivilegedUser : action();
    });
}

}  // namespace vellumo::testing
