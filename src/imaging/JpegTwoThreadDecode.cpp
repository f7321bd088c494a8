#include "imaging/JpegTwoThreadDecode.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include <jerror.h>

#include "imaging/JpegCoefficientMemory.h"
#include "imaging/JpegScanFilter.h"
#include "imaging/RowPrefault.h"

namespace vellumo {

namespace {

// Below this many pixels the second thread costs more than it saves.
constexpr std::int64_t kMinPixels = std::int64_t{1} << 20;
// More scans than this are left to the one-thread decode, which refuses them.
constexpr int kMaxScans = 1000;
// Coefficient rows go back to the system in steps of this many iMCU rows.
constexpr JDIMENSION kReleaseStep = 8;
// Coefficient pages are faulted in ahead of the decode in steps of about this size.
constexpr std::size_t kPopulateStep = std::size_t{1} << 20;

struct Shared;

// One decompressor and what its callbacks need.
struct Part {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr err{};
    std::jmp_buf jump;
    jpeg_progress_mgr progress{};
    Shared* shared = nullptr;
    int group = -1;  // entropy decompressors: the group of components whose scans it decodes
    int scans = 0;   // entropy decompressors: the scans of their copy of the file
    bool dcCopied = false;  // entropy decompressors: their DC coefficients are in Shared::dc
    JDIMENSION rowsPopulated = 0;  // pixel decompressors: output rows faulted in up to here
    std::vector<std::uint8_t> stream;
    JBLOCKARRAY (*libraryAccess)(j_common_ptr, jvirt_barray_ptr, JDIMENSION, JDIMENSION, boolean) = nullptr;
    // Rows for the blocks this decompressor decodes but does not keep, per component.
    std::vector<std::vector<JCOEF>> scratch;
    std::vector<std::vector<JBLOCKROW>> scratchRows;

    Part() {
        jpeg_std_error(&err);
        err.error_exit = [](j_common_ptr c) { std::longjmp(static_cast<Part*>(c->client_data)->jump, 1); };
        err.output_message = [](j_common_ptr) {};
        cinfo.err = &err;
        cinfo.client_data = this;  // kept by jpeg_create_decompress
        jpeg_create_decompress(&cinfo);
        libraryAccess = cinfo.mem->access_virt_barray;
    }
    ~Part() { jpeg_destroy_decompress(&cinfo); }
    Part(const Part&) = delete;
    Part& operator=(const Part&) = delete;

    [[noreturn]] void Fail() { std::longjmp(jump, 1); }

    // The pages of component ci's rows up to `end` and some way beyond are
    // faulted in together before the library first writes (zeroes) them.
    void PopulateAhead(int ci, JDIMENSION end) {
        JDIMENSION& done = populated[static_cast<std::size_t>(ci)];
        if (end <= done) return;
        const jpeg_component_info& comp = cinfo.comp_info[ci];
        const std::size_t rowBytes = std::max<std::size_t>(1, comp.width_in_blocks * sizeof(JBLOCK));
        const auto step = static_cast<JDIMENSION>(std::max<std::size_t>(1, kPopulateStep / rowBytes));
        const JDIMENSION to = std::max(end, done + step);
        PopulateCoefficientRows(&cinfo, ci, done, to);
        done = to;
    }
    std::array<JDIMENSION, MAX_COMPONENTS> populated{};

    // num rows of blocks of component ci that nothing reads back.
    JBLOCKARRAY Scratch(int ci, JDIMENSION num) {
        const jpeg_component_info& comp = cinfo.comp_info[ci];
        const auto h = static_cast<std::size_t>(comp.h_samp_factor);
        const std::size_t width = (comp.width_in_blocks + h - 1) / h * h;
        if (scratch.size() < static_cast<std::size_t>(cinfo.num_components)) {
            scratch.resize(static_cast<std::size_t>(cinfo.num_components));
            scratchRows.resize(static_cast<std::size_t>(cinfo.num_components));
        }
        auto& blocks = scratch[static_cast<std::size_t>(ci)];
        auto& rows = scratchRows[static_cast<std::size_t>(ci)];
        if (rows.size() < num || blocks.size() < width * num * DCTSIZE2) {
            blocks.assign(width * num * DCTSIZE2, 0);
            rows.resize(num);
        }
        for (JDIMENSION r = 0; r < num; ++r) rows[r] = reinterpret_cast<JBLOCKROW>(blocks.data() + width * DCTSIZE2 * r);
        return rows.data();
    }
};

struct Shared {
    const TwoThreadJpegJob* job = nullptr;
    Part entropy[2];  // [0]: the first component's scans, [1]: the others'
    Part pixels[2];   // [0]: the lower rows, on the calling thread; [1]: from the top
    std::vector<std::uint8_t> headers;
    std::vector<int> groupOf;  // per component index
    JDIMENSION imcuRows = 0;
    JDIMENSION rowsPerImcu = 0;

    std::mutex lock;
    std::condition_variable changed;
    JDIMENSION final[2] = {0, 0};  // per group: iMCU rows whose coefficients are all in
    std::atomic<bool> failed{false};  // written under the lock, so waiters see it
    bool pixelsReady = false;
    JDIMENSION nextTop = 0;  // the next iMCU row the top decompressor takes
    JDIMENSION limit = 0;    // rows from here on belong to the lower decompressor
    int dcGroups = 0;        // groups whose DC coefficients are copied

    // The first picture's coefficients, per component: the dequantized DC of
    // each block, written by the component's thread before it counts dcGroups.
    std::vector<std::vector<int>> dc;
    bool firstPictureMade = false;  // calling thread only

    bool Stopped() const { return job->stop && job->stop->load(std::memory_order_relaxed); }

    void SetFailed() {
        std::lock_guard<std::mutex> hold(lock);
        failed = true;
        changed.notify_all();
    }

    void Publish(int group, JDIMENSION rows) {
        std::lock_guard<std::mutex> hold(lock);
        if (rows <= final[group]) return;
        final[group] = rows;
        changed.notify_all();
    }

    // Waits until `pred` holds; false on failure or stop.
    template <typename Pred>
    bool WaitFor(Pred pred) {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            if (failed) return false;
            if (pred()) return true;
            if (Stopped()) return false;
            // The stop flag is only looked at, never signalled.
            changed.wait_for(hold, std::chrono::milliseconds(5));
        }
    }
};

// Entropy decompressors: the arrays of the other group's components get
// scratch rows, so their memory is never touched.
JBLOCKARRAY EntropyAccess(j_common_ptr c, jvirt_barray_ptr array, JDIMENSION start, JDIMENSION num, boolean writable) {
    auto* part = static_cast<Part*>(c->client_data);
    const int ci = CoefficientComponent(&part->cinfo, array);
    if (ci >= 0 && part->shared->groupOf[static_cast<std::size_t>(ci)] != part->group) return part->Scratch(ci, num);
    if (ci >= 0) part->PopulateAhead(ci, start + num);
    return part->libraryAccess(c, array, start, num, writable);
}

// Pixel decompressors: the writes of their empty scans go to scratch rows;
// reads wait until the row is final and come from the entropy
// decompressor that owns the component.
JBLOCKARRAY PixelAccess(j_common_ptr c, jvirt_barray_ptr array, JDIMENSION start, JDIMENSION num, boolean writable) {
    auto* part = static_cast<Part*>(c->client_data);
    Shared& s = *part->shared;
    const int ci = CoefficientComponent(&part->cinfo, array);
    if (ci < 0) part->Fail();
    if (writable) return part->Scratch(ci, num);
    const int group = s.groupOf[static_cast<std::size_t>(ci)];
    const JDIMENSION row = part->cinfo.output_iMCU_row;
    if (!s.WaitFor([&] { return s.final[group] > row; })) part->Fail();
    JDIMENSION height = 0;
    JBLOCKARRAY rows = CoefficientRows(&s.entropy[group].cinfo, ci, &height);
    if (!rows || start + num > height) part->Fail();
    return rows + start;
}

// After a whole scan, once each of the group's components has DC
// coefficients: they go into Shared::dc, dequantized.
void CopyDcWhenIn(Shared& s, Part& part) {
    j_decompress_ptr cinfo = &part.cinfo;
    if (part.dcCopied || !s.job->firstPicture || cinfo->input_iMCU_row < cinfo->total_iMCU_rows || !cinfo->coef_bits)
        return;
    for (int ci = 0; ci < cinfo->num_components; ++ci)
        if (s.groupOf[static_cast<std::size_t>(ci)] == part.group &&
            (cinfo->coef_bits[ci][0] < 0 || !cinfo->comp_info[ci].quant_table))
            return;
    for (int ci = 0; ci < cinfo->num_components; ++ci) {
        if (s.groupOf[static_cast<std::size_t>(ci)] != part.group) continue;
        const jpeg_component_info& comp = cinfo->comp_info[ci];
        JDIMENSION height = 0;
        JBLOCKARRAY rows = CoefficientRows(cinfo, ci, &height);
        if (!rows || height < comp.height_in_blocks) return;
        const int quant = comp.quant_table->quantval[0];
        std::vector<int>& plane = s.dc[static_cast<std::size_t>(ci)];
        plane.resize(static_cast<std::size_t>(comp.width_in_blocks) * comp.height_in_blocks);
        std::size_t i = 0;
        for (JDIMENSION y = 0; y < comp.height_in_blocks; ++y)
            for (JDIMENSION x = 0; x < comp.width_in_blocks; ++x) plane[i++] = rows[y][x][0] * quant;
    }
    part.dcCopied = true;
    std::lock_guard<std::mutex> hold(s.lock);
    ++s.dcGroups;
}

// The first picture from Shared::dc, as the library's 1/8 scale would give
// it without its rounding subtleties: each block's mean, the chroma blocks
// stretched over the pixels they cover, then turned into RGB.
void MakeFirstPicture(Shared& s) {
    const jpeg_decompress_struct& settings = *s.job->settings;
    const jpeg_component_info* comps = s.entropy[0].cinfo.comp_info;
    const int width = static_cast<int>((settings.image_width + 7) / 8);
    const int height = static_cast<int>((settings.image_height + 7) / 8);
    const int maxH = settings.max_h_samp_factor, maxV = settings.max_v_samp_factor;
    if (width <= 0 || height <= 0 || maxH <= 0 || maxV <= 0) return;
    std::vector<std::uint8_t> bgrx(static_cast<std::size_t>(width) * height * 4);
    const bool ycc = settings.jpeg_color_space == JCS_YCbCr;
    auto sample = [&](int ci, int x, int y) {
        const jpeg_component_info& comp = comps[ci];
        const int bx = std::min<int>(x * comp.h_samp_factor / maxH, static_cast<int>(comp.width_in_blocks) - 1);
        const int by = std::min<int>(y * comp.v_samp_factor / maxV, static_cast<int>(comp.height_in_blocks) - 1);
        const int v = s.dc[static_cast<std::size_t>(ci)][static_cast<std::size_t>(by) * comp.width_in_blocks + bx];
        return static_cast<double>(std::clamp((v + 4) / 8 + 128, 0, 255));
    };
    auto byte = [](double v) { return static_cast<std::uint8_t>(std::clamp(v + 0.5, 0.0, 255.0)); };
    for (int y = 0; y < height; ++y) {
        std::uint8_t* out = bgrx.data() + static_cast<std::size_t>(y) * width * 4;
        for (int x = 0; x < width; ++x, out += 4) {
            const double a = sample(0, x, y), b = sample(1, x, y), c = sample(2, x, y);
            if (ycc) {
                out[0] = byte(a + 1.772 * (b - 128));
                out[1] = byte(a - 0.344136 * (b - 128) - 0.714136 * (c - 128));
                out[2] = byte(a + 1.402 * (c - 128));
            } else {
                out[0] = byte(c);
                out[1] = byte(b);
                out[2] = byte(a);
            }
            out[3] = 0xFF;
        }
    }
    s.job->firstPicture(bgrx.data(), width, height);
}

// The calling thread: the first picture once both groups have copied their
// DC coefficients.
void FirstPictureWhenIn(Shared& s) {
    if (s.firstPictureMade || !s.job->firstPicture) return;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        if (s.dcGroups < 2) return;
    }
    s.firstPictureMade = true;
    MakeFirstPicture(s);
}

// Entropy decompressors, before each iMCU row: publish the rows the last
// scan has passed, copy the DC coefficients for the first picture, report
// progress.
void EntropyProgress(j_common_ptr c) {
    auto* part = static_cast<Part*>(c->client_data);
    Shared& s = *part->shared;
    j_decompress_ptr cinfo = &part->cinfo;
    // No lock may be held here: Fail leaves through longjmp.
    if (s.failed || s.Stopped()) part->Fail();
    if (cinfo->input_scan_number >= part->scans) s.Publish(part->group, cinfo->input_iMCU_row);
    CopyDcWhenIn(s, *part);
    if (part->group == 0) FirstPictureWhenIn(s);
    if (part->group == 0 && s.job->progress) {
        const jpeg_progress_mgr* p = cinfo->progress;
        if (p->pass_limit > 0 && p->total_passes > 0)
            s.job->progress((static_cast<double>(p->pass_counter) / p->pass_limit + p->completed_passes) / p->total_passes);
    }
}

bool RunEntropy(Shared& s, int group) {
    Part& part = s.entropy[group];
    if (setjmp(part.jump)) {
        s.SetFailed();
        return false;
    }
    jpeg_mem_src(&part.cinfo, part.stream.data(), static_cast<unsigned long>(part.stream.size()));
    part.cinfo.mem->max_memory_to_use = s.job->settings->mem->max_memory_to_use;
    part.cinfo.mem->access_virt_barray = EntropyAccess;
    part.progress.progress_monitor = EntropyProgress;
    part.cinfo.progress = &part.progress;
    jpeg_read_header(&part.cinfo, TRUE);
    jpeg_read_coefficients(&part.cinfo);
    if (part.err.num_warnings != 0 || part.cinfo.input_scan_number != part.scans) part.Fail();
    s.Publish(group, s.imcuRows);
    return true;
}

// Reads the headers and starts the output; its empty scans cost a pass over
// the MCUs and nothing else.
bool SetUpPixels(Shared& s, Part& part) {
    if (setjmp(part.jump)) {
        s.SetFailed();
        return false;
    }
    const jpeg_decompress_struct& settings = *s.job->settings;
    jpeg_mem_src(&part.cinfo, s.headers.data(), static_cast<unsigned long>(s.headers.size()));
    part.cinfo.mem->max_memory_to_use = settings.mem->max_memory_to_use;
    part.cinfo.mem->access_virt_barray = PixelAccess;
    jpeg_read_header(&part.cinfo, TRUE);
    part.cinfo.out_color_space = settings.out_color_space;
    part.cinfo.scale_num = settings.scale_num;
    part.cinfo.scale_denom = settings.scale_denom;
    part.cinfo.dct_method = settings.dct_method;
    part.cinfo.do_fancy_upsampling = settings.do_fancy_upsampling;
    part.cinfo.do_block_smoothing = FALSE;
    part.cinfo.buffered_image = FALSE;
    part.cinfo.quantize_colors = FALSE;
    jpeg_start_decompress(&part.cinfo);
    if (part.cinfo.output_width != settings.output_width || part.cinfo.output_height != settings.output_height ||
        part.cinfo.output_components != settings.output_components)
        part.Fail();
    return true;
}

// Gives back the coefficient rows of iMCU rows [first, last).
void Release(Shared& s, JDIMENSION first, JDIMENSION last) {
    if (first >= last) return;
    for (std::size_t ci = 0; ci < s.groupOf.size(); ++ci) {
        Part& owner = s.entropy[s.groupOf[ci]];
        const auto v = static_cast<JDIMENSION>(owner.cinfo.comp_info[ci].v_samp_factor);
        ReleaseCoefficientRows(&owner.cinfo, static_cast<int>(ci), first * v, last * v);
    }
}

// Outputs the rows of iMCU row `imcu`; the decompressor stands at its start.
void OutputImcuRow(Shared& s, Part& part, JDIMENSION imcu) {
    const JDIMENSION end = std::min((imcu + 1) * s.rowsPerImcu, part.cinfo.output_height);
    // The output's pages are faulted in a step ahead of the rows, in one
    // call per step instead of a fault per page.
    if (part.rowsPopulated < end) {
        const std::size_t rowBytes =
            static_cast<std::size_t>(part.cinfo.output_width) * static_cast<std::size_t>(part.cinfo.output_components);
        const JDIMENSION from = std::max(part.rowsPopulated, part.cinfo.output_scanline);
        const auto step = static_cast<JDIMENSION>(std::max<std::size_t>(1, kPopulateStep / std::max<std::size_t>(1, rowBytes)));
        const JDIMENSION to = std::min(part.cinfo.output_height, std::max(end, from + step));
        PopulateRows(s.job->rows, static_cast<int>(from), static_cast<int>(to), rowBytes);
        part.rowsPopulated = to;
    }
    while (part.cinfo.output_scanline < end) {
        const JDIMENSION y = part.cinfo.output_scanline;
        jpeg_read_scanlines(&part.cinfo, const_cast<JSAMPARRAY>(s.job->rows + y), end - y);
    }
}

// The second thread: its scans, then the pixel decompressors, then rows from
// the top until they meet the lower part.
void RunSecondThread(Shared& s) {
    if (!RunEntropy(s, 1)) return;
    if (!SetUpPixels(s, s.pixels[1]) || !SetUpPixels(s, s.pixels[0])) return;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        s.pixelsReady = true;
        s.changed.notify_all();
    }
    Part& part = s.pixels[1];
    if (setjmp(part.jump)) {
        s.SetFailed();
        return;
    }
    JDIMENSION released = 0;
    for (;;) {
        JDIMENSION imcu = 0, limit = 0;
        {
            std::lock_guard<std::mutex> hold(s.lock);
            if (s.failed || s.nextTop >= s.limit) break;
            imcu = s.nextTop++;
            limit = s.limit;
        }
        if (s.Stopped()) part.Fail();
        OutputImcuRow(s, part, imcu);
        // The row before the lower part's first is read by it too.
        const JDIMENSION done = std::min(imcu + 1, limit > 0 ? limit - 1 : 0);
        if (done >= released + kReleaseStep) {
            Release(s, released, done);
            released = done;
        }
    }
}

// The calling thread, once its scans are in: the lower half of the rows left.
bool RunLowerPart(Shared& s) {
    if (!s.WaitFor([&] { return s.pixelsReady; })) return false;
    JDIMENSION first = 0;
    {
        std::lock_guard<std::mutex> hold(s.lock);
        first = std::min(s.imcuRows, std::max(s.nextTop + 1, (s.nextTop + s.imcuRows + 1) / 2));
        s.limit = first;
    }
    if (first >= s.imcuRows) return true;
    Part& part = s.pixels[0];
    if (setjmp(part.jump)) {
        s.SetFailed();
        return false;
    }
    jpeg_skip_scanlines(&part.cinfo, first * s.rowsPerImcu);
    // Its own first row stays: the last row of the upper part may reach it.
    JDIMENSION released = first + 1;
    for (JDIMENSION imcu = first; imcu < s.imcuRows; ++imcu) {
        if (s.Stopped()) part.Fail();
        OutputImcuRow(s, part, imcu);
        if (imcu + 1 >= released + kReleaseStep) {
            Release(s, released, imcu + 1);
            released = imcu + 1;
        }
    }
    return true;
}

}  // namespace

bool SuitsTwoThreadDecode(const jpeg_decompress_struct& settings) {
    return settings.progressive_mode && settings.num_components == 3 && settings.scale_num == settings.scale_denom &&
           !settings.quantize_colors &&
           static_cast<std::int64_t>(settings.image_width) * settings.image_height >= kMinPixels;
}

TwoThreadResult DecodeOnTwoThreads(const TwoThreadJpegJob& job) {
    const jpeg_decompress_struct& settings = *job.settings;
    if (!SuitsTwoThreadDecode(settings) || std::thread::hardware_concurrency() < 2) return TwoThreadResult::NotDone;
    auto s = std::make_unique<Shared>();
    s->job = &job;
    const std::vector<int> first = {settings.comp_info[0].component_id};
    std::vector<int> others;
    for (int ci = 1; ci < settings.num_components; ++ci) others.push_back(settings.comp_info[ci].component_id);
    s->entropy[0].stream = ScansOfComponents(job.data, job.size, first, &s->entropy[0].scans);
    s->entropy[1].stream = ScansOfComponents(job.data, job.size, others, &s->entropy[1].scans);
    s->headers = FirstScanHeadersOnly(job.data, job.size);
    if (s->entropy[0].stream.empty() || s->entropy[1].stream.empty() || s->headers.empty() ||
        s->entropy[0].scans < 1 || s->entropy[1].scans < 1 || s->entropy[0].scans + s->entropy[1].scans > kMaxScans)
        return TwoThreadResult::NotDone;

    s->groupOf.assign(static_cast<std::size_t>(settings.num_components), 1);
    s->groupOf[0] = 0;
    s->rowsPerImcu = static_cast<JDIMENSION>(settings.max_v_samp_factor * settings.min_DCT_scaled_size);
    if (s->rowsPerImcu == 0) return TwoThreadResult::NotDone;
    s->imcuRows = (settings.output_height + s->rowsPerImcu - 1) / s->rowsPerImcu;
    s->dc.resize(static_cast<std::size_t>(settings.num_components));
    s->limit = s->imcuRows;
    for (int g = 0; g < 2; ++g) {
        s->entropy[g].shared = s.get();
        s->entropy[g].group = g;
        s->pixels[g].shared = s.get();
    }

    std::thread second;
    try {
        second = std::thread([&s] { RunSecondThread(*s); });
    } catch (const std::system_error&) {
        return TwoThreadResult::NotDone;
    }
    bool ok = RunEntropy(*s, 0);
    // The other thread copies its DC coefficients before it sets up its
    // pixels, which the lower part waits for anyway.
    if (ok && job.firstPicture && !s->firstPictureMade &&
        s->WaitFor([&] { return s->dcGroups >= 2 || s->pixelsReady; }))
        FirstPictureWhenIn(*s);
    ok = ok && RunLowerPart(*s);
    if (!ok) s->SetFailed();
    second.join();
    return !s->failed && !s->Stopped() ? TwoThreadResult::Decoded : TwoThreadResult::NotDone;
}

}  // namespace vellumo
