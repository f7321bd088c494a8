#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "fakes/TempTree.h"
#include "platform/Files.h"
#include "platform/Paths.h"

using namespace vellumo;

namespace {
struct TempFolder : vellumo::testing::TempTree {
    std::string path = root();
};
void Write(const std::string& p, const std::string& s) { std::ofstream(p, std::ios::binary) << s; }
}  // namespace

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
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    TempFolder t;
    std::string f = JoinPath(t.path, "a.ini");
    Write(f, "old");
    chmod(t.path.c_str(), 0555);
    EXPECT_FALSE(WriteFileAtomically(f, "new"));
    chmod(t.path.c_str(), 0755);
    EXPECT_EQ(*ReadWholeFile(f), "old");
}

TEST(Files, MissingFolderFailsWithoutCreatingAnything) {
    EXPECT_FALSE(WriteFileAtomically("/nonexistent-vellumo/x.ini", "x"));
}

TEST(Files, ReadsOnlyRegularFiles) {
    TempFolder t;
    EXPECT_FALSE(ReadWholeFile(t.path).has_value());
    EXPECT_FALSE(ReadWholeFile(JoinPath(t.path, "missing")).has_value());
    std::string fifo = JoinPath(t.path, "x.jpg");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_FALSE(ReadWholeFile(fifo).has_value());  // never blocks on a FIFO
    Write(JoinPath(t.path, "big"), std::string(1000, 'x'));
    EXPECT_EQ(ReadWholeFile(JoinPath(t.path, "big"), 10)->size(), 10u);
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
