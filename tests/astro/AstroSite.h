#pragma once
// Sites for the formula tests, written as the settings file writes them: signed whole degrees,
// minutes and seconds (the minutes and seconds take the sign of the degrees), folded into
// [0, 360) by TAngle as the settings reader folds them.
#include "astro/Angleunit.h"
#include "astro/Site.h"

#include <cstdint>
#include <string_view>

namespace driftline::testing {

inline TSite SiteAt(int latDeg, int latMin, int longDeg, int longMin, std::string_view equinox = "J2000",
                    int latSec = 0, int longSec = 0)
{
    TSite site;
    site.latitudeDeg = TAngle(static_cast<std::int16_t>(latDeg), static_cast<std::int16_t>(latMin),
                              static_cast<std::int16_t>(latSec))
                           .Value();
    site.longitudeDeg = TAngle(static_cast<std::int16_t>(longDeg), static_cast<std::int16_t>(longMin),
                               static_cast<std::int16_t>(longSec))
                            .Value();
    site.j2000 = equinox != "J1950";
    return site;
}

}  // namespace driftline::testing
