// start_probe: starts a program and measures, from the moment it is started,
// when it ends and (with --picture) when a picture first covers the screen.
//
//   start_probe [--picture [--end-after MS]] [--background RRGGBB] [--timeout SECONDS] -- PROGRAM [ARGS...]
//
// Prints "exit_ms N" and, with --picture, "picture_ms N" (-1: never seen).
// --end-after: MS milliseconds after the picture is seen the program gets a
// SIGTERM (for programs that would show it until told otherwise).
// The exit status is the program's (124 when it was killed on the timeout).
//
// The picture is seen by reading three rows of the root window (at a quarter,
// half and three quarters of its height) every millisecond: a sampled pixel
// counts once it differs both from what the screen showed before the start
// and from the background colour (black unless given); the picture is there
// when 60 % of the samples count. One XGetImage per row is a single round
// trip, cheap enough not to slow the program it watches; polling stops once
// the picture is seen.
#define _POSIX_C_SOURCE 200809L
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <errno.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

enum { kRows = 3, kStep = 16, kMaxSamples = 4096 };

static double NowMs(void) {
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return (double)t.tv_sec * 1e3 + (double)t.tv_nsec / 1e6;
}

typedef struct {
    Display* display;
    Window root;
    int width, height;
    int count;
    unsigned long before[kMaxSamples];
} Screen_;

// Reads the sampled pixels into out[]; returns how many, or -1 on failure.
static int Sample(Screen_* s, unsigned long* out) {
    int n = 0;
    for (int r = 0; r < kRows; ++r) {
        int y = s->height * (r + 1) / (kRows + 1);
        XImage* row = XGetImage(s->display, s->root, 0, y, (unsigned)s->width, 1, AllPlanes, ZPixmap);
        if (!row) return -1;
        for (int x = s->width / 8; x < s->width * 7 / 8 && n < kMaxSamples; x += kStep)
            out[n++] = XGetPixel(row, x, 0) & 0xFFFFFF;
        XDestroyImage(row);
    }
    return n;
}

static volatile sig_atomic_t gKilled = 0;
static pid_t gChild = 0;

static void OnTimeout(int signal_) {
    (void)signal_;
    kill(gChild, SIGKILL);
    gKilled = 1;
}

static void Usage(void) {
    fprintf(stderr, "usage: start_probe [--picture] [--background RRGGBB] [--timeout SECONDS] -- PROGRAM [ARGS...]\n");
    exit(2);
}

int main(int argc, char** argv) {
    int picture = 0;
    unsigned long background = 0;
    double timeoutMs = 60000;
    double endAfterMs = -1;
    int i = 1;
    for (; i < argc; ++i) {
        if (strcmp(argv[i], "--picture") == 0) picture = 1;
        else if (strcmp(argv[i], "--background") == 0 && i + 1 < argc) background = strtoul(argv[++i], NULL, 16);
        else if (strcmp(argv[i], "--end-after") == 0 && i + 1 < argc) endAfterMs = atof(argv[++i]);
        else if (strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) timeoutMs = atof(argv[++i]) * 1e3;
        else if (strcmp(argv[i], "--") == 0) { ++i; break; }
        else Usage();
    }
    if (i >= argc) Usage();

    Screen_ screen;
    memset(&screen, 0, sizeof screen);
    if (picture) {
        screen.display = XOpenDisplay(NULL);
        if (!screen.display) {
            fprintf(stderr, "start_probe: cannot open the display\n");
            return 2;
        }
        screen.root = DefaultRootWindow(screen.display);
        screen.width = DisplayWidth(screen.display, DefaultScreen(screen.display));
        screen.height = DisplayHeight(screen.display, DefaultScreen(screen.display));
        screen.count = Sample(&screen, screen.before);
        if (screen.count <= 0) {
            fprintf(stderr, "start_probe: cannot read the screen\n");
            return 2;
        }
    }

    const double start = NowMs();
    pid_t child = fork();
    if (child < 0) {
        perror("start_probe: fork");
        return 2;
    }
    if (child == 0) {
        if (screen.display) close(ConnectionNumber(screen.display));
        execvp(argv[i], argv + i);
        perror("start_probe: exec");
        _exit(127);
    }

    // Until the picture is seen the screen is polled every millisecond; then
    // (or without --picture) the probe just waits for the end.
    double pictureMs = -1;
    int status = 0;
    int killed = 0;
    while (picture && pictureMs < 0) {
        pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child) goto ended;
        if (done < 0 && errno != EINTR) goto ended;
        unsigned long now[kMaxSamples];
        int n = Sample(&screen, now);
        int covered = 0;
        for (int k = 0; k < n; ++k)
            if (now[k] != screen.before[k] && now[k] != background) ++covered;
        if (n > 0 && covered * 10 >= n * 6) pictureMs = NowMs() - start;
        if (getenv("START_PROBE_TRACE")) fprintf(stderr, "%.1f ms: %d of %d\n", NowMs() - start, covered, n);
        if (NowMs() - start > timeoutMs) break;
        struct timespec pause = {0, 1000000};
        nanosleep(&pause, NULL);
    }
    if (pictureMs >= 0 && endAfterMs >= 0) {
        struct timespec pause = {(time_t)(endAfterMs / 1000), (long)((endAfterMs - 1000 * (long)(endAfterMs / 1000)) * 1e6)};
        nanosleep(&pause, NULL);
        kill(child, SIGTERM);
    }
    {
        gChild = child;
        struct sigaction on;
        memset(&on, 0, sizeof on);
        on.sa_handler = OnTimeout;
        sigaction(SIGALRM, &on, NULL);
        const double left = timeoutMs - (NowMs() - start);
        alarm(left > 1000 ? (unsigned)(left / 1000) : 1);
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        alarm(0);
        killed = gKilled;
    }
ended:;
    const double exitMs = NowMs() - start;
    printf("exit_ms %.1f\n", exitMs);
    if (picture) printf("picture_ms %.1f\n", pictureMs);
    if (screen.display) XCloseDisplay(screen.display);
    if (killed) return 124;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
