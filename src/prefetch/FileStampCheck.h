#pragma once
// FileStampCheck: looks on a thread of its own whether files still have the
// stamps they had. A photo decoded ahead goes on screen at once and its file
// is looked at afterwards: on a network share one look at a file may wait a
// long while behind the program's other requests (a decode ahead reading
// the next photo), and the user-interface thread must not wait with it.
//
// The results come back in the order asked, through one posted command, and
// are taken on the user-interface thread. The thread is never waited for: a
// share that stops answering holds it, not the window, and whatever it finds
// after close() goes nowhere.
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "platform/EventQueue.h"
#include "prefetch/FileStamp.h"

namespace vellumo {

class FileStampCheck {
public:
    struct Result {
        std::string path;
        std::optional<FileStamp> expected;  // as asked
        bool changed = false;  // another stamp, or no regular file any more
    };

    // `command` is posted to `owner` when results wait.
    FileStampCheck(EventQueue& queue, CommandTarget* owner, int command);
    ~FileStampCheck();
    FileStampCheck(const FileStampCheck&) = delete;
    FileStampCheck& operator=(const FileStampCheck&) = delete;

    // Looks whether the file still has `expected` (nothing: it had none).
    void check(std::string path, std::optional<FileStamp> expected);
    std::deque<Result> take();
    // Nothing more is looked at or reported.
    void close();
    // Tests: the look happens on the calling thread, in check().
    void setRunInline(bool on) { inline_ = on; }

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    bool inline_ = false;
};

}  // namespace vellumo
