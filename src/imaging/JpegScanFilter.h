#pragma once
// Rewrites the scan list of a JPEG file, for decodes that need only part of
// its scans.
//
// Since the scans of a progressive file are independent except for the
// successive-approximation history of the coefficients they share, a file
// without some scans still decodes every coefficient the remaining scans
// carry to exactly the same values:
//   - decoded at 1/8 scale, a component's blocks go through a 1 x 1 inverse
//     DCT, which reads the DC coefficient alone, so the AC scans of that
//     component (most of the file) can go;
//   - the scans of one group of components can be entropy-decoded apart from
//     those of the others, on another thread;
//   - a decompressor that only turns coefficients decoded elsewhere into
//     pixels needs the frame, the tables and each component's first scan
//     header (where the library latches its quantization table), not the
//     scan data.
// Entropy-coded data runs to the next marker that is neither a stuffed byte
// nor a restart marker.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vellumo {

// `dcOnlyComponents` holds the component ids (as in the frame header) whose
// AC scans may go. Returns the file without those scans, or an empty vector
// when nothing would be dropped or the file's markers are not understood
// (the caller then decodes the original). A file cut short keeps whatever it
// has.
std::vector<std::uint8_t> StripUnusedAcScans(const std::uint8_t* data, std::size_t size,
                                             const std::vector<int>& dcOnlyComponents);

// The file with only the scans that hold at least one of `componentIds`
// (DC scans interleave components, so they stay whole). *scans: how many
// scans are left. Empty unless every marker is understood and the file ends
// with its end-of-image marker.
std::vector<std::uint8_t> ScansOfComponents(const std::uint8_t* data, std::size_t size,
                                            const std::vector<int>& componentIds, int* scans);

// The file with every segment but the scans, and of the scans only the
// header of the first one naming each component, without its data. Empty
// under the same conditions as ScansOfComponents.
std::vector<std::uint8_t> FirstScanHeadersOnly(const std::uint8_t* data, std::size_t size);

}  // namespace vellumo
