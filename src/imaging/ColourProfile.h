#pragma once
// Colour profiles and the conversion of pictures between them, over Little
// CMS. A photo's embedded ICC profile says what its pixel values mean; the
// screen has a profile of its own (or is taken as sRGB). Converting a
// decoded picture from the one to the other makes it look as its maker saw
// it. A photo without a profile is sRGB.
#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/Bmp.h"

namespace vellumo {

// An ICC profile as bytes; no bytes stand for sRGB.
class ColourProfile {
public:
    ColourProfile() = default;
    explicit ColourProfile(std::vector<std::uint8_t> icc);

    bool IsSrgb() const { return icc_.empty(); }
    const std::vector<std::uint8_t>& Icc() const { return icc_; }
    // A hash of the bytes (0 for sRGB): the key of the conversions kept.
    std::uint64_t Key() const { return key_; }
    bool operator==(const ColourProfile& other) const { return key_ == other.key_ && icc_ == other.icc_; }

private:
    std::vector<std::uint8_t> icc_;
    std::uint64_t key_ = 0;
};

using ColourProfilePtr = std::shared_ptr<const ColourProfile>;

// The one sRGB profile object.
const ColourProfilePtr& SrgbProfile();
// Both null, or both the same profile.
bool SameProfile(const ColourProfilePtr& a, const ColourProfilePtr& b);

// Converts the picture from the colours of source to those of target in
// place: 32-bit pixels (blue, green, red; the fourth byte is kept), or the
// palette of a 1- or 8-bit picture. A source profile that cannot be used
// (damaged, or of CMYK or another kind of colour) counts as sRGB; a target
// that cannot be used leaves the picture as it is. Returns whether the
// pixels may have changed: false for a conversion that changes no colour
// (sRGB to sRGB, a profile equal to sRGB), whose pixels stay untouched.
// Large pictures are converted on several threads. Thread-safe; the
// conversions made are kept for the next pictures of the same profiles.
bool ConvertColours(CBmp& bmp, const ColourProfile& source, const ColourProfile& target);

// The conversion of a 32-bit picture row by row on a thread of its own,
// while a decoder that fills the rows one after the other on one processor
// writes the next ones: the conversion then costs next to no time.
class RowConversion {
public:
    RowConversion(const ColourProfile& source, const ColourProfile& target);
    // Stops the thread (the rows not converted stay as they are).
    ~RowConversion();
    RowConversion(const RowConversion&) = delete;
    RowConversion& operator=(const RowConversion&) = delete;

    // The conversion changes colours (else every call below does nothing).
    bool Active() const;
    // The rows of blue, green, red, alpha pixels, none of them written yet.
    void Start(std::uint8_t* const* lines, int width, int height);
    // Rows 0 to rows - 1 are written.
    void RowsReady(int rows);
    // Every row is written: returns once all are converted.
    void Finish();

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace vellumo
