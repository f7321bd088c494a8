#pragma once
// 8-bit YCbCr planes (4:2:0, 4:2:2, 4:4:4 or luma only), with an optional
// alpha plane, turned into BGRA rows on both cores.
//
// The colour comes out as libheif 1.15's own conversion gives it, within a
// level of rounding: 4:2:0 chroma interpolated between the samples around
// each pixel, 4:2:2 chroma standing for the two pixels it covers, limited
// range stretched with the same factors, and a luma-only picture its luma
// in all three colours, whatever the range.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace vellumo {

struct YcbcrPlanes {
    int width = 0, height = 0;
    const std::uint8_t* y = nullptr;
    std::ptrdiff_t yStride = 0;
    // Null for a luma-only picture.
    const std::uint8_t* cb = nullptr;
    const std::uint8_t* cr = nullptr;
    std::ptrdiff_t cbStride = 0, crStride = 0;
    // Chroma sample (x >> shiftX, y >> shiftY) covers pixel (x, y): 1 and 1
    // for 4:2:0, 1 and 0 for 4:2:2, 0 and 0 for 4:4:4.
    int shiftX = 0, shiftY = 0;
    // Null for opaque; samples of the picture's size otherwise.
    const std::uint8_t* alpha = nullptr;
    std::ptrdiff_t alphaStride = 0;
    // Colour stored premultiplied by alpha: divided out again.
    bool premultiplied = false;
};

// The factors of Cb and Cr in red, green and blue.
struct YcbcrMatrix {
    float rCr = 0, gCb = 0, gCr = 0, bCb = 0;
    bool fullRange = true;
};

// The matrix for an ISO/IEC 23091-2 matrix_coefficients value and range
// flag; none for the codes that are no plain matrix of Kr and Kb (identity,
// YCgCo, constant luminance, ICtCp, those derived from the primaries). An
// unspecified or reserved code means BT.601.
std::optional<YcbcrMatrix> MatrixForCode(int matrixCoefficients, bool fullRange);

// Fills rows[0 .. height) (width * 4 bytes each, B G R A) from the planes;
// a picture large enough is split between this thread and a second one.
// Looks at *stop every few rows and returns false once it is set (the rows
// then hold part of the picture).
bool ConvertToBgra(const YcbcrPlanes& planes, const YcbcrMatrix& matrix, std::uint8_t* const* rows,
                   const std::atomic<bool>* stop, std::int64_t minPixelsForTwoThreads = std::int64_t{1} << 18);

}  // namespace vellumo
