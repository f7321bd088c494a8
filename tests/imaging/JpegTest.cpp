#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <thread>

#include <jpeglib.h>

#include "TestUtil.h"
#include "imaging/AnyBmp.h"
#include "imaging/JpegCoefficientMemory.h"
#include "imaging/JpegScanFilter.h"
#include "imaging/JpegTwoThreadDecode.h"
#include "imaging/JpegText.h"
#include "jpeg-writer/JpegWriter.h"

namespace vellumo::test {
namespace {

using jpegwriter::EncodeJpeg;
using jpegwriter::JpegSpec;

std::uint8_t Sharp(int x, int y, int c) { return static_cast<std::uint8_t>((x * 7 + y * 13 + c * 50 + (x * y) % 17) & 0xFF); }
// Soft waves, as a photo has.
std::uint8_t Smooth(int x, int y, int c) {
    return static_cast<std::uint8_t>(128 + 100 * std::sin(x / 90.0 + c * 2.0) * std::cos(y / 70.0 - c));
}

// The pictures of these tests start as 37 x 23 colour of the sharp pattern
// at quality 85; each test changes what it needs.
JpegSpec TestPicture() {
    JpegSpec s;
    s.width = 37;
    s.height = 23;
    s.quality = 85;
    s.sample = Sharp;
    return s;
}

// The library's own decode with the float DCT and no fancy upsampling.
struct Reference {
    int width = 0, height = 0, components = 0;
    std::vector<JSAMPLE> pixels;
};

// A decompressor for data with the header read, set to the decoder's float
// DCT and plain upsampling.
void ReadHeaderAsTheDecoder(jpeg_decompress_struct& cinfo, jpeg_error_mgr& jerr, const Bytes& data) {
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.dct_method = JDCT_FLOAT;
    cinfo.do_fancy_upsampling = FALSE;
}

Reference DecodeReference(const Bytes& data, unsigned scaleNum = 8) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    ReadHeaderAsTheDecoder(cinfo, jerr, data);
    cinfo.scale_num = scaleNum;
    cinfo.scale_denom = 8;
    if (cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK) cinfo.out_color_space = JCS_CMYK;
    else if (cinfo.jpeg_color_space != JCS_GRAYSCALE) cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    Reference r;
    r.width = static_cast<int>(cinfo.output_width);
    r.height = static_cast<int>(cinfo.output_height);
    r.components = cinfo.output_components;
    r.pixels.resize(static_cast<std::size_t>(r.width * r.height * r.components));
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = r.pixels.data() + cinfo.output_scanline * r.width * r.components;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return r;
}

// `sizeHint` and `scaleNum` ask for the same reduced scale of the decoder and
// of the library.
void ExpectMatchesReference(const Bytes& file, int sizeHint = 0, unsigned scaleNum = 8,
                            PreviewSink* preview = nullptr) {
    const Reference ref = DecodeReference(file, scaleNum);
    CDrawDibBmp bmp;
    DecodeResult r = DecodeBytes(file, bmp, 0, sizeHint, preview);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(bmp.GetWidth(), ref.width);
    ASSERT_EQ(bmp.GetHeight(), ref.height);
    int mismatches = 0;
    for (int y = 0; y < ref.height; ++y) {
        const std::uint8_t* row = std::as_const(bmp).GetLineArray()[y];
        for (int x = 0; x < ref.width; ++x) {
            const JSAMPLE* p = &ref.pixels[static_cast<std::size_t>((y * ref.width + x) * ref.components)];
            if (ref.components == 1) {
                mismatches += row[x] != p[0];
            } else if (ref.components == 3) {
                mismatches += row[4 * x] != p[2] || row[4 * x + 1] != p[1] || row[4 * x + 2] != p[0];
            } else {
                mismatches += row[4 * x] != p[0] || row[4 * x + 1] != p[1] || row[4 * x + 2] != p[2] ||
                              row[4 * x + 3] != p[3];
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(Jpeg, ColourFilesMatchTheLibrarysFloatDecode) {
    JpegSpec s = TestPicture();
    const Bytes baseline = EncodeJpeg(s);
    ExpectMatchesReference(baseline);
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(baseline, bmp).ok);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 32);
    EXPECT_FALSE(bmp.HasAlpha());
    EXPECT_EQ(DecodeBytes(baseline).text, "");  // no markers, no text
    s.progressive = true;
    ExpectMatchesReference(EncodeJpeg(s));
    s.progressive = false;
    s.hSamp = 2;
    s.vSamp = 1;
    ExpectMatchesReference(EncodeJpeg(s));
    s.hSamp = s.vSamp = 1;
    s.stored = JCS_RGB;
    ExpectMatchesReference(EncodeJpeg(s));
}

// A reduced decode of a progressive file skips the AC scans of components
// whose blocks shrink to one pixel; the pixels stay the library's own
// reduced decode of the whole file, for every subsampling (4:2:0 keeps its
// chroma AC scans, which a 2 x 2 block needs) and for grey files.
TEST(Jpeg, ReducedProgressiveDecodeMatchesTheLibraryOnTheWholeFile) {
    JpegSpec s = TestPicture();
    s.width = 203;
    s.height = 131;
    s.progressive = true;
    for (auto [h, v] : {std::pair{1, 1}, {2, 1}, {2, 2}}) {
        s.hSamp = h;
        s.vSamp = v;
        const Bytes file = EncodeJpeg(s);
        SCOPED_TRACE(testing::Message() << h << "x" << v);
        ExpectMatchesReference(file, 26, 1);  // 203 / 8 rounds up to 26
        ExpectMatchesReference(file, 40, 2);
    }
    s.components = 1;
    s.stored = JCS_GRAYSCALE;
    ExpectMatchesReference(EncodeJpeg(s), 20, 1);
}

TEST(JpegScanFilter, DropsOnlyTheAcScansOfTheNamedComponents) {
    JpegSpec s = TestPicture();
    s.width = 64;
    s.height = 48;
    s.progressive = true;
    const Bytes file = EncodeJpeg(s);
    auto scans = [](const Bytes& f) {  // (Ss, first component id) of each scan
        std::vector<std::pair<int, int>> out;
        for (std::size_t i = 2; i + 5 < f.size(); ++i)
            if (f[i] == 0xFF && f[i + 1] == 0xDA) out.emplace_back(f[i + 5 + 2 * f[i + 4]], f[i + 5]);
        return out;
    };
    // The library's simple progression: DC of all, then AC scans of Y (1), Cr
    // (3), Cb (2), Y, Y, the DC refinement, Cr, Cb, Y.
    const std::vector<std::pair<int, int>> all = {{0, 1}, {1, 1}, {1, 3}, {1, 2}, {6, 1},
                                                  {1, 1}, {0, 1}, {1, 3}, {1, 2}, {1, 1}};
    ASSERT_EQ(scans(file), all);
    const Bytes noLuma = StripUnusedAcScans(file.data(), file.size(), {1});
    EXPECT_EQ(scans(noLuma), (std::vector<std::pair<int, int>>{{0, 1}, {1, 3}, {1, 2}, {0, 1}, {1, 3}, {1, 2}}));
    EXPECT_EQ(scans(StripUnusedAcScans(file.data(), file.size(), {1, 2, 3})),
              (std::vector<std::pair<int, int>>{{0, 1}, {0, 1}}));
    // Nothing to drop, a baseline file, a file that is no JPEG: nothing comes back.
    EXPECT_TRUE(StripUnusedAcScans(file.data(), file.size(), {}).empty());
    s.progressive = false;
    const Bytes baseline = EncodeJpeg(s);
    EXPECT_TRUE(StripUnusedAcScans(baseline.data(), baseline.size(), {1, 2, 3}).empty());
    const Bytes text = {'n', 'o', ' ', 'j', 'p', 'e', 'g'};
    EXPECT_TRUE(StripUnusedAcScans(text.data(), text.size(), {1}).empty());
    // Every cut of the file is either refused or keeps its tail, so a cut
    // file decodes reduced as far as the whole cut file would.
    for (std::size_t n = 0; n < file.size(); ++n) {
        const Bytes out = StripUnusedAcScans(file.data(), n, {1});
        EXPECT_LE(out.size(), n);
        if (!out.empty()) {
            const Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(n));
            CDrawDibBmp reduced;
            DecodeBytes(cut, reduced, 0, 8);
        }
    }
}

// Large enough that the decoder hands the coefficient rows behind its output
// pass back to the system while it decodes: the pixels must not notice, also
// when a cut-short file makes the library smooth over rows above the current one.
TEST(Jpeg, LargeProgressiveFilesMatchTheLibraryWholeAndCutShort) {
    JpegSpec s = TestPicture();
    s.width = 1600;
    s.height = 1200;
    s.hSamp = s.vSamp = 1;
    s.progressive = true;
    const Bytes whole = EncodeJpeg(s);
    ExpectMatchesReference(whole);
    ExpectMatchesReference(Bytes(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(whole.size() * 3 / 5)));
    s.hSamp = s.vSamp = 2;
    ExpectMatchesReference(EncodeJpeg(s));
}

// A progressive file's output pass gives back the coefficient rows it has
// left behind, tall pictures included, and still gives the library's pixels.
TEST(Jpeg, TheOutputPassGivesBackTheCoefficientRowsBehindIt) {
    for (const auto& [width, height] : {std::pair{2048, 1024}, std::pair{16, 40000}}) {
        JpegSpec s = TestPicture();
        s.width = width;
        s.height = height;
        s.progressive = true;
        const Bytes file = EncodeJpeg(s);
        const Reference ref = DecodeReference(file);
        jpeg_decompress_struct cinfo;
        jpeg_error_mgr jerr;
        ReadHeaderAsTheDecoder(cinfo, jerr, file);
        cinfo.out_color_space = JCS_RGB;
        jpeg_start_decompress(&cinfo);
        CoefficientRelease release;
        release.Begin(&cinfo);
        std::vector<JSAMPLE> pixels(ref.pixels.size());
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = pixels.data() + std::size_t{cinfo.output_scanline} * width * 3;
            jpeg_read_scanlines(&cinfo, &row, 1);
            release.RowsDone(&cinfo);
        }
        EXPECT_EQ(pixels, ref.pixels) << width << " x " << height;
        // The luminance rows of the first half: their pages are no longer resident.
        JDIMENSION rowsOfBlocks = 0;
        const JBLOCKARRAY rows = CoefficientRows(&cinfo, 0, &rowsOfBlocks);
        ASSERT_NE(rows, nullptr);
        const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
        const auto from = (reinterpret_cast<std::uintptr_t>(rows[0]) + page - 1) & ~(page - 1);
        const auto to = reinterpret_cast<std::uintptr_t>(rows[rowsOfBlocks / 2]) & ~(page - 1);
        ASSERT_GT(to, from);
        std::vector<unsigned char> resident((to - from) / page);
        ASSERT_EQ(mincore(reinterpret_cast<void*>(from), to - from, resident.data()), 0);
        EXPECT_EQ(std::count_if(resident.begin(), resident.end(), [](unsigned char r) { return r & 1; }), 0)
            << width << " x " << height;
        release.End();
        jpeg_finish_decompress(&cinfo);
        jpeg_destroy_decompress(&cinfo);
    }
}

// The two-thread decode on its own, with the decoder's settings; the
// pixels come back as RGB like the reference's.
struct FirstPictureSeen {
    int calls = 0;
    bool onCallingThread = true;
    Size size;
};

TwoThreadResult DecodeOnTwoThreads(const Bytes& file, Reference& out, const std::atomic<bool>* stop = nullptr,
                                   FirstPictureSeen* seen = nullptr) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr jerr;
    ReadHeaderAsTheDecoder(cinfo, jerr, file);
    cinfo.out_color_space = JCS_EXT_BGRX;
    jpeg_calc_output_dimensions(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.components = 3;
    std::vector<JSAMPLE> bgrx(static_cast<std::size_t>(out.width) * out.height * 4);
    std::vector<std::uint8_t*> rows;
    for (int y = 0; y < out.height; ++y) rows.push_back(bgrx.data() + static_cast<std::size_t>(y) * out.width * 4);
    TwoThreadJpegJob job;
    job.data = file.data();
    job.size = file.size();
    job.settings = &cinfo;
    job.rows = rows.data();
    job.stop = stop;
    if (seen) {
        job.firstPicture = [seen, caller = std::this_thread::get_id()](const std::uint8_t*, int width, int height) {
            ++seen->calls;
            seen->onCallingThread = seen->onCallingThread && std::this_thread::get_id() == caller;
            seen->size = {width, height};
        };
    }
    const TwoThreadResult result = vellumo::DecodeOnTwoThreads(job);
    jpeg_destroy_decompress(&cinfo);
    out.pixels.clear();
    for (std::size_t i = 0; i < bgrx.size(); i += 4) out.pixels.insert(out.pixels.end(), {bgrx[i + 2], bgrx[i + 1], bgrx[i]});
    return result;
}

// Large progressive files are entropy-decoded on two threads, the first
// component apart from the others, and turned into pixels by two more
// decompressors from the rows each part has finished. The pixels are the
// library's own: for each subsampling, a size that is no whole number of
// MCUs, restart markers, and a scan script whose DC scans hold one component
// each and whose last scan is not the first component's. Damaged data (the
// library warns) and a stop leave the picture to the one-thread decode.
TEST(Jpeg, TwoThreadDecodeGivesTheLibrarysPixels) {
    JpegSpec s = TestPicture();
    s.width = 1203;
    s.height = 917;
    s.progressive = true;
    const std::vector<jpeg_scan_info> separateDc = {
        {1, {0}, 0, 0, 0, 1},  {1, {1}, 0, 0, 0, 1},  {1, {2}, 0, 0, 0, 1},  {1, {0}, 1, 5, 0, 2},
        {1, {2}, 1, 63, 0, 1}, {1, {1}, 1, 63, 0, 1}, {1, {0}, 6, 63, 0, 2}, {1, {0}, 1, 63, 2, 1},
        {1, {0}, 0, 0, 1, 0},  {1, {1}, 0, 0, 1, 0},  {1, {2}, 0, 0, 1, 0},  {1, {0}, 1, 63, 1, 0},
        {1, {2}, 1, 63, 1, 0}, {1, {1}, 1, 63, 1, 0}};
    struct Case {
        int h, v, restartRows;
        const std::vector<jpeg_scan_info>* script;
    };
    for (const Case& c : {Case{2, 2, 0, nullptr}, Case{2, 1, 0, nullptr}, Case{1, 1, 0, nullptr},
                          Case{2, 2, 3, nullptr}, Case{2, 1, 0, &separateDc}}) {
        SCOPED_TRACE(testing::Message() << c.h << "x" << c.v << " restart " << c.restartRows
                                        << (c.script ? " separate DC scans" : ""));
        s.hSamp = c.h;
        s.vSamp = c.v;
        s.restartRows = c.restartRows;
        s.scans = c.script ? *c.script : std::vector<jpeg_scan_info>{};
        const Bytes file = EncodeJpeg(s);
        const Reference ref = DecodeReference(file);
        Reference two;
        FirstPictureSeen seen;
        ASSERT_EQ(DecodeOnTwoThreads(file, two, nullptr, &seen), TwoThreadResult::Decoded);
        // One pixel per block of the largest component: 1203 x 917 / 8, rounded up.
        EXPECT_EQ(seen.calls, 1);
        EXPECT_TRUE(seen.onCallingThread);
        EXPECT_EQ(seen.size, (Size{151, 115}));
        ASSERT_EQ(two.width, ref.width);
        ASSERT_EQ(two.height, ref.height);
        EXPECT_TRUE(two.pixels == ref.pixels);
        ExpectMatchesReference(file);
    }

    s.hSamp = s.vSamp = 2;
    s.restartRows = 0;
    s.scans.clear();
    Bytes damaged = EncodeJpeg(s);
    // Bytes in the middle of the last scan's data become all one bits (stuffed),
    // which no Huffman code is.
    std::size_t lastScan = 0;
    for (std::size_t i = 0; i + 1 < damaged.size(); ++i)
        if (damaged[i] == 0xFF && damaged[i + 1] == 0xDA) lastScan = i;
    const std::size_t at = lastScan + (damaged.size() - lastScan) / 2;
    for (std::size_t i = at; i < at + 32; i += 2) {
        damaged[i] = 0xFF;
        damaged[i + 1] = 0x00;
    }
    Reference two;
    EXPECT_EQ(DecodeOnTwoThreads(damaged, two), TwoThreadResult::NotDone);
    ExpectMatchesReference(damaged);

    const std::atomic<bool> stop{true};
    EXPECT_EQ(DecodeOnTwoThreads(EncodeJpeg(s), two, &stop), TwoThreadResult::NotDone);
    // Small files stay on one thread.
    s.width = 1000;
    s.height = 1000;
    EXPECT_EQ(DecodeOnTwoThreads(EncodeJpeg(s), two), TwoThreadResult::NotDone);
}

// Keeps what a decoder asks and the first pictures it shows.
struct PreviewRecorder : PreviewSink {
    Size wanted;
    std::vector<bool> asked;  // progressive, per question
    std::vector<Size> shown;
    CAnyBmp last;
    Size PreviewSizeFor(int, int, bool progressive) override {
        asked.push_back(progressive);
        return wanted;
    }
    void ShowPreview(const CBmp& coarse) override {
        shown.push_back(coarse.GetSize());
        last.CopyFrom(coarse);
    }
};

// The mean difference of each preview pixel from the mean of the full
// decode's pixels it stands for (red, green and blue).
double MeanPreviewError(const CBmp& preview, const Reference& full) {
    const int fx = (full.width + preview.GetWidth() - 1) / preview.GetWidth();
    const int fy = (full.height + preview.GetHeight() - 1) / preview.GetHeight();
    double error = 0;
    for (int y = 0; y < preview.GetHeight(); ++y)
        for (int x = 0; x < preview.GetWidth(); ++x) {
            const RGBAPixel p = preview.GetPixel(x, y);
            double sum[3] = {};
            int n = 0;
            for (int yy = y * fy; yy < std::min(full.height, (y + 1) * fy); ++yy)
                for (int xx = x * fx; xx < std::min(full.width, (x + 1) * fx); ++xx, ++n)
                    for (int c = 0; c < 3; ++c) sum[c] += full.pixels[static_cast<std::size_t>((yy * full.width + xx) * 3 + c)];
            error += std::abs(sum[0] / n - PixelRed(p)) + std::abs(sum[1] / n - PixelGreen(p)) +
                     std::abs(sum[2] / n - PixelBlue(p));
        }
    return error / (3.0 * preview.GetWidth() * preview.GetHeight());
}

TEST(Jpeg, FirstPictureComesBeforeAnUnchangedFullDecode) {
    JpegSpec s = TestPicture();
    s.width = 1600;
    s.height = 1200;
    s.hSamp = s.vSamp = 1;
    s.sample = Smooth;
    s.progressive = true;
    const Bytes progressive = EncodeJpeg(s);
    s.progressive = false;
    const Bytes baseline = EncodeJpeg(s);

    // Progressive, decoded on two threads: the picture of the first scans'
    // DC coefficients, one pixel per 8 x 8 block whatever size is wanted,
    // close to the photo.
    PreviewRecorder p;
    p.wanted = {700, 500};
    ExpectMatchesReference(progressive, 0, 8, &p);
    EXPECT_EQ(p.asked, std::vector<bool>{true});
    EXPECT_EQ(p.shown, (std::vector<Size>{{200, 150}}));
    EXPECT_LT(MeanPreviewError(p.last, DecodeReference(progressive)), 4.0);
    // Below a megapixel, on one thread in the library's buffered-image mode:
    // the first scans' picture shrunk by two (400 is the least power-of-two
    // share still at least 350 wide), or, wanted at the full size, in the
    // bitmap itself.
    JpegSpec small = s;
    small.width = 800;
    small.height = 600;
    small.progressive = true;
    const Bytes smallProgressive = EncodeJpeg(small);
    PreviewRecorder half;
    half.wanted = {350, 250};
    ExpectMatchesReference(smallProgressive, 0, 8, &half);
    EXPECT_EQ(half.shown, (std::vector<Size>{{400, 300}}));
    EXPECT_LT(MeanPreviewError(half.last, DecodeReference(smallProgressive)), 4.0);
    PreviewRecorder whole;
    whole.wanted = {800, 1};
    ExpectMatchesReference(smallProgressive, 0, 8, &whole);
    EXPECT_EQ(whole.shown, (std::vector<Size>{{800, 600}}));

    // Baseline: decoded at 4/8, the least scale at least 700 x 500.
    PreviewRecorder b;
    b.wanted = {700, 500};
    ExpectMatchesReference(baseline, 0, 8, &b);
    EXPECT_EQ(b.asked, std::vector<bool>{false});
    EXPECT_EQ(b.shown, (std::vector<Size>{{800, 600}}));
    EXPECT_LT(MeanPreviewError(b.last, DecodeReference(baseline)), 2.0);
    // No scale short of the full size gives 1601 x 1: no first picture.
    PreviewRecorder big;
    big.wanted = {1601, 1};
    ExpectMatchesReference(baseline, 0, 8, &big);
    EXPECT_TRUE(big.shown.empty());
    // Declined: none either.
    PreviewRecorder none;
    ExpectMatchesReference(progressive, 0, 8, &none);
    EXPECT_EQ(none.asked.size(), 1u);
    EXPECT_TRUE(none.shown.empty());

    // One decoder, file after file, with and without first pictures: each
    // decode gives what a fresh decoder gives.
    CAnyPicDecoder decoder;
    PreviewRecorder again;
    again.wanted = {700, 500};
    for (PreviewSink* sink : {static_cast<PreviewSink*>(&again), static_cast<PreviewSink*>(nullptr)}) {
        for (const Bytes* file : {&progressive, &baseline, &progressive}) {
            decoder.SetPreviewSink(sink);
            CMemorySource source;
            source.OpenBytes("again", file->data(), file->size());
            CDrawDibBmp reused, fresh;
            ASSERT_NO_THROW(decoder.DecodeSource(source, reused, 0));
            ASSERT_TRUE(DecodeBytes(*file, fresh).ok);
            ASSERT_EQ(reused.GetSize(), fresh.GetSize());
            for (int y = 0; y < fresh.GetHeight(); ++y)
                ASSERT_EQ(std::memcmp(std::as_const(reused).GetLineArray()[y], std::as_const(fresh).GetLineArray()[y],
                                      static_cast<std::size_t>(fresh.GetWidth()) * 4),
                          0);
        }
    }
    EXPECT_EQ(again.shown.size(), 3u);  // one for each file decoded with the sink
}

TEST(Jpeg, GrayBecomesEightBitWithGrayRamp) {
    JpegSpec s = TestPicture();
    s.components = 1;
    s.stored = JCS_GRAYSCALE;
    const Bytes f = EncodeJpeg(s);
    ExpectMatchesReference(f);
    CDrawDibBmp bmp;
    ASSERT_TRUE(DecodeBytes(f, bmp).ok);
    EXPECT_EQ(bmp.GetBitsPerPixel(), 8);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(bmp.GetPalette()[i], MakePixel(i, i, i, 255));
    CAnyBmp as32;
    ASSERT_TRUE(DecodeBytes(f, as32, 32).ok);
    EXPECT_EQ(as32.GetBitsPerPixel(), 32);
    const int g = static_cast<int>(bmp.GetPixel(5, 7));
    EXPECT_EQ(as32.GetPixel(5, 7), MakePixel(g, g, g, 255));
}

TEST(Jpeg, CmykAndYcckKeepTheFourBytes) {
    JpegSpec s = TestPicture();
    s.components = 4;
    s.stored = JCS_CMYK;
    s.hSamp = s.vSamp = 1;
    ExpectMatchesReference(EncodeJpeg(s));
    s.stored = JCS_YCCK;
    ExpectMatchesReference(EncodeJpeg(s));
}

Bytes Str(const std::string& s, bool terminate = true) {
    Bytes b(s.begin(), s.end());
    if (terminate) b.push_back(0);
    return b;
}

TEST(Jpeg, EmbeddedTextFromMarkers) {
    setenv("TZ", "UTC", 1);
    tzset();
    JpegSpec s = TestPicture();
    Bytes exif = Str("Exif");
    exif.push_back(0);
    PutBytes(exif, Str("Canon"));
    PutBytes(exif, Str("2001:05:12 10:11:12"));
    PutBytes(exif, {0x12, 0x00, 0x34, 0x00});
    PutBytes(exif, Str("2001:05:13 08:00:00"));
    Bytes iptc = Str("Photoshop 3.0");
    PutBytes(iptc, Str("8BIM", false));
    PutBytes(iptc, {0x1C, 0x02, 0x78, 0x00, 0x05});
    PutBytes(iptc, Str("Hello", false));
    s.markers = {{JPEG_APP0 + 13, iptc}, {JPEG_APP0 + 1, exif}};
    EXPECT_EQ(DecodeBytes(EncodeJpeg(s)).text, "Hello\n2001:05:13 08:00:00");

    s.markers = {{JPEG_APP0 + 12, Str("Ducky\rTimeDate=1000000000\r")}};
    EXPECT_EQ(DecodeBytes(EncodeJpeg(s)).text, "2001.09.09 01:46:40");
    s.markers = {{JPEG_APP0 + 13, iptc}};
    EXPECT_EQ(DecodeBytes(EncodeJpeg(s)).text, "Hello\n");  // the newline even without a date

    // A later XMP block in APP1 finds no date and keeps the EXIF one.
    s.markers = {{JPEG_APP0 + 1, exif}, {JPEG_APP0 + 1, Str("http://ns.adobe.com/xap/1.0/")}};
    EXPECT_EQ(DecodeBytes(EncodeJpeg(s)).text, "2001:05:13 08:00:00");

    // A camera's file as the demo archive holds them: no JFIF header, the date
    // in an EXIF IFD, the caption in a Photoshop resource.
    s.jfif = false;
    s.markers = {jpegwriter::ExifDateMarker("2002:06:20 21:10:02"), jpegwriter::IptcCaptionMarker("Lighthouse at sunset")};
    EXPECT_EQ(DecodeBytes(EncodeJpeg(s)).text, "Lighthouse at sunset\n2002:06:20 21:10:02");
}

TEST(JpegText, ExifDateScan) {
    std::string date = "old";
    Bytes noMaker = Str("2001:05:12 10:11:12");
    EXPECT_FALSE(ScanExifDate(noMaker.data(), noMaker.size(), date));
    EXPECT_EQ(date, "old");
    // The second form: a digit at s[1] with two colons (an odd leading byte).
    Bytes odd = Str("NIKON");
    PutBytes(odd, Str("x2002:01:02 03:04:05"));
    EXPECT_TRUE(ScanExifDate(odd.data(), odd.size(), date));
    EXPECT_EQ(date, "2002:01:02 03:04:05");
    // Too long strings are not dates; unterminated data ends at its length.
    Bytes longer = Str("SONY");
    PutBytes(longer, Str("2001:05:12 10:11:12 and more"));
    PutBytes(longer, Str("12.5", false));
    EXPECT_TRUE(ScanExifDate(longer.data(), longer.size(), date));
    EXPECT_EQ(date, "12.5");
    Bytes twenty = Str("Exif");
    PutBytes(twenty, Str("2001:05:12 10:11:12Z"));  // 20 characters: 19 copied, "Z" examined next
    EXPECT_TRUE(ScanExifDate(twenty.data(), twenty.size(), date));
    EXPECT_EQ(date, "2001:05:12 10:11:12");
}

TEST(JpegText, TimeDateScan) {
    setenv("TZ", "UTC", 1);
    tzset();
    std::string date = "kept";
    Bytes zero = Str("TimeDate=0\r");
    EXPECT_FALSE(ScanTimeDate(zero.data(), zero.size(), date));
    Bytes noCr = Str("TimeDate=1000000000");
    EXPECT_FALSE(ScanTimeDate(noCr.data(), noCr.size(), date));
    Bytes huge = Str("TimeDate=99999999999999999999999999\r");
    ScanTimeDate(huge.data(), huge.size(), date);  // no overflow, no crash
    EXPECT_LE(date.size(), 19u);
    date = "kept";
    Bytes second = Str("TimeDate=x\rTimeDate=86400\r");
    EXPECT_TRUE(ScanTimeDate(second.data(), second.size(), date));
    EXPECT_EQ(date, "1970.01.02 00:00:00");
}

TEST(JpegText, IptcCaption) {
    Bytes d = {0x1C, 0x02, 0x78, 0x03, 0xE8};  // length 1000
    for (int i = 0; i < 1000; ++i) d.push_back('a' + i % 26);
    std::string caption;
    EXPECT_TRUE(ScanIptcCaption(d.data(), d.size(), caption));
    EXPECT_EQ(caption.size(), 959u);
    Bytes shortData = {0x1C, 0x02, 0x78, 0x00, 0x50, 'a', 'b'};  // length beyond the data
    EXPECT_TRUE(ScanIptcCaption(shortData.data(), shortData.size(), caption));
    EXPECT_EQ(caption, "ab");
    Bytes stop = {0x1C, 0x02, 0x78, 0x00, 0x05, 'a', 0, 'b'};
    ScanIptcCaption(stop.data(), stop.size(), caption);
    EXPECT_EQ(caption, "a");
    Bytes two = {0x1C, 0x02, 0x78, 0x00, 0x01, 'a', 0x1C, 0x02, 0x78, 0x00, 0x01, 'b'};
    ScanIptcCaption(two.data(), two.size(), caption);
    EXPECT_EQ(caption, "b");
    Bytes edge = {0x1C, 0x02, 0x78, 0x00};
    caption = "x";
    EXPECT_FALSE(ScanIptcCaption(edge.data(), edge.size(), caption));
}

TEST(Jpeg, TruncatedFilesDecodeAsFarAsTheyGo) {
    JpegSpec s = TestPicture();
    s.width = 64;
    s.height = 64;
    const Bytes f = EncodeJpeg(s);
    Bytes cut(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(f.size() / 2));
    CDrawDibBmp bmp;
    DecodeResult r = DecodeBytes(cut, bmp);
    EXPECT_TRUE(r.ok) << r.error;
    EXPECT_EQ(bmp.GetSize(), (Size{64, 64}));
}

TEST(Jpeg, LibraryErrorsAreCode6AndTheDecoderRecovers) {
    Bytes bad = {0xFF, 0xD8, 0xFF, 0xC0, 0x00, 0x02, 0x01, 0x02};
    CAnyPicDecoder decoder;
    CDrawDibBmp bmp;
    CMemorySource source;
    source.OpenBytes("bad", bad.data(), bad.size());
    try {
        decoder.DecodeSource(source, bmp, 0);
        FAIL();
    } catch (const CTextException& e) {
        EXPECT_EQ(e.GetCode(), 6);
        const std::string& t = e.GetErrorText();
        EXPECT_EQ(t.rfind("Decoder error: ", 0), 0u);
        EXPECT_GE(t.size(), 17u);
        EXPECT_EQ(t.substr(t.size() - 2), "\n\n");
    }
    const Bytes good = EncodeJpeg(TestPicture());
    CMemorySource again;
    again.OpenBytes("good", good.data(), good.size());
    EXPECT_NO_THROW(decoder.DecodeSource(again, bmp, 0));
    EXPECT_EQ(bmp.GetWidth(), 37);
}

TEST(Jpeg, PicturesAboveThePixelCapFailWithCode10) {
    Bytes f = EncodeJpeg(TestPicture());
    for (std::size_t i = 0; i + 8 < f.size(); ++i) {
        if (f[i] == 0xFF && f[i + 1] == 0xC0) {
            f[i + 5] = f[i + 7] = 0x9C;  // 40000 x 40000
            f[i + 6] = f[i + 8] = 0x40;
            break;
        }
    }
    DecodeResult r = DecodeBytes(f);
    EXPECT_EQ(r.code, 10);
    EXPECT_EQ(r.error, Err("out of memory"));
}

TEST(Jpeg, TruncatedAndCorrupted) {
    JpegSpec s = TestPicture();
    s.width = 16;
    s.height = 16;
    s.markers = {{JPEG_APP0 + 1, Str("Exif")}};
    ExpectRobust(EncodeJpeg(s), 11);
    s.progressive = true;
    ExpectRobust(EncodeJpeg(s), 13);
}

}  // namespace
}  // namespace vellumo::test
