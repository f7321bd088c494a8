#pragma once
// Waits for started programs to end: editors, and the desktop's opener. Each
// child gets a worker that checks it now and then and posts a command to the
// viewer when it has ended. The user-interface thread never waits for a
// child: stopping the watcher (at exit) only waits for the workers' next check.
//
// An editor that returns at once (a launcher handing the file to a program
// already running, or a terminal that runs the editor elsewhere) is followed
// by watching its file instead: the command is posted each time the file
// changes, until the watcher stops or the same file is given to an editor
// again. An opener is watched for a limited time only, and its exit status is
// what is posted.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/EventQueue.h"
#include "platform/Processes.h"

namespace vellumo {

// What one watch posts, and when.
struct ChildWatch {
    int command = 0;          // posted to the viewer
    std::intptr_t param = 0;  // posted with it
    // An editor's file: watched instead when the editor returns at once.
    std::string file;
    // An opener: its exit status is posted (as the param) when it ends within
    // this time; after it nothing is posted. 0 for no limit.
    std::chrono::milliseconds timeLimit{0};
    bool postExitStatus = false;
};

class EditorWatcher {
public:
    // How often a worker looks at its child, and at the file it follows.
    static constexpr int kCheckMilliseconds = 100;
    // A child ending this soon after its start, successfully, is a launcher.
    static constexpr std::chrono::milliseconds kLauncherTime{3000};

    EditorWatcher(EventQueue& queue, CommandTarget* viewer, int closedCommand);
    ~EditorWatcher();
    EditorWatcher(const EditorWatcher&) = delete;
    EditorWatcher& operator=(const EditorWatcher&) = delete;

    // Starts a worker for the editor; closedCommand is posted when it ends.
    void watch(std::unique_ptr<ChildProcess> editor);
    void watch(std::unique_ptr<ChildProcess> child, ChildWatch what);
    // Stops every worker; editors still open are left running, and nothing
    // is posted afterwards. Idempotent.
    void stop();
    // Children (or files) still being watched.
    int watching() const { return watching_.load(); }
    // How soon an ending editor counts as a launcher (0: never).
    void setLauncherTime(std::chrono::milliseconds t) { launcherTime_ = t; }

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
        std::shared_ptr<std::atomic<bool>> replaced;
        std::string file;
    };
    struct Run;
    void run(Run& r);
    // Follows the file after a launcher returned, until stopped or replaced.
    void followFile(Run& r, std::unique_lock<std::mutex>& lock);

    EventQueue& queue_;
    CommandTarget* viewer_;
    int closedCommand_;
    std::chrono::milliseconds launcherTime_{kLauncherTime};
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::atomic<int> watching_{0};
    std::vector<Worker> workers_;
};

}  // namespace vellumo
