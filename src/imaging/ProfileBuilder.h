#pragma once
// ICC profiles for pictures that describe their colours without one: a PNG's
// gAMA and cHRM chunks, a HEIF or AVIF file's nclx colour box. Made with
// Little CMS; no bytes where the description is sRGB (near enough) or
// cannot make a profile, so such pictures stay as they are.
#include <cstdint>
#include <optional>
#include <vector>

namespace vellumo {

// CIE xy of a white point and three primaries.
struct Chromaticities {
    double whiteX = 0.3127, whiteY = 0.3290;
    double redX = 0.64, redY = 0.33;
    double greenX = 0.30, greenY = 0.60;
    double blueX = 0.15, blueY = 0.06;
};

enum class TransferCurve {
    Srgb,   // the sRGB curve
    Power,  // light = value ^ exponent
};

// An RGB profile of the primaries and the curve; empty when they make none
// (primaries on one line, say).
std::vector<std::uint8_t> BuildRgbProfile(const Chromaticities& c, TransferCurve curve, double exponent = 1.0);

// A PNG's gAMA (the file gamma, 0.45455 for a 2.2 screen) and cHRM values,
// each when present.
std::vector<std::uint8_t> ProfileOfPngChunks(std::optional<double> fileGamma, std::optional<Chromaticities> chromaticities);

// The colour primaries and transfer characteristics of an nclx colour box
// (ITU-T H.273 code points). HDR transfers (PQ, HLG) make none.
std::vector<std::uint8_t> ProfileOfNclx(int primaries, int transfer);

}  // namespace vellumo
