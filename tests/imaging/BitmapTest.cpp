#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <utility>

#include "TestUtil.h"
#include "imaging/AnyBmp.h"

namespace vellumo::test {
namespace {

TEST(Bitmap, InitialStateIs16x16GrayRamp) {
    CDrawDibBmp win;
    CAnyBmp any;
    for (CBmp* b : {static_cast<CBmp*>(&win), static_cast<CBmp*>(&any)}) {
        EXPECT_EQ(b->GetSize(), (Size{16, 16}));
        EXPECT_EQ(b->GetBitsPerPixel(), 8);
        EXPECT_FALSE(b->HasAlpha());
        ASSERT_EQ(b->GetPaletteSize(), 256);
        for (int i = 0; i < 256; ++i) EXPECT_EQ(b->GetPalette()[i], MakePixel(i, i, i, 255));
    }
}

TEST(Bitmap, StridesAndDefaultPalettes) {
    CDrawDibBmp win;
    CAnyBmp any;
    win.Create(9, 3, 1, false);
    any.Create(9, 3, 1, false);
    EXPECT_EQ(win.GetBytesPerLine(), 4u);
    EXPECT_EQ(any.GetBytesPerLine(), 2u);
    EXPECT_EQ(win.GetPalette()[0], MakePixel(0, 0, 0, 255));
    EXPECT_EQ(win.GetPalette()[1], MakePixel(255, 255, 255, 255));
    win.Create(8, 1, 1, false);
    EXPECT_EQ(win.GetBytesPerLine(), 4u);  // exactly one byte, padded
    any.Create(8, 1, 1, false);
    EXPECT_EQ(any.GetBytesPerLine(), 1u);
    win.Create(5, 2, 8, false);
    EXPECT_EQ(win.GetBytesPerLine(), 8u);
    any.Create(5, 2, 8, false);
    EXPECT_EQ(any.GetBytesPerLine(), 5u);
    win.Create(3, 2, 32, true);
    EXPECT_EQ(win.GetBytesPerLine(), 12u);
    EXPECT_EQ(win.GetPalette(), nullptr);
    EXPECT_TRUE(win.HasAlpha());
    EXPECT_EQ(win.GetMemUsed(), 12u * 2 + 40 + sizeof(CDrawDibBmp));
    any.Create(5, 2, 8, false);
    EXPECT_EQ(any.GetMemUsed(), 5u * 2 + 1024 + 64);

    const BitmapInfoHeader& h = win.GetBitmapInfo();
    EXPECT_EQ(h.size, 40u);
    EXPECT_EQ(h.width, 3);
    EXPECT_EQ(h.height, 2);
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bitCount, 32);
    EXPECT_EQ(h.compression, 0u);
    EXPECT_THROW(win.Create(-1, 2, 8, false), std::invalid_argument);
    EXPECT_THROW(win.Create(1, 2, 24, false), std::invalid_argument);
}

TEST(Bitmap, RowOrderInMemory) {
    CDrawDibBmp win;
    CAnyBmp any;
    win.Create(3, 4, 8, false);
    any.Create(3, 4, 8, false);
    auto* wl = win.GetLineArray();
    auto* al = any.GetLineArray();
    // DIB rows bottom-up: the top row is last in memory.
    EXPECT_EQ(wl[0] - wl[3], 3 * 4);
    EXPECT_EQ(wl[1] - wl[2], 4);
    EXPECT_EQ(al[3] - al[0], 3 * 3);
    ImageView v = win.GetImageView();
    EXPECT_EQ(v.bits, wl[0]);
    EXPECT_EQ(v.stride, -4);
    EXPECT_EQ(any.GetImageView().stride, 3);
}

TEST(Bitmap, PixelAccessAllDepths) {
    CDrawDibBmp b;
    b.Create(10, 2, 1, false);
    b.SetPixel(9, 1, 1);
    b.SetPixel(0, 0, 3);  // lowest bit decides
    b.SetPixel(1, 0, 1);
    b.SetPixel(1, 0, 2);  // clears the single bit
    EXPECT_EQ(b.GetPixel(9, 1), 1u);
    EXPECT_EQ(b.GetPixel(0, 0), 1u);
    EXPECT_EQ(b.GetPixel(1, 0), 0u);
    EXPECT_EQ(b.GetLineArray()[1][1], 0x40);
    EXPECT_EQ(b.GetLineArray()[0][0], 0x80);
    b.Create(2, 2, 32, false);
    b.SetPixel(1, 1, 0x11223344u);
    EXPECT_EQ(b.GetPixel(1, 1), 0x11223344u);
    EXPECT_EQ(b.GetLineArray()[1][4], 0x44);  // blue first in memory
    b.SetPixel(5, 5, 1);                       // outside: nothing happens
    EXPECT_EQ(b.GetPixel(-1, 0), 0u);
}

TEST(Bitmap, FindNearestColor) {
    CAnyBmp b;
    b.Create(1, 1, 8, false);
    EXPECT_EQ(b.FindNearestColor(MakePixel(100, 100, 100, 0)), 100u);
    EXPECT_EQ(b.FindNearestColor(MakePixel(10, 20, 30, 0)), 20u);
    RGBAPixel pal[256];
    for (auto& p : pal) p = MakePixel(0, 0, 0, 255);
    pal[3] = MakePixel(200, 0, 0, 255);
    pal[4] = MakePixel(200, 0, 0, 255);  // tie: the first wins
    b.SetPalette(pal);
    EXPECT_EQ(b.FindNearestColor(MakePixel(190, 10, 0, 0)), 3u);
    b.Create(1, 1, 32, false);
    EXPECT_EQ(b.FindNearestColor(0x00ABCDEFu), 0x00ABCDEFu);
}

TEST(Bitmap, CopyFromConverts) {
    CDrawDibBmp src;
    src.Create(9, 2, 1, false);
    src.SetPixel(0, 0, 1);
    src.SetPixel(8, 1, 1);
    CAnyBmp to32;
    to32.CopyFrom(src, 32);
    EXPECT_EQ(to32.GetBitsPerPixel(), 32);
    EXPECT_EQ(to32.GetPixel(0, 0), MakePixel(255, 255, 255, 255));  // palette entry 1 of a new 1-bit bitmap
    EXPECT_EQ(to32.GetPixel(1, 0), MakePixel(0, 0, 0, 255));
    EXPECT_EQ(to32.GetPixel(8, 1), MakePixel(255, 255, 255, 255));

    CAnyBmp to8;
    to8.CopyFrom(src, 8);
    EXPECT_EQ(to8.GetPixel(0, 0), 1u);
    EXPECT_EQ(to8.GetPixel(1, 0), 0u);
    EXPECT_EQ(to8.GetPalette()[1], MakePixel(255, 255, 255, 255));
    EXPECT_EQ(to8.GetPalette()[2], MakePixel(2, 2, 2, 255));

    CAnyBmp c32;
    c32.Create(3, 1, 32, true);
    c32.SetPixel(0, 0, MakePixel(10, 20, 30, 40));
    c32.SetPixel(1, 0, MakePixel(200, 100, 100, 255));
    c32.SetPixel(2, 0, MakePixel(127, 127, 127, 255));
    CDrawDibBmp to1;
    to1.CopyFrom(c32, 1);
    EXPECT_FALSE(to1.HasAlpha());
    EXPECT_EQ(to1.GetPixel(0, 0), 1u);
    EXPECT_EQ(to1.GetPixel(1, 0), 0u);
    EXPECT_EQ(to1.GetPixel(2, 0), 1u);
    EXPECT_EQ(to1.GetPalette()[0], 0xFFFFFFFFu);
    EXPECT_EQ(to1.GetPalette()[1], 0xFF000000u);

    CAnyBmp gray;  // 32 to 8: the nearest gray
    gray.CopyFrom(c32, 8);
    EXPECT_EQ(gray.GetPixel(0, 0), 20u);
    EXPECT_EQ(gray.GetPixel(1, 0), 100u);

    CDrawDibBmp same;  // same depth: rows and palette copied, across layouts
    src.GetPalette()[0] = MakePixel(1, 2, 3, 4);
    same.CopyFrom(src);
    EXPECT_EQ(same.GetPixel(8, 1), 1u);
    EXPECT_EQ(same.GetPalette()[0], MakePixel(1, 2, 3, 4));
    same.CopyFrom(same);
    EXPECT_EQ(same.GetPixel(8, 1), 1u);
}

struct RecordingCanvas : Canvas {
    ImageView image;
    Rect source, destination;
    int draws = 0;
    void fillRect(const Rect&, ColorRef) override {}
    void drawImage(const ImageView& i, const Rect& s, const Rect& d, ScaleQuality) override {
        image = i;
        source = s;
        destination = d;
        ++draws;
    }
    void drawText(const std::string&, const Rect&, const FontSpec&, ColorRef, unsigned) override {}
    Size measureText(const std::string&, int, const FontSpec&, unsigned) override { return {}; }
    void setClip(const Rect&) override {}
};

TEST(Bitmap, DrawRectAndCacheKey) {
    CDrawDibBmp b;
    b.Create(4, 3, 32, false);
    RecordingCanvas canvas;
    EXPECT_EQ(b.DrawRect(canvas, nullptr, nullptr), 1);
    EXPECT_EQ(canvas.source, (Rect{0, 0, 4, 3}));
    EXPECT_EQ(canvas.destination, (Rect{0, 0, 4, 3}));
    EXPECT_EQ(canvas.image.bits, std::as_const(b).GetLineArray()[0]);
    const std::uint64_t key = canvas.image.cacheKey;
    b.DrawRect(canvas, nullptr, nullptr);
    EXPECT_EQ(canvas.image.cacheKey, key);  // unchanged pixels, same key
    b.SetPixel(0, 0, 5);
    const Rect src{1, 1, 3, 2}, dst{10, 10, 50, 30};
    b.DrawRect(canvas, &dst, &src);
    EXPECT_NE(canvas.image.cacheKey, key);
    EXPECT_EQ(canvas.source, src);
    EXPECT_EQ(canvas.destination, dst);
    b.Create(0, 0, 32, false);
    EXPECT_EQ(b.DrawRect(canvas, nullptr, nullptr), 0);
}

// Pages faulted in ahead of their first writes: all of the range's pages
// present afterwards, the bytes unchanged, also for a range that starts and
// ends inside pages of a heap block.
TEST(Bitmap, PopulatedRangesArePresentAndUnchanged) {
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    // Large enough to be a mapping of its own, fresh under any allocator.
    const std::size_t bytes = 512 * page;
    ByteBlock fresh = AllocateBlock(bytes, false);
    auto present = [page](const std::uint8_t* p, std::size_t n) {
        const auto start = reinterpret_cast<std::uintptr_t>(p) & ~(page - 1);
        const std::size_t span = reinterpret_cast<std::uintptr_t>(p) + n - start;
        std::vector<unsigned char> in((span + page - 1) / page);
        if (::mincore(reinterpret_cast<void*>(start), span, in.data()) != 0) return std::size_t{0};
        std::size_t count = 0;
        for (unsigned char c : in) count += c & 1;
        return count * page >= span ? n : count;
    };
    ASSERT_LT(present(fresh.get(), bytes), bytes) << "a fresh block should not be present yet";
    PopulateForWriting(fresh.get(), bytes);
    EXPECT_EQ(present(fresh.get(), bytes), bytes);
    for (std::size_t i = 0; i < bytes; i += page / 2) ASSERT_EQ(fresh[i], 0) << i;

    std::vector<std::uint8_t> heap(5 * page + 123);
    for (std::size_t i = 0; i < heap.size(); ++i) heap[i] = static_cast<std::uint8_t>(i * 7);
    PopulateForWriting(heap.data() + 77, heap.size() - 77);
    for (std::size_t i = 0; i < heap.size(); ++i) ASSERT_EQ(heap[i], static_cast<std::uint8_t>(i * 7)) << i;
}

TEST(Framework, DetectFormatOrder) {
    auto detect = [](Bytes b, std::int64_t size = -1) {
        b.resize(std::max<std::size_t>(b.size(), 600), 0);
        return DetectFormat(b.data(), size < 0 ? 600 : size);
    };
    EXPECT_EQ(detect({'B', 'M'}), FormatBmp);
    Bytes tga(18, 0);
    tga[2] = 2;
    tga[16] = 24;
    EXPECT_EQ(detect(tga), FormatTga);
    tga[2] = 5;  // not a TGA image type: falls through
    tga[16] = 8;
    EXPECT_EQ(detect(tga), FormatUnknown);
    EXPECT_EQ(detect({0x49, 0x49, 0x2A, 0}), FormatTiff);
    EXPECT_EQ(detect({0x4D, 0x4D, 0, 0x2A}), FormatTiff);
    Bytes pict(600, 0xEE);
    pict[522] = 0;
    pict[523] = 0x11;
    pict[524] = 2;
    pict[525] = 0xFF;
    EXPECT_EQ(detect(pict), FormatPict);
    EXPECT_EQ(detect(pict, 540), FormatUnknown);
    EXPECT_EQ(detect({0xFF, 0xD8, 0xFF}), FormatJpeg);
    EXPECT_EQ(detect({0x89, 'P', 'N', 'G'}), FormatPng);
    Bytes eps = {0xC5, 0xD0, 0xD3, 0xC6};
    eps.resize(30, 0);
    EXPECT_EQ(detect(eps), FormatUnknown);  // TIFF offset and length zero
    eps[20] = 30;
    eps[24] = 1;
    EXPECT_EQ(detect(eps), FormatEpsTiff);
    EXPECT_EQ(detect({0x0A, 5, 1}), FormatPcx);
    // A 0x0A 0x00 0x01 start is also a TGA start: TGA comes first.
    Bytes both = {0x0A, 0x00, 0x01};
    both.resize(18, 0);
    both[16] = 8;
    EXPECT_EQ(detect(both), FormatTga);
}

TEST(Framework, UnsupportedAndUnknownFormats) {
    Bytes pict(600, 0xEE);
    pict[522] = 0;
    pict[523] = 0x11;
    pict[524] = 2;
    pict[525] = 0xFF;
    DecodeResult r = DecodeBytes(pict);
    EXPECT_EQ(r.code, 6);
    EXPECT_EQ(r.error, Err("Library not compiled for this file type."));
    // PNG is read now: a file of its signature alone ends early.
    r = DecodeBytes(Bytes{0x89, 'P', 'N', 'G', 13, 10, 26, 10});
    EXPECT_EQ(r.code, 11);
    r = DecodeBytes(Bytes{'h', 'e', 'l', 'l', 'o'});
    EXPECT_EQ(r.code, 8);
    EXPECT_EQ(r.error, Err("Unknown file type."));
    r = DecodeBytes(Bytes{'B'});  // short files are still classified
    EXPECT_EQ(r.code, 8);
    Bytes eps = {0xC5, 0xD0, 0xD3, 0xC6};
    eps.resize(40, 0);
    eps[20] = 0x10;
    eps[21] = 0x27;  // TIFF at 10000, past the end
    eps[24] = 1;
    r = DecodeBytes(eps);
    EXPECT_EQ(r.code, 11);
    EXPECT_EQ(r.error, "End of file reached while decoding.\n");
}

TEST(Framework, OpenFailures) {
    TempDir dir;
    CAnyPicDecoder decoder;
    CDrawDibBmp bmp;
    auto fail = [&](const std::string& path) {
        try {
            decoder.DecodeFile(path, bmp);
        } catch (const CTextException& e) {
            EXPECT_EQ(e.GetErrorText(), Err("Opening " + path + " failed"));
            return e.GetCode();
        }
        return 0;
    };
    EXPECT_EQ(fail(dir.File("missing.jpg")), 4);
    EXPECT_EQ(fail(dir.File("nofolder/x.jpg")), 3);
    EXPECT_EQ(fail(dir.Write("empty.bmp", {})), 5);
    std::filesystem::create_directory(dir.File("folder.jpg"));
    EXPECT_EQ(fail(dir.File("folder.jpg")), 5);
    ASSERT_EQ(mkfifo(dir.File("fifo.jpg").c_str(), 0600), 0);
    EXPECT_EQ(fail(dir.File("fifo.jpg")), 5);  // no hang on a FIFO
    EXPECT_EQ(fail("/dev/null"), 5);
    std::filesystem::create_symlink("loop2.jpg", dir.File("loop1.jpg"));
    std::filesystem::create_symlink("loop1.jpg", dir.File("loop2.jpg"));
    EXPECT_EQ(fail(dir.File("loop1.jpg")), 4);
    {
        // A socket named like a photo.
        int s = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string name = dir.File("socket.jpg");
        ASSERT_LT(name.size(), sizeof address.sun_path);
        std::memcpy(address.sun_path, name.c_str(), name.size() + 1);
        ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        EXPECT_EQ(fail(name), 5);
        close(s);
    }
    // A sparse 5 GB file is refused as too large before anything is read.
    {
        const std::string big = dir.File("huge.jpg");
        std::filesystem::resize_file(dir.Write("huge.jpg", {0xFF, 0xD8, 0xFF}), 5ull << 30);
        try {
            decoder.DecodeFile(big, bmp);
            ADD_FAILURE() << "decoded a 5 GB file";
        } catch (const CTextException& e) {
            EXPECT_EQ(e.GetCode(), 10);
            EXPECT_EQ(e.GetErrorText(), Err("out of memory"));
        }
    }
    if (geteuid() != 0) {
        const std::string locked = dir.Write("locked.bmp", {'B', 'M'});
        chmod(locked.c_str(), 0);
        EXPECT_EQ(fail(locked), 5);
    }
}

TEST(Framework, ReadAccounting) {
    struct Sink : ProgressSink {
        std::vector<double> calls;
        void OnProgress(double f) override { calls.push_back(f); }
    } sink;
    CMemorySource s(&sink);
    Bytes data(3000, 7);
    s.OpenBytes("x", data.data(), data.size());
    s.ReadBytes(1000);
    EXPECT_TRUE(sink.calls.empty());
    s.ReadBytes(100);
    ASSERT_EQ(sink.calls.size(), 1u);
    EXPECT_DOUBLE_EQ(sink.calls[0], 1100.0 / 3000);
    EXPECT_EQ(s.PeekBytes(4000)[3500 - 1100], 0);  // past the end reads 0
    s.ReadBytes(1900);
    try {
        s.ReadBytes(1);
        FAIL();
    } catch (const CTextException& e) {
        EXPECT_EQ(e.GetCode(), 11);
    }
    s.Close();
    EXPECT_DOUBLE_EQ(sink.calls.back(), 1.0);
}

TEST(Framework, StopFlagEndsDecode) {
    Bytes bmp = {'B', 'M'};
    bmp.resize(14, 0);
    Put32(bmp, 40);
    Put32(bmp, 64);
    Put32(bmp, 64);
    Put16(bmp, 1);
    Put16(bmp, 24);
    bmp.resize(54 + 64 * 64 * 3, 0);
    std::atomic<bool> stop{true};
    CAnyPicDecoder decoder;
    decoder.SetStopFlag(&stop);
    CMemorySource source;
    source.OpenBytes("m", bmp.data(), bmp.size());
    CDrawDibBmp out;
    try {
        decoder.DecodeSource(source, out, 0);
        FAIL();
    } catch (const CTextException& e) {
        EXPECT_EQ(e.GetCode(), ErrStopped);
        EXPECT_EQ(e.GetErrorText(), Err("Decoding stopped."));
    }
    stop = false;
    CMemorySource again;
    again.OpenBytes("m", bmp.data(), bmp.size());
    EXPECT_NO_THROW(decoder.DecodeSource(again, out, 0));
}

}  // namespace
}  // namespace vellumo::test
