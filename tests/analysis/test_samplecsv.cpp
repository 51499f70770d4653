// The derive CSV lines: printf's %.17g value by value, repeats and odd values included.
#include "analysis/Samplecsv.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace driftline {
namespace {

// One line as printf writes it, value by value: the reference the lines must match.
std::string PrintfLine(const Sample& s, const std::string& prefix)
{
    std::string line = prefix;
    char buffer[64];
    for (int q = 0; q < QuantityCount; ++q) {
        std::snprintf(buffer, sizeof buffer, "%.17g", s[q]);
        line += buffer;
        line += q + 1 < QuantityCount ? ',' : '\n';
    }
    return line;
}

Sample Filled(double v)
{
    Sample s;
    for (int q = 0; q < QuantityCount; ++q)
        s[q] = v;
    return s;
}

TEST(SampleCsv, LinesAreThoseOfPrintfValueByValue)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    Sample parked;
    const double values[] = {40321.5000011574, 180.25, 45.0, 123.456, 359.99999999999994, 60.1, 200.0, 1.2345};
    for (int q = 0; q < QuantityCount; ++q)
        parked[q] = values[q];
    Sample moving = parked;
    moving[0] += 1.0 / 86400.0;
    moving[7] = -0.0049999999999999992;
    Sample signedZero = parked;
    signedZero[1] = -0.0;
    Sample plainZero = parked;
    plainZero[1] = 0.0;

    struct Case {
        const char* what;
        std::vector<Sample> samples;
    };
    const std::vector<Case> cases = {
        // A parked dish: every column repeats; the copies must equal fresh text.
        {"repeats", {parked, parked, moving, moving, parked}},
        // -0 and 0 compare equal but print differently: a repeat is a repeat of the bits.
        {"signed zeros", {signedZero, plainZero, signedZero, signedZero, plainZero}},
        // NaN never equals itself, infinities and the extremes go through the library path.
        {"odd values", {Filled(nan), Filled(nan), Filled(inf), Filled(-inf), Filled(1.7976931348623157e308),
                        Filled(-std::numeric_limits<double>::denorm_min()), Filled(1e-300)}},
        // The shortest lines ("0,0,0,0,0,0,0,0"): the copy of a repeat overlaps the line before.
        {"short lines", {Filled(0.0), Filled(0.0), Filled(0.0), Filled(1.0), Filled(1.0), Filled(0.0)}},
        // The longest values: a line of 24-character numbers.
        {"long lines", {Filled(-1.2345678901234567e-308), Filled(-1.2345678901234567e-308), Filled(-2.5e-300)}},
    };
    for (const Case& c : cases) {
        for (const std::string prefix : {"", "run \"7\".log,"}) {
            std::string expected;
            for (const Sample& s : c.samples)
                expected += PrintfLine(s, prefix);
            std::string text = "head\n";
            AppendSampleRows(text, SampleView(c.samples), 0, c.samples.size(), prefix);
            EXPECT_EQ(text, "head\n" + expected) << c.what << ", prefix '" << prefix << "'";
        }
    }
}

TEST(SampleCsv, ARangeOfAViewGivesThoseLinesOnly)
{
    // A view of positions (the voltage list's shape): lines 1 to 3 of the view, in view order.
    std::vector<Sample> base;
    for (int k = 0; k < 6; ++k)
        base.push_back(Filled(0.1 * k));
    const std::vector<std::uint32_t> positions = {5, 3, 3, 0, 2};
    const SampleView view(base.data(), positions.data(), positions.size());
    std::string text;
    AppendSampleRows(text, view, 1, 4);
    EXPECT_EQ(text, PrintfLine(base[3], "") + PrintfLine(base[3], "") + PrintfLine(base[0], ""));
    // An empty range appends nothing.
    const std::string before = text;
    AppendSampleRows(text, view, 2, 2);
    AppendSampleRows(text, view, 5, 5);
    EXPECT_EQ(text, before);
}

}  // namespace
}  // namespace driftline
