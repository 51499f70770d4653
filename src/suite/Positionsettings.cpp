// The frame choice and the precise frame's settings.
#include "suite/Positionsettings.h"

#include "suite/Inifile.h"

#include <cmath>

namespace driftline {

TPositionSettings ReadPositionSettings(const TIniReader& ini, std::string_view section)
{
    TPositionSettings s;
    s.frame = ini.Int(section, FrameKey, 0) == 1 ? TPositionFrame::Icrs : TPositionFrame::Classic;
    const double humidity = ini.Real(section, HumidityKey, DefaultHumidityPercent);
    if (std::isfinite(humidity) && humidity >= 0.0 && humidity <= 100.0)
        s.humidityPercent = humidity;
    const double dut1 = ini.Real(section, Dut1Key, 0.0);
    if (std::isfinite(dut1) && std::fabs(dut1) <= MaxDut1Seconds)
        s.dut1Seconds = dut1;
    return s;
}

TPreciseSite PreciseSiteFor(const TSite& where, const TPositionSettings& settings)
{
    TPreciseSite site;
    site.latitudeDeg = where.latitudeDeg;
    site.longitudeDeg = where.longitudeDeg;
    site.heightM = where.heightM;
    site.pressureHpa = settings.refraction ? where.pressureMbar : 0.0;
    site.temperatureC = where.temperatureC;
    site.humidityPercent = settings.humidityPercent;
    site.wavelengthMicrons = RadioWavelengthMicrons;
    site.dut1Seconds = settings.dut1Seconds;
    return site;
}

std::optional<TPreciseSite> FrameSite(const TSite& where, const TPositionSettings& settings)
{
    if (settings.frame != TPositionFrame::Icrs)
        return std::nullopt;
    return PreciseSiteFor(where, settings);
}

const char* FrameCaption(TPositionFrame frame)
{
    return frame == TPositionFrame::Icrs ? "ICRS (J2000)" : "Classic (of date)";
}

}  // namespace driftline
