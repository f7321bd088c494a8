// Folders read on a worker thread: the rows arrive in parts and then whole,
// the folder's settings scope is entered once they are whole, another folder
// abandons the listing before it, and a folder that never answers holds only
// its worker.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "ArchiveHarness.h"
#include "fakes/ListingHold.h"
#include "archive/FolderLister.h"
#include "platform/Drives.h"
#include "platform/TextCompare.h"

namespace vellumo {
namespace {

using testing::ListingHold;

// Posted results arrive from the worker: runs the queue until done() holds.
bool PumpUntil(Harness& h, const std::function<bool()>& done) {
    for (int i = 0; i < 5000; ++i) {
        h.queue.runPending();
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return done();
}

void OnWorker(Harness& h, ListingPace pace = {0, 0, 1000}) {
    h.nav.setListingOnWorker(true);
    h.nav.lister().setPace(pace);
}

TEST(ListingOnWorker, RowsArriveInPartsInTheirOrderAndTheScopeComesWithTheWhole) {
    Harness h;
    const std::string dir = h.tree.folder("Trip");
    for (const char* name : {"d.jpg", "B.jpg", "a.jpg", "C.tif", "e.jpg", "f.jpg", "g.jpg", "h.jpg"})
        h.tree.file(std::string("Trip/") + name);
    h.tree.folder("Trip/sub/x");
    h.tree.folder("Trip/Empty");
    ListingHold hold(dir, 5);
    // Parts as often as they can come; emptiness only after the whole.
    OnWorker(h, {0, 0, 0});
    h.nav.lister().setEntryHook(hold.hook());
    h.nav.goToPath(dir);
    ASSERT_TRUE(hold.waitReached());
    ASSERT_TRUE(PumpUntil(h, [&] { return h.list.count() >= 5; }));

    // A part: five of the entries besides the up entry, in their order, the
    // up entry selected; the folder's scope is not entered yet.
    EXPECT_TRUE(h.nav.listingPending());
    EXPECT_EQ(h.busyDepth, 1);
    EXPECT_TRUE(h.entered.empty());
    EXPECT_EQ(h.list.at(0).flags, ItemFlags::UpEntry);
    EXPECT_LE(h.list.count(), 6);
    for (int i = 2; i < h.list.count(); ++i) {
        const ArchiveItem& a = h.list.at(i - 1);
        const ArchiveItem& b = h.list.at(i);
        EXPECT_TRUE(a.kind() < b.kind() || (a.kind() == b.kind() && CompareNoCase(a.text, b.text) <= 0)) << i;
    }
    EXPECT_EQ(h.list.selection(), 0);

    hold.release();
    ASSERT_TRUE(PumpUntil(h, [&] { return !h.nav.listingPending(); }));
    EXPECT_EQ(h.texts(), (std::vector<std::string>{"Trip", "Empty", "sub", "a", "B", "C", "d", "e", "f", "g", "h"}));
    EXPECT_EQ(h.entered, std::vector<std::string>{dir});
    EXPECT_EQ(h.busyDepth, 0);
    EXPECT_EQ(h.nav.firstPhotoIndex(), 3);
    EXPECT_EQ(h.nav.lastPhotoIndex(), 10);

    // The empty folder is known after the rows: its row changes in place.
    ASSERT_TRUE(PumpUntil(h, [&] { return h.list.at(1).image == ItemImage::EmptyFolder; }));
    EXPECT_EQ(h.list.at(1).flags, ItemFlags::Folder | ItemFlags::EmptyFolder);
    EXPECT_EQ(h.list.at(2).flags, ItemFlags::Folder);
}

// A large folder shows its first rows in their final order before the rest
// is sorted: the folder counts as shown (its scope entered), steps wait for
// the whole, which keeps the selection where the head had it.
TEST(ListingOnWorker, ALargeFolderShowsItsHeadFirst) {
    Harness h;
    const std::string dir = h.tree.folder("Many");
    for (int i = 0; i < 60; ++i) h.tree.file("Many/p" + std::to_string(100 + (i * 37) % 60) + ".jpg");
    ListingHold hold(dir, -1);
    ListingPace pace;
    pace.headRows = 10;
    OnWorker(h, pace);
    h.nav.lister().setEntryHook(hold.hook());
    h.nav.goToPath(dir + "/p130.jpg");
    ASSERT_TRUE(hold.waitReached());
    ASSERT_TRUE(PumpUntil(h, [&] { return h.rowsShown == 1; }));
    EXPECT_TRUE(h.nav.listingPending());
    EXPECT_TRUE(h.nav.firstRowsShown());
    EXPECT_EQ(h.listed, 0);
    EXPECT_EQ(h.entered, std::vector<std::string>{dir});
    ASSERT_EQ(h.list.count(), 10);
    for (int i = 1; i < 10; ++i) EXPECT_EQ(h.list.at(i).text, "p" + std::to_string(99 + i));
    EXPECT_EQ(h.list.selection(), 0);
    EXPECT_TRUE(h.shown.empty());  // the photo's row comes with the whole
    h.list.setSelectionFromUser(4);

    hold.release();
    ASSERT_TRUE(PumpUntil(h, [&] { return h.listed == 1; }));
    EXPECT_EQ(h.rowsShown, 1);
    EXPECT_EQ(h.list.count(), 61);
    EXPECT_EQ(h.list.at(60).text, "p159");
    // The photo gone to is selected and shown; the scope was entered once.
    EXPECT_EQ(h.shown, std::vector<std::string>{dir + "/p130.jpg"});
    EXPECT_EQ(h.list.selection(), h.rowOf("p130"));
    EXPECT_EQ(h.entered, std::vector<std::string>{dir});
    EXPECT_EQ(h.busyDepth, 0);
}

TEST(ListingOnWorker, AnotherFolderAbandonsTheListingBefore) {
    Harness h;
    const std::string slow = h.tree.folder("Slow");
    const std::string quick = h.tree.folder("Quick");
    for (int i = 0; i < 20; ++i) h.tree.file("Slow/s" + std::to_string(i) + ".jpg");
    h.tree.file("Quick/q.jpg");
    h.tree.file("Quick/r.jpg");
    ListingHold hold(slow, 3);
    OnWorker(h);
    h.nav.lister().setEntryHook(hold.hook());
    h.nav.goToPath(slow + "/s7.jpg");
    ASSERT_TRUE(hold.waitReached());
    EXPECT_EQ(h.nav.currentFolder(), slow);

    // Going to another photo elsewhere meanwhile: its folder is listed and
    // its photo shown; the first listing never arrives, nor its photo.
    h.nav.goToPath(quick + "/r.jpg");
    ASSERT_TRUE(PumpUntil(h, [&] { return !h.nav.listingPending(); }));
    hold.release();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    h.queue.runPending();
    EXPECT_EQ(h.nav.currentFolder(), quick);
    EXPECT_EQ(h.texts(), (std::vector<std::string>{"Quick", "q", "r"}));
    EXPECT_EQ(h.shown, std::vector<std::string>{quick + "/r.jpg"});
    EXPECT_EQ(h.entered, std::vector<std::string>{quick});
    EXPECT_EQ(h.busyDepth, 0);
}

TEST(ListingOnWorker, AFolderThatNeverAnswersHoldsOnlyItsWorker) {
    Harness h;
    const std::string root = h.tree.root();
    const std::string hung = h.tree.folder("A/Hung");
    h.tree.file("A/a.jpg");
    ListingHold hold(hung, 0);
    OnWorker(h);
    h.nav.lister().setEntryHook(hold.hook());
    h.nav.goToPath(root + "/A");
    ASSERT_TRUE(PumpUntil(h, [&] { return !h.nav.listingPending(); }));

    const auto begin = std::chrono::steady_clock::now();
    h.nav.goToPath(hung);
    ASSERT_TRUE(hold.waitReached());
    h.queue.runPending();
    EXPECT_TRUE(h.nav.listingPending());
    EXPECT_EQ(h.list.count(), 0);
    // Going up while it hangs lists the folder above at once.
    h.nav.goUp();
    h.queue.runPending();
    ASSERT_TRUE(PumpUntil(h, [&] { return !h.nav.listingPending(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    EXPECT_EQ(h.nav.currentFolder(), root + "/A");
    EXPECT_EQ(h.texts(), (std::vector<std::string>{"A", "Hung", "a"}));
    EXPECT_EQ(h.list.selection(), 1);  // the folder one came up from
    EXPECT_EQ(h.busyDepth, 0);
    EXPECT_EQ(h.entered, (std::vector<std::string>{root + "/A", root + "/A"}));
}

// A large folder's head is the first screenful of its complete rows, the up
// entry and the folders counted, photos with their companion files marked.
TEST(ListingOnWorker, TheHeadIsTheStartOfTheCompleteRows) {
    Harness h;
    const std::string dir = h.tree.folder("Big");
    for (int k = 0; k < 200; ++k) {
        const int i = (k * 37) % 200;  // made out of order
        h.tree.file("Big/" + std::string(i % 2 ? "dsc" : "DSC") + std::to_string(i / 4) + (i / 2 % 2 ? ".png" : ".jpg"), "");
    }
    h.tree.file("Big/DSC7.txt");
    h.tree.file("Big/dsc7.WAV");
    for (const char* f : {"Big/b/x", "Big/A", "Big/c"}) h.tree.folder(f);
    FolderListingRequest request;
    request.path = dir;
    request.places.drives = {{"/", DriveType::Fixed, ""}};
    ListingPace pace;
    pace.firstPartMs = pace.emptinessMs = 1 << 30;
    pace.headRows = 20;
    std::vector<ListingDelivery> got;
    std::atomic<bool> stop{false};
    ListFolder(request, pace, stop, [&](ListingDelivery d) { got.push_back(std::move(d)); });
    ASSERT_GE(got.size(), 2u);
    ASSERT_EQ(got[0].kind, ListingDelivery::Kind::Head);
    ASSERT_EQ(got[1].kind, ListingDelivery::Kind::Complete);
    const auto& head = got[0].rows;
    const auto& all = got[1].rows;
    ASSERT_EQ(head.size(), 20u);
    ASSERT_EQ(all.size(), 1u + 3u + 200u);
    for (std::size_t i = 0; i < head.size(); ++i) {
        EXPECT_EQ(head[i].fileName, all[i].fileName) << i;
        EXPECT_EQ(head[i].text, all[i].text) << i;
        EXPECT_EQ(head[i].flags, all[i].flags) << i;
        EXPECT_EQ(head[i].image, all[i].image) << i;
    }
    EXPECT_TRUE(all[0].isUpEntry());
    EXPECT_EQ(all[1].text, "A");
    EXPECT_EQ(all[2].text, "b");
    EXPECT_EQ(all[3].text, "c");
    // Names equal ignoring case: jpg before png, then by bytes; the companion
    // files mark every photo of their name.
    EXPECT_EQ(all[4].fileName, "DSC0.jpg");
    EXPECT_EQ(all[5].fileName, "dsc0.jpg");
    EXPECT_EQ(all[6].fileName, "DSC0.png");
    EXPECT_EQ(all[7].fileName, "dsc0.png");
    for (const auto& row : all) {
        if (!row.isPhoto()) continue;
        const bool companions = row.text == "DSC7" || row.text == "dsc7";
        EXPECT_EQ(row.image, companions ? ItemImage::PhotoWithBoth : ItemImage::Photo) << row.fileName;
    }
}

// The start folder's listing, begun before the window exists, gives its
// first screenful and holds the rest until the start is over; released (or
// stopped) it goes on at once.
TEST(ListingOnWorker, TheStartFoldersListingHoldsItsRestUntilTheStartIsOver) {
    struct Owner : CommandTarget {
        void onCommand(int, std::intptr_t) override {}
        void onTimer(int) override {}
    } owner;
    TempTree tree;
    const std::string dir = tree.folder("Start");
    const int photos = 4 * ListingPace{}.headRows + 10;
    for (int i = 0; i < photos; ++i) tree.file("Start/p" + std::to_string(i) + ".jpg", "");
    FakeEventQueue queue;
    auto waitFor = [](FolderLister& lister, ListingDelivery::Kind kind, std::vector<ListingDelivery>& got) {
        for (int i = 0; i < 2500; ++i) {
            for (auto& d : lister.take()) got.push_back(std::move(d));
            if (!got.empty() && got.back().kind == kind) return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    };
    for (const bool release : {true, false}) {
        FolderLister lister(queue, &owner);
        lister.setOnWorker(true);
        lister.setEarly(FolderLister::StartEarly(dir));
        FolderListingRequest request;
        request.path = dir;
        request.goTo = true;
        request.places.drives = ListDrives();
        lister.start(request);
        std::vector<ListingDelivery> got;
        ASSERT_TRUE(waitFor(lister, ListingDelivery::Kind::Head, got));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        for (auto& d : lister.take()) got.push_back(std::move(d));
        EXPECT_EQ(got.back().kind, ListingDelivery::Kind::Head) << "the rest came before the start was over";
        if (!release) {
            lister.abandon();  // the held worker ends without a delivery
            EXPECT_TRUE(lister.take().empty());
            continue;
        }
        const auto released = std::chrono::steady_clock::now();
        lister.releaseRest();
        ASSERT_TRUE(waitFor(lister, ListingDelivery::Kind::Complete, got));
        EXPECT_LT(std::chrono::steady_clock::now() - released, std::chrono::milliseconds(900));
        EXPECT_EQ(got.back().rows.size(), static_cast<std::size_t>(photos) + 1);
    }
}

// Read at once, as before: the same rows in one piece, in the call.
TEST(ListingOnWorker, LargeFoldersSortTheSameEitherWay) {
    Harness worker, here;
    const std::string dir = here.tree.folder("Many");
    for (int i = 0; i < 3000; ++i) {
        const std::string n = std::to_string((i * 7919) % 3000);
        here.tree.file("Many/" + std::string(i % 3 ? "img_" : "IMG_") + n + (i % 5 ? ".jpg" : ".TIF"), "");
    }
    here.tree.file("Many/IMG_1.txt");
    here.tree.folder("Many/Äpfel/x");
    here.tree.folder("Many/apfel");
    here.openAt(dir);
    OnWorker(worker, {});
    worker.driveList = here.driveList;
    worker.nav.goToPath(dir);
    ASSERT_TRUE(PumpUntil(worker, [&] { return !worker.nav.listingPending() && worker.list.count() > 0; }));
    ASSERT_EQ(worker.list.count(), here.list.count());
    for (int i = 0; i < here.list.count(); ++i) {
        EXPECT_EQ(worker.list.at(i).fileName, here.list.at(i).fileName) << i;
        EXPECT_EQ(worker.list.at(i).image, here.list.at(i).image) << i;
    }
    ASSERT_EQ(here.nav.firstPhotoIndex(), 3);
    for (int i = 4; i < here.list.count(); ++i) EXPECT_LE(CompareNoCase(here.list.at(i - 1).text, here.list.at(i).text), 0);
}

}  // namespace
}  // namespace vellumo
