#pragma once
// Drops the scans of a progressive JPEG that a reduced-size decode never uses.
//
// Decoded at 1/8 scale, a component's blocks go through a 1 x 1 inverse DCT,
// which reads the DC coefficient alone; the AC scans of that component (most
// of the file) are decoded for nothing. Since the scans of a progressive file
// are independent except for the successive-approximation history of the
// coefficients they share, removing every AC scan of such a component leaves
// a file that decodes, at that scale and without block smoothing, to exactly
// the same pixels, several times faster.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vellumo {

// `dcOnlyComponents` holds the component ids (as in the frame header) whose
// AC scans may go. Returns the file without those scans, or an empty vector
// when nothing would be dropped or the file's markers are not understood
// (the caller then decodes the original). Entropy-coded data runs to the next
// marker that is neither a stuffed byte nor a restart marker; a file cut short
// keeps whatever it has.
std::vector<std::uint8_t> StripUnusedAcScans(const std::uint8_t* data, std::size_t size,
                                             const std::vector<int>& dcOnlyComponents);

}  // namespace vellumo
