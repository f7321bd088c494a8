// Starting programs from argument lists, splitting configured command texts
// and finding programs on PATH.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

#include "fakes/TempTree.h"
#include "platform/Files.h"
#include "platform/Processes.h"

using namespace vellumo;
using Words = std::vector<std::string>;

TEST(SplitCommandWords, SplitsLikeAShellWithoutExpanding) {
    EXPECT_EQ(SplitCommandWords(""), Words{});
    EXPECT_EQ(SplitCommandWords("  \t "), Words{});
    EXPECT_EQ(SplitCommandWords("notepad.exe"), Words{"notepad.exe"});
    EXPECT_EQ(SplitCommandWords(" gedit   --new-window\t-s "), (Words{"gedit", "--new-window", "-s"}));
    EXPECT_EQ(SplitCommandWords("\"/opt/My Editor/edit\" -x"), (Words{"/opt/My Editor/edit", "-x"}));
    EXPECT_EQ(SplitCommandWords("'a \"b\" $HOME' c"), (Words{"a \"b\" $HOME", "c"}));
    EXPECT_EQ(SplitCommandWords(R"("say \"hi\" \$x \n")"), Words{R"(say "hi" $x \n)"});
    EXPECT_EQ(SplitCommandWords(R"(my\ editor a\\b)"), (Words{"my editor", R"(a\b)"}));
    EXPECT_EQ(SplitCommandWords("pre'fix'\"ed\" next"), (Words{"prefixed", "next"}));
    EXPECT_EQ(SplitCommandWords("''"), Words{""});
    EXPECT_EQ(SplitCommandWords("'open ended"), Words{"open ended"});
    EXPECT_EQ(SplitCommandWords("a;b|c&&d"), Words{"a;b|c&&d"});  // no shell operators
}

TEST(FindProgram, LooksOnThePathForNamesAndChecksPaths) {
    vellumo::testing::TempTree t;
    std::string one = t.file("one/tool", "#!/bin/sh\n");
    std::string two = t.file("two/tool", "#!/bin/sh\n");
    std::string plain = t.file("two/plain", "not executable");
    chmod(one.c_str(), 0755);
    chmod(two.c_str(), 0755);
    t.folder("one/dir.exe");
    const std::string path = t.path("missing") + ":" + t.path("one") + "/:" + t.path("two");
    EXPECT_EQ(FindProgram("tool", path), t.path("one") + "/tool");
    EXPECT_EQ(FindProgram("tool", t.path("two")), two);
    EXPECT_EQ(FindProgram("plain", path), "");
    EXPECT_EQ(FindProgram("dir.exe", path), "");
    EXPECT_EQ(FindProgram("notepad.exe", path), "");
    EXPECT_EQ(FindProgram(two, ""), two);
    EXPECT_EQ(FindProgram(plain, ""), "");
    EXPECT_EQ(FindProgram("", path), "");
}

TEST(StartChildProcess, TheArgumentsArriveWholeAndTheEndIsSeen) {
    vellumo::testing::TempTree t;
    // The "editor" writes its arguments, one per line, NUL-separated, into a file.
    std::string script = t.file("bin/edit", "#!/bin/sh\nprintf '%s\\0' \"$@\" > \"$0.args\"\n");
    chmod(script.c_str(), 0755);
    const std::string odd = "a b \"c\" 'd' $HOME `x`\nline.txt";
    auto child = StartChildProcess({script, "--wait", odd});
    ASSERT_NE(child, nullptr);
    bool ended = false;
    for (int i = 0; i < 1000 && !ended; ++i) {
        ended = child->hasEnded();
        if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(ended);
    EXPECT_TRUE(child->hasEnded());  // stays ended
    EXPECT_EQ(ReadWholeFile(script + ".args").value_or(""), std::string("--wait\0", 7) + odd + std::string(1, '\0'));

    EXPECT_EQ(StartChildProcess({t.path("bin/missing")}), nullptr);
    EXPECT_EQ(StartChildProcess({}), nullptr);
    std::string plain = t.file("bin/plain", "#!/bin/sh\n");
    EXPECT_EQ(StartChildProcess({plain}), nullptr);  // not executable
}
