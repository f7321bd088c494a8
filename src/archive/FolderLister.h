#pragma once
// The owner of the Navigator's folder listings on the user-interface thread.
// Each listing runs on a worker thread of its own with a stop flag and hands
// its deliveries back through a mailbox (the owner hears CmdFolderListed).
// Starting another listing abandons the one before: it stops at its next
// entry and nothing more of it arrives, while the user-interface thread never
// waits for it (a share that stopped answering holds only that worker).
// Without a worker, a listing runs inside start() and its deliveries wait to
// be taken.
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "archive/FolderListing.h"
#include "platform/EventQueue.h"

namespace vellumo {

// Posted to the owner when deliveries of a listing wait.
inline constexpr int CmdFolderListed = 31880;

class FolderLister {
public:
    FolderLister(EventQueue& queue, CommandTarget* owner);
    ~FolderLister();
    FolderLister(const FolderLister&) = delete;
    FolderLister& operator=(const FolderLister&) = delete;

    void setOnWorker(bool on) { onWorker_ = on; }
    bool onWorker() const { return onWorker_; }
    void setPace(const ListingPace& pace) { pace_ = pace; }
    // Called on the listing's thread before each entry is read, with the
    // entries read so far (a test holds a listing there, as a slow share would).
    void setEntryHook(std::function<void(const std::string& folder, int entries)> hook) { hook_ = std::move(hook); }

    // Starts a listing; one still running is abandoned. A listing started
    // early of the same path, with the same up entries, is taken over.
    void start(FolderListingRequest request);

    struct Job;
    // A listing started before the window existed (the folder named on the
    // command line), on a worker thread, for the drives of this machine and
    // no horizon.
    static std::shared_ptr<Job> StartEarly(const std::string& path);
    // The first start() of its path takes it over; another start leaves it
    // waiting. A large folder's early listing delivers its head, then holds
    // the rest until releaseRest() (at most a second): the window's start
    // ends with that first screenful, and its paint has the processor.
    void setEarly(std::shared_ptr<Job> early) { early_ = std::move(early); }
    void releaseRest();
    // Nothing more of the running listing arrives.
    void abandon();
    // The deliveries waiting, in order.
    std::deque<ListingDelivery> take();

private:
    EventQueue& queue_;
    CommandTarget* owner_;
    bool onWorker_ = false;
    ListingPace pace_;
    std::function<void(const std::string&, int)> hook_;
    std::shared_ptr<Job> job_;
    std::shared_ptr<Job> early_;
};

}  // namespace vellumo
