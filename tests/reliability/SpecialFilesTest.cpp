// Entries that are not regular files where the viewer expects a photo, a
// settings, hotkeys, language or companion file, and names no file system
// here would make: never opened for reading, never a hang, never replaced;
// photos are listed by their names and fail quietly in shows and thumbnails.
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "ReliabilityRig.h"
#include "fakes/SpecialFiles.h"

namespace vellumo {
namespace {

using namespace testing;

bool IsFifo(const std::string& path) {
    struct stat st{};
    return lstat(path.c_str(), &st) == 0 && S_ISFIFO(st.st_mode);
}

bool IsLink(const std::string& path) {
    struct stat st{};
    return lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

long long SizeOf(const std::string& path) {
    struct stat st{};
    return stat(path.c_str(), &st) == 0 ? static_cast<long long>(st.st_size) : -1;
}

constexpr unsigned long long kFiveGB = 5ULL << 30;

TEST(SpecialFiles, AsThePhotoOnTheCommandLineEachFailsOnceWithoutBeingRead) {
    TempFolder t;
    t.write("vellumo.ini", MediaSettings());
    t.TempTree::folder("In");
    const std::string in = t.TempTree::path("In");
    auto fifo = std::make_unique<WatchedFifo>(in + "/fifo.jpg");
    SocketFile socket(in + "/socket.jpg");
    ASSERT_TRUE(fifo->made() && socket.made());
    ASSERT_TRUE(MakeDeviceFile(in + "/device.tif"));
    ASSERT_TRUE(MakeSparseFile(in + "/huge.jpg", "\xFF\xD8\xFF\xE0", kFiveGB));
    const std::string opening = "Decoder error: Opening ";
    struct Case {
        std::string name, message;
    } cases[] = {
        {"fifo.jpg", opening + in + "/fifo.jpg failed\n"},
        {"socket.jpg", opening + in + "/socket.jpg failed\n"},
        {"device.tif", opening + in + "/device.tif failed\n"},
        {"huge.jpg", "Decoder error: out of memory\n"},
    };
    for (const auto& c : cases) {
        MediaViewer v(t, {in + "/" + c.name});
        // Decoded on the prefetcher's worker.
        v.pumpUntil([&] { return !v.desktop.messages.empty(); });
        ASSERT_EQ(v.desktop.messages.size(), 1u) << c.name;
        EXPECT_EQ(v.desktop.messages[0].text, c.message);
        EXPECT_TRUE(v.viewer().noPhoto()) << c.name;
    }
    EXPECT_FALSE(fifo->openedForReading());
    EXPECT_TRUE(IsFifo(in + "/fifo.jpg"));

    // A link loop is no entry of its folder: nothing to show, nothing to say.
    ASSERT_TRUE(MakeLinkLoop(in + "/loop.jpg"));
    MediaViewer v(t, {in + "/loop.jpg"});
    EXPECT_TRUE(v.desktop.messages.empty());
    EXPECT_EQ(v.nav().archive().currentFolder(), in);
    EXPECT_EQ(v.rowOf("loop"), -1);
}

// Inside a folder the name decides what is a photo: the special entries are
// rows like any photo, their thumbnails are failure frames, the shows pass
// them without a message, and none of them is read.
TEST(SpecialFiles, InsideAFolderTheyAreListedAndFailQuietlyInThumbnailsAndShows) {
    TempFolder t;
    t.write("vellumo.ini", MediaSettings("Thumbnails=1\r\n"));
    const std::string dir = t.TempTree::folder("Trip");
    t.write("Trip/a.bmp", Bmp(16, 12, 200, 0, 0));
    t.write("Trip/z.bmp", Bmp(16, 12, 0, 200, 0));
    auto fifo = std::make_unique<WatchedFifo>(dir + "/fifo.jpg");
    SocketFile socket(dir + "/socket.jpg");
    ASSERT_TRUE(fifo->made() && socket.made());
    ASSERT_TRUE(MakeDeviceFile(dir + "/device.tga"));
    ASSERT_TRUE(MakeSparseFile(dir + "/huge.jpg", "\xFF\xD8\xFF\xE0", kFiveGB));
    ASSERT_TRUE(MakeLinkLoop(dir + "/loop.jpg"));
    t.TempTree::folder("Trip/folder.jpg");

    MediaViewer v(t, {dir});
    ASSERT_TRUE(v.pumpUntil([&] { return v.thumbnailsDone(); }));
    v.queue.runPending();
    EXPECT_TRUE(v.nav().list().at(v.rowOf("folder.jpg")).isFolder());
    EXPECT_EQ(v.rowOf("loop"), -1);
    for (const char* name : {"fifo", "socket", "device", "huge"}) EXPECT_EQ(v.imageOf(name), 10) << name;
    EXPECT_GE(v.imageOf("a"), 11);
    EXPECT_GE(v.imageOf("z"), 11);

    // A small show from the first photo through every row and back.
    v.nav().archive().selectAndShow(v.nav().archive().firstPhotoIndex());
    v.queue.runPending();
    v.press(kSmallShowKey);
    ASSERT_TRUE(v.shows().smallRunning());
    EXPECT_TRUE(v.runShowToItsEnd(10));
    // The total show's walk takes the same entries; they fail as quietly.
    v.press(kTotalShowKey);
    ASSERT_TRUE(v.pumpUntil([&] { return !v.shows().totalCollecting(); }));
    EXPECT_EQ(v.shows().totalList().size(), 6u);
    EXPECT_TRUE(v.runShowToItsEnd(10));
    EXPECT_TRUE(v.desktop.messages.empty());
    EXPECT_FALSE(fifo->openedForReading());
}

// Settings, hotkeys, language, start picture, icon strip, font and the
// companion files of a photo (comments, sound, descript.ion, folder settings)
// that are FIFOs, sockets, devices, loops or 5 GB: the start ends, the
// defaults apply, and every entry is left as it was.
TEST(SpecialFiles, AsTheProgramsOwnAndCompanionFilesTheyAreNeitherReadNorReplaced) {
    TempFolder t;
    t.write("vellumo.ini", MediaSettings("[Comment Settings]\r\nCommentFontFile=font.ttf\r\n"));
    t.TempTree::folder("keys");
    t.TempTree::folder("lang");
    MakePhotos(t, "Trip", 2);
    std::vector<std::unique_ptr<WatchedFifo>> fifos;
    for (const char* name : {"keys/Default.keys.txt", "vellumo.bmp", "vellumo.ni", "font.ttf", "Trip/p1.txt", "Trip/p1.wav",
                             "Trip/descript.ion", "Trip/vellumo.txt", "Trip/vellumo.ini"}) {
        fifos.push_back(std::make_unique<WatchedFifo>(t.TempTree::path(name)));
        ASSERT_TRUE(fifos.back()->made()) << name;
    }
    SocketFile socket(t.TempTree::path("lang/English.lang.txt"));
    ASSERT_TRUE(socket.made());
    std::vector<std::string> fonts;
    {
        MediaViewer v(t, {t.TempTree::path("Trip/p1.bmp")},
                      [&](Viewer& r) { r.app->registerFontFile = [&](const std::string& f) { fonts.push_back(f); }; });
        EXPECT_EQ(v.viewer().display().photoPath(), t.TempTree::path("Trip/p1.bmp"));
        EXPECT_FALSE(v.viewer().noPhoto());
        EXPECT_EQ(v.app->hotkeys().keys.of(115).key, kNextPhotoKey);  // the default binding
        EXPECT_EQ(v.app->iconStrip(), "");
        EXPECT_EQ(v.app->startPicture(), "");
        v.queue.post(&v.viewer(), 110);  // rotation by a macro in the photo's comment file
        v.queue.advance(100);
        v.app->exit();
        EXPECT_TRUE(v.desktop.messages.empty());
    }
    EXPECT_TRUE(fonts.empty());
    for (auto& f : fifos) {
        EXPECT_FALSE(f->openedForReading()) << f->path();
        EXPECT_TRUE(IsFifo(f->path())) << f->path();
    }
    EXPECT_TRUE(IsFifo(t.TempTree::path("keys/Default.keys.txt")));
    EXPECT_FALSE(IsRegularFile(t.TempTree::path("lang/English.lang.txt")));
    for (const auto& name : ListFolderNames(t.path)) EXPECT_NE(name.front(), '.') << name;

    // The same files as link loops, links to a device and 5 GB sparse files.
    for (int kind = 0; kind < 3; ++kind) {
        TempFolder u;
        u.TempTree::folder("keys");
        u.TempTree::folder("lang");
        const std::string ini = u.TempTree::path("vellumo.ini"), keys = u.TempTree::path("keys/Default.keys.txt"),
                          lang = u.TempTree::path("lang/English.lang.txt");
        for (const std::string& f : {ini, keys, lang}) {
            const bool made = kind == 0   ? MakeLinkLoop(f)
                              : kind == 1 ? symlink("/dev/null", f.c_str()) == 0
                                          : MakeSparseFile(f, "[General Settings]\r\n", kFiveGB);
            ASSERT_TRUE(made) << kind << " " << f;
        }
        {
            MediaViewer v(u);
            EXPECT_EQ(v.app->hotkeys().keys.of(115).key, kNextPhotoKey) << kind;
            v.app->exit();
        }
        for (const std::string& f : {ini, keys, lang}) {
            if (kind < 2) {
                EXPECT_TRUE(IsLink(f)) << kind << " " << f;
            } else {
                EXPECT_EQ(SizeOf(f), static_cast<long long>(kFiveGB)) << f;
            }
        }
    }
}

// Names with a line break or bytes that are not UTF-8 are photos like any
// other: listed, shown, stepped through, walked and made into thumbnails.
TEST(SpecialFiles, NamesWithLineBreaksOrInvalidUtf8AreShownWalkedAndMadeIntoThumbnails) {
    TempFolder t;
    t.write("vellumo.ini", MediaSettings("Thumbnails=1\r\n"));
    const std::string dir = t.TempTree::folder("Odd");
    const std::vector<std::string> names = {"a.bmp", "b\nsecond line.bmp", std::string("c\xff\xfe.bmp"), "d\r.bmp"};
    for (const auto& n : names) t.write("Odd/" + n, Bmp(16, 12, 0, 0, 200));
    MediaViewer v(t, {dir + "/" + names[1]});
    EXPECT_EQ(v.viewer().display().photoPath(), dir + "/" + names[1]);
    ASSERT_TRUE(v.pumpUntil([&] { return v.thumbnailsDone(); }));
    v.queue.runPending();
    for (const auto& n : names) EXPECT_GE(v.imageOf(n.substr(0, n.size() - 4)), 11) << n;
    for (size_t i = 2; i < names.size(); ++i) {
        v.press(kNextPhotoKey);
        v.queue.advance(600);
        EXPECT_EQ(v.viewer().display().photoPath(), dir + "/" + names[i]);
    }
    v.press(kTotalShowKey);
    ASSERT_TRUE(v.pumpUntil([&] { return !v.shows().totalCollecting(); }));
    std::vector<std::string> walked;
    for (size_t i = 0; i < v.shows().totalList().size(); ++i) walked.push_back(v.shows().totalList().at(i).value_or(""));
    EXPECT_EQ(walked, (std::vector<std::string>{dir + "/" + names[0], dir + "/" + names[1], dir + "/" + names[2],
                                                 dir + "/" + names[3]}));
    // A script made of the walk names the photos by their bytes; names with
    // line breaks cannot be lines of it. Played, it finds the same photos.
    v.queue.post(&v.viewer(), 167);
    v.queue.advance(100);
    std::string script;
    for (const auto& name : ListFolderNames(t.path))
        if (name.size() > 11 && name.substr(name.size() - 11) == ".script.txt") script = JoinPath(t.path, name);
    ASSERT_NE(script, "");
    EXPECT_TRUE(v.runShowToItsEnd(10));
    EXPECT_TRUE(v.desktop.messages.empty());
    MediaViewer w(t, {script});
    ASSERT_TRUE(w.shows().totalRunning());
    EXPECT_EQ(w.shows().totalList().snapshot(), (std::vector<std::string>{dir + "/" + names[0], dir + "/" + names[2]}));
}

}  // namespace
}  // namespace vellumo
