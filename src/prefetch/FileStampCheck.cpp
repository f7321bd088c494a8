#include "prefetch/FileStampCheck.h"

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/Mailbox.h"

namespace vellumo {

struct FileStampCheck::Shared {
    Shared(EventQueue& queue, CommandTarget* owner, int command) : results(&queue, owner, command) {}
    Mailbox<Result> results;
    std::mutex mutex;
    std::condition_variable wake;
    struct Request {
        std::string path;
        std::optional<FileStamp> expected;
    };
    std::deque<Request> requests;
    bool threadRuns = false;
    bool closed = false;

    static Result Look(const Request& r) { return {r.path, r.expected, StampOfFile(r.path) != r.expected}; }

    // The thread's loop: it keeps the shared state alive until closed.
    static void Run(std::shared_ptr<Shared> self) {
        std::unique_lock lock(self->mutex);
        for (;;) {
            self->wake.wait(lock, [&] { return self->closed || !self->requests.empty(); });
            if (self->closed) return;
            Request r = std::move(self->requests.front());
            self->requests.pop_front();
            lock.unlock();
            self->results.deliver(Look(r));
            lock.lock();
        }
    }
};

FileStampCheck::FileStampCheck(EventQueue& queue, CommandTarget* owner, int command)
    : shared_(std::make_shared<Shared>(queue, owner, command)) {}

FileStampCheck::~FileStampCheck() { close(); }

void FileStampCheck::check(std::string path, std::optional<FileStamp> expected) {
    Shared::Request request{std::move(path), expected};
    if (inline_) {
        shared_->results.deliver(Shared::Look(request));
        return;
    }
    std::lock_guard lock(shared_->mutex);
    if (shared_->closed) return;
    shared_->requests.push_back(std::move(request));
    if (!shared_->threadRuns) {
        shared_->threadRuns = true;
        std::thread(Shared::Run, shared_).detach();
    }
    shared_->wake.notify_one();
}

std::deque<FileStampCheck::Result> FileStampCheck::take() { return shared_->results.take(); }

void FileStampCheck::close() {
    shared_->results.close();
    std::lock_guard lock(shared_->mutex);
    shared_->closed = true;
    shared_->requests.clear();
    shared_->wake.notify_all();
}

}  // namespace vellumo
