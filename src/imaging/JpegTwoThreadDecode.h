#pragma once
// A whole progressive JPEG decoded on two threads, to exactly the pixels one
// libjpeg decompressor with the same settings gives.
//
// Entropy decoding is most of the work for such a file, and its scans are
// independent between components (the DC scans, which interleave them, are
// short). So:
//   - one thread entropy-decodes the scans of the first component (the
//     luminance), the other those of the rest, each from a copy of the file
//     without the other's scans; each decompressor keeps the coefficients of
//     its own components and drops what the shared DC scans carry for the
//     others;
//   - once the first scans have given every component its DC coefficients,
//     each thread copies those of its own components, and the calling
//     thread makes the first picture from them (one pixel per block);
//   - two more decompressors, which read only the frame, the tables and the
//     first scan headers, turn those coefficients into pixels: the second
//     thread from the top, as soon as the file's last scan has passed a row,
//     the first thread the lower half of what is left once its scans are in.
// Block smoothing never applies once every scan is in, so the pixel
// decompressors go without it. Coefficient rows go back to the system once
// their pixels are out, as in a decode on one thread.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

#include <jpeglib.h>

namespace vellumo {

struct TwoThreadJpegJob {
    const std::uint8_t* data = nullptr;  // the whole file
    std::size_t size = 0;
    // The file's header read and the output settings made (colour space,
    // scale, DCT method, upsampling); its output dimensions calculated.
    const jpeg_decompress_struct* settings = nullptr;
    std::uint8_t* const* rows = nullptr;  // output_height rows of the output's width
    const std::atomic<bool>* stop = nullptr;
    std::function<void(double)> progress;  // fraction done, from the calling thread
    // When set: the picture of the DC coefficients (one pixel per 8 x 8
    // block of the largest component, BGRX rows of width * 4 bytes), called
    // on the calling thread once every component's DC coefficients are in,
    // and no more than once. Exceptions must not leave it.
    std::function<void(const std::uint8_t* bgrx, int width, int height)> firstPicture;
};

// True for files this decode is for: progressive, three components, at full
// size, large enough for a second thread to pay.
bool SuitsTwoThreadDecode(const jpeg_decompress_struct& settings);

enum class TwoThreadResult {
    Decoded,  // the rows hold the picture
    NotDone,  // a file this decode does not take (its scans not understood,
              // cut short, damaged, with warnings), a library error, or a
              // stop; the rows may hold part of a picture
};

// Runs on the calling thread and one more; returns when both are done.
TwoThreadResult DecodeOnTwoThreads(const TwoThreadJpegJob& job);

}  // namespace vellumo
