#include "imaging/JpegDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/JpegCoefficientMemory.h"
#include "imaging/JpegScanFilter.h"
#include "imaging/JpegTwoThreadDecode.h"
#include "imaging/RowPrefault.h"
#include "imaging/AnyBmp.h"
#include "imaging/WinBmp.h"

#include "imaging/JpegText.h"
#include "imaging/ExifOrientation.h"
#include "imaging/Orientation.h"

namespace vellumo {

namespace {

constexpr unsigned kMarkerLimit = 10240;
// Progressive files with more scans than this are refused: each scan costs a
// pass over the whole picture, so a small file could otherwise take minutes.
constexpr int kMaxScans = 1000;

struct ErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX + 64];
};

[[noreturn]] void OnFatalError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, err->message);
    std::longjmp(err->jump, 1);
}

// Warnings are counted by the library's own handler; nothing is printed.
void OnOutputMessage(j_common_ptr) {}

const JOCTET kFakeEoi[2] = {0xFF, JPEG_EOI};

void InitSource(j_decompress_ptr) {}
void TermSource(j_decompress_ptr) {}

// Reached only when the whole file has been consumed: the file is cut short.
boolean FillInputBuffer(j_decompress_ptr cinfo) {
    WARNMS(cinfo, JWRN_JPEG_EOF);
    cinfo->src->next_input_byte = kFakeEoi;
    cinfo->src->bytes_in_buffer = 2;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long count) {
    if (count <= 0) return;
    if (static_cast<unsigned long>(count) > cinfo->src->bytes_in_buffer) {
        FillInputBuffer(cinfo);
        return;
    }
    cinfo->src->next_input_byte += count;
    cinfo->src->bytes_in_buffer -= static_cast<std::size_t>(count);
}

std::mutex g_progressLock;

// The ICC profile of the APP2 "ICC_PROFILE" markers, joined in the order of
// their sequence numbers; none when they are missing or do not fit together.
ColourProfilePtr EmbeddedProfile(j_decompress_ptr cinfo) {
    JOCTET* data = nullptr;
    unsigned int length = 0;
    if (!jpeg_read_icc_profile(cinfo, &data, &length) || !data) return nullptr;
    std::vector<std::uint8_t> icc(length);
    std::memcpy(icc.data(), data, length);
    std::free(data);
    return ProfileOf(std::move(icc));
}

}  // namespace

struct CJPEGDecoder::Impl {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_source_mgr source{};
    jpeg_progress_mgr progress{};
    ProgressSink* sink = nullptr;
    std::vector<JSAMPLE> grayRow;
    const JOCTET* stream = nullptr;
    std::size_t streamSize = 0;
    // The first picture when it is not the bitmap being decoded into.
    CDrawDibBmp preview;
    std::vector<JSAMPLE> shrinkRows;
    std::vector<std::uint32_t> shrinkSums;
    CoefficientRelease release;
    std::vector<std::uint8_t> stripped;  // the file without the scans a reduced decode skips
    // Faults in the bitmap's pages ahead of the rows; a member, since the
    // library leaves errors by longjmp.
    std::unique_ptr<RowPrefault> prefault;
    // Converts the colours of the rows written, on the second processor.
    std::unique_ptr<RowConversion> rowConversion;
    // A photo whose orientation swaps its sides is decoded into this bitmap
    // as stored, then turned into the caller's.
    CAnyBmp stored;
    std::unique_ptr<UprightPreviewSink> uprightPreview;
};

namespace {

void OnProgress(j_common_ptr common) {
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    auto* impl = reinterpret_cast<CJPEGDecoder::Impl*>(cinfo->client_data);
    if (cinfo->input_scan_number > kMaxScans) {
        auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
        std::snprintf(err->message, sizeof err->message, "Too many scans in the JPEG file (more than %d)", kMaxScans);
        std::longjmp(err->jump, 1);
    }
    if (!impl || !impl->sink) return;
    const jpeg_progress_mgr* p = cinfo->progress;
    if (p->pass_limit <= 0 || p->total_passes <= 0) return;
    const double fraction =
        (static_cast<double>(p->pass_counter) / p->pass_limit + p->completed_passes) / p->total_passes;
    std::lock_guard<std::mutex> lock(g_progressLock);
    impl->sink->OnProgress(fraction);
}

}  // namespace

CJPEGDecoder::CJPEGDecoder() : impl_(std::make_unique<Impl>()) {
    jpeg_std_error(&impl_->err.pub);
    impl_->err.pub.error_exit = OnFatalError;
    impl_->err.pub.output_message = OnOutputMessage;
    impl_->cinfo.err = &impl_->err.pub;
    jpeg_create_decompress(&impl_->cinfo);
    impl_->cinfo.client_data = impl_.get();
    impl_->source.init_source = InitSource;
    impl_->source.fill_input_buffer = FillInputBuffer;
    impl_->source.skip_input_data = SkipInputData;
    impl_->source.resync_to_restart = jpeg_resync_to_restart;
    impl_->source.term_source = TermSource;
    impl_->progress.progress_monitor = OnProgress;
}

CJPEGDecoder::~CJPEGDecoder() { jpeg_destroy_decompress(&impl_->cinfo); }

void CJPEGDecoder::DecodeFormat(CBmp& bmp, std::vector<RGBAPixel>&, int& destBpp, CDataSource& source) {
    text_.clear();
    orientation_ = 1;
    bool ok = false;
    // The decode sees the picture as stored; a first picture on the way is
    // turned for the caller's sink (DecodeBody puts the turning sink in).
    PreviewSink* const callerSink = previewSink_;
    auto cleanUp = [&] {
        previewSink_ = callerSink;
        impl_->uprightPreview.reset();
        impl_->prefault.reset();
        impl_->rowConversion.reset();
        impl_->stored.Create(1, 1, 8, false);
    };
    try {
        ok = DecodeGuarded(bmp, destBpp, source);
        if (ok && orientation_ != 1) {
            // The camera's orientation: the picture is turned once, here,
            // and everything after the decoder sees it upright.
            if (OrientationSwapsSides(orientation_))
                TurnUpright(impl_->stored, bmp, orientation_);
            else
                TurnUprightInPlace(bmp, orientation_);
        }
    } catch (...) {
        cleanUp();
        jpeg_abort_decompress(&impl_->cinfo);
        throw;
    }
    cleanUp();
    if (!ok) {
        jpeg_abort_decompress(&impl_->cinfo);
        RaiseError(ErrFormatNotSupported, std::string(impl_->err.message) + "\n");
    }
}

// The library leaves fatal errors through longjmp back to here. Nothing
// between this frame and the library needs a destructor: DecodeBody keeps
// its buffers in members.
bool CJPEGDecoder::DecodeGuarded(CBmp& bmp, int& destBpp, CDataSource& source) {
    if (setjmp(impl_->err.jump)) return false;
    DecodeBody(bmp, destBpp, source);
    return true;
}

void CJPEGDecoder::BuildText() {
    std::vector<JpegMarker> markers;
    for (jpeg_saved_marker_ptr m = impl_->cinfo.marker_list; m; m = m->next)
        markers.push_back({m->marker, m->data, m->data_length});
    text_ = BuildJpegText(markers);
}

// The orientation of the first EXIF block among the saved markers.
int CJPEGDecoder::MarkerOrientation() const {
    for (jpeg_saved_marker_ptr m = impl_->cinfo.marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0", 6) == 0)
            return ExifOrientation(m->data, m->data_length);
    return 1;
}

// Reads the header from the start of the data and sets the output the
// viewer wants; true for a gray file.
bool CJPEGDecoder::ReadHeader() {
    jpeg_decompress_struct& cinfo = impl_->cinfo;
    impl_->source.next_input_byte = impl_->stream;
    impl_->source.bytes_in_buffer = impl_->streamSize;
    cinfo.src = &impl_->source;
    cinfo.progress = &impl_->progress;
    // Whole-picture buffers of progressive files stay within what a picture
    // of the largest allowed size needs.
    cinfo.mem->max_memory_to_use = static_cast<long>(kPixelCap * 8 > LONG_MAX ? LONG_MAX : kPixelCap * 8);

    jpeg_save_markers(&cinfo, JPEG_APP0 + 13, kMarkerLimit);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 12, kMarkerLimit);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, kMarkerLimit);
    jpeg_save_markers(&cinfo, JPEG_APP0, kMarkerLimit);
    // A colour profile spans as many whole markers as it needs.
    jpeg_save_markers(&cinfo, JPEG_APP0 + 2, 0xFFFF);
    jpeg_read_header(&cinfo, TRUE);
    BuildText();

    if (fast_) cinfo.do_fancy_upsampling = FALSE;
    cinfo.dct_method = JDCT_FLOAT;
    // The library's defaults, whatever the last file's first picture set.
    cinfo.buffered_image = FALSE;
    cinfo.do_block_smoothing = TRUE;
    bool gray = false;
    switch (cinfo.jpeg_color_space) {
        case JCS_GRAYSCALE:
            cinfo.out_color_space = JCS_GRAYSCALE;
            gray = true;
            break;
        case JCS_CMYK:
        case JCS_YCCK:
            cinfo.out_color_space = JCS_CMYK;
            break;
        case JCS_RGB:
        case JCS_YCbCr:
            cinfo.out_color_space = JCS_EXT_BGRX;
            break;
        default:
            RaiseError(ErrFormatNotSupported, "Unsupported JPEG colour space.\n");
    }
    if (static_cast<std::int64_t>(cinfo.image_width) * cinfo.image_height > kPixelCap)
        RaiseError(ErrOutOfMemory, "out of memory");
    cinfo.scale_num = 8;
    cinfo.scale_denom = 8;
    return gray;
}

// The smallest scale n/8 whose output is at least width x height; 8 when
// only the full size is.
unsigned CJPEGDecoder::ScaleFor(std::int64_t width, std::int64_t height) const {
    const jpeg_decompress_struct& cinfo = impl_->cinfo;
    for (unsigned n = 1; n < 8; ++n) {
        if ((cinfo.image_width * std::int64_t{n} + 7) / 8 >= width && (cinfo.image_height * std::int64_t{n} + 7) / 8 >= height)
            return n;
    }
    return 8;
}

void CJPEGDecoder::CreateOutput(CBmp& bmp, bool gray, int& destBpp) {
    const int w = static_cast<int>(impl_->cinfo.output_width);
    const int h = static_cast<int>(impl_->cinfo.output_height);
    if (gray) {
        destBpp = ChooseDestBpp(8, destBpp);
        CreateBitmap(bmp, w, h, destBpp, false, false);
    } else {
        destBpp = ChooseDestBpp(32, destBpp);
        CreateBitmap(bmp, w, h, 32, false, false);
        destBpp = 32;
    }
}

// One output pass into the rows of bmp (made by CreateOutput). lastPass: the
// coefficient rows behind the pass may go back to the system.
void CJPEGDecoder::ReadRows(CBmp& bmp, bool gray, int destBpp, bool lastPass) {
    jpeg_decompress_struct& cinfo = impl_->cinfo;
    const int w = static_cast<int>(cinfo.output_width);
    // Writable rows: the pixels count as changed, also for a second pass.
    std::uint8_t* const* lines = bmp.GetLineArray();
    if (lastPass) impl_->release.Begin(&cinfo);
    if (gray && destBpp == 32) {
        impl_->grayRow.resize(static_cast<std::size_t>(w));
        while (cinfo.output_scanline < cinfo.output_height) {
            CheckStop();
            JSAMPROW row = impl_->grayRow.data();
            const int y = static_cast<int>(cinfo.output_scanline);
            jpeg_read_scanlines(&cinfo, &row, 1);
            if (lastPass) impl_->release.RowsDone(&cinfo);
            std::uint8_t* out = lines[y];
            for (int x = 0; x < w; ++x) {
                const JSAMPLE g = row[x];
                out[4 * x] = out[4 * x + 1] = out[4 * x + 2] = g;
                out[4 * x + 3] = 255;
            }
        }
    } else {
        while (cinfo.output_scanline < cinfo.output_height) {
            CheckStop();
            const JDIMENSION y = cinfo.output_scanline;
            jpeg_read_scanlines(&cinfo, const_cast<JSAMPARRAY>(lines + y), cinfo.output_height - y);
            if (lastPass) impl_->release.RowsDone(&cinfo);
            if (impl_->rowConversion) impl_->rowConversion->RowsReady(static_cast<int>(cinfo.output_scanline));
        }
    }
    impl_->release.End();
}

void CJPEGDecoder::DecodeBody(CBmp& upright, int& destBpp, CDataSource& source) {
    jpeg_decompress_struct& cinfo = impl_->cinfo;
    impl_->sink = source.GetProgressSink();
    // The rest of the data is the JPEG stream.
    impl_->stream = source.ReadRemainder();
    impl_->streamSize = static_cast<std::size_t>(source.GetRemaining());
    bool gray = ReadHeader();
    orientation_ = MarkerOrientation();
    colourProfile_ = EmbeddedProfile(&cinfo);
    bool tried = false;  // the two-thread decode, with a first picture
    // The rows as stored: into the caller's bitmap unless the turn swaps the sides.
    CBmp& bmp = OrientationSwapsSides(orientation_) ? static_cast<CBmp&>(impl_->stored) : upright;
    if (orientation_ != 1 && previewSink_) {
        impl_->uprightPreview = std::make_unique<UprightPreviewSink>(*previewSink_, orientation_);
        previewSink_ = impl_->uprightPreview.get();
    }
    // The size upright, as the rule sees the photo.
    const bool swaps = OrientationSwapsSides(orientation_);
    const int storedWidth = static_cast<int>(cinfo.image_width), storedHeight = static_cast<int>(cinfo.image_height);
    fullSize_ = swaps ? Size{storedHeight, storedWidth} : Size{storedWidth, storedHeight};
    hint_ = sizeRule_ ? sizeRule_(fullSize_.cx, fullSize_.cy) : sizeHint_;

    if (hint_ > 0) {
        cinfo.scale_num = ScaleForHint();
        if (SkipUnusedScans()) {
            gray = ReadHeader();
            cinfo.scale_num = ScaleForHint();
            cinfo.do_block_smoothing = FALSE;
        }
    } else if (previewSink_) {
        const Size wanted = previewSink_->PreviewSizeFor(static_cast<int>(cinfo.image_width),
                                                         static_cast<int>(cinfo.image_height), cinfo.progressive_mode);
        if (wanted.cx > 0 && wanted.cy > 0) {
            if (cinfo.progressive_mode) {
                bool shown = false;
                if (!gray && DecodeOnTwoThreads(bmp, destBpp, &shown)) return;
                if (!shown) {
                    DecodeWithFirstScans(bmp, gray, destBpp, wanted);
                    return;
                }
                // A first picture is on screen and the two threads did not
                // finish (a damaged file): the decode below, without a
                // second first picture.
                tried = true;
            } else if (const unsigned n = ScaleFor(wanted.cx, wanted.cy); n < 8) {
                DecodeScaledPreview(n, gray);
                // The full decode reads the stream again from its start.
                jpeg_abort_decompress(&cinfo);
                gray = ReadHeader();
            }
        }
    }
    if (hint_ == 0 && !tried && !gray && DecodeOnTwoThreads(bmp, destBpp, nullptr)) return;
    jpeg_start_decompress(&cinfo);
    CreateOutput(bmp, gray, destBpp);
    impl_->prefault = std::make_unique<RowPrefault>(bmp.GetLineArray(), bmp.GetHeight(), bmp.GetBytesPerLine());
    // A large picture's rows are converted beside the decode; a small one's after it.
    if (!gray && colourTarget_ && (colourProfile_ || !colourTarget_->IsSrgb()) &&
        std::int64_t{bmp.GetWidth()} * bmp.GetHeight() >= (std::int64_t{1} << 19)) {
        impl_->rowConversion =
            std::make_unique<RowConversion>(colourProfile_ ? *colourProfile_ : *SrgbProfile(), *colourTarget_);
        impl_->rowConversion->Start(bmp.GetLineArray(), bmp.GetWidth(), bmp.GetHeight());
    }
    ReadRows(bmp, gray, destBpp, true);
    impl_->prefault.reset();
    if (impl_->rowConversion) {
        impl_->rowConversion->Finish();
        coloursConverted_ = impl_->rowConversion->Active();
        impl_->rowConversion.reset();
    }
    jpeg_finish_decompress(&cinfo);
    impl_->stripped = {};
}

// A large progressive file at full size, decoded on two threads (see
// JpegTwoThreadDecode.h) to the pixels of the decode below. With
// firstPictureShown, the picture of the DC coefficients goes to the preview
// sink on the way, and *firstPictureShown tells whether it went. False when
// the file is not for it or it did not finish; the decoder's own
// decompressor is then still where ReadHeader left it.
bool CJPEGDecoder::DecodeOnTwoThreads(CBmp& bmp, int& destBpp, bool* firstPictureShown) {
    jpeg_decompress_struct& cinfo = impl_->cinfo;
    if (!SuitsTwoThreadDecode(cinfo)) return false;
    jpeg_calc_output_dimensions(&cinfo);
    CreateOutput(bmp, false, destBpp);
    TwoThreadJpegJob job;
    job.data = impl_->stream;
    job.size = impl_->streamSize;
    job.settings = &cinfo;
    job.rows = bmp.GetLineArray();
    job.stop = stop_;
    if (ProgressSink* sink = impl_->sink) {
        job.progress = [sink](double fraction) {
            std::lock_guard<std::mutex> lock(g_progressLock);
            sink->OnProgress(fraction);
        };
    }
    if (firstPictureShown && previewSink_) {
        job.firstPicture = [this, firstPictureShown](const std::uint8_t* bgrx, int width, int height) {
            try {
                CreateBitmap(impl_->preview, width, height, 32, false, false);
                std::uint8_t* const* lines = impl_->preview.GetLineArray();
                for (int y = 0; y < height; ++y)
                    std::memcpy(lines[y], bgrx + static_cast<std::size_t>(y) * width * 4, static_cast<std::size_t>(width) * 4);
                previewSink_->ShowPreview(impl_->preview);
                *firstPictureShown = true;
            } catch (...) {
                // The first picture is only a courtesy; the decode goes on.
            }
            DropPreview();
        };
    }
    if (vellumo::DecodeOnTwoThreads(job) != TwoThreadResult::Decoded) {
        CheckStop();
        return false;
    }
    jpeg_abort_decompress(&cinfo);
    return true;
}

// The smallest scale n/8 whose longer side is still at least the size hint.
unsigned CJPEGDecoder::ScaleForHint() const {
    const jpeg_decompress_struct& cinfo = impl_->cinfo;
    const std::int64_t longSide = std::max(cinfo.image_width, cinfo.image_height);
    for (unsigned n = 1; n < 8; ++n)
        if ((longSide * n + 7) / 8 >= hint_) return n;
    return 8;
}

// A progressive file decoded at a reduced scale: the components whose blocks
// shrink to one pixel need their DC coefficients alone, so their AC scans are
// dropped and the shorter file is decoded in place of the original (the
// caller reads its header again). Block smoothing, which would guess the
// dropped coefficients, must stay off; with every coefficient present it
// never applies, so the pixels are those of the whole file. True when the
// decoder now reads the shorter file.
bool CJPEGDecoder::SkipUnusedScans() {
    jpeg_decompress_struct& cinfo = impl_->cinfo;
    if (!cinfo.progressive_mode || cinfo.scale_num >= cinfo.scale_denom) return false;
    jpeg_calc_output_dimensions(&cinfo);
    std::vector<int> dcOnly;
    for (int c = 0; c < cinfo.num_components; ++c)
        if (cinfo.comp_info[c].DCT_scaled_size == 1) dcOnly.push_back(cinfo.comp_info[c].component_id);
    impl_->stripped = StripUnusedAcScans(impl_->stream, impl_->streamSize, dcOnly);
    if (impl_->stripped.empty()) return false;
    jpeg_abort_decompress(&cinfo);
    impl_->stream = impl_->stripped.data();
    impl_->streamSize = impl_->stripped.size();
    return true;
}

// A baseline file: the whole picture decoded at the scale n/8 (the library
// scales in its inverse DCT, so this costs a fraction of the full decode),
// handed to the preview sink.
void CJPEGDecoder::DecodeScaledPreview(unsigned n, bool gray) {
    jpeg_decompress_struct& cinfo = impl_->cinfo;
    cinfo.scale_num = n;
    jpeg_start_decompress(&cinfo);
    int bpp = 0;
    CreateOutput(impl_->preview, gray, bpp);
    ReadRows(impl_->preview, gray, bpp, false);
    previewSink_->ShowPreview(impl_->preview);
    DropPreview();
}

// The first picture has been shown: its memory goes back before the full
// decode needs memory of its own.
void CJPEGDecoder::DropPreview() { impl_->preview.Create(1, 1, 8, false); }

namespace {

// Every component has its DC coefficients (the picture's 8 x 8 means).
bool AllDcKnown(j_decompress_ptr cinfo) {
    for (int ci = 0; ci < cinfo->num_components; ++ci)
        if (cinfo->coef_bits[ci][0] < 0) return false;
    return true;
}

}  // namespace

void CJPEGDecoder::ConsumeInputUntil(bool firstScansOnly) {
    jpeg_decompress_struct& cinfo = impl_->cinfo;
    while (!jpeg_input_complete(&cinfo)) {
        CheckStop();
        if (cinfo.input_scan_number > kMaxScans)
            RaiseError(ErrFormatNotSupported, "Too many scans in the JPEG file (more than " + std::to_string(kMaxScans) + ")\n");
        const int result = jpeg_consume_input(&cinfo);
        if (result == JPEG_SUSPENDED) break;  // not with the whole file in memory
        if (firstScansOnly && result == JPEG_SCAN_COMPLETED && AllDcKnown(&cinfo)) break;
    }
}

// A progressive file in the library's buffered-image mode: once its first
// scans are in, the picture they give is output into bmp and handed to the
// preview sink. That pass is only seen until the full decode replaces it, so
// it takes the faster integer DCT and no block smoothing (which would cost
// twice the pass). Then the remaining scans are read, and the final pass,
// with the settings of a decode without preview, gives the same pixels as
// that decode.
void CJPEGDecoder::DecodeWithFirstScans(CBmp& bmp, bool gray, int& destBpp, Size wanted) {
    jpeg_decompress_struct& cinfo = impl_->cinfo;
    cinfo.buffered_image = TRUE;
    jpeg_start_decompress(&cinfo);
    CreateOutput(bmp, gray, destBpp);
    ConsumeInputUntil(true);
    if (!jpeg_input_complete(&cinfo)) {
        cinfo.dct_method = JDCT_IFAST;
        cinfo.do_block_smoothing = FALSE;
        jpeg_start_output(&cinfo, cinfo.input_scan_number);
        // Shrunk by the largest power of two that keeps at least the wanted
        // size: the full-size bitmap stays untouched until the final pass,
        // which gives back the coefficients while it fills it.
        int factor = 8;
        while (factor > 1 && (static_cast<std::int64_t>(cinfo.output_width) + factor - 1) / factor < wanted.cx) factor /= 2;
        while (factor > 1 && (static_cast<std::int64_t>(cinfo.output_height) + factor - 1) / factor < wanted.cy) factor /= 2;
        if (factor == 1) {
            ReadRows(bmp, gray, destBpp, false);
            jpeg_finish_output(&cinfo);
            previewSink_->ShowPreview(bmp);
        } else {
            ReadRowsShrunk(factor, gray ? 1 : 4, gray ? 8 : 32);
            jpeg_finish_output(&cinfo);
            previewSink_->ShowPreview(impl_->preview);
            DropPreview();
        }
        ConsumeInputUntil(false);
    }
    cinfo.dct_method = JDCT_FLOAT;
    cinfo.do_block_smoothing = TRUE;
    jpeg_start_output(&cinfo, cinfo.input_scan_number);
    ReadRows(bmp, gray, destBpp, true);
    jpeg_finish_output(&cinfo);
    jpeg_finish_decompress(&cinfo);
}

namespace {

// Adds each pixel of a row to the sum of its box (factor pixels wide).
template <int Channels>
void AddBoxRow(const JSAMPLE* p, std::size_t width, int factor, std::uint32_t* sums) {
    for (std::size_t x = 0; x < width; sums += Channels) {
        const std::size_t end = std::min(width, x + static_cast<std::size_t>(factor));
        for (; x < end; ++x, p += Channels)
            for (int c = 0; c < Channels; ++c) sums[c] += p[c];
    }
}

}  // namespace

// One output pass shrunk by factor into the preview bitmap: each pixel the
// rounded mean of a factor x factor box (smaller at the right and bottom
// edges). channels: bytes per output pixel (1 gray, 4 otherwise).
void CJPEGDecoder::ReadRowsShrunk(int factor, int channels, int bpp) {
    jpeg_decompress_struct& cinfo = impl_->cinfo;
    const auto w = static_cast<std::size_t>(cinfo.output_width);
    const auto h = static_cast<std::int64_t>(cinfo.output_height);
    const std::int64_t pw = (static_cast<std::int64_t>(w) + factor - 1) / factor;
    CreateBitmap(impl_->preview, pw, (h + factor - 1) / factor, bpp, false, false);
    std::uint8_t* const* out = impl_->preview.GetLineArray();
    const std::size_t rowBytes = w * static_cast<std::size_t>(channels);
    impl_->shrinkRows.resize(rowBytes * static_cast<std::size_t>(factor));
    impl_->shrinkSums.resize(static_cast<std::size_t>(pw) * static_cast<std::size_t>(channels));
    JSAMPROW rows[8];
    for (int i = 0; i < factor; ++i) rows[i] = impl_->shrinkRows.data() + rowBytes * static_cast<std::size_t>(i);
    while (cinfo.output_scanline < cinfo.output_height) {
        CheckStop();
        const std::int64_t y0 = cinfo.output_scanline;
        const int n = static_cast<int>(std::min<std::int64_t>(factor, h - y0));
        for (int got = 0; got < n;) got += static_cast<int>(jpeg_read_scanlines(&cinfo, rows + got, static_cast<JDIMENSION>(n - got)));
        std::uint32_t* sums = impl_->shrinkSums.data();
        std::fill(impl_->shrinkSums.begin(), impl_->shrinkSums.end(), 0u);
        for (int i = 0; i < n; ++i) {
            if (channels == 4)
                AddBoxRow<4>(rows[i], w, factor, sums);
            else
                AddBoxRow<1>(rows[i], w, factor, sums);
        }
        std::uint8_t* dst = out[y0 / factor];
        for (std::int64_t px = 0; px < pw; ++px) {
            const std::uint32_t count = static_cast<std::uint32_t>(
                n * std::min<std::int64_t>(factor, static_cast<std::int64_t>(w) - px * factor));
            for (int c = 0; c < channels; ++c) {
                const std::size_t i = static_cast<std::size_t>(px) * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c);
                dst[i] = static_cast<std::uint8_t>((sums[i] + count / 2) / count);
            }
        }
    }
}

}  // namespace vellumo
