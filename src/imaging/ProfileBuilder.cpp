#include "imaging/ProfileBuilder.h"

#include <cmath>

#include <lcms2.h>

namespace vellumo {

namespace {

bool Near(double a, double b, double tolerance) { return std::abs(a - b) <= tolerance; }

bool NearSrgb(const Chromaticities& c) {
    const Chromaticities s;
    return Near(c.whiteX, s.whiteX, 0.01) && Near(c.whiteY, s.whiteY, 0.01) && Near(c.redX, s.redX, 0.01) &&
           Near(c.redY, s.redY, 0.01) && Near(c.greenX, s.greenX, 0.01) && Near(c.greenY, s.greenY, 0.01) &&
           Near(c.blueX, s.blueX, 0.01) && Near(c.blueY, s.blueY, 0.01);
}

// Inside the xy diagram's square, with a y to divide by.
bool Plausible(const Chromaticities& c) {
    for (double v : {c.whiteX, c.redX, c.greenX, c.blueX})
        if (!(v >= 0.0 && v <= 1.0)) return false;
    for (double v : {c.whiteY, c.redY, c.greenY, c.blueY})
        if (!(v > 0.0 && v <= 1.0)) return false;
    return true;
}

}  // namespace

std::vector<std::uint8_t> BuildRgbProfile(const Chromaticities& c, TransferCurve curve, double exponent) {
    if (!Plausible(c)) return {};
    const cmsCIExyY white{c.whiteX, c.whiteY, 1.0};
    const cmsCIExyYTRIPLE primaries{{c.redX, c.redY, 1.0}, {c.greenX, c.greenY, 1.0}, {c.blueX, c.blueY, 1.0}};
    cmsToneCurve* tone = nullptr;
    if (curve == TransferCurve::Srgb) {
        const double parameters[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
        tone = cmsBuildParametricToneCurve(nullptr, 4, parameters);
    } else {
        tone = cmsBuildGamma(nullptr, exponent);
    }
    if (!tone) return {};
    cmsToneCurve* curves[3] = {tone, tone, tone};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsFreeToneCurve(tone);
    if (!profile) return {};
    std::vector<std::uint8_t> bytes;
    cmsUInt32Number size = 0;
    if (cmsSaveProfileToMem(profile, nullptr, &size) && size > 0) {
        bytes.resize(size);
        if (!cmsSaveProfileToMem(profile, bytes.data(), &size)) bytes.clear();
    }
    cmsCloseProfile(profile);
    return bytes;
}

std::vector<std::uint8_t> ProfileOfPngChunks(std::optional<double> fileGamma, std::optional<Chromaticities> chromaticities) {
    if (chromaticities && !Plausible(*chromaticities)) chromaticities.reset();
    // A gamma of 1/2.2 is what sRGB pictures are written with.
    const bool srgbCurve = !fileGamma || (*fileGamma >= 0.44 && *fileGamma <= 0.47) || !(*fileGamma >= 0.2 && *fileGamma <= 5.0);
    const bool srgbPrimaries = !chromaticities || NearSrgb(*chromaticities);
    if (srgbCurve && srgbPrimaries) return {};
    return BuildRgbProfile(chromaticities.value_or(Chromaticities{}), srgbCurve ? TransferCurve::Srgb : TransferCurve::Power,
                           srgbCurve ? 1.0 : 1.0 / *fileGamma);
}

std::vector<std::uint8_t> ProfileOfNclx(int primaries, int transfer) {
    if (transfer == 16 || transfer == 17 || transfer == 18) return {};
    Chromaticities c;  // BT.709 and sRGB, also for unspecified and unknown primaries
    switch (primaries) {
        case 5:  // BT.470 B/G
            c.greenX = 0.29;
            break;
        case 6:  // SMPTE 170M and 240M
        case 7:
            c = {0.3127, 0.3290, 0.630, 0.340, 0.310, 0.595, 0.155, 0.070};
            break;
        case 9:  // BT.2020
            c = {0.3127, 0.3290, 0.708, 0.292, 0.170, 0.797, 0.131, 0.046};
            break;
        case 11:  // DCI-P3
            c = {0.314, 0.351, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
            break;
        case 12:  // Display P3
            c = {0.3127, 0.3290, 0.680, 0.320, 0.265, 0.690, 0.150, 0.060};
            break;
        default:
            break;
    }
    TransferCurve curve = TransferCurve::Srgb;
    double exponent = 1.0;
    if (transfer == 4 || transfer == 5 || transfer == 8) {
        curve = TransferCurve::Power;
        exponent = transfer == 4 ? 2.2 : transfer == 5 ? 2.8 : 1.0;
    }
    if (curve == TransferCurve::Srgb && NearSrgb(c)) return {};
    return BuildRgbProfile(c, curve, exponent);
}

}  // namespace vellumo
