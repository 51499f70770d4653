// The derivation of a run of records, which keeps what consecutive records share (the day's
// sidereal time at 0h, the pointings of recent count pairs), against positions built one at a
// time the way a single source is built.
#include "astro/AstroConstants.h"
#include "astro/Sourceunit.h"
#include "astro/Timeunit.h"
#include "logdata/Samplederive.h"

#include "../astro/AstroSite.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace driftline {
namespace {

bool SameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

struct TCounts {
    std::int64_t azimuth;
    std::int64_t altitude;
};

// Count pairs in the order a run visits them: a parked dish jittering by a count, pairs whose
// hash slots coincide (two azimuth counts on, 62 altitude counts back) visited in turn so that
// each evicts the other, negative and over-a-turn counts (outside the sine table), and the pole.
std::vector<TCounts> CountSequence()
{
    std::vector<TCounts> out;
    for (int i = 0; i < 40; ++i)
        out.push_back({16384 + (i % 3) - 1, 3641 + ((i / 3) % 3) - 1});
    for (int i = 0; i < 12; ++i)
        out.push_back(i % 2 == 0 ? TCounts{20000, 4000} : TCounts{20002, 3938});
    out.push_back({-5, 100});
    out.push_back({CountsPerTurn + 7, -3});
    out.push_back({0, CountsPerTurn / 4});
    out.push_back({12345, CountsPerTurn / 4});
    out.push_back({20000, 4000});
    return out;
}

TEST(SampleDeriverRun, EverySampleHasTheBitsOfASourceBuiltAlone)
{
    struct SiteCase {
        const char* name;
        TSite site;
    };
    const SiteCase sites[] = {
        {"north, J2000", testing::SiteAt(52, 37, 1, 17)},
        {"south and west, 1950", testing::SiteAt(-33, -37, -70, -17, "J1950")},
        {"near the pole, far east", testing::SiteAt(89, 30, 179, 50)},
    };
    // Ten minutes before midnight of 31 December 2011, records 37 s apart into the new year; the
    // date stays that of the first day, so the later times run past a day's milliseconds.
    const TDateTime date = EncodeDate(2011, 12, 31);
    const std::vector<TCounts> counts = CountSequence();
    for (const SiteCase& c : sites) {
        // The run derived in one call, across several batches (with a midnight inside one), and
        // record by record by a deriver that lives as long.
        std::vector<RawRecord> raws;
        std::vector<TCounts> at;
        for (std::size_t i = 0; i < 3 * counts.size(); ++i) {
            const auto ms = static_cast<std::uint32_t>(86400000 - 600000 + 37000 * i);
            raws.push_back({ms, 1000, 2000, static_cast<std::uint32_t>(i)});
            at.push_back(counts[i % counts.size()]);
        }
        // One shift for the whole run, so the logged counts carry the pairs' differences.
        for (std::size_t i = 0; i < raws.size(); ++i) {
            raws[i].azimuthCounts = static_cast<std::uint32_t>(at[i].azimuth + 100);
            raws[i].altitudeCounts = static_cast<std::uint32_t>(at[i].altitude + 200);
        }
        std::vector<Sample> many(raws.size());
        TSampleDeriver(c.site).deriveMany(raws.data(), raws.size(), -100, -200, date, many.data());
        TSampleDeriver oneByOne(c.site);
        for (std::size_t i = 0; i < raws.size(); ++i) {
            const Sample& s = many[i];
            const std::string where = std::string(c.name) + ", record " + std::to_string(i);
            const Sample single = oneByOne.derive(raws[i], -100, -200, date);
            EXPECT_EQ(std::memcmp(&single, &s, sizeof s), 0) << where;

            TUtcLocalTime when;
            UtcLocalFromDateTime(when, s[Time]);
            TSource alone(static_cast<double>(at[i].azimuth) * DegreesPerCount,
                          static_cast<double>(at[i].altitude) * DegreesPerCount, &when, c.site);
            EXPECT_TRUE(SameBits(s[Azimuth], alone.Azimuth)) << where;
            EXPECT_TRUE(SameBits(s[Altitude], alone.Altitude)) << where;
            EXPECT_TRUE(SameBits(s[RightAscension], alone.GetRa().Value())) << where;
            EXPECT_TRUE(SameBits(s[Declination], alone.GetDec().Value())) << where;
            EXPECT_TRUE(SameBits(s[Beta], alone.GetBeta().Value())) << where;
            EXPECT_TRUE(SameBits(s[Lambda], alone.GetLambda().Value())) << where;
        }
    }
}

}  // namespace
}  // namespace driftline
