#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

namespace vellumo {

namespace {

// On Linux a nice value belongs to each thread, named by its thread id.
id_t ThisThread() { return static_cast<id_t>(::syscall(SYS_gettid)); }

}  // namespace

int ThisThreadNice() {
    errno = 0;
    const int nice = ::getpriority(PRIO_PROCESS, ThisThread());
    return errno == 0 ? nice : 0;
}

void LowerThisThreadPriority(int nice) {
    if (ThisThreadNice() >= nice) return;
    ::setpriority(PRIO_PROCESS, ThisThread(), nice);
}

}  // namespace vellumo
