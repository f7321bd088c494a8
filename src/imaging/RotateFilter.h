#pragma once
// RotateFilter: turns a bitmap by an angle (radians, positive turns
// counter-clockwise on screen), nearest-neighbour, filling the corners with a
// colour. Whole quarter turns take a fast path with the same result.
#include "imaging/BitmapFilter.h"
#include "platform/Geometry.h"

namespace vellumo {

class RotateFilter : public BitmapFilter {
public:
    RotateFilter(double angle, ColorRef fillColour) : angle_(angle), fill_(fillColour) {}

    void Apply(const CBmp& source, CBmp& destination) const override;
    // The pixel-by-pixel mapping, without the quarter-turn shortcut.
    void ApplyGeneral(const CBmp& source, CBmp& destination) const;

    // cos and sin of the turn as the mapping uses them: values within 1e-12
    // of 0, 1 or -1 are taken as exact, so quarter turns map whole pixels.
    static void SineCosine(double angle, double& cs, double& sn);

private:
    double angle_;
    ColorRef fill_;
};

}  // namespace vellumo
