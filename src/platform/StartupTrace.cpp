#include "platform/StartupTrace.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

namespace vellumo {

namespace {

double NowMs(clockid_t clock) {
    timespec t{};
    clock_gettime(clock, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The process's start on the boot-time clock, from /proc/self/stat (field 22,
// in clock ticks since boot); the first mark's own time when unreadable.
double ProcessStartMs() {
    char text[1024];
    int fd = open("/proc/self/stat", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return NowMs(CLOCK_BOOTTIME);
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    if (n <= 0) return NowMs(CLOCK_BOOTTIME);
    text[n] = '\0';
    // The command name in parentheses may hold spaces: count fields after it.
    const char* p = std::strrchr(text, ')');
    if (!p) return NowMs(CLOCK_BOOTTIME);
    int field = 2;
    while (*p && field < 22) {
        if (*p == ' ') ++field;
        ++p;
    }
    const long ticks = sysconf(_SC_CLK_TCK);
    if (field != 22 || ticks <= 0) return NowMs(CLOCK_BOOTTIME);
    return std::strtod(p, nullptr) * 1e3 / static_cast<double>(ticks);
}

struct Trace {
    bool on = std::getenv("VELLUMO_TRACE_STARTUP") != nullptr;
    double start = on ? ProcessStartMs() : 0.0;
};

const Trace& TheTrace() {
    static const Trace trace;
    return trace;
}

}  // namespace

void TraceStartup(const char* label) {
    const Trace& trace = TheTrace();
    if (!trace.on) return;
    std::fprintf(stderr, "vellumo: %7.1f ms  %s\n", NowMs(CLOCK_BOOTTIME) - trace.start, label);
}

}  // namespace vellumo
