#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <csignal>
#include <fstream>
#include <thread>

#include "fakes/ReadOnlyMount.h"
#include "fakes/SpecialFiles.h"
#include "fakes/TempTree.h"
#include "platform/Files.h"
#include "platform/FolderNames.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"

using namespace vellumo;

namespace {
struct TempFolder : vellumo::testing::TempTree {
    std::string path = root();
};
void Write(const std::string& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }
}  // namespace

// The stamp of a folder, through a descriptor of its own.
auto StampOfFolderAt(const std::string& path) -> decltype(StampOfFolder(0)) {
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) return {};
    auto stamp = StampOfFolder(fd);
    close(fd);
    return stamp;
}

TEST(Files, AtomicWriteReplacesWholeAndKeepsPermissions) {
    TempFolder t;
    std::string f = JoinPath(t.path, "a.ini");
    Write(f, "old");
    chmod(f.c_str(), 0600);
    ASSERT_TRUE(WriteFileAtomically(f, "new content"));
    EXPECT_EQ(*ReadWholeFile(f), "new content");
    struct stat st{};
    stat(f.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // No temporary file is left behind.
    EXPECT_EQ(ListFolderNames(t.path).size(), 1u);
}

TEST(Files, FailedWriteLeavesTheOldFile) {
    TempFolder t;
    std::string f = JoinPath(t.path, "a.ini");
    Write(f, "old");
    // A read-only file system refuses the write whoever runs the test.
    int code = vellumo::testing::RunWithReadOnlyFolder(t.path, [&] { return WriteFileAtomically(f, "new") ? 1 : 0; });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(*ReadWholeFile(f), "old");
    EXPECT_EQ(ListFolderNames(t.path), std::vector<std::string>{"a.ini"});
    // A path below a regular file cannot be written either.
    EXPECT_FALSE(WriteFileAtomically(JoinPath(f, "b.ini"), "new"));
    EXPECT_EQ(*ReadWholeFile(f), "old");
}

TEST(Files, WritingThroughALinkReplacesItsTargetAndKeepsTheLink) {
    TempFolder t;
    std::string shared = t.file("shared/vellumo.ini", "old");
    t.link("../shared/vellumo.ini", "disc/second.ini");   // relative, to a link chain's end
    t.link(JoinPath(t.path, "disc/second.ini"), "disc/vellumo.ini");
    ASSERT_TRUE(WriteFileAtomically(JoinPath(t.path, "disc/vellumo.ini"), "new"));
    struct stat st{};
    ASSERT_EQ(lstat(JoinPath(t.path, "disc/vellumo.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    ASSERT_EQ(lstat(JoinPath(t.path, "disc/second.ini").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(*ReadWholeFile(shared), "new");
    // The temporary file lived beside the target and is gone.
    EXPECT_EQ(ListFolderNames(JoinPath(t.path, "shared")), std::vector<std::string>{"vellumo.ini"});
    EXPECT_EQ(ListFolderNames(JoinPath(t.path, "disc")).size(), 2u);

    // A dangling link gets its target created; a loop is replaced as a plain file.
    t.link("made.ini", "dangling.ini");
    ASSERT_TRUE(WriteFileAtomically(JoinPath(t.path, "dangling.ini"), "made"));
    EXPECT_EQ(*ReadWholeFile(JoinPath(t.path, "made.ini")), "made");
    t.link("loop2.ini", "loop1.ini");
    t.link("loop1.ini", "loop2.ini");
    EXPECT_TRUE(WriteFileAtomically(JoinPath(t.path, "loop1.ini"), "plain"));
    EXPECT_EQ(*ReadWholeFile(JoinPath(t.path, "loop1.ini")), "plain");
}

TEST(Files, SameFileGoesByTheFileNotTheName) {
    TempFolder t;
    std::string a = t.file("a.ini", "x");
    t.link("a.ini", "b.ini");
    t.file("c.ini", "x");
    EXPECT_TRUE(SameFile(a, JoinPath(t.path, "b.ini")));
    EXPECT_TRUE(SameFile(a, JoinPath(t.path, "./a.ini")));
    EXPECT_FALSE(SameFile(a, JoinPath(t.path, "c.ini")));
    EXPECT_TRUE(SameFile(JoinPath(t.path, "none.ini"), JoinPath(t.path, "none.ini")));
    EXPECT_FALSE(SameFile(JoinPath(t.path, "none.ini"), JoinPath(t.path, "other.ini")));
    EXPECT_FALSE(SameFile("", ""));
}

TEST(Files, MissingFolderFailsWithoutCreatingAnything) {
    EXPECT_FALSE(WriteFileAtomically("/nonexistent-vellumo/x.ini", "x"));
}

TEST(Files, ReadsOnlyRegularFiles) {
    TempFolder t;
    EXPECT_FALSE(ReadWholeFile(t.path).has_value());
    EXPECT_FALSE(ReadWholeFile(JoinPath(t.path, "missing")).has_value());
    {
        // A FIFO is never opened at all: its waiting writer would wake.
        vellumo::testing::WatchedFifo fifo(JoinPath(t.path, "x.jpg"));
        ASSERT_TRUE(fifo.made());
        EXPECT_FALSE(ReadWholeFile(fifo.path()).has_value());
        EXPECT_EQ(OpenRegularFileForReading(fifo.path()), -1);
        EXPECT_FALSE(fifo.openedForReading());
    }
    Write(JoinPath(t.path, "big"), std::string(1000, 'x'));
    EXPECT_EQ(ReadWholeFile(JoinPath(t.path, "big"), 10)->size(), 10u);
    // A file above the limit is not read at all, one at the limit whole.
    EXPECT_FALSE(ReadFileNoLargerThan(JoinPath(t.path, "big"), 999).has_value());
    EXPECT_EQ(ReadFileNoLargerThan(JoinPath(t.path, "big"), 1000)->size(), 1000u);
    // A link loop is told apart from a missing file.
    ASSERT_TRUE(vellumo::testing::MakeLinkLoop(JoinPath(t.path, "loop")));
    EXPECT_TRUE(IsLinkLoop(JoinPath(t.path, "loop")));
    EXPECT_FALSE(IsLinkLoop(JoinPath(t.path, "missing")));
    EXPECT_FALSE(IsLinkLoop(JoinPath(t.path, "big")));
}

TEST(Files, DerivedNamesFallBackToAnotherCase) {
    TempFolder t;
    Write(JoinPath(t.path, "DESCRIPT.ION"), "x");
    Write(JoinPath(t.path, "Vellumo.INI"), "x");
    Write(JoinPath(t.path, "vellumo.ini"), "y");
    EXPECT_EQ(ResolveDerivedName(JoinPath(t.path, "descript.ion")), JoinPath(t.path, "DESCRIPT.ION"));
    // The exact name wins over other cases.
    EXPECT_EQ(ResolveDerivedName(JoinPath(t.path, "vellumo.ini")), JoinPath(t.path, "vellumo.ini"));
    EXPECT_EQ(ResolveDerivedName(JoinPath(t.path, "new.txt")), JoinPath(t.path, "new.txt"));
    EXPECT_EQ(ResolveDerivedName("/nonexistent-vellumo/a.txt"), "/nonexistent-vellumo/a.txt");
}

// A large folder is read once for the derived names of all its files; what
// was read serves only while the folder is unchanged.
TEST(Files, DerivedNamesOfALargeFolderComeFromWhatWasRead) {
    TempFolder t;
    for (int i = 0; i < 300; ++i) Write(JoinPath(t.path, "p" + std::to_string(i) + ".jpg"), "");
    Write(JoinPath(t.path, "P7.TXT"), "");
    Write(JoinPath(t.path, "p7.Txt"), "");
    // A change this recent could hide another in the same clock tick.
    usleep(120 * 1000);
    ForgetFolderNames();
    EXPECT_EQ(ResolveDerivedName(JoinPath(t.path, "p7.txt")), JoinPath(t.path, "P7.TXT"));  // the smallest
    EXPECT_EQ(RememberedNameIgnoringCase(t.path, "p7.txt"), "P7.TXT");
    EXPECT_EQ(RememberedNameIgnoringCase(t.path, "p8.wav"), "");
    // Only the names derived files have are kept.
    EXPECT_FALSE(RememberedNameIgnoringCase(t.path, "p8.JPG"));

    // What is remembered answers while the stamp holds (a record made up
    // here, to see that the folder is not read again).
    const auto stamp = StampOfFolderAt(t.path);
    ASSERT_TRUE(stamp);
    {
        FolderNamesRecord record(t.path, *stamp);
        record.add("Made.Up.INI");
        record.keep();
    }
    EXPECT_EQ(ResolveDerivedName(JoinPath(t.path, "made.up.ini")), JoinPath(t.path, "Made.Up.INI"));
    // A new entry changes the folder: it is read again and the record dropped.
    Write(JoinPath(t.path, "P9.WAV"), "");
    EXPECT_EQ(ResolveDerivedName(JoinPath(t.path, "p9.wav")), JoinPath(t.path, "P9.WAV"));
    EXPECT_EQ(ResolveDerivedName(JoinPath(t.path, "made.up.ini")), JoinPath(t.path, "made.up.ini"));

    ForgetFolderNames();
}

// A slow share read a moment ago is trusted without a look for a while: its
// derived files are known from the listing (a record made up here shows
// that nothing is asked of the disc), until the program writes there.
TEST(Files, ASlowFolderReadAMomentAgoAnswersWithoutALook) {
    TempFolder t;
    Write(JoinPath(t.path, "real.ini"), "");
    usleep(120 * 1000);
    const auto stamp = StampOfFolderAt(t.path);
    ASSERT_TRUE(stamp);
    {
        FolderNamesRecord record(t.path, *stamp);
        record.add("Listed.TXT", EntryKind::Regular);
        record.add("fifo.wav", EntryKind::Special);
        record.add("link.ini", EntryKind::Unknown);
        record.addFile("listed.jpg");
        record.keep(true);
    }
    EXPECT_EQ(RecentlyARegularFile(JoinPath(t.path, "Listed.TXT")), true);
    // A photo it listed exists without a look; any other is looked at.
    EXPECT_TRUE(FileExists(JoinPath(t.path, "listed.jpg")));
    EXPECT_TRUE(IsRegularFile(JoinPath(t.path, "listed.jpg")));
    EXPECT_FALSE(FileExists(JoinPath(t.path, "other.jpg")));
    EXPECT_FALSE(FileExists(JoinPath(t.path, "fifo.wav")));
    EXPECT_TRUE(IsRegularFile(JoinPath(t.path, "Listed.TXT")));
    EXPECT_EQ(RecentlyARegularFile(JoinPath(t.path, "fifo.wav")), false);
    EXPECT_EQ(RecentlyARegularFile(JoinPath(t.path, "real.ini")), false);  // not in the listing
    EXPECT_FALSE(RecentlyARegularFile(JoinPath(t.path, "link.ini")));     // a link: looked at
    EXPECT_FALSE(RecentlyARegularFile(JoinPath(t.path, "photo.jpg")));    // no derived name
    EXPECT_EQ(ResolveDerivedName(JoinPath(t.path, "listed.txt")), JoinPath(t.path, "Listed.TXT"));
    EXPECT_EQ(ResolveDerivedName(JoinPath(t.path, "real.ini")), JoinPath(t.path, "real.ini"));
    // The program's own write forgets the folder: it is looked at again.
    ASSERT_TRUE(WriteFileAtomically(JoinPath(t.path, "new.txt"), "x"));
    EXPECT_FALSE(RecentlyARegularFile(JoinPath(t.path, "Listed.TXT")));
    EXPECT_FALSE(IsRegularFile(JoinPath(t.path, "Listed.TXT")));
    EXPECT_FALSE(FileExists(JoinPath(t.path, "listed.jpg")));
    EXPECT_TRUE(IsRegularFile(JoinPath(t.path, "real.ini")));
    ForgetFolderNames();
}

TEST(Files, AWriteRemovesTheTemporaryFileOfAKilledWriter) {
    TempFolder t;
    // A process that is surely gone: a child that has ended and been reaped.
    pid_t gone = fork();
    if (gone == 0) _exit(0);
    ASSERT_GT(gone, 0);
    waitpid(gone, nullptr, 0);
    const std::string stale = "." "a.ini." + std::to_string(gone) + "-3";
    const std::string live = ".a.ini." + std::to_string(getppid()) + "-0";  // a running process's
    for (const std::string& name : {stale, live, std::string(".a.ini.notmine"), std::string(".b.ini.1-0")})
        Write(JoinPath(t.path, name), "x");
    ASSERT_TRUE(WriteFileAtomically(JoinPath(t.path, "a.ini"), "new"));
    auto names = ListFolderNames(t.path);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{live, ".a.ini.notmine", ".b.ini.1-0", "a.ini"}));
}

// A worker that is never waited for (a decode on a share that stops
// answering) may still look up derived names and read texts while the
// process exits: what it looks at outlives the exit's destructors. Under
// the sanitizers a use after destruction fails the child.
TEST(Files, ALookupOnAWorkerDuringTheProcessExitFindsItsStateAlive) {
    vellumo::testing::TempTree t;
    t.file("a.txt", "x");
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::thread([folder = t.root()] {
            for (;;) {
                FolderNamesRecord record(folder, FolderStamp{1, 2, 3, 4});
                record.add("a.txt", EntryKind::Regular);
                record.keep(true);
                (void)RecentNameIgnoringCase(folder, "A.TXT");
                (void)LegacyCodePage();
            }
        }).detach();
        usleep(20000);
        std::exit(0);
    }
    int status = 0;
    pid_t done = 0;
    for (int waited = 0; waited < 3000 && done == 0; waited += 10) {
        done = waitpid(child, &status, WNOHANG);
        if (done == 0) usleep(10000);
    }
    if (done == 0) kill(child, SIGKILL), waitpid(child, &status, 0);
    EXPECT_EQ(done, child) << "the child hung at its exit";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}
