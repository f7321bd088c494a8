#pragma once
// Waits for external editors to end. Each editor started gets a worker that
// checks its child now and then and posts EditorClosed to the viewer when it
// has ended. The user-interface thread never waits for an editor: stopping
// the watcher (at exit) only waits for the workers' next check.
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/EventQueue.h"
#include "platform/Processes.h"

namespace vellumo {

class EditorWatcher {
public:
    // How often a worker looks at its editor.
    static constexpr int kCheckMilliseconds = 100;

    EditorWatcher(EventQueue& queue, CommandTarget* viewer, int closedCommand);
    ~EditorWatcher();
    EditorWatcher(const EditorWatcher&) = delete;
    EditorWatcher& operator=(const EditorWatcher&) = delete;

    // Starts a worker for the editor; closedCommand is posted when it ends.
    void watch(std::unique_ptr<ChildProcess> editor);
    // Stops every worker; editors still open are left running, and no
    // EditorClosed is posted afterwards. Idempotent.
    void stop();
    // Editors still being watched.
    int watching() const { return watching_.load(); }

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void run(std::unique_ptr<ChildProcess> editor, std::atomic<bool>& done);

    EventQueue& queue_;
    CommandTarget* viewer_;
    int closedCommand_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    std::atomic<int> watching_{0};
    std::vector<Worker> workers_;
};

}  // namespace vellumo
