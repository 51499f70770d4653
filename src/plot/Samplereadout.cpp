// Texts of one sample for the read-out of the sample under the mouse.
#include "plot/Samplereadout.h"

#include "astro/Timeunit.h"
#include "plot/QuantityText.h"

#include <cmath>
#include <cstdio>

namespace driftline {

namespace {
// Date-time serials of 0001-01-01 and of the end of 9999-12-31.
constexpr double FirstSerial = -693593.0;
constexpr double EndSerial = 2958466.0;
}  // namespace

std::string DateTimeText(double serial)
{
    if (!std::isfinite(serial) || serial < FirstSerial || serial >= EndSerial)
        return TimeOfDayText(serial);
    const TSystemTime t = DecodeDateTime(serial);
    char text[48];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", unsigned{t.wYear}, unsigned{t.wMonth},
                  unsigned{t.wDay}, unsigned{t.wHour}, unsigned{t.wMinute}, unsigned{t.wSecond});
    return text;
}

std::string ReadoutValueText(int q, double v)
{
    return q == Time ? DateTimeText(v) : QuantityText(q, v);
}

std::vector<std::string> SampleReadoutLines(const Sample& sample)
{
    std::vector<std::string> lines;
    lines.reserve(QuantityCount);
    for (int q = 0; q < QuantityCount; ++q)
        lines.push_back(std::string(QuantityCaption(q)) + ' ' + ReadoutValueText(q, sample[q]));
    return lines;
}

}  // namespace driftline
