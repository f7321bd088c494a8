#include "imaging/JpegCoefficientMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

#include <jpegint.h>

#include "imaging/Bmp.h"

namespace vellumo {

namespace {

constexpr std::uintptr_t kReleaseStep = std::uintptr_t{256} << 10;

struct ArrayShape {
    JBLOCKARRAY rows = nullptr;
    JDIMENSION height = 0;  // rows of blocks
    JDIMENSION width = 0;   // blocks per row
};

// The array of component ci as the library allocated it: its height and
// width rounded up to the component's sampling factors.
ArrayShape ShapeOf(j_decompress_ptr cinfo, int ci) {
    ArrayShape shape;
    if (!cinfo->coef || !cinfo->coef->coef_arrays || ci >= cinfo->num_components) return shape;
    const jvirt_barray_ptr array = cinfo->coef->coef_arrays[ci];
    if (!array) return shape;
    const jpeg_component_info& comp = cinfo->comp_info[ci];
    const auto v = static_cast<JDIMENSION>(comp.v_samp_factor), h = static_cast<JDIMENSION>(comp.h_samp_factor);
    if (v == 0 || h == 0) return shape;
    shape.rows = *reinterpret_cast<const JBLOCKARRAY*>(array);
    shape.height = (comp.height_in_blocks + v - 1) / v * v;
    shape.width = (comp.width_in_blocks + h - 1) / h * h;
    return shape;
}

// Calls f(begin, end, firstRow) for each run of rows [first, last) lying one
// after the other in memory (firstRow: the run's first row).
template <typename F>
void ForEachRun(const ArrayShape& shape, JDIMENSION first, JDIMENSION last, F f) {
    if (!shape.rows || first >= last) return;
    JDIMENSION start = first;
    for (JDIMENSION r = first + 1; r <= last; ++r) {
        if (r < last && shape.rows[r] == shape.rows[r - 1] + shape.width) continue;
        f(reinterpret_cast<std::uintptr_t>(shape.rows[start]),
          reinterpret_cast<std::uintptr_t>(shape.rows[r - 1] + shape.width), start);
        start = r;
    }
}

}  // namespace

JBLOCKARRAY CoefficientRows(j_decompress_ptr cinfo, int ci, JDIMENSION* height) {
    const ArrayShape shape = ShapeOf(cinfo, ci);
    if (height) *height = shape.height;
    return shape.rows;
}

int CoefficientComponent(j_decompress_ptr cinfo, jvirt_barray_ptr array) {
    if (!cinfo->coef || !cinfo->coef->coef_arrays) return -1;
    for (int ci = 0; ci < cinfo->num_components; ++ci)
        if (cinfo->coef->coef_arrays[ci] == array) return ci;
    return -1;
}

void ReleaseCoefficientRows(j_decompress_ptr cinfo, int ci, JDIMENSION first, JDIMENSION last) {
    const ArrayShape shape = ShapeOf(cinfo, ci);
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    ForEachRun(shape, first, std::min(last, shape.height), [&](std::uintptr_t begin, std::uintptr_t end, JDIMENSION) {
        const std::uintptr_t from = (begin + page - 1) & ~(page - 1);
        const std::uintptr_t to = end & ~(page - 1);
        if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
    });
}

void PopulateCoefficientRows(j_decompress_ptr cinfo, int ci, JDIMENSION first, JDIMENSION last) {
    const ArrayShape shape = ShapeOf(cinfo, ci);
    ForEachRun(shape, first, std::min(last, shape.height), [](std::uintptr_t begin, std::uintptr_t end, JDIMENSION) {
        PopulateForWriting(reinterpret_cast<void*>(begin), end - begin);
    });
}

void CoefficientRelease::Begin(j_decompress_ptr cinfo) {
    released_.clear();
    // In buffered-image mode only the pass after the last scan is the last one.
    if ((cinfo->buffered_image && !jpeg_input_complete(cinfo)) || !cinfo->coef || !cinfo->coef->coef_arrays) return;
    released_.assign(static_cast<std::size_t>(cinfo->num_components), Released{});
}

void CoefficientRelease::RowsDone(j_decompress_ptr cinfo) {
    if (released_.empty()) return;
    // The iMCU row being output and the two before it may still be read.
    if (cinfo->output_iMCU_row < 3) return;
    const JDIMENSION doneImcuRows = cinfo->output_iMCU_row - 3;
    const auto page = static_cast<std::uintptr_t>(::sysconf(_SC_PAGESIZE));
    for (int ci = 0; ci < cinfo->num_components; ++ci) {
        const ArrayShape shape = ShapeOf(cinfo, ci);
        const JDIMENSION doneRows =
            std::min<JDIMENSION>(doneImcuRows * static_cast<JDIMENSION>(cinfo->comp_info[ci].v_samp_factor), shape.height);
        Released& done = released_[static_cast<std::size_t>(ci)];
        // From the row the last release ended in: the rows before it are
        // given back already. Looking at them again on every call, or at
        // fewer rows than a step, would make a tall picture cost rows x rows.
        const std::uintptr_t rowBytes = std::uintptr_t{shape.width} * sizeof(JBLOCK);
        if (doneRows <= done.row || (doneRows - done.row) * rowBytes < kReleaseStep) continue;
        ForEachRun(shape, done.row, doneRows, [&](std::uintptr_t begin, std::uintptr_t end, JDIMENSION firstRow) {
            // Whole pages inside the run, not given back before, in steps of
            // at least 256 KB to keep the calls few.
            const std::uintptr_t from = std::max((begin + page - 1) & ~(page - 1), done.below > begin ? done.below : 0);
            const std::uintptr_t to = end & ~(page - 1);
            if (to <= from || to - from < kReleaseStep) return;
            ::madvise(reinterpret_cast<void*>(from), to - from, MADV_DONTNEED);
            done.below = to;
            // The row `to` lies in (rows of a run follow one another).
            done.row = firstRow + static_cast<JDIMENSION>((to - begin) / rowBytes);
        });
    }
}

}  // namespace vellumo
