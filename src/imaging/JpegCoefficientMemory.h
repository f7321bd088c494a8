#pragma once
// The whole-image coefficient arrays libjpeg keeps for progressive files
// (every coefficient of the picture: 90 MB for a 15-megapixel photo), and
// what the decoder does about their memory: during the single output pass of
// a full decode the rows of blocks the pass has left behind are given back to
// the system, so the arrays shrink while the bitmap fills and the two never
// take their whole size at once.
// The arrays' row pointers are the first member of the library's virtual
// array record, in every release of the library since 6b.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>

namespace vellumo {

// The rows of blocks of component ci's array, as the library allocated them;
// nullptr when the decompressor has no whole-image arrays.
JBLOCKARRAY CoefficientRows(j_decompress_ptr cinfo, int ci, JDIMENSION* height);

// Which component's array `array` is; -1 for none.
int CoefficientComponent(j_decompress_ptr cinfo, jvirt_barray_ptr array);

// Gives back the whole pages inside rows of blocks [first, last) of
// component ci's array. The rows must not be read again.
void ReleaseCoefficientRows(j_decompress_ptr cinfo, int ci, JDIMENSION first, JDIMENSION last);

// Faults in, in one call, the pages of rows of blocks [first, last) of
// component ci's array, ahead of their first writes: cheaper than a fault
// per page. Does nothing where the system cannot.
void PopulateCoefficientRows(j_decompress_ptr cinfo, int ci, JDIMENSION first, JDIMENSION last);

class CoefficientRelease {
public:
    // Before the last output pass: after jpeg_start_decompress, or in
    // buffered-image mode the pass after all input is in. Nothing is
    // released for files without whole-image arrays.
    void Begin(j_decompress_ptr cinfo);
    // After each jpeg_read_scanlines: releases the rows the pass will not
    // read again (block smoothing looks two rows of iMCUs back).
    void RowsDone(j_decompress_ptr cinfo);
    void End() { released_.clear(); }

private:
    // Per component: pages below this address are given back, and the row
    // that address lies in.
    struct Released {
        std::uintptr_t below = 0;
        JDIMENSION row = 0;
    };
    std::vector<Released> released_;
};

}  // namespace vellumo
