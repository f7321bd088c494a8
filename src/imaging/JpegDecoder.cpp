#include "imaging/JpegDecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <jpeglib.h>
#include <jerror.h>

#include "imaging/JpegCoefficientMemory.h"

#include "imaging/JpegText.h"

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

}  // namespace

struct CJPEGDecoder::Impl {
    jpeg_decompress_struct cinfo{};
    ErrorManager err{};
    jpeg_source_mgr source{};
    jpeg_progress_mgr progress{};
    ProgressSink* sink = nullptr;
    std::vector<JSAMPLE> grayRow;
    bool arraysAdvised = false;
    CoefficientRelease release;
};

namespace {

void OnProgress(j_common_ptr common) {
    auto* cinfo = reinterpret_cast<j_decompress_ptr>(common);
    auto* impl = reinterpret_cast<CJPEGDecoder::Impl*>(cinfo->client_data);
    // The first call comes after the arrays exist and before any scan fills them.
    if (impl && !impl->arraysAdvised) {
        impl->arraysAdvised = true;
        AdviseCoefficientArrays(cinfo);
    }
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
    bool ok = false;
    try {
        ok = DecodeGuarded(bmp, destBpp, source);
    } catch (...) {
        jpeg_abort_decompress(&impl_->cinfo);
        throw;
    }
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

void CJPEGDecoder::DecodeBody(CBmp& bmp, int& destBpp, CDataSource& source) {
    jpeg_decompress_struct& cinfo = impl_->cinfo;
    impl_->sink = source.GetProgressSink();
    impl_->arraysAdvised = false;
    impl_->source.next_input_byte = source.ReadRemainder();
    impl_->source.bytes_in_buffer = static_cast<std::size_t>(source.GetRemaining());
    cinfo.src = &impl_->source;
    cinfo.progress = &impl_->progress;
    // Whole-picture buffers of progressive files stay within what a picture
    // of the largest allowed size needs.
    cinfo.mem->max_memory_to_use = static_cast<long>(kPixelCap * 8 > LONG_MAX ? LONG_MAX : kPixelCap * 8);

    jpeg_save_markers(&cinfo, JPEG_APP0 + 13, kMarkerLimit);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 12, kMarkerLimit);
    jpeg_save_markers(&cinfo, JPEG_APP0 + 1, kMarkerLimit);
    jpeg_save_markers(&cinfo, JPEG_APP0, kMarkerLimit);
    jpeg_read_header(&cinfo, TRUE);
    BuildText();

    if (fast_) cinfo.do_fancy_upsampling = FALSE;
    cinfo.dct_method = JDCT_FLOAT;
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

    // The smallest scale n/8 whose longer side is still at least the hint.
    cinfo.scale_num = 8;
    cinfo.scale_denom = 8;
    if (sizeHint_ > 0) {
        const std::int64_t longSide = std::max(cinfo.image_width, cinfo.image_height);
        for (unsigned n = 1; n < 8; ++n) {
            if ((longSide * n + 7) / 8 >= sizeHint_) {
                cinfo.scale_num = n;
                break;
            }
        }
    }
    jpeg_start_decompress(&cinfo);
    const int w = static_cast<int>(cinfo.output_width);
    const int h = static_cast<int>(cinfo.output_height);
    if (gray) {
        destBpp = ChooseDestBpp(8, destBpp);
        CreateBitmap(bmp, w, h, destBpp, false, false);
    } else {
        destBpp = ChooseDestBpp(32, destBpp);
        CreateBitmap(bmp, w, h, 32, false, false);
        destBpp = 32;
    }
    std::uint8_t* const* lines = bmp.GetLineArray();
    impl_->release.Begin(&cinfo);
    if (gray && destBpp == 32) {
        impl_->grayRow.resize(static_cast<std::size_t>(w));
        while (cinfo.output_scanline < cinfo.output_height) {
            CheckStop();
            JSAMPROW row = impl_->grayRow.data();
            const int y = static_cast<int>(cinfo.output_scanline);
            jpeg_read_scanlines(&cinfo, &row, 1);
            impl_->release.RowsDone(&cinfo);
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
            impl_->release.RowsDone(&cinfo);
        }
    }
    impl_->release.End();
    jpeg_finish_decompress(&cinfo);
}

}  // namespace vellumo
