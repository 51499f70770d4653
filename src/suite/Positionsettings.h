#pragma once
// The viewer's choice of frame for the derived positions and the precise frame's extra inputs,
// kept in the viewer's own settings section ("Driftline"): Frame (0 classic, the default; 1 ICRS),
// Humidity (percent, default 50) and DUT1 (UT1 - UTC in seconds, default 0). The site, pressure
// and temperature come from the suite's settings (TGlobal).
#include "astro/Preciseunit.h"
#include "astro/Site.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace driftline {

class TGlobal;
class TIniReader;

inline constexpr const char* FrameKey = "Frame";
inline constexpr const char* HumidityKey = "Humidity";
inline constexpr const char* Dut1Key = "DUT1";
inline constexpr double DefaultHumidityPercent = 50.0;
// UT1 - UTC is kept within 0.9 s by leap seconds; a setting beyond a second is taken as a mistake.
inline constexpr double MaxDut1Seconds = 1.0;

struct TPositionSettings {
    TPositionFrame frame = TPositionFrame::Classic;
    double humidityPercent = DefaultHumidityPercent;
    double dut1Seconds = 0.0;
    // Not a setting: the command line's --no-refraction. A pressure of 0 turns refraction off too.
    bool refraction = true;
};

// The frame, humidity and DUT1 of a settings section. A missing or malformed value takes its
// default: Frame other than 0 or 1 is classic, a humidity outside 0..100 or a DUT1 beyond
// MaxDut1Seconds (or not a number) is the default.
TPositionSettings ReadPositionSettings(const TIniReader& ini, std::string_view section);

// The site and air of the precise frame: latitude, longitude, height, pressure (hPa, the same
// number as millibars) and temperature of the site (SiteFromSettings) with the humidity and DUT1
// above (pressure 0 without refraction). The equinox flag plays no part in this frame.
TPreciseSite PreciseSiteFor(const TSite& where, const TPositionSettings& settings);

// What a sample store's preciseSite should be for these settings: empty in the classic frame.
std::optional<TPreciseSite> FrameSite(const TSite& where, const TPositionSettings& settings);

// "Classic (of date)" or "ICRS (J2000)": the menu's and the status bar's name of a frame.
const char* FrameCaption(TPositionFrame frame);

}  // namespace driftline
