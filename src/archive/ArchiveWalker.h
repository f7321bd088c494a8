#pragma once
// Walks the archive on its own thread for the total slideshow: depth first,
// the photos of a folder (sorted ignoring case) before its subfolders (sorted
// too, names beginning with "." skipped). Appends to a TotalList and posts
// CmdTotalFirst when the first entries arrive and CmdTotalWalkDone when the
// walk completes without being stopped.
//
// The walk never follows symbolic links to folders, stays on the file system
// of the folder it started from, skips pseudo file systems and visits each
// folder once (by device and inode), so it ends on any tree and lists no
// photo twice. Unreadable folders are skipped silently.
//
// Stopping never waits for the thread: a folder on a share that stopped
// answering holds only the walker, which finds its run closed when it comes
// back and leaves without a trace.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "archive/TotalList.h"
#include "platform/Drives.h"
#include "platform/EventQueue.h"

namespace vellumo {

class ArchiveWalker {
public:
    // listDrives gives the roots of a walk over the whole archive; empty means
    // the machine's drive list.
    ArchiveWalker(EventQueue& queue, CommandTarget* target, TotalList& list,
                  std::function<std::vector<Drive>()> listDrives = {});
    ~ArchiveWalker();
    ArchiveWalker(const ArchiveWalker&) = delete;
    ArchiveWalker& operator=(const ArchiveWalker&) = delete;

    // Starts walking root ("" walks every drive in the drive list's order).
    // A walk still running is stopped first.
    void start(const std::string& root);
    // Ends the walk: once this returns nothing more is appended or posted;
    // the thread notices before its next folder entry and ends by itself.
    void stop();
    // True from start until the walk has ended (completed or stopped).
    bool running() const;

    // Walks on the calling thread instead (a walk running on the worker
    // thread is stopped first). Returns false when it was stopped.
    bool walk(const std::string& root);

    struct Run;

private:
    std::shared_ptr<Run> newRun();

    EventQueue& queue_;
    CommandTarget* target_;
    TotalList& list_;
    std::function<std::vector<Drive>()> listDrives_;
    std::shared_ptr<Run> run_;
};

// True when the folder lies on a pseudo file system (proc, sysfs, cgroup,
// devpts, debugfs and the like) that holds no photos.
bool IsOnPseudoFileSystem(int folderDescriptor);

}  // namespace vellumo
