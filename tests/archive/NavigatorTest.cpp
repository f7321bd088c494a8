#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "ArchiveHarness.h"

namespace vellumo {
namespace {

TEST(PhotoFormat, ExtensionDecidesAloneAndExactly) {
    EXPECT_EQ(PhotoFormatBit("IMG.JPG"), 0x2000u);
    EXPECT_EQ(PhotoFormatBit("a.jpeg"), 0x1000u);  // only the jpeg bit, never also jpe
    EXPECT_EQ(PhotoFormatBit("a.JPE"), 0x800u);
    EXPECT_EQ(PhotoFormatBit("x.Tiff"), 0x400u);
    EXPECT_EQ(PhotoFormatBit("photo.jpg.bak"), 0u);
    EXPECT_EQ(PhotoFormatBit("photo.jpgjpgjpg"), 0u);
    EXPECT_EQ(PhotoFormatBit("jpg"), 0u);
    EXPECT_EQ(PhotoFormatBit("a."), 0u);
    // Near misses of a table entry: shorter, longer, a byte past ASCII.
    EXPECT_EQ(PhotoFormatBit("a.jp"), 0u);
    EXPECT_EQ(PhotoFormatBit("a.JPEGS"), 0u);
    EXPECT_EQ(PhotoFormatBit("a.jp\xe7"), 0u);
    EXPECT_EQ(PhotoFormatBit("scan.tga"), 0x10000u);
    // The photos of today, each with a bit of its own after the nine of old.
    EXPECT_EQ(PhotoFormatBit("shot.PNG"), 0x20000u);
    EXPECT_EQ(PhotoFormatBit("a.webp"), 0x40000u);
    EXPECT_EQ(PhotoFormatBit("IMG_0001.HEIC"), 0x80000u);
    EXPECT_EQ(PhotoFormatBit("b.heif"), 0x100000u);
    EXPECT_EQ(PhotoFormatBit("c.avif"), 0x200000u);
    EXPECT_EQ(PhotoFormatBit("c.avifs"), 0u);
    EXPECT_EQ(PhotoExtensionOf(ItemFlags::Photo | 0x80000), "heic");
    EXPECT_EQ(PhotoFormatOrder(0x200000), 13);
    EXPECT_EQ(0x3FFF00u & ~ItemFlags::FormatMask, 0u);
    EXPECT_EQ(PhotoExtensionOf(ItemFlags::Photo | 0x8000), "eps");
}

TEST(NavigatorListing, OrderKindsImagesAndPhotoRange) {
    Harness h;
    std::string dir = h.tree.folder("Trip");
    h.tree.folder("Trip/beach/x");
    h.tree.folder("Trip/Alps/y");
    h.tree.folder("Trip/empty");
    h.tree.folder("Trip/.thumbs/z");
    h.tree.folder("Trip/my.folder/w");
    h.tree.file("Trip/z.JPG");
    h.tree.file("Trip/z.txt");
    h.tree.file("Trip/Z.WAV");
    h.tree.file("Trip/A.tif");
    h.tree.file("Trip/a.txt");
    h.tree.file("Trip/b.jpeg");
    h.tree.file("Trip/b.jpg");
    h.tree.file("Trip/readme.txt");
    h.tree.file("Trip/photo.jpg.bak");
    h.openAt(dir);

    EXPECT_EQ(h.texts(), (std::vector<std::string>{"Trip", "Alps", "beach", "empty", "my.folder", "A", "b", "b", "z"}));
    const auto& rows = h.list.rows();
    EXPECT_EQ(rows[0].flags, ItemFlags::UpEntry);
    EXPECT_EQ(rows[0].image, ItemImage::OpenFolder);
    EXPECT_EQ(rows[1].flags, ItemFlags::Folder);
    EXPECT_EQ(rows[1].image, ItemImage::Folder);
    EXPECT_EQ(rows[3].flags, ItemFlags::Folder | ItemFlags::EmptyFolder);
    EXPECT_EQ(rows[3].image, ItemImage::EmptyFolder);
    EXPECT_EQ(rows[5].flags, ItemFlags::Photo | 0x200u);
    EXPECT_EQ(rows[5].image, ItemImage::PhotoWithText);
    // Two photos differing only by extension: both listed, in table order.
    EXPECT_EQ(rows[6].flags, ItemFlags::Photo | 0x1000u);
    EXPECT_EQ(rows[7].flags, ItemFlags::Photo | 0x2000u);
    EXPECT_EQ(rows[8].image, ItemImage::PhotoWithBoth);
    EXPECT_EQ(h.nav.firstPhotoIndex(), 5);
    EXPECT_EQ(h.nav.lastPhotoIndex(), 8);
    EXPECT_EQ(h.nav.photoPath(8), dir + "/z.JPG");  // the file as it is named
    EXPECT_EQ(h.nav.photoPath(6), dir + "/b.jpeg");
    EXPECT_FALSE(h.nav.photoPath(4));
    EXPECT_FALSE(h.nav.photoPath(9));
    EXPECT_EQ(h.list.selection(), 0);
    EXPECT_EQ(h.busyDepth, 0);
    EXPECT_EQ(h.entered, std::vector<std::string>{dir});

    // In thumbnails mode every photo starts with the plain photo image.
    h.thumbnails = true;
    h.nav.listCurrentFolder(ArchiveNavigator::ListMode::ModeSwitch);
    EXPECT_EQ(h.list.at(8).image, ItemImage::Photo);
    EXPECT_EQ(h.entered.size(), 1u);  // a mode switch enters no folder
}

TEST(NavigatorListing, AwkwardNamesAndLinks) {
    Harness h;
    std::string dir = h.tree.folder("odd");
    std::vector<std::string> names = {"-rf.jpg", "with blank.jpg", "quote\"s'.jpg", "[bracket].tga",
                                      std::string("bad\xff\xfe.jpg"), "*star?.bmp"};
    for (auto& n : names) h.tree.file("odd/" + n);
    h.tree.folder("real/inner");
    h.tree.link(h.tree.path("real"), "odd/linked");
    h.tree.link(h.tree.path("nowhere.jpg"), "odd/dangling.jpg");
    h.tree.link(h.tree.path("odd"), "odd/loop");
    h.openAt(dir);
    EXPECT_GE(h.rowOf("linked"), 0);
    EXPECT_TRUE(h.list.at(h.rowOf("linked")).isFolder());
    EXPECT_TRUE(h.list.at(h.rowOf("loop")).isFolder());
    EXPECT_EQ(h.rowOf("dangling"), -1);
    for (auto& n : names) {
        int row = h.rowOf(n.substr(0, n.rfind('.')));
        ASSERT_GE(row, 0) << n;
        EXPECT_EQ(h.nav.photoPath(row), dir + "/" + n);
    }
}

TEST(NavigatorListing, DriveListAndGoingUpFromADriveRoot) {
    Harness h;
    std::string root = h.tree.root();
    h.tree.folder("A/B");
    h.openAt(root);
    // A drive root starts with its own drive row as up entry.
    ASSERT_GE(h.list.count(), 2);
    EXPECT_EQ(h.list.at(0).text, "[" + root + "]");
    EXPECT_EQ(h.list.at(0).flags, ItemFlags::UpEntry);
    EXPECT_EQ(h.list.at(0).image, ItemImage::RemovableDrive);
    EXPECT_EQ(h.nav.ownName(), "[" + root + "]");

    h.nav.goUp();
    h.queue.runPending();
    EXPECT_TRUE(h.nav.isDriveList());
    EXPECT_EQ(h.texts(), (std::vector<std::string>{"[/]", "[" + root + "]"}));
    EXPECT_EQ(h.list.at(1).flags, ItemFlags::Drive);
    EXPECT_EQ(h.list.selection(), 1);  // the drive one came up from
    EXPECT_EQ(h.nav.locationText(), "Computer");
    EXPECT_EQ(h.entered.back(), "");

    // Going up at the drive list beeps; activating a drive opens it.
    h.nav.goUp();
    EXPECT_EQ(h.beeps, 1);
    h.list.setSelectionFromUser(1);
    h.nav.activateSelectedItem();
    h.queue.runPending();
    EXPECT_EQ(h.nav.currentFolder(), root);
    EXPECT_EQ(h.nav.currentIndex(), 0);

    // Down into A/B and back up: the folder one came from is selected.
    h.list.setSelectionFromUser(h.rowOf("A"));
    h.nav.activateSelectedItem();
    h.queue.runPending();
    h.list.setSelectionFromUser(h.rowOf("B"));
    h.nav.activateSelectedItem();
    h.queue.runPending();
    EXPECT_EQ(h.nav.currentFolder(), root + "/A/B");
    EXPECT_EQ(h.list.at(0).text, "B");
    h.list.setSelectionFromUser(0);  // the up entry
    h.nav.activateSelectedItem();
    h.queue.runPending();
    EXPECT_EQ(h.nav.currentFolder(), root + "/A");
    EXPECT_EQ(h.list.selection(), h.rowOf("B"));
}

TEST(NavigatorListing, HorizonHidesTheWayUp) {
    Harness h;
    std::string top = h.tree.folder("A");
    h.tree.folder("A/B/C");
    h.tree.file("A/B/C/p.jpg");
    h.openAt(top, top + "/");
    EXPECT_TRUE(h.nav.atHorizon());
    EXPECT_EQ(h.texts(), std::vector<std::string>{"B"});  // no up entry at the horizon
    h.nav.goUp();
    EXPECT_EQ(h.beeps, 1);
    EXPECT_TRUE(h.nav.ancestorsMenu().empty());

    h.nav.goToPath(top + "/B/C/p.jpg");
    EXPECT_EQ(h.list.at(0).flags, ItemFlags::UpEntry);
    auto menu = h.nav.ancestorsMenu();
    ASSERT_EQ(menu.size(), 1u);  // only B: neither the horizon nor anything above
    EXPECT_EQ(menu[0].text, "B");
    EXPECT_EQ(menu[0].path, top + "/B");
    h.nav.handleCommand(menu[0].commandId);
    h.queue.runPending();
    EXPECT_EQ(h.nav.currentFolder(), top + "/B");

    // A horizon that excludes the current folder asks for a relisting.
    EXPECT_FALSE(h.nav.setPathHorizon(top + "/B"));
    EXPECT_TRUE(h.nav.setPathHorizon(top + "/B/C"));
}

TEST(NavigatorListing, AncestorsMenuWithoutHorizon) {
    Harness h;
    std::string root = h.tree.root();
    h.tree.folder("A/B/C");
    h.openAt(root + "/A/B");
    auto menu = h.nav.ancestorsMenu();
    ASSERT_EQ(menu.size(), 3u);
    EXPECT_EQ(menu[0].text, "Computer");
    EXPECT_EQ(menu[0].commandId, CmdAncestorFirst);
    EXPECT_EQ(menu[0].image, ItemImage::Computer);
    EXPECT_EQ(menu[1].text, root);
    EXPECT_EQ(menu[1].image, ItemImage::RemovableDrive);
    EXPECT_EQ(menu[2].text, "A");
    EXPECT_EQ(menu[2].commandId, CmdAncestorFirst + 2);
    EXPECT_EQ(menu[2].image, ItemImage::OpenFolder);

    h.nav.handleCommand(CmdAncestorFirst + 1);  // the drive
    h.queue.runPending();
    EXPECT_EQ(h.nav.currentFolder(), root);
    h.nav.handleCommand(CmdAncestorFirst);  // the computer
    h.queue.runPending();
    EXPECT_TRUE(h.nav.isDriveList());
    EXPECT_TRUE(h.nav.ancestorsMenu().empty());
    h.nav.openAncestor(0);
    EXPECT_EQ(h.beeps, 1);
}

TEST(NavigatorListing, FailedListingsGoUp) {
    Harness h;
    std::string root = h.tree.root();
    h.tree.folder("A/B");
    h.openAt(root + "/A/gone/deeper/still");
    EXPECT_EQ(h.nav.currentFolder(), root + "/A");
    EXPECT_EQ(h.texts(), (std::vector<std::string>{"A", "B"}));

    // A folder that vanishes after being listed goes up when listed again.
    std::string b = root + "/A/B";
    h.nav.goToPath(b);
    rmdir(b.c_str());
    h.nav.refresh();
    h.queue.runPending();
    EXPECT_EQ(h.nav.currentFolder(), root + "/A");

    // A file named like a folder cannot be listed either.
    h.tree.file("A/README");
    h.nav.goToPath(root + "/A/README");
    h.queue.runPending();
    EXPECT_EQ(h.nav.currentFolder(), root + "/A");

    // A missing folder at the horizon beeps and leaves the list empty.
    Harness g;
    std::string gone = g.tree.path("gone");
    g.openAt(gone, gone);
    EXPECT_EQ(g.nav.currentFolder(), gone);
    EXPECT_EQ(g.list.count(), 0);
    EXPECT_EQ(g.beeps, 1);

    // An unreadable folder (when permissions apply to us) is left too.
    if (geteuid() != 0) {
        h.tree.folder("A/locked");
        chmod(h.tree.path("A/locked").c_str(), 0);
        h.nav.goToPath(root + "/A/locked");
        h.queue.runPending();
        EXPECT_EQ(h.nav.currentFolder(), root + "/A");
        EXPECT_EQ(h.list.at(h.rowOf("locked")).flags, ItemFlags::Folder | ItemFlags::EmptyFolder);
    }
}

TEST(NavigatorGoToPath, FoldersWithDotsPhotosAndCase) {
    Harness h;
    std::string root = h.tree.root();
    h.tree.file("2002.06 Trip/IMG_1.JPG");
    h.tree.file("2002.06 Trip/IMG_2.jpg");
    h.tree.file("2002.06 Trip/notes.txt");

    h.nav.goToPath(root + "/2002.06 Trip");
    EXPECT_EQ(h.nav.currentFolder(), root + "/2002.06 Trip");
    EXPECT_TRUE(h.shown.empty());

    h.nav.goToPath(root + "/2002.06 Trip/IMG_2.jpg");
    EXPECT_EQ(h.shown, std::vector<std::string>{root + "/2002.06 Trip/IMG_2.jpg"});
    EXPECT_EQ(h.nav.currentIndex(), h.rowOf("IMG_2"));
    EXPECT_EQ(h.list.selection(), h.rowOf("IMG_2"));
    EXPECT_EQ(h.entered.size(), 1u);  // same folder: not listed again

    // A name differing in case finds the file that exists.
    h.nav.goToPath(root + "/2002.06 Trip/img_1.jpg");
    EXPECT_EQ(h.shown.back(), root + "/2002.06 Trip/IMG_1.JPG");

    // Not a photo extension, or no such photo: nothing is shown.
    h.nav.goToPath(root + "/2002.06 Trip/notes.txt");
    h.nav.goToPath(root + "/2002.06 Trip/missing.jpg");
    EXPECT_EQ(h.shown.size(), 2u);

    // A folder without a photo in it and a file path in another folder.
    h.tree.file("other/x.tga");
    h.nav.goToPath(h.tree.path("other/x.tga"));
    EXPECT_EQ(h.nav.currentFolder(), root + "/other");
    EXPECT_EQ(h.shown.back(), root + "/other/x.tga");
}

TEST(NavigatorStep, RepeatCountsStopAtTheEnds) {
    Harness h;
    std::string dir = h.tree.folder("P");
    h.tree.folder("P/sub/s");
    for (char c = 'a'; c <= 'f'; ++c) h.tree.file(std::string("P/") + c + ".jpg");
    h.openAt(dir);
    // rows: up, sub, a..f  -> first 2, last 7
    ASSERT_EQ(h.nav.firstPhotoIndex(), 2);
    ASSERT_EQ(h.nav.lastPhotoIndex(), 7);
    EXPECT_EQ(h.nav.currentIndex(), 0);

    h.nav.stepForward(1);  // from the up entry to the folder row: selected, nothing shown
    EXPECT_EQ(h.nav.currentIndex(), 1);
    EXPECT_TRUE(h.shown.empty());
    h.nav.stepForward(3);
    EXPECT_EQ(h.shown.back(), dir + "/c.jpg");
    h.nav.stepForward(10);
    EXPECT_EQ(h.shown.back(), dir + "/f.jpg");
    h.nav.stepForward(1);
    EXPECT_EQ(h.beeps, 1);
    h.nav.stepBackward(2);
    EXPECT_EQ(h.shown.back(), dir + "/d.jpg");
    h.nav.stepBackward(0);  // a repeat count below 1 counts as 1
    EXPECT_EQ(h.shown.back(), dir + "/c.jpg");
    h.nav.stepBackward(99);
    EXPECT_EQ(h.shown.back(), dir + "/a.jpg");
    h.nav.stepBackward(1);
    EXPECT_EQ(h.beeps, 2);
    EXPECT_EQ(h.shown.size(), 5u);

    // A folder without photos: every step beeps.
    h.nav.goToPath(dir + "/sub");
    h.nav.stepForward(1);
    h.nav.stepBackward(1);
    EXPECT_EQ(h.beeps, 4);
    h.nav.selectAndShow(-1);
    h.nav.selectAndShow(99);
    EXPECT_EQ(h.beeps, 6);
}

TEST(NavigatorRefresh, KeepsThePositionAndLetsTheSelectionThrough) {
    Harness h;
    std::string dir = h.tree.folder("R");
    h.tree.file("R/a.jpg");
    h.tree.file("R/b.jpg");
    h.openAt(dir);
    h.nav.selectAndShow(2);
    EXPECT_TRUE(h.letThrough.empty());
    h.tree.file("R/0.jpg");  // a new photo sorts first
    h.nav.handleCommand(143);
    EXPECT_EQ(h.list.count(), 4);
    EXPECT_EQ(h.nav.currentIndex(), 2);
    EXPECT_EQ(h.letThrough, std::vector<int>{2});

    // Photos are not opened by activation; the pending row is shown once.
    h.list.setSelectionFromUser(3);
    h.nav.activateSelectedItem();
    EXPECT_EQ(h.nav.currentFolder(), dir);
    EXPECT_EQ(h.nav.ownName(), "R");
    h.nav.setPendingActivation(3);
    h.nav.activatePending();
    h.nav.activatePending();
    EXPECT_EQ(h.shown, (std::vector<std::string>{dir + "/b.jpg", dir + "/b.jpg"}));
    EXPECT_EQ(h.nav.pendingActivation(), -1);
}

// The list widget learns which selections are the program's own.
struct SelectionLog : NavigatorListObserver {
    std::vector<std::pair<int, bool>> selections;
    int resets = 0;
    void rowsReset() override { ++resets; }
    void selectionChanged(int row, bool notify) override { selections.push_back({row, notify}); }
};

TEST(NavigatorRefresh, OnlyARefreshLetsTheSelectionNotificationThrough) {
    Harness h;
    SelectionLog log;
    h.list.setObserver(&log);
    std::string dir = h.tree.folder("S");
    h.tree.file("S/a.jpg");
    h.openAt(dir);
    h.nav.refresh();
    ASSERT_EQ(log.selections.size(), 2u);
    EXPECT_EQ(log.selections[0], std::make_pair(0, false));
    EXPECT_EQ(log.selections[1], std::make_pair(0, true));
    EXPECT_EQ(log.resets, 4);  // each listing clears and then fills the list
    EXPECT_FALSE(h.nav.selectingRows());
}

TEST(NavigatorListing, LargeFolderListsEveryPhoto) {
    Harness h;
    std::string dir = h.tree.folder("big");
    for (int i = 0; i < 3000; ++i) h.tree.file("big/IMG_" + std::to_string(i) + (i % 2 ? ".jpg" : ".TIF"), "");
    h.openAt(dir);
    EXPECT_EQ(h.list.count(), 3001);
    EXPECT_EQ(h.nav.lastPhotoIndex() - h.nav.firstPhotoIndex() + 1, 3000);
    EXPECT_EQ(h.list.at(1).text, "IMG_0");
    EXPECT_EQ(h.list.at(2).text, "IMG_1");
    EXPECT_EQ(h.list.at(3).text, "IMG_10");
}

}  // namespace
}  // namespace vellumo
